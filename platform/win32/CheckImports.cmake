# Run after linking Pellmora.exe: fails the build when the executable
# imports from a DLL that the loader might take from Pellmora's own folder
# (where anyone who can write there could plant one), or imports by name a
# function that Windows 7 SP1 lacks (the loader would refuse to start it
# there). Every imported name is taken into a C probe compiled against the
# headers at Windows 7's level, where mingw-w64 hides each newer function,
# so a newer one leaves the probe undeclared.
# Usage: cmake -DOBJDUMP=<objdump> -DCC=<mingw gcc or g++> -DEXE=<exe> -DPROBE=<probe.c> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.25)

set(headers windows.h commctrl.h
    errno.h io.h locale.h process.h setjmp.h signal.h stdio.h stdlib.h string.h wchar.h)
# The program is one static executable. It may import only from DLLs that
# Windows 7 SP1 to 11 always map from the system folder, the known DLLs
# (and ntdll.dll, mapped before any), and from comctl32.dll, which the
# manifest has the loader take from the side-by-side store. Static imports
# are resolved before wWinMain can restrict the search: version.dll or
# uxtheme.dll, say, would be looked for beside Pellmora.exe first.
set(system_dlls kernel32.dll user32.dll gdi32.dll comctl32.dll shell32.dll advapi32.dll ole32.dll
    oleaut32.dll msvcrt.dll ntdll.dll shlwapi.dll)
# The C runtime's start-up entries, which msvcrt.dll has exported since long
# before Windows 7 and which no public header declares.
set(runtime_start_up __p__commode __set_app_type __setusermatherr __wgetmainargs __winitenv _amsg_exit _commode _initterm)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The import table of ${EXE} could not be read: ${errors}")
endif()
string(FIND "${dump}" "The Import Tables" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${EXE} has no import table that ${OBJDUMP} shows.")
endif()
string(SUBSTRING "${dump}" ${start} -1 imports)
string(REPLACE ";" "," imports "${imports}")
string(REPLACE "\n" ";" lines "${imports}")

set(dll "")
set(probe "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "${EXE} imports from ${dll}, which is no known DLL of every Windows from 7 on: "
                          "the loader could take it from Pellmora's own folder.")
    endif()
  elseif(dll STREQUAL "" OR line MATCHES "^\tvma:")
    # between the tables, or a table's column heads
  elseif(line STREQUAL "")
    set(dll "")
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_]*)$")
    set(name ${CMAKE_MATCH_1})
    math(EXPR count "${count} + 1")
    if(NOT (dll STREQUAL "msvcrt.dll" AND name IN_LIST runtime_start_up))
      string(APPEND probe "    (void)(${name});  /* ${dll} */\n")
    endif()
  else()
    message(FATAL_ERROR "${EXE}: an import the check cannot read (by ordinal?): \"${line}\"")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${EXE}: no imported function found; the check read nothing.")
endif()

set(includes "")
foreach(header IN LISTS headers)
  string(APPEND includes "#include <${header}>\n")
endforeach()
file(WRITE ${PROBE} "${includes}\nvoid probe(void) {\n${probe}}\n")
execute_process(
  COMMAND ${CC} -x c -std=gnu11 -fsyntax-only -Werror -DWINVER=0x0601 -D_WIN32_WINNT=0x0601 ${PROBE}
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXE} imports a function that Windows 7 SP1 lacks, or one the check cannot place "
                      "(see ${PROBE}):\n${output}")
endif()
