# The Wine fault cases, one ctest test per case. The Wine suites share one
# desktop, so they take the desktop lock in turn.
set(robust_wine_source ${CMAKE_CURRENT_LIST_DIR}/robust_wine_test.cpp)
set(robust_wine_exe ${PELLMORA_WINDOWS_BUILD}/tests/wine/robust/robust_wine_tests.exe)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${robust_wine_source})
file(STRINGS ${robust_wine_source} robust_wine_cases REGEX "^TEST\\([A-Za-z0-9_]+, *[A-Za-z0-9_]+\\)")
foreach(case IN LISTS robust_wine_cases)
  string(REGEX REPLACE "^TEST\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\).*" "\\1.\\2" name "${case}")
  add_test(NAME wine.robust.${name}${PELLMORA_WINE_SUFFIX}
           COMMAND ${PELLMORA_WINE} wine ${robust_wine_exe} --gtest_filter=${name})
  set_tests_properties(wine.robust.${name}${PELLMORA_WINE_SUFFIX} PROPERTIES TIMEOUT 900 RESOURCE_LOCK wine_desktop LABELS wine)
endforeach()
