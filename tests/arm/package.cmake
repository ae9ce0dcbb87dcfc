# Tests of the handheld packages (tests/arm/CMakeLists.txt includes this): each tarball
# unpacked and its game started under the emulator, and each tarball packed again.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Preloaded into the packaged game: Escape on the title menu, the only press that can reach a
# game on SDL's dummy video driver, ends it through the shutdown into the menu program.
add_library(press_escape SHARED ${PROJECT_SOURCE_DIR}/tests/tools/press_escape.cpp)
target_include_directories(press_escape PRIVATE
                           $<TARGET_PROPERTY:PkgConfig::SDL,INTERFACE_INCLUDE_DIRECTORIES>)
target_link_libraries(press_escape PRIVATE ${CMAKE_DL_LIBS})

# CTest puts the emulator before a test's own program only; this test starts the game through
# the package's launcher, which takes it from the environment instead. It is passed as the
# whole-program tests' harness reads it.
string(REPLACE ";" "\\;" package_emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
foreach(kind IN LISTS CODEBREAKER_PACKAGE_KINDS)
  set(package_test_env
      "PACKAGE_TARBALL=${package_tarball_${kind}}"
      "PACKAGE_KIND=${kind}"
      "PACKAGE_ARCH=${CODEBREAKER_PACKAGE_ARCH}"
      "PACKAGE_SYSROOT=${CODEBREAKER_ARM_SYSROOT}"
      "PACKAGE_SDL2_ROOT=${CODEBREAKER_SDL2_ROOT}"
      "CROSSCOMPILING_EMULATOR=${package_emulator}"
      "PRESS_ESCAPE_LIB=$<TARGET_FILE:press_escape>"
      "SANDBOX_SH=${PROJECT_SOURCE_DIR}/tests/support/sandbox.sh"
      "FAKE_MENU_BIN=${FAKE_MENU_BIN}"
      "GAME_ROOT=${PROJECT_SOURCE_DIR}"
      "PYTHONDONTWRITEBYTECODE=1")
  add_test(NAME package.${kind}.unpacked_runs
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/arm/test_package.py -v
                   UnpackedPackageTest
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(package.${kind}.unpacked_runs PROPERTIES TIMEOUT 180
                                                                ENVIRONMENT "${package_test_env}")

  # Packed again from the same game and sources, later and elsewhere: the same bytes.
  add_test(NAME package.${kind}.reproducible
           COMMAND ${CMAKE_COMMAND} -DGAME=$<TARGET_FILE:codebreaker_handheld>
                   -DDIST=${CMAKE_CURRENT_BINARY_DIR}/package_again_${kind} -DKIND=${kind}
                   ${CODEBREAKER_PACKAGE_ARGS} -DPACKER=${packer}
                   -DBUILT=${package_tarball_${kind}}
                   -P ${PROJECT_SOURCE_DIR}/tests/arm/package_again.cmake)
  set_tests_properties(package.${kind}.reproducible PROPERTIES TIMEOUT 120)
endforeach()
