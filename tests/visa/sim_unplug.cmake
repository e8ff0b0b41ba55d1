# Whole runs through our VISA library while a simulated meter is pulled out. Reuses the recording
# window of the measure tests. Included from this folder's CMakeLists.txt; a hang fails the test
# instead of waiting for ctest's default timeout.
add_executable(sim_unplug_tests
  ${CMAKE_CURRENT_LIST_DIR}/SimUnplugScenarioTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../measure/Journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../measure/RecordingWindow.cpp)
target_include_directories(sim_unplug_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../measure)
target_link_libraries(sim_unplug_tests PRIVATE measure zvisa_sim GTest::gtest_main)
gtest_discover_tests(sim_unplug_tests PROPERTIES TIMEOUT 60)
