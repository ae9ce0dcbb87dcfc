# Runs mkart and mkicon into scratch directories and fails unless every picture matches data/
# and every icon matches desktop/icons/, byte for byte. EMULATOR, when set, runs them (a cross
# build's generators).
cmake_minimum_required(VERSION 3.16)
foreach(var MKART FONT REF OUT MKICON ICONS_REF)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare_art.cmake needs -D${var}=...")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../tools/art_files.cmake)

set(ICONS "")
foreach(size IN LISTS ART_ICON_SIZES)
  list(APPEND ICONS "${size}x${size}.png")
endforeach()

set(problems "")

# Runs the generator into out, then holds each of the files against ref; pattern finds the
# files it wrote, since one that nobody lists (in the list named by listed_in) would silently
# escape this check.
function(compare what out ref files pattern listed_in)
  file(REMOVE_RECURSE "${out}")
  file(MAKE_DIRECTORY "${out}")
  execute_process(COMMAND ${EMULATOR} ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc})")
  endif()
  foreach(name IN LISTS files)
    if(NOT EXISTS "${ref}/${name}")
      list(APPEND problems "${name}: missing from ${ref}")
    elseif(NOT EXISTS "${out}/${name}")
      list(APPEND problems "${name}: ${what} did not write it")
    else()
      execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${ref}/${name}" "${out}/${name}"
                      RESULT_VARIABLE differ)
      if(NOT differ EQUAL 0)
        list(APPEND problems "${name}: differs from the committed copy (run the art target)")
      endif()
    endif()
  endforeach()
  file(GLOB written RELATIVE "${out}" "${out}/${pattern}")
  foreach(name IN LISTS written)
    if(NOT name IN_LIST files)
      list(APPEND problems "${name}: written by ${what} but not listed in ${listed_in}")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

compare(mkart "${OUT}/data" "${REF}" "${ART_PICTURES}" "*.bmp" "${ART_PICTURES_HEADER}"
        "${MKART}" "${OUT}/data" "${FONT}")
compare(mkicon "${OUT}/icons" "${ICONS_REF}" "${ICONS}" "*.png" "tools/art_files.cmake"
        "${MKICON}" "${OUT}/icons")

if(problems)
  string(REPLACE ";" "\n  " text "${problems}")
  message(FATAL_ERROR "art differs:\n  ${text}")
endif()
list(LENGTH ART_PICTURES n)
list(LENGTH ICONS m)
message(STATUS "all ${n} pictures and ${m} icons match")
