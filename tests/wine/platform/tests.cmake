# The Win32 platform layer under Wine: the file system and process start in
# parallel with other suites; the window suite alone, since focus and
# activation belong to the one Wine desktop.
set(platform_tests_exe ${PELLMORA_WINDOWS_BUILD}/tests/wine/platform/platform_tests.exe)
add_test(NAME wine_platform_files${PELLMORA_WINE_SUFFIX}
  COMMAND ${PELLMORA_WINE} wine ${platform_tests_exe} --gtest_filter=FileSystem.*:Processes.*)
add_test(NAME wine_platform_window${PELLMORA_WINE_SUFFIX}
  COMMAND ${PELLMORA_WINE} wine ${platform_tests_exe} --gtest_filter=Window.*)
set_tests_properties(wine_platform_files${PELLMORA_WINE_SUFFIX} wine_platform_window${PELLMORA_WINE_SUFFIX} PROPERTIES TIMEOUT 180)
set_tests_properties(wine_platform_window${PELLMORA_WINE_SUFFIX} PROPERTIES RUN_SERIAL TRUE RESOURCE_LOCK wine_desktop)
