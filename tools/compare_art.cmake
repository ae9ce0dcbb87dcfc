# Runs mkart into a scratch directory and fails unless every picture matches data/ byte for byte.
cmake_minimum_required(VERSION 3.16)
foreach(var MKART FONT REF OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare_art.cmake needs -D${var}=...")
  endif()
endforeach()

set(PICTURES
  title.bmp help_screen.bmp round.bmp main.bmp you_win.bmp you_lost.bmp
  1.bmp 2.bmp 3.bmp
  borin_quastle.bmp wenna_pollsby.bmp tovi_glimrat.bmp jory_vandle.bmp
  hollis_quibbleton.bmp zebrolt_mm.bmp
  ball_red.bmp ball_green.bmp ball_blue.bmp ball_yellow.bmp ball_brown.bmp ball_purple.bmp
  quickie.bmp x_totitle.bmp r_time.bmp false.bmp right.bmp)

file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${MKART}" "${OUT}" "${FONT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mkart failed (${rc})")
endif()

set(problems "")
foreach(pic IN LISTS PICTURES)
  if(NOT EXISTS "${REF}/${pic}")
    list(APPEND problems "${pic}: missing from ${REF}")
  elseif(NOT EXISTS "${OUT}/${pic}")
    list(APPEND problems "${pic}: mkart did not write it")
  else()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${REF}/${pic}" "${OUT}/${pic}"
                    RESULT_VARIABLE differ)
    if(NOT differ EQUAL 0)
      list(APPEND problems "${pic}: differs from the committed copy (run the art target)")
    endif()
  endif()
endforeach()

# A picture mkart writes but nobody lists would silently escape this check.
file(GLOB written RELATIVE "${OUT}" "${OUT}/*.bmp")
foreach(pic IN LISTS written)
  if(NOT pic IN_LIST PICTURES)
    list(APPEND problems "${pic}: written by mkart but not listed here")
  endif()
endforeach()

if(problems)
  string(REPLACE ";" "\n  " text "${problems}")
  message(FATAL_ERROR "art differs:\n  ${text}")
endif()
list(LENGTH PICTURES n)
message(STATUS "all ${n} pictures match")
