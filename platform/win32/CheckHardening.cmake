# Run after linking Pellmora.exe: fails the build when the executable lost
# any of its hardening, whatever the toolchain's defaults: a loader that may
# place it anywhere (DYNAMIC_BASE with the relocations that make it
# possible, HIGH_ENTROPY_VA on x64), data that never runs (NX_COMPAT), no
# terminal-server shims (TERMINAL_SERVER_AWARE), and the stack protector:
# the project's own canary, and code that calls its failure from somewhere
# else than the code that defines it. The executable is stripped, so the
# linker's map says where each went.
# Usage: cmake -DOBJDUMP=<objdump> -DEXE=<exe> -DMAP=<linker map> -P CheckHardening.cmake
cmake_minimum_required(VERSION 3.25)

function(read_dump option into)
  execute_process(COMMAND ${OBJDUMP} ${option} ${EXE} OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXE} could not be read with ${OBJDUMP} ${option}: ${errors}")
  endif()
  set(${into} "${dump}" PARENT_SCOPE)
endfunction()

read_dump(-p header)
if(NOT header MATCHES "\nMagic\t+(0[12]0b)\t")
  message(FATAL_ERROR "${EXE}: ${OBJDUMP} -p shows no PE optional header that the check can read.")
endif()
set(magic ${CMAKE_MATCH_1})
if(NOT header MATCHES "\nDllCharacteristics\t+([0-9a-fA-F]+)\n")
  message(FATAL_ERROR "${EXE}: ${OBJDUMP} -p shows no DllCharacteristics.")
endif()
set(shown ${CMAKE_MATCH_1})
math(EXPR characteristics "0x${shown}")
set(bits DYNAMIC_BASE:0x40 NX_COMPAT:0x100 TERMINAL_SERVER_AWARE:0x8000)
if(magic STREQUAL "020b")
  list(APPEND bits HIGH_ENTROPY_VA:0x20)
endif()
foreach(bit IN LISTS bits)
  string(REPLACE ":" ";" bit ${bit})
  list(GET bit 0 name)
  list(GET bit 1 value)
  math(EXPR set "${characteristics} & ${value}")
  if(set EQUAL 0)
    message(FATAL_ERROR "${EXE} lacks ${name} (${value}) in its DllCharacteristics (${shown}): "
                        "a linker flag of the hardening was lost.")
  endif()
endforeach()
# Without relocations the loader cannot move the image, whatever the bit says.
if(NOT header MATCHES "\nEntry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory \\[\\.reloc\\]")
  message(FATAL_ERROR "${EXE} has no .reloc section: the loader could not place it anywhere but its base.")
endif()

# The canary and its failure are StackGuard.cpp's, linked whole into the
# executable: a definition picked out of a library wins only by the order
# in which the linker scans it and libssp, whose own loads a cryptographic
# provider at every start. Each symbol (with i686's leading underscore) is
# found in the map with the input section that holds it: its start, its
# size and the object it came from.
file(READ ${MAP} map)
foreach(symbol __stack_chk_guard __stack_chk_fail)
  if(NOT map MATCHES "\n \\.[^ \n]+[ \n]+0x0*([0-9a-f]+) +0x([0-9a-f]+) ([^\n]+)\n( +0x[0-9a-f]+ +[A-Za-z_][^\n]*\n)* +0x0*([0-9a-f]+) +_?${symbol}\n")
    message(FATAL_ERROR "${EXE}: the map ${MAP} shows no ${symbol}: built without the stack protector.")
  endif()
  set(object "${CMAKE_MATCH_3}")
  if(symbol STREQUAL "__stack_chk_fail")
    set(target ${CMAKE_MATCH_5})
    math(EXPR library_start "0x${CMAKE_MATCH_1}")
    math(EXPR library_end "0x${CMAKE_MATCH_1} + 0x${CMAKE_MATCH_2}")
  endif()
  if(NOT object MATCHES "(^|[/(])StackGuard\\.cpp\\.obj\\)?$")
    message(FATAL_ERROR "${EXE}: ${symbol} comes from ${object}, not from StackGuard.cpp (see ${MAP}).")
  endif()
  # A member of an archive must have been linked whole, not for a symbol
  # that something else needed.
  if(object MATCHES "\\)$")
    string(FIND "${map}" "\n${object}\n" member)
    set(included "")
    if(member GREATER_EQUAL 0)
      string(SUBSTRING "${map}" ${member} 200 included)
    endif()
    if(NOT included MATCHES "^\n[^\n]+\n +\\(--whole-archive\\)\n")
      message(FATAL_ERROR "${EXE}: ${symbol} comes from ${object}, picked out of a library by the order of the scan, "
                          "not linked whole into the executable (see ${MAP}).")
    endif()
  endif()
endforeach()

read_dump(-d code)
string(REGEX MATCHALL "\n +[0-9a-f]+:\t[^\n]*\tcall +0x0*${target}\n" calls "${code}")
set(protected 0)
foreach(call IN LISTS calls)
  string(REGEX MATCH "[0-9a-f]+:" site "${call}")
  string(REPLACE ":" "" site "${site}")
  math(EXPR site "0x${site}")
  if(site LESS library_start OR NOT site LESS library_end)
    math(EXPR protected "${protected} + 1")
  endif()
endforeach()
if(protected EQUAL 0)
  message(FATAL_ERROR "${EXE}: no code calls __stack_chk_fail but its own: built without the stack protector.")
endif()
