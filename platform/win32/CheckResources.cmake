# Run after linking Pellmora.exe: reads the resources back out of the
# executable and fails the build when the manifest (common controls v6,
# per-monitor DPI awareness, Windows 7 and later, asInvoker), the icon or
# the version record is missing. Usage: cmake -DRC=<windres> -DEXE=<Pellmora.exe> -P CheckResources.cmake
execute_process(COMMAND ${RC} -i ${EXE} -O rc
  OUTPUT_VARIABLE resources ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The resources of ${EXE} could not be read: ${errors}")
endif()
foreach(expected
    "1 24 "                               # the manifest resource itself
    "Microsoft.Windows.Common-Controls"
    "PerMonitorV2, PerMonitor"
    "true/pm"
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a"  # Windows 7 among the supported systems
    "asInvoker"
    "1 14 "                               # the icon group
    "1 VERSIONINFO"
    "1.00.0001")
  string(FIND "${resources}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${EXE} lacks \"${expected}\" in its resources; the manifest, icon or version record was lost.")
  endif()
endforeach()
