# The real window under Wine, one ctest test per suite of window_tests.exe,
# which tests the Pellmora.exe of its build folder. The suites that open
# Pellmora's window run alone: key input goes to whichever window is in
# front, and the message box is checked by its pixels.
set(window_tests_exe ${PELLMORA_WINDOWS_BUILD}/tests/wine/window/window_tests.exe)
foreach(suite Window Keyboard OptionsFile Resources Executable)
  add_test(NAME wine_window_${suite} COMMAND ${PELLMORA_WINE} wine ${window_tests_exe} --gtest_filter=${suite}.*)
  set_tests_properties(wine_window_${suite} PROPERTIES TIMEOUT 120)
endforeach()
set_tests_properties(wine_window_Window wine_window_Keyboard wine_window_OptionsFile PROPERTIES RUN_SERIAL TRUE)
