# `cmake --install`: the game, its data, a launcher on the PATH, the desktop entry, AppStream
# metadata, icons, manual page and documents. Prefix and DESTDIR are honoured.
include(GNUInstallDirs)

set(CODEBREAKER_APP_ID io.github.codebreaker.CodeBreaker)
set(CODEBREAKER_VERSION ${PROJECT_VERSION})
set(CODEBREAKER_RELEASE_DATE 2026-12-10)

# The game must run in its data's directory, so only the launcher is on the PATH; the game
# itself is private to it. It goes to lib/codebreaker, not to LIBDIR: a distribution's
# multiarch LIBDIR (lib/x86_64-linux-gnu under /usr) holds shared libraries, while private
# programs live in lib/<package>, and a path without the triplet is the same for every prefix
# the tree may be installed under, as the launcher's way from bin/ to the game must be.
set(CODEBREAKER_PROGRAM_DIR lib/codebreaker CACHE STRING
    "Folder of the game's program under the prefix (Debian's games: lib/games/codebreaker)")
set(CODEBREAKER_DATA_DIR ${CMAKE_INSTALL_DATADIR}/games/codebreaker)

# A folder given to install() as it ends up under the prefix; prefix is a path, or an
# expression for the install script to expand.
function(installed_path var dir prefix)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# The launcher finds the game and its data from its own folder, by these relative ways.
installed_path(bin_dir ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX})
installed_path(program_dir ${CODEBREAKER_PROGRAM_DIR} ${CMAKE_INSTALL_PREFIX})
installed_path(data_dir ${CODEBREAKER_DATA_DIR} ${CMAKE_INSTALL_PREFIX})
file(RELATIVE_PATH LAUNCHER_TO_GAME ${bin_dir} ${program_dir}/codebreaker)
file(RELATIVE_PATH LAUNCHER_TO_DATA ${bin_dir} ${data_dir})

# Where distributions that keep classic SDL 1.2 put sdl12-compat beside it; the first holds
# the multiarch triplet of the machine the game is built for.
set(CODEBREAKER_COMPAT_FOLDERS "")
if(CMAKE_LIBRARY_ARCHITECTURE)
  list(APPEND CODEBREAKER_COMPAT_FOLDERS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/sdl12-compat)
endif()
list(APPEND CODEBREAKER_COMPAT_FOLDERS /usr/lib64/sdl12-compat /usr/lib/sdl12-compat)
list(JOIN CODEBREAKER_COMPAT_FOLDERS " " COMPAT_FOLDERS)
list(JOIN CODEBREAKER_COMPAT_FOLDERS ", " CODEBREAKER_COMPAT_FOLDERS_MAN)

set(generated ${CMAKE_CURRENT_BINARY_DIR}/desktop)
set(desktop ${PROJECT_SOURCE_DIR}/desktop)
configure_file(${desktop}/codebreaker.in ${generated}/codebreaker @ONLY)
configure_file(${desktop}/${CODEBREAKER_APP_ID}.metainfo.xml.in
               ${generated}/${CODEBREAKER_APP_ID}.metainfo.xml @ONLY)

install(TARGETS codebreaker RUNTIME DESTINATION ${CODEBREAKER_PROGRAM_DIR})
install(PROGRAMS ${generated}/codebreaker DESTINATION ${CMAKE_INSTALL_BINDIR})

include(${PROJECT_SOURCE_DIR}/tools/art_files.cmake)
list(TRANSFORM ART_PICTURES PREPEND ${PROJECT_SOURCE_DIR}/data/ OUTPUT_VARIABLE pictures)
install(FILES ${PROJECT_SOURCE_DIR}/data/font.ttf ${pictures}
        DESTINATION ${CODEBREAKER_DATA_DIR}/data)

install(FILES ${desktop}/${CODEBREAKER_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${CODEBREAKER_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS ART_ICON_SIZES)
  install(FILES ${desktop}/icons/${size}x${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${CODEBREAKER_APP_ID}.png)
endforeach()

# The manual page names installed files, so it is written once the prefix is sure: at install
# time, since `cmake --install --prefix` may change it after configuring.
installed_path(man_program_dir ${CODEBREAKER_PROGRAM_DIR} "\${CMAKE_INSTALL_PREFIX}")
installed_path(man_data_dir ${CODEBREAKER_DATA_DIR} "\${CMAKE_INSTALL_PREFIX}")
installed_path(man_doc_dir ${CMAKE_INSTALL_DOCDIR} "\${CMAKE_INSTALL_PREFIX}")
install(CODE "
  set(CODEBREAKER_VERSION [[${CODEBREAKER_VERSION}]])
  set(CODEBREAKER_RELEASE_DATE [[${CODEBREAKER_RELEASE_DATE}]])
  set(CODEBREAKER_COMPAT_FOLDERS_MAN [[${CODEBREAKER_COMPAT_FOLDERS_MAN}]])
  set(CODEBREAKER_FULL_PROGRAM_DIR \"${man_program_dir}\")
  set(CODEBREAKER_FULL_DATA_DIR \"${man_data_dir}\")
  set(CODEBREAKER_FULL_DOC_DIR \"${man_doc_dir}\")
  configure_file([[${desktop}/codebreaker.6.in]] [[${generated}/codebreaker.6]] @ONLY)")
install(FILES ${generated}/codebreaker.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/data/font-LICENSE.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
