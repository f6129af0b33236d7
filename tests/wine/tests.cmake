# The Wine tests, one ctest test per suite of wine_tests.exe, named
# wine.<Suite> (wine.<Suite>_x86 for the 32-bit build). The virtual display
# is one resource of two slots (tests/wine/desktop.json): a suite that shows
# a window takes one, so two such suites may run side by side; a suite that
# gives real key input or needs the focus takes both, so no other window can
# appear and take the focus from it. Suites without a window take none. A
# 32-bit build on a machine that runs no 32-bit programs is skipped (exit
# code 77; scripts/wine.sh says why).
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
set(wine_focus_suites Window AutoRun)
set(wine_windowless_suites FileSystem Processes Loader)
# wine.<name>: the tests `filter` picks, with `ARGN` (settings) in their
# environment, and the display slots their suite takes.
function(add_wine_test name suite filter)
  set(name wine.${name}${PELLMORA_WINE_SUFFIX})
  add_test(NAME ${name}
           COMMAND env ${ARGN} ${PELLMORA_WINE} wine ${PELLMORA_WINDOWS_BUILD}/tests/wine/wine_tests.exe
                   --gtest_filter=${filter})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS wine SKIP_RETURN_CODE 77)
  if(suite IN_LIST wine_focus_suites)
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS desktop:2)
  elseif(NOT suite IN_LIST wine_windowless_suites)
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS desktop:1)
  endif()
endfunction()
foreach(suite IN LISTS wine_suites)
  add_wine_test(${suite} ${suite} ${suite}.*)
endforeach()
# The captions, the layout of each Windows version and the scheme's rules
# again at the other DPIs, the captions under a Wine without its own fonts,
# the scheme's rules under white on black, and a path typed under a
# Cyrillic ANSI code page, each in a prefix of its own that scripts/wine.sh
# makes.
foreach(variant AtDpi.120dpi:PELLMORA_DPI=120:Captions.*:Dpi.*:Scheme.*
                AtDpi.144dpi:PELLMORA_DPI=144:Captions.*:Dpi.*:Scheme.*
                AtDpi.192dpi:PELLMORA_DPI=192:Captions.*:Dpi.*:Scheme.*
                Captions.WithoutWineFonts:PELLMORA_WINE_FONTS=none:Captions.*
                Scheme.HighContrast:PELLMORA_COLORS=highcontrast:Scheme.*
                Window.CodePage1251:PELLMORA_CODEPAGE=1251:Window.*)
  string(REPLACE ":" ";" variant ${variant})
  list(POP_FRONT variant name setting)
  list(JOIN variant ":" filter)
  string(REGEX REPLACE "\\..*" "" suite ${name})
  add_wine_test(${name} ${suite} ${filter} ${setting})
endforeach()
