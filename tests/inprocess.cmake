# In-process tests: the rules on their own, and the game's screens on SDL's dummy drivers.
include(GoogleTest)

# The sanitizer build runs the in-process tests on the classic library alone. sdl12-compat
# loses its wrapper of the video surface in SDL_Quit, and LeakSanitizer's stack of it ends
# inside SDL2, which has no frame pointers: only a suppression of all of SDL2 would hide it,
# and that would hide the game's own leaks of SDL's objects as well. The normal build runs
# them on both, and memcheck covers sdl12-compat with suppressions that name each loss.
if(SANITIZE)
  set(INPROCESS_SDL_RUNS classic)
else()
  set(INPROCESS_SDL_RUNS ${SDL_RUNS})
endif()

# Registers each test of the GoogleTest program TARGET as a CTest test, once per SDL library
# (names: the library's prefix, then PREFIX, then the test's own), run from the project root
# (start-up needs data/ below the working directory) with SDL's dummy drivers.
function(discover_inprocess_tests target timeout prefix)
  foreach(run IN LISTS INPROCESS_SDL_RUNS)
    set(tests ${target}_${run}_tests)
    # Without pretty values the names in the list below are the tests' very names.
    gtest_discover_tests(${target}
      TEST_PREFIX "${SDL_RUN_${run}_PREFIX}${prefix}"
      TEST_LIST ${tests}
      NO_PRETTY_VALUES
      WORKING_DIRECTORY ${GAME_ROOT}
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${timeout})
    # gtest_discover_tests passes each variable of an ENVIRONMENT on as a property of its own,
    # which keeps the first alone; the environment is set once the tests are known instead.
    set(env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ${SDL_RUN_${run}_ENV})
    set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_${run}_environment.cmake)
    file(WRITE ${env_file}
      "if(${tests})\n"
      "  set_tests_properties(\${${tests}} PROPERTIES ENVIRONMENT \"${env}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_file})
  endforeach()
endfunction()

# One GoogleTest program from tests/NAME.cpp and its tests, PREFIX before their names.
function(add_inprocess_test name timeout)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "PREFIX" "")
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE game_core GTest::gtest_main)
  discover_inprocess_tests(${name} ${timeout} "${arg_PREFIX}")
endfunction()

# The rules hold no SDL, so they run once: on another library they would test the same code.
add_executable(rules_test ${CMAKE_CURRENT_SOURCE_DIR}/rules_test.cpp)
target_link_libraries(rules_test PRIVATE game_core GTest::gtest_main)
gtest_discover_tests(rules_test DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

add_inprocess_test(game_test 120)
# What start-up leaves behind: the screen, the cursor, key repeat, the sound device, the font.
add_inprocess_test(startup_test 60 PREFIX "startup.")
add_inprocess_test(pictures_test 60)

# Every text of every screen: inside the screen and in contrast with the picture under it.
add_inprocess_test(legibility_test 60 PREFIX "legibility.")

# The whole flow through the dispatcher; its long run of round trips has its own budget.
add_inprocess_test(flow_test 300 PREFIX "flow.")

# The whole program under random presses; SOAK_SEEDS and SOAK_EVENTS make the long run.
add_inprocess_test(soak_test 300 PREFIX "soak.")
