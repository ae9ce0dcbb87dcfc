# The libraries a handheld package carries, and the C library it needs (handheld_package.cmake
# includes this; READELF is the toolchain's readelf, or any that reads the target's ELF files).
#
# A handheld that has SDL2 gives the game its C library and SDL2; everything else the game
# loads comes with the package.

# The C library's own files, and GCC's run-time support, which the C library itself loads (for
# thread cancellation and backtraces) and so comes with it: the handheld always has them, of its
# own build.
set(HANDHELD_C_LIBRARY libc.so.6 libm.so.6 libpthread.so.0 libdl.so.2 librt.so.1
                       ld-linux-armhf.so.3 ld-linux-aarch64.so.1 libgcc_s.so.1)
# The oldest SDL2 the packaged sdl12-compat starts on: it refuses one older than 2.0.7.
set(SDL2_FLOOR 2.0.7)

# An ELF file's dynamic section as readelf -d prints it, into var.
function(elf_dynamic file var)
  execute_process(COMMAND ${READELF} -d ${file} OUTPUT_VARIABLE out RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${READELF} could not read ${file}")
  endif()
  set(${var} "${out}" PARENT_SCOPE)
endfunction()

# The sonames an ELF file needs (its NEEDED entries), in their order, into var.
function(elf_needed file var)
  elf_dynamic(${file} out)
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*" lines "${out}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^.*\\[(.*)\\].*$" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${var} ${names} PARENT_SCOPE)
endfunction()

# The sysroot's file for soname, its links followed, into var; sdl12-compat's folder comes
# first, so that SDL 1.2 is sdl12-compat. Fails when the sysroot has none.
function(sysroot_library soname sysroot triplet var)
  foreach(dir usr/lib/${triplet}/sdl12-compat lib/${triplet} usr/lib/${triplet}
              usr/lib/${triplet}/pulseaudio lib usr/lib)
    if(EXISTS ${sysroot}/${dir}/${soname})
      get_filename_component(real ${sysroot}/${dir}/${soname} REALPATH)
      set(${var} ${real} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "the sysroot ${sysroot} has no ${soname}")
endfunction()

# Every soname the files of sonames load, directly or through each other, found in the
# sysroot, less the sonames of stop, which are not followed, into var.
function(library_closure sysroot triplet stop var)
  set(queue ${ARGN})
  set(found "")
  while(queue)
    list(POP_FRONT queue soname)
    if(soname IN_LIST stop OR soname IN_LIST found)
      continue()
    endif()
    list(APPEND found ${soname})
    sysroot_library(${soname} ${sysroot} ${triplet} file)
    elf_needed(${file} needed)
    list(APPEND queue ${needed})
  endwhile()
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# The Debian package of the sysroot that holds path (a file under sysroot), from files, the
# text of the list scripts/sysroot.sh keeps in DEBIAN/files, into var.
function(sysroot_package files sysroot path var)
  file(RELATIVE_PATH relative ${sysroot} ${path})
  string(FIND "\n${files}" " /${relative}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "no package of ${sysroot} ships /${relative}")
  endif()
  string(SUBSTRING "\n${files}" 0 ${at} before)
  string(FIND "${before}" "\n" start REVERSE)
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${before}" ${start} -1 package)
  set(${var} ${package} PARENT_SCOPE)
endfunction()

# The handheld's own libraries, which a bundled package leaves to it: its C library and SDL2.
# Everything else the game loads, directly or through another library, goes into lib/, since a
# handheld's SDL2 is built its own way (often ALSA alone, without PulseAudio, X11 or Wayland) and
# brings nothing a package can count on.
set(HANDHELD_LIBRARIES ${HANDHELD_C_LIBRARY} libSDL2-2.0.so.0)

# The search path (RUNPATH, else RPATH) an ELF file names for its own libraries, into var;
# empty when it names none.
function(elf_search_path file var)
  elf_dynamic(${file} out)
  set(path "")
  if(out MATCHES "\\((RUNPATH|RPATH)\\)[^\n]*\\[([^]\n]*)\\]")
    set(path "${CMAKE_MATCH_2}")
  endif()
  set(${var} "${path}" PARENT_SCOPE)
endfunction()

# Copies into package/lib/, each under its soname, every library the program game loads but
# the handheld's own (HANDHELD_LIBRARIES), from the sysroot; and each one's Debian copyright
# file into package/licenses/PACKAGE.txt. A carried library that names a search path of its own
# (libpulse's RUNPATH is Debian's /usr/lib/TRIPLET/pulseaudio) gets $ORIGIN instead, so that
# its libraries are looked for beside it, in lib/: a RUNPATH keeps the loader from the game's
# RPATH for that library's own libraries.
function(bundle_libraries game sysroot triplet package)
  elf_needed(${game} needed)
  library_closure(${sysroot} ${triplet} "${HANDHELD_LIBRARIES}" bundled ${needed})
  if(NOT "libSDL-1.2.so.0" IN_LIST bundled)
    message(FATAL_ERROR "${game} does not load SDL 1.2: nothing to bundle it for")
  endif()
  file(READ ${sysroot}/DEBIAN/files files)

  set(document OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set(scratch ${package}/.lib)
  file(MAKE_DIRECTORY ${package}/lib ${package}/licenses ${scratch})
  set(moved "")
  foreach(soname IN LISTS bundled)
    sysroot_library(${soname} ${sysroot} ${triplet} file)
    get_filename_component(real_name ${file} NAME)
    file(COPY ${file} DESTINATION ${scratch} FILE_PERMISSIONS ${document})
    file(RENAME ${scratch}/${real_name} ${package}/lib/${soname})
    elf_search_path(${package}/lib/${soname} path)
    if(NOT path STREQUAL "" AND NOT path STREQUAL "$ORIGIN")
      execute_process(COMMAND ${PATCHELF} --set-rpath "$ORIGIN" ${package}/lib/${soname}
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "${PATCHELF} could not set the search path of ${soname}")
      endif()
      list(APPEND moved "${soname} (${path})")
    endif()
    sysroot_package("${files}" ${sysroot} ${file} owner)
    set(copyright ${sysroot}/usr/share/doc/${owner}/copyright)
    if(NOT EXISTS ${copyright})
      message(FATAL_ERROR "${owner}, which ships ${soname}, has no copyright file in "
                          "${sysroot}: make the sysroot with scripts/sysroot.sh")
    endif()
    get_filename_component(copyright ${copyright} REALPATH)
    file(COPY ${copyright} DESTINATION ${scratch} FILE_PERMISSIONS ${document})
    file(RENAME ${scratch}/copyright ${package}/licenses/${owner}.txt)
  endforeach()
  file(REMOVE_RECURSE ${scratch})

  list(LENGTH bundled count)
  list(JOIN bundled " " bundled)
  list(JOIN moved ", " moved)
  message(STATUS "${package}/lib: ${count} libraries: ${bundled}")
  if(moved)
    message(STATUS "search path set to $ORIGIN: ${moved}")
  endif()
endfunction()

# The highest GLIBC_ version that any of the ELF files needs, into var.
function(glibc_floor var)
  set(floor 0)
  foreach(file IN LISTS ARGN)
    execute_process(COMMAND ${READELF} -V --wide ${file} OUTPUT_VARIABLE out
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${READELF} could not read ${file}")
    endif()
    string(REGEX MATCHALL "Name: GLIBC_[0-9.]+" versions "${out}")
    foreach(version IN LISTS versions)
      string(REGEX REPLACE "^Name: GLIBC_" "" version "${version}")
      if(version VERSION_GREATER floor)
        set(floor ${version})
      endif()
    endforeach()
  endforeach()
  set(${var} ${floor} PARENT_SCOPE)
endfunction()
