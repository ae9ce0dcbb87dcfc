# The title, selection, round, result and error screens, in-process on SDL's dummy drivers.
add_executable(screens_test ${CMAKE_CURRENT_LIST_DIR}/screens_test.cpp)
target_link_libraries(screens_test PRIVATE game_core GTest::gtest_main)
discover_inprocess_tests(screens_test 60 "screens.")
