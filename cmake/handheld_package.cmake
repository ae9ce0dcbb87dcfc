# Lays out a handheld package and packs it (cmake -P; cmake/handheld.cmake runs it):
#
#   cmake -DGAME=... -DDIST=... -DSOURCE=... -DARCH=... -DVERSION=... -DMACHINE=... \
#         -DSTRIP=... -DTAR=... -DGZIP=... -DREADELF=... -DKIND=bundled|system \
#         [-DSYSROOT=... -DTRIPLET=... -DPATCHELF=...] -P handheld_package.cmake
#
# Makes DIST/NAME/ afresh from the built game GAME and the source tree SOURCE, then
# DIST/codebreaker-VERSION-ARCH[-sdl12].tar.gz of it, NAME being codebreaker-ARCH for KIND
# bundled and codebreaker-ARCH-sdl12 for KIND system. The bundled package carries in lib/ every
# library the game loads, from the sysroot SYSROOT (multiarch folder TRIPLET), but the C
# library's and SDL2's, with sdl12-compat as its SDL 1.2, and each one's licence in licenses/
# (PATCHELF points a carried library's own search path at lib/);
# the system package takes SDL 1.2, SDL_ttf and SDL_mixer from the handheld. The tarball
# depends on nothing but the files' contents: names sorted, times, owners and modes fixed, gzip
# without a name or time.
cmake_minimum_required(VERSION 3.16)
foreach(var GAME DIST SOURCE ARCH VERSION MACHINE STRIP TAR GZIP READELF KIND)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "handheld_package.cmake needs -D${var}=...")
  endif()
endforeach()
include(${SOURCE}/tools/art_files.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/handheld_libraries.cmake)

if(KIND STREQUAL "bundled")
  set(name codebreaker-${ARCH})
  set(tarball ${DIST}/codebreaker-${VERSION}-${ARCH}.tar.gz)
elseif(KIND STREQUAL "system")
  set(name codebreaker-${ARCH}-sdl12)
  set(tarball ${DIST}/codebreaker-${VERSION}-${ARCH}-sdl12.tar.gz)
else()
  message(FATAL_ERROR "KIND is bundled or system, not ${KIND}")
endif()
set(dir ${DIST}/${name})
set(work ${DIST}/.${name}.work)
file(REMOVE_RECURSE ${dir} ${work})
file(REMOVE ${tarball})
file(MAKE_DIRECTORY ${dir}/data ${work})

set(program OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
            WORLD_EXECUTE)
set(document OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The game, under the name handheld menus start, without its debugging information.
execute_process(COMMAND ${STRIP} --strip-all -o ${work}/codebreaker.gpe ${GAME}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${STRIP} could not strip ${GAME}")
endif()
file(COPY ${work}/codebreaker.gpe ${SOURCE}/handheld/codebreaker.sh DESTINATION ${dir}
     FILE_PERMISSIONS ${program})

# The libraries, for the bundled package; what the game and they need of the C library.
set(objects ${work}/codebreaker.gpe)
if(KIND STREQUAL "bundled")
  foreach(var SYSROOT TRIPLET PATCHELF)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "a bundled package needs -D${var}=...")
    endif()
  endforeach()
  bundle_libraries(${work}/codebreaker.gpe ${SYSROOT} ${TRIPLET} ${dir})
  file(GLOB bundled ${dir}/lib/*)
  list(APPEND objects ${bundled})
endif()
glibc_floor(floor ${objects})
message(STATUS "${name} needs a GNU C library of version ${floor} or later")

set(CODEBREAKER_VERSION ${VERSION})
set(PACKAGE_NAME ${name})
set(PACKAGE_ARCH ${ARCH})
set(PACKAGE_MACHINE ${MACHINE})
set(PACKAGE_GLIBC ${floor})
if(KIND STREQUAL "bundled")
  set(PACKAGE_LIBRARIES "It carries its own SDL 1.2 (sdl12-compat, which runs on the
handheld's SDL2), SDL_ttf 2.0, SDL_mixer 1.2 and every library they need
in lib/, each with its licence in licenses/. It needs a GNU C library of
version ${floor} or later and SDL2 ${SDL2_FLOOR} or later on the handheld, and
nothing else of it: SDL2 draws, reads the controls and plays through its
own drivers (KMS/DRM or a frame buffer, the kernel's input devices, ALSA).
Most Linux handheld systems of the last years ship SDL2 for their games,
and those built from 2022 on (Debian 12 and what is built on it among
them) have a C library that new.

On a system with SDL 1.2 but no SDL2, take codebreaker-${ARCH}-sdl12
instead.")
else()
  set(PACKAGE_LIBRARIES "It is linked against Debian 12's SDL 1.2, SDL_ttf 2.0 and SDL_mixer 1.2
(libSDL-1.2.so.0, libSDL_ttf-2.0.so.0, libSDL_mixer-1.2.so.0) and needs them
on the handheld, with a GNU C library of version ${floor} or later. On a
handheld with SDL2 but without those three, take codebreaker-${ARCH},
which carries them.")
endif()
configure_file(${SOURCE}/handheld/README.txt.in ${work}/README.txt @ONLY)
file(COPY ${work}/README.txt ${SOURCE}/LICENSE DESTINATION ${dir} FILE_PERMISSIONS ${document})

# data/ as committed: the font, its licence and the pictures.
list(TRANSFORM ART_PICTURES PREPEND ${SOURCE}/data/ OUTPUT_VARIABLE pictures)
file(COPY ${SOURCE}/data/font.ttf ${SOURCE}/data/font-LICENSE.txt ${pictures}
     DESTINATION ${dir}/data FILE_PERMISSIONS ${document})
file(REMOVE_RECURSE ${work})

# Folders 755 and files 644 or 755 in the tarball, whatever the umask made of them here.
set(ENV{LC_ALL} C)
execute_process(
  COMMAND ${TAR} --create --format=gnu --sort=name --mtime=@0 --owner=0 --group=0
          --numeric-owner --mode=u=rwX,go=rX --directory=${DIST} ${name}
  COMMAND ${GZIP} -n -9
  OUTPUT_FILE ${tarball}
  RESULTS_VARIABLE results)
if(NOT results STREQUAL "0;0")
  file(REMOVE ${tarball})
  message(FATAL_ERROR "packing ${dir} into ${tarball} failed (${results})")
endif()
