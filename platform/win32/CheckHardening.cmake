# Run after linking Pellmora.exe: fails the build when the executable lost
# any of its hardening, whatever the toolchain's defaults: a loader that may
# place it anywhere (DYNAMIC_BASE with the relocations that make it
# possible, HIGH_ENTROPY_VA on x64), data that never runs (NX_COMPAT), no
# terminal-server shims (TERMINAL_SERVER_AWARE), and the stack protector's
# canary in the project's code. The executable is stripped, so the linker's
# map says where __stack_chk_fail went, and the code must call it from
# somewhere else than the code that defines it.
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

# Where __stack_chk_fail (with i686's leading underscore) and the code
# section defining it were placed.
file(READ ${MAP} map)
if(NOT map MATCHES "\n +0x0*([0-9a-f]+) +_?__stack_chk_fail\n")
  message(FATAL_ERROR "${EXE}: __stack_chk_fail was not linked (see ${MAP}): built without the stack protector.")
endif()
set(target ${CMAKE_MATCH_1})
if(NOT map MATCHES "\n \\.text[^ \n]*[ \n]+0x0*([0-9a-f]+) +0x([0-9a-f]+) [^\n]*\n( +0x[0-9a-f]+ +[A-Za-z_][^\n]*\n)* +0x0*${target} +_?__stack_chk_fail\n")
  message(FATAL_ERROR "${EXE}: the map ${MAP} does not show the code that defines __stack_chk_fail.")
endif()
math(EXPR library_start "0x${CMAKE_MATCH_1}")
math(EXPR library_end "0x${CMAKE_MATCH_1} + 0x${CMAKE_MATCH_2}")

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
