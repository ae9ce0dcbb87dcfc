# Prints the pictures' list as the CMake reader (tools/art_files.cmake) reads it, for the
# reader's test: one line "FILE GLOBAL" per picture, or the reader's error.
# cmake [-DART_PICTURES_HEADER=...] -P list_pictures.cmake
cmake_minimum_required(VERSION 3.16)
include(${CMAKE_CURRENT_LIST_DIR}/../../tools/art_files.cmake)
set(out "")
list(LENGTH ART_PICTURES n)
math(EXPR last "${n} - 1")
foreach(i RANGE ${last})
  list(GET ART_PICTURES ${i} file)
  list(GET ART_PICTURE_GLOBALS ${i} global)
  string(APPEND out "${file} ${global}\n")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo_append "${out}")
