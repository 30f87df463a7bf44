# Finding this package brings in rosidl_generate_interfaces() and registers the generators that
# every interface package runs. Each generator registers itself as an extension of
# rosidl_generate_interfaces() when it is found; the C generators come before the C++ ones.
find_package(ament_cmake_core QUIET REQUIRED)
find_package(rosidl_cmake REQUIRED)

set(rosidl_default_generators_GENERATORS
  rosidl_generator_c
  rosidl_typesupport_introspection_c
  rosidl_generator_cpp
  rosidl_typesupport_introspection_cpp
)
foreach(_generator ${rosidl_default_generators_GENERATORS})
  find_package(${_generator} REQUIRED)
endforeach()
