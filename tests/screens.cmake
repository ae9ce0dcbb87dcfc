# The title, selection, round, result and error screens, in-process on SDL's dummy drivers.
include(GoogleTest)

add_executable(screens_test ${CMAKE_CURRENT_LIST_DIR}/screens_test.cpp)
target_link_libraries(screens_test PRIVATE game_core GTest::gtest_main)
gtest_discover_tests(screens_test
  TEST_PREFIX "screens."
  WORKING_DIRECTORY ${GAME_ROOT}
  DISCOVERY_TIMEOUT 60
  PROPERTIES
    TIMEOUT 60
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
