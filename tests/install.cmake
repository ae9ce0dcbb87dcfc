# The installed game: `cmake --install` of this build into a scratch DESTDIR, the tree, its
# desktop metadata, and the installed launcher run from elsewhere, on both SDL libraries.
# Players install the plain build; a sanitizer build is for the test run alone.
if(SANITIZE)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(install_test_env
    "INSTALL_BUILD_DIR=${CMAKE_BINARY_DIR}"
    "CMAKE_COMMAND=${CMAKE_COMMAND}"
    "SANDBOX_SH=${CMAKE_CURRENT_SOURCE_DIR}/sandbox.sh"
    "FAKE_MENU_BIN=${FAKE_MENU_BIN}"
    "GAME_ROOT=${GAME_ROOT}"
    "ARTEFACT_DIR=${CMAKE_BINARY_DIR}/artefacts"
    "PYTHONDONTWRITEBYTECODE=1")

# NAME CLASS TIMEOUT. Each installs anew; installs write into the build folder (the manual
# page, the install manifest), so no two run at once.
function(add_install_test name class timeout)
  add_test(NAME ${name}
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/test_install.py -v ${class}
           WORKING_DIRECTORY ${GAME_ROOT})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} ENVIRONMENT "${install_test_env}"
                                          RESOURCE_LOCK codebreaker_install)
endfunction()

add_install_test(install.tree     InstallTreeTest     120)
add_install_test(install.metadata DesktopMetadataTest 120)
add_install_test(install.launcher LauncherTest        180)
add_install_test(install.window   InstalledWindowTest 120)
