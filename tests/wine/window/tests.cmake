# The real window under Wine, one ctest test per suite of window_tests.exe,
# which tests the Pellmora.exe of its build folder. The suites that open
# Pellmora's window run alone: key input goes to whichever window is in
# front, and the message box is checked by its pixels.
set(window_tests_exe ${PELLMORA_WINDOWS_BUILD}/tests/wine/window/window_tests.exe)
foreach(suite Window Keyboard OptionsFile Resources Executable)
  add_test(NAME wine_window_${suite}${PELLMORA_WINE_SUFFIX} COMMAND ${PELLMORA_WINE} wine ${window_tests_exe} --gtest_filter=${suite}.*)
  set_tests_properties(wine_window_${suite}${PELLMORA_WINE_SUFFIX} PROPERTIES TIMEOUT 120)
endforeach()
set_tests_properties(wine_window_Window${PELLMORA_WINE_SUFFIX} wine_window_Keyboard${PELLMORA_WINE_SUFFIX}
  wine_window_OptionsFile${PELLMORA_WINE_SUFFIX} PROPERTIES RUN_SERIAL TRUE)
