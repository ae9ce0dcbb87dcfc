# In-process tests: the rules on their own, and the game's screens on SDL's dummy drivers.
include(GoogleTest)

# One GoogleTest program from tests/NAME.cpp; each of its tests is a CTest test, run from the
# project root (start-up needs data/ below the working directory) with SDL's dummy drivers.
function(add_inprocess_test name timeout)
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE game_core GTest::gtest_main)
  gtest_discover_tests(${name}
    ${ARGN}
    WORKING_DIRECTORY ${GAME_ROOT}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT ${timeout}
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
endfunction()

add_inprocess_test(rules_test 120)
add_inprocess_test(game_test 120)
add_inprocess_test(pictures_test 60)

# The whole flow through the dispatcher; its long run of round trips has its own budget.
add_inprocess_test(flow_test 300 TEST_PREFIX "flow.")

# The whole program under random presses; SOAK_SEEDS and SOAK_EVENTS make the long run.
add_inprocess_test(soak_test 300 TEST_PREFIX "soak.")
