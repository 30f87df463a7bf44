# Tests of argument parsing, parameter values and store, names and remapping.
# Included from the package's CMakeLists.txt inside if(BUILD_TESTING).

ament_add_gtest(test_arguments "${CMAKE_CURRENT_LIST_DIR}/test_arguments.cpp")
target_link_libraries(test_arguments rclcpp)

ament_add_gtest(test_names "${CMAKE_CURRENT_LIST_DIR}/test_names.cpp")
target_link_libraries(test_names rclcpp)

ament_add_gtest(test_parameters "${CMAKE_CURRENT_LIST_DIR}/test_parameters.cpp")
target_link_libraries(test_parameters rclcpp)
