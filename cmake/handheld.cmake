# The handheld packages of a cross build: folders to copy to a handheld's memory card and a
# tarball of each, made by the target handheld_package (part of the build):
#
#   DIST/codebreaker-ARCH/          codebreaker.gpe (the game, stripped), codebreaker.sh (its
#                                   launcher), README.txt, LICENSE, data/ (as committed), and
#                                   lib/ with every library the game loads but the C library's
#                                   and SDL2's (SDL 1.2 is sdl12-compat), their licences in
#                                   licenses/: for a handheld that has SDL2
#   DIST/codebreaker-ARCH-sdl12/    the same without lib/ and licenses/: for a handheld that has
#                                   SDL 1.2, SDL_ttf and SDL_mixer
#   DIST/codebreaker-VERSION-ARCH[-sdl12].tar.gz   each folder; the same bytes from the same
#                                   inputs
#
# CODEBREAKER_PACKAGE_ARCH names the build (armhf, arm64), CODEBREAKER_DIST_DIR the folder DIST
# (the build's dist/ unless given; scripts/package.sh gives the source's dist/).

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  set(default_arch arm64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
  set(default_arch armhf)
else()
  set(default_arch ${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CODEBREAKER_PACKAGE_ARCH ${default_arch} CACHE STRING
    "Name of the handheld package's build: armhf, arm64")
set(CODEBREAKER_DIST_DIR ${CMAKE_BINARY_DIR}/dist CACHE PATH
    "Folder the handheld package and its tarball are made in")

# What README.txt says the build is.
if(CODEBREAKER_PACKAGE_ARCH STREQUAL "armhf")
  set(machine "armhf: 32-bit ARM, ARMv7 with hard float (Debian's armhf), for Linux.")
elseif(CODEBREAKER_PACKAGE_ARCH STREQUAL "arm64")
  set(machine "arm64: 64-bit ARM, AArch64 (Debian's arm64), for Linux.")
else()
  set(machine "${CODEBREAKER_PACKAGE_ARCH}, for Linux.")
endif()

find_program(CODEBREAKER_TAR NAMES tar)
find_program(CODEBREAKER_GZIP NAMES gzip)
find_program(CODEBREAKER_PATCHELF NAMES patchelf)
if(NOT CMAKE_STRIP OR NOT CMAKE_READELF OR NOT CODEBREAKER_TAR OR NOT CODEBREAKER_GZIP
   OR NOT CODEBREAKER_PATCHELF)
  message(FATAL_ERROR "the handheld package needs the toolchain's strip (${CMAKE_STRIP}) and "
                      "readelf (${CMAKE_READELF}), GNU tar (${CODEBREAKER_TAR}), gzip "
                      "(${CODEBREAKER_GZIP}) and patchelf (${CODEBREAKER_PATCHELF})")
endif()

# The handheld's game: the game with its libraries looked for first in lib/ beside it. That is
# DT_RPATH, not DT_RUNPATH: the loader searches a program's RUNPATH for the program's own
# libraries only, and its RPATH for theirs too, such as the FreeType that SDL_ttf loads.
add_executable(codebreaker_handheld src/main.cpp)
target_link_libraries(codebreaker_handheld PRIVATE game_core)
target_link_options(codebreaker_handheld PRIVATE LINKER:--disable-new-dtags)
set_target_properties(codebreaker_handheld PROPERTIES BUILD_WITH_INSTALL_RPATH ON
                                                      INSTALL_RPATH "\$ORIGIN/lib")

include(${PROJECT_SOURCE_DIR}/tools/art_files.cmake)
list(TRANSFORM ART_PICTURES PREPEND ${PROJECT_SOURCE_DIR}/data/ OUTPUT_VARIABLE pictures)

# Everything the packer reads but the game and the kind; the package tests pack again with the
# same arguments.
set(CODEBREAKER_PACKAGE_ARGS
    -DSOURCE=${PROJECT_SOURCE_DIR}
    -DARCH=${CODEBREAKER_PACKAGE_ARCH}
    -DVERSION=${CODEBREAKER_VERSION}
    "-DMACHINE=${machine}"
    -DSTRIP=${CMAKE_STRIP}
    -DREADELF=${CMAKE_READELF}
    -DTAR=${CODEBREAKER_TAR}
    -DGZIP=${CODEBREAKER_GZIP}
    -DPATCHELF=${CODEBREAKER_PATCHELF}
    -DSYSROOT=${CODEBREAKER_ARM_SYSROOT}
    -DTRIPLET=${CMAKE_LIBRARY_ARCHITECTURE})
set(packer ${CMAKE_CURRENT_LIST_DIR}/handheld_package.cmake)

# Each kind's folder and tarball.
set(CODEBREAKER_PACKAGE_KINDS bundled system)
set(package_tarballs "")
foreach(kind IN LISTS CODEBREAKER_PACKAGE_KINDS)
  if(kind STREQUAL "bundled")
    set(suffix "")
  else()
    set(suffix -sdl12)
  endif()
  set(package_dir_${kind} ${CODEBREAKER_DIST_DIR}/codebreaker-${CODEBREAKER_PACKAGE_ARCH}${suffix})
  set(package_tarball_${kind}
      ${CODEBREAKER_DIST_DIR}/codebreaker-${CODEBREAKER_VERSION}-${CODEBREAKER_PACKAGE_ARCH}${suffix}.tar.gz)
  add_custom_command(
    OUTPUT ${package_tarball_${kind}} ${package_dir_${kind}}/codebreaker.gpe
    COMMAND ${CMAKE_COMMAND} -DGAME=$<TARGET_FILE:codebreaker_handheld>
            -DDIST=${CODEBREAKER_DIST_DIR} -DKIND=${kind} ${CODEBREAKER_PACKAGE_ARGS} -P ${packer}
    DEPENDS codebreaker_handheld $<TARGET_FILE:codebreaker_handheld> ${packer}
            ${CMAKE_CURRENT_LIST_DIR}/handheld_libraries.cmake
            ${PROJECT_SOURCE_DIR}/tools/art_files.cmake ${ART_PICTURES_HEADER}
            ${PROJECT_SOURCE_DIR}/handheld/codebreaker.sh
            ${PROJECT_SOURCE_DIR}/handheld/README.txt.in
            ${PROJECT_SOURCE_DIR}/LICENSE
            ${PROJECT_SOURCE_DIR}/data/font.ttf
            ${PROJECT_SOURCE_DIR}/data/font-LICENSE.txt
            ${pictures}
            ${CODEBREAKER_ARM_SYSROOT}/.codebreaker-sysroot
    COMMENT "Packing ${package_tarball_${kind}}"
    VERBATIM)
  list(APPEND package_tarballs ${package_tarball_${kind}})
endforeach()
add_custom_target(handheld_package ALL DEPENDS ${package_tarballs})

# The root a handheld with SDL2 alone is tested as: the C library, SDL2 and what SDL2 needs, as
# scripts/sysroot.sh ARCH FOLDER libsdl2-2.0-0 makes it (scripts/arm.sh does).
set(CODEBREAKER_SDL2_ROOT ${CODEBREAKER_ARM_SYSROOT}-sdl2 CACHE PATH
    "A root of only the C library, SDL2 and its dependencies, for the bundled package's tests")
