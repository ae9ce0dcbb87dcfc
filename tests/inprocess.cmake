# In-process tests: the rules on their own, and the game's screens on SDL's dummy drivers.
include(GoogleTest)

add_executable(rules_test ${CMAKE_CURRENT_LIST_DIR}/rules_test.cpp)
target_link_libraries(rules_test PRIVATE game_core GTest::gtest_main)
gtest_discover_tests(rules_test
  WORKING_DIRECTORY ${GAME_ROOT}
  DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120)

# game_test sets the dummy drivers itself before start-up; it needs data/ below its
# working directory for the font and the pictures.
add_executable(game_test ${CMAKE_CURRENT_LIST_DIR}/game_test.cpp)
target_link_libraries(game_test PRIVATE game_core GTest::gtest_main)
gtest_discover_tests(game_test
  WORKING_DIRECTORY ${GAME_ROOT}
  DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120)
