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

#ifndef RCLCPP__NODE_OPTIONS_HPP_
#define RCLCPP__NODE_OPTIONS_HPP_

#include <string>
#include <vector>

#include "rclcpp/context.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// How a node is created: its context, its own arguments and parameter overrides.
class NodeOptions
{
public:
  RCLCPP_PUBLIC
  NodeOptions() = default;

  /// The context of the node; the global default context when none is set.
  RCLCPP_PUBLIC
  rclcpp::Context::SharedPtr context() const;
  RCLCPP_PUBLIC
  NodeOptions & context(rclcpp::Context::SharedPtr context);

  /// Command line arguments of this node only, as a ROS 2 program gets them (with --ros-args).
  RCLCPP_PUBLIC
  const std::vector<std::string> & arguments() const {return arguments_;}
  RCLCPP_PUBLIC
  NodeOptions & arguments(const std::vector<std::string> & arguments);

  /// Parameter values that override those of the command line and parameter files.
  RCLCPP_PUBLIC
  std::vector<rclcpp::Parameter> & parameter_overrides() {return parameter_overrides_;}
  RCLCPP_PUBLIC
  const std::vector<rclcpp::Parameter> & parameter_overrides() const {return parameter_overrides_;}
  RCLCPP_PUBLIC
  NodeOptions & parameter_overrides(const std::vector<rclcpp::Parameter> & parameter_overrides);

  template<typename ParameterT>
  NodeOptions & append_parameter_override(const std::string & name, const ParameterT & value)
  {
    parameter_overrides_.emplace_back(name, rclcpp::ParameterValue(value));
    return *this;
  }

  /// Whether the arguments given to rclcpp::init apply to this node too.
  RCLCPP_PUBLIC
  bool use_global_arguments() const {return use_global_arguments_;}
  RCLCPP_PUBLIC
  NodeOptions & use_global_arguments(bool use_global_arguments);

  RCLCPP_PUBLIC
  bool enable_rosout() const {return enable_rosout_;}
  RCLCPP_PUBLIC
  NodeOptions & enable_rosout(bool enable_rosout);

  RCLCPP_PUBLIC
  bool use_intra_process_comms() const {return use_intra_process_comms_;}
  RCLCPP_PUBLIC
  NodeOptions & use_intra_process_comms(bool use_intra_process_comms);

  RCLCPP_PUBLIC
  bool start_parameter_services() const {return start_parameter_services_;}
  RCLCPP_PUBLIC
  NodeOptions & start_parameter_services(bool start_parameter_services);

  RCLCPP_PUBLIC
  bool start_parameter_event_publisher() const {return start_parameter_event_publisher_;}
  RCLCPP_PUBLIC
  NodeOptions & start_parameter_event_publisher(bool start_parameter_event_publisher);

  /// Whether parameters can be set and read without being declared.
  RCLCPP_PUBLIC
  bool allow_undeclared_parameters() const {return allow_undeclared_parameters_;}
  RCLCPP_PUBLIC
  NodeOptions & allow_undeclared_parameters(bool allow_undeclared_parameters);

  /// Whether every override for the node is declared when the node is created.
  RCLCPP_PUBLIC
  bool automatically_declare_parameters_from_overrides() const
  {
    return automatically_declare_parameters_from_overrides_;
  }
  RCLCPP_PUBLIC
  NodeOptions & automatically_declare_parameters_from_overrides(bool value);

private:
  rclcpp::Context::SharedPtr context_;
  std::vector<std::string> arguments_;
  std::vector<rclcpp::Parameter> parameter_overrides_;
  bool use_global_arguments_ = true;
  bool enable_rosout_ = true;
  bool use_intra_process_comms_ = false;
  bool start_parameter_services_ = true;
  bool start_parameter_event_publisher_ = true;
  bool allow_undeclared_parameters_ = false;
  bool automatically_declare_parameters_from_overrides_ = false;
};

}  // namespace rclcpp

#endif  // RCLCPP__NODE_OPTIONS_HPP_
