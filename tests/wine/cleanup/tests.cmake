# The cleanup suite under Wine, one ctest test per case, each through run.sh,
# which prepares the link tree on the Linux side. The launch cases run alone:
# they open windows that take the focus, and one reads the message box's
# icon off the screen. The cleanup cases drive the window by messages only.
set(cleanup_dir ${CMAKE_CURRENT_LIST_DIR})
set(cleanup_exe ${PELLMORA_WINDOWS_BUILD}/tests/wine/cleanup/cleanup_tests.exe)
file(GLOB cleanup_sources ${cleanup_dir}/*Test.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${cleanup_sources})
foreach(source IN LISTS cleanup_sources)
  file(STRINGS ${source} cases REGEX "^TEST(_F)?\\([A-Za-z0-9_]+, *[A-Za-z0-9_]+\\)")
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "^TEST(_F)?\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\).*" "\\2.\\3" filter "${case}")
    string(REPLACE "." "_" name "wine_cleanup_${filter}${PELLMORA_WINE_SUFFIX}")
    add_test(NAME ${name} COMMAND ${cleanup_dir}/run.sh ${PELLMORA_WINE} ${cleanup_exe} --gtest_filter=${filter})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    if(filter MATCHES "^RunJunoOnDisk\\.")
      set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
  endforeach()
endforeach()
