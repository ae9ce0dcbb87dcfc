# Packs the handheld package again into DIST with the packer PACKER (the other -D arguments are
# its own) and fails unless the tarball has the very bytes of the built one, BUILT.
cmake_minimum_required(VERSION 3.16)
foreach(var PACKER BUILT DIST ARCH VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "package_again.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${BUILT}")
  message(FATAL_ERROR "${BUILT} is missing: build the target handheld_package")
endif()
# A second later, so that any time that slipped into the tarball would show.
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1)
file(REMOVE_RECURSE "${DIST}")
include(${PACKER})
set(again "${DIST}/codebreaker-${VERSION}-${ARCH}.tar.gz")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${BUILT}" "${again}"
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "packed again, ${again} differs from ${BUILT}")
endif()
file(SIZE "${again}" size)
message(STATUS "packed again: the same ${size} bytes as ${BUILT}")
file(REMOVE_RECURSE "${DIST}")
