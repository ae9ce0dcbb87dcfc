# Lays out the handheld package and packs it (cmake -P; cmake/handheld.cmake runs it):
#
#   cmake -DGAME=... -DDIST=... -DSOURCE=... -DARCH=... -DVERSION=... -DMACHINE=... \
#         -DSTRIP=... -DTAR=... -DGZIP=... -P handheld_package.cmake
#
# Makes DIST/codebreaker-ARCH/ afresh from the built game GAME and the source tree SOURCE, then
# DIST/codebreaker-VERSION-ARCH.tar.gz of it. The tarball depends on nothing but the files' contents:
# names sorted, times, owners and modes fixed, gzip without a name or time.
cmake_minimum_required(VERSION 3.16)
foreach(var GAME DIST SOURCE ARCH VERSION MACHINE STRIP TAR GZIP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "handheld_package.cmake needs -D${var}=...")
  endif()
endforeach()
include(${SOURCE}/tools/art_files.cmake)

set(name codebreaker-${ARCH})
set(dir ${DIST}/${name})
set(tarball ${DIST}/codebreaker-${VERSION}-${ARCH}.tar.gz)
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

set(CODEBREAKER_VERSION ${VERSION})
set(PACKAGE_ARCH ${ARCH})
set(PACKAGE_MACHINE ${MACHINE})
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
