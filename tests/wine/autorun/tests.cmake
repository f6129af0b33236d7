# The auto-run suite drives Pellmora.exe with real key input, which goes to
# whichever window is in front: nothing else may run beside it.
add_test(NAME wine_autorun${PELLMORA_WINE_SUFFIX}
  COMMAND ${PELLMORA_WINE} wine ${PELLMORA_WINDOWS_BUILD}/tests/wine/autorun/autorun_tests.exe)
set_tests_properties(wine_autorun${PELLMORA_WINE_SUFFIX} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
