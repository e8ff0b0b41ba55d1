# Readings grid menu, CSV save, statistics window and plot; included from this folder's CMakeLists.
add_executable(export_tests
  ${CMAKE_CURRENT_LIST_DIR}/ExportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlotViewTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UiTestMain.cpp
)
target_link_libraries(export_tests PRIVATE ui Qt6::Test GTest::gtest)
gtest_discover_tests(export_tests
  PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
