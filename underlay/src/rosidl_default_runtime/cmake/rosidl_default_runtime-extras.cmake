# Finding this package finds the run-time libraries of generated message code.
set(rosidl_default_runtime_RUNTIMES
  rosidl_runtime_c
  rosidl_runtime_cpp
  rosidl_typesupport_introspection_c
  rosidl_typesupport_introspection_cpp
)
foreach(_runtime ${rosidl_default_runtime_RUNTIMES})
  find_package(${_runtime} REQUIRED)
endforeach()
