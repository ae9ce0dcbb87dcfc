# The handheld package of a cross build: a folder to copy to a handheld's memory card and a
# tarball of it, made by the target handheld_package (part of the build):
#
#   DIST/codebreaker-ARCH/          codebreaker.gpe (the game, stripped), codebreaker.sh (its
#                                   launcher), README.txt, LICENSE, data/ (as committed)
#   DIST/codebreaker-ARCH.tar.gz    that folder; the same bytes from the same inputs
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
if(NOT CMAKE_STRIP OR NOT CODEBREAKER_TAR OR NOT CODEBREAKER_GZIP)
  message(FATAL_ERROR "the handheld package needs the toolchain's strip (${CMAKE_STRIP}), "
                      "GNU tar (${CODEBREAKER_TAR}) and gzip (${CODEBREAKER_GZIP})")
endif()

include(${PROJECT_SOURCE_DIR}/tools/art_files.cmake)
set(package_name codebreaker-${CODEBREAKER_PACKAGE_ARCH})
set(package_dir ${CODEBREAKER_DIST_DIR}/${package_name})
set(package_tarball
    ${CODEBREAKER_DIST_DIR}/codebreaker-${CODEBREAKER_VERSION}-${CODEBREAKER_PACKAGE_ARCH}.tar.gz)
list(TRANSFORM ART_PICTURES PREPEND ${PROJECT_SOURCE_DIR}/data/ OUTPUT_VARIABLE pictures)

# Everything the packer reads but the game; the package test repacks with the same arguments.
set(CODEBREAKER_PACKAGE_ARGS
    -DSOURCE=${PROJECT_SOURCE_DIR}
    -DARCH=${CODEBREAKER_PACKAGE_ARCH}
    -DVERSION=${CODEBREAKER_VERSION}
    "-DMACHINE=${machine}"
    -DSTRIP=${CMAKE_STRIP}
    -DTAR=${CODEBREAKER_TAR}
    -DGZIP=${CODEBREAKER_GZIP})
set(packer ${CMAKE_CURRENT_LIST_DIR}/handheld_package.cmake)

add_custom_command(
  OUTPUT ${package_tarball} ${package_dir}/codebreaker.gpe
  COMMAND ${CMAKE_COMMAND} -DGAME=$<TARGET_FILE:codebreaker> -DDIST=${CODEBREAKER_DIST_DIR}
          ${CODEBREAKER_PACKAGE_ARGS} -P ${packer}
  DEPENDS codebreaker $<TARGET_FILE:codebreaker> ${packer}
          ${PROJECT_SOURCE_DIR}/tools/art_files.cmake ${ART_PICTURES_HEADER}
          ${PROJECT_SOURCE_DIR}/handheld/codebreaker.sh
          ${PROJECT_SOURCE_DIR}/handheld/README.txt.in
          ${PROJECT_SOURCE_DIR}/LICENSE
          ${PROJECT_SOURCE_DIR}/data/font.ttf
          ${PROJECT_SOURCE_DIR}/data/font-LICENSE.txt
          ${pictures}
  COMMENT "Packing ${package_tarball}"
  VERBATIM)
add_custom_target(handheld_package ALL DEPENDS ${package_tarball})

include(${PROJECT_SOURCE_DIR}/tests/arm/package.cmake)
