# Run after linking Pellmora.exe: reads the resources back out of the
# executable and fails the build when the manifest (common controls v6,
# per-monitor DPI awareness, Windows 7 and later, asInvoker), the icon or
# the version record is missing, or the icon lacks a 32-bit image at one of
# the sizes the shell asks for. Usage: cmake -DRC=<windres> -DEXE=<Pellmora.exe> -P CheckResources.cmake
cmake_minimum_required(VERSION 3.25)

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

# The icon group's entries, as windres writes them: width and height in
# octal escapes (256 as 0), colours, pad, then planes and bits per pixel.
string(REGEX MATCHALL "\"\\\\[0-7]+\\\\[0-7]+\\\\[0-7]+\\\\[0-7]+\", 1, 32," entries "${resources}")
set(sizes)
foreach(entry IN LISTS entries)
  string(REGEX MATCH "^\"\\\\([0-7])([0-7])([0-7])" _ "${entry}")
  math(EXPR size "${CMAKE_MATCH_1} * 64 + ${CMAKE_MATCH_2} * 8 + ${CMAKE_MATCH_3}")
  if(size EQUAL 0)
    set(size 256)
  endif()
  list(APPEND sizes ${size})
endforeach()
foreach(expected 16 20 24 32 40 48 64 256)
  if(NOT expected IN_LIST sizes)
    message(FATAL_ERROR "${EXE}'s icon has no 32-bit image of ${expected} pixels; it has: ${sizes}.")
  endif()
endforeach()
