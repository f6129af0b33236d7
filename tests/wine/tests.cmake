# The Wine tests, one ctest test per suite of wine_tests.exe, named
# wine.<Suite>. Suites that give real key input or need the focus take the
# desktop in turn (RESOURCE_LOCK wine_desktop); the others run beside them.
set(wine_tests_source_dir ${CMAKE_CURRENT_LIST_DIR})
file(GLOB wine_test_sources ${wine_tests_source_dir}/*_test.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${wine_test_sources})
set(wine_suites)
foreach(source IN LISTS wine_test_sources)
  file(STRINGS ${source} cases REGEX "^TEST\\([A-Za-z0-9_]+,")
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "^TEST\\(([A-Za-z0-9_]+),.*" "\\1" suite "${case}")
    list(APPEND wine_suites ${suite})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES wine_suites)
set(wine_desktop_suites Window OptionsFile AutoRun Controls)
foreach(suite IN LISTS wine_suites)
  add_test(NAME wine.${suite}
           COMMAND ${PELLMORA_WINE} wine ${PELLMORA_WINDOWS_BUILD}/tests/wine/wine_tests.exe --gtest_filter=${suite}.*)
  set_tests_properties(wine.${suite} PROPERTIES TIMEOUT 600 LABELS wine)
  if(suite IN_LIST wine_desktop_suites)
    set_tests_properties(wine.${suite} PROPERTIES RESOURCE_LOCK wine_desktop)
  endif()
endforeach()
