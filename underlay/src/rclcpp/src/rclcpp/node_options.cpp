// Copyright 2026 Kestrova contributors
//
// Licensed under the Apache License, Version 2.0 (the "License");
// you may not use this file except in compliance with the License.
// You may obtain a copy of the License at
//
//     http://www.apache.org/licenses/LICENSE-2.0
//
// Unless required by applicable law or agreed to in writing, software
// distributed under the License is distributed on an "AS IS" BASIS,
// WITHOUT WARRANTIES OR CONDITIONS OF ANY KIND, either express or implied.
// See the License for the specific language governing permissions and
// limitations under the License.

#include "rclcpp/node_options.hpp"

#include <string>
#include <vector>

namespace rclcpp
{

rclcpp::Context::SharedPtr NodeOptions::context() const
{
  return context_ ? context_ : rclcpp::contexts::get_global_default_context();
}

NodeOptions & NodeOptions::context(rclcpp::Context::SharedPtr context)
{
  context_ = std::move(context);
  return *this;
}

NodeOptions & NodeOptions::arguments(const std::vector<std::string> & arguments)
{
  arguments_ = arguments;
  return *this;
}

NodeOptions & NodeOptions::parameter_overrides(
  const std::vector<rclcpp::Parameter> & parameter_overrides)
{
  parameter_overrides_ = parameter_overrides;
  return *this;
}

NodeOptions & NodeOptions::use_global_arguments(bool use_global_arguments)
{
  use_global_arguments_ = use_global_arguments;
  return *this;
}

NodeOptions & NodeOptions::enable_rosout(bool enable_rosout)
{
  enable_rosout_ = enable_rosout;
  return *this;
}

NodeOptions & NodeOptions::use_intra_process_comms(bool use_intra_process_comms)
{
  use_intra_process_comms_ = use_intra_process_comms;
  return *this;
}

NodeOptions & NodeOptions::start_parameter_services(bool start_parameter_services)
{
  start_parameter_services_ = start_parameter_services;
  return *this;
}

NodeOptions & NodeOptions::start_parameter_event_publisher(bool start_parameter_event_publisher)
{
  start_parameter_event_publisher_ = start_parameter_event_publisher;
  return *this;
}

NodeOptions & NodeOptions::allow_undeclared_parameters(bool allow_undeclared_parameters)
{
  allow_undeclared_parameters_ = allow_undeclared_parameters;
  return *this;
}

NodeOptions & NodeOptions::automatically_declare_parameters_from_overrides(bool value)
{
  automatically_declare_parameters_from_overrides_ = value;
  return *this;
}

}  // namespace rclcpp
