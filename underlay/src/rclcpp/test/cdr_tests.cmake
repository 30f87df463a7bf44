# Tests of the CDR serializer (rclcpp/detail/cdr.hpp). Included by CMakeLists.txt inside
# if(BUILD_TESTING), after ament_cmake_gtest, sensor_msgs and test_msgs are found.

set(_cdr_test_sources
  test/test_cdr.cpp
  test/test_cdr_hostile.cpp)

# Against the library as the transport uses it.
ament_add_gtest(test_cdr ${_cdr_test_sources})
if(TARGET test_cdr)
  target_link_libraries(test_cdr rclcpp)
  ament_target_dependencies(test_cdr sensor_msgs test_msgs)
endif()

# The same tests with the serializer compiled in under AddressSanitizer, so that hostile
# payloads which read out of bounds or leak fail the run.
ament_add_gtest(test_cdr_asan src/rclcpp/cdr.cpp ${_cdr_test_sources}
  ENV ASAN_OPTIONS=detect_leaks=1)
if(TARGET test_cdr_asan)
  target_include_directories(test_cdr_asan PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/include")
  target_compile_options(test_cdr_asan PRIVATE -fsanitize=address -fno-omit-frame-pointer)
  target_link_options(test_cdr_asan PRIVATE -fsanitize=address)
  ament_target_dependencies(test_cdr_asan
    rosidl_runtime_cpp rosidl_typesupport_introspection_cpp sensor_msgs test_msgs)
endif()
