# The USBTMC exchange against a scripted USB endpoint pair, and libusb naming on descriptor
# data. Included from this folder's CMakeLists.txt; paths are relative to this file.
add_library(usbtmc_scripted_device STATIC ${CMAKE_CURRENT_LIST_DIR}/usbtmc_scripted_device.cpp)
target_include_directories(usbtmc_scripted_device PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(usbtmc_scripted_device PUBLIC zvisa_usbtmc)

file(GLOB usbtmc_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/usbtmc_*_test.cpp)
add_executable(usbtmc_tests ${usbtmc_test_sources})
target_link_libraries(usbtmc_tests PRIVATE usbtmc_scripted_device zvisa_libusb GTest::gtest_main)
gtest_discover_tests(usbtmc_tests)
