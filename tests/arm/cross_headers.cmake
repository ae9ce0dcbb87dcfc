# Fails when any object of a cross build was compiled with a header of the build machine's
# own /usr/include (its SDL, say) instead of the sysroot's or the cross compiler's: those
# headers describe this machine's libraries, not the ones the ARM program links.
# cmake -DBUILD_DIR=... -P cross_headers.cmake
# Objects live under CMakeFiles/ of the build folder and of its subfolders (tools/, tests/ and
# the folders below tests/);
# the sysroot kept in the build folder is not walked.
file(GLOB dirs LIST_DIRECTORIES true "${BUILD_DIR}/CMakeFiles" "${BUILD_DIR}/*/CMakeFiles"
     "${BUILD_DIR}/*/*/CMakeFiles")
set(depfiles "")
foreach(dir IN LISTS dirs)
  file(GLOB_RECURSE found "${dir}/*.o.d")
  list(APPEND depfiles ${found})
endforeach()
if(NOT depfiles)
  message(FATAL_ERROR "no dependency files (*.o.d) under ${BUILD_DIR}: build it first")
endif()
set(wrong "")
foreach(depfile IN LISTS depfiles)
  file(READ "${depfile}" deps)
  string(REGEX MATCHALL "(^|[ \t\n])/usr/(local/)?include/[^ \t\n\\\\]+" found "${deps}")
  foreach(header IN LISTS found)
    string(STRIP "${header}" header)
    file(RELATIVE_PATH object "${BUILD_DIR}" "${depfile}")
    list(APPEND wrong "${object}: ${header}")
  endforeach()
endforeach()
list(LENGTH depfiles n)
if(wrong)
  list(REMOVE_DUPLICATES wrong)
  string(REPLACE ";" "\n  " text "${wrong}")
  message(FATAL_ERROR "objects built with the build machine's headers:\n  ${text}")
endif()
message(STATUS "${n} objects, none built with the build machine's headers")
