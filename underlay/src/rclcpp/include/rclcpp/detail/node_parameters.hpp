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

#ifndef RCLCPP__DETAIL__NODE_PARAMETERS_HPP_
#define RCLCPP__DETAIL__NODE_PARAMETERS_HPP_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{
namespace detail
{

/// Outcome of setting parameters (the fields of rcl_interfaces/msg/SetParametersResult).
struct SetResult
{
  bool successful = true;
  std::string reason;
};

/// The parameter store of one node, with the override rules of rclcpp (Humble).
/**
 * The node forwards its parameter calls here. Constructed with the node's final overrides
 * (see resolve_parameter_overrides) and its fully qualified name. All methods are
 * thread-safe. Undeclared parameters are never allowed.
 */
class NodeParameters
{
public:
  RCLCPP_PUBLIC
  NodeParameters(
    std::map<std::string, rclcpp::ParameterValue> parameter_overrides,
    std::string node_fully_qualified_name);

  /// Declare a parameter with a default; an override of the same name replaces the default
  /// unless ignore_override.
  /**
   * \throws rclcpp::exceptions::InvalidParametersException if the name is empty
   * \throws rclcpp::exceptions::ParameterAlreadyDeclaredException if declared before
   * \throws rclcpp::exceptions::InvalidParameterTypeException if the initial value's type is
   *   not the default's (statically typed) or nothing gives it a type
   * \throws rclcpp::exceptions::InvalidParameterValueException if the initial value is out
   *   of the descriptor's range
   */
  RCLCPP_PUBLIC
  const rclcpp::ParameterValue &
  declare_parameter(
    const std::string & name,
    const rclcpp::ParameterValue & default_value,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false);

  /// Declare a statically typed parameter without a default: it takes the override if there
  /// is one, and stays uninitialized otherwise.
  /**
   * \throws std::invalid_argument if type is PARAMETER_NOT_SET or the descriptor asks for
   *   dynamic typing; otherwise as the other form
   */
  RCLCPP_PUBLIC
  const rclcpp::ParameterValue &
  declare_parameter(
    const std::string & name,
    rclcpp::ParameterType type,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false);

  /// \throws ParameterNotDeclaredException, ParameterImmutableException (read-only),
  ///   InvalidParameterTypeException (statically typed)
  RCLCPP_PUBLIC
  void
  undeclare_parameter(const std::string & name);

  RCLCPP_PUBLIC
  bool
  has_parameter(const std::string & name) const;

  /// \throws ParameterNotDeclaredException (what() is the name),
  ///   ParameterUninitializedException (statically typed, no value yet)
  RCLCPP_PUBLIC
  rclcpp::Parameter
  get_parameter(const std::string & name) const;

  /// False when the parameter is not declared or has no value.
  RCLCPP_PUBLIC
  bool
  get_parameter(const std::string & name, rclcpp::Parameter & parameter) const;

  RCLCPP_PUBLIC
  std::vector<rclcpp::Parameter>
  get_parameters(const std::vector<std::string> & names) const;

  /// Parameters named "<prefix>.<rest>", keyed by <rest>; false when there is none.
  RCLCPP_PUBLIC
  bool
  get_parameters_by_prefix(
    const std::string & prefix,
    std::map<std::string, rclcpp::Parameter> & parameters) const;

  /// Set one parameter. A rejected value (type, range, read-only) gives successful == false
  /// with the reason ROS 2 gives.
  /// \throws ParameterNotDeclaredException if not declared,
  ///   InvalidParametersException if the name is empty
  RCLCPP_PUBLIC
  SetResult
  set_parameter(const rclcpp::Parameter & parameter);

  /// Set each parameter on its own, one result per parameter.
  RCLCPP_PUBLIC
  std::vector<SetResult>
  set_parameters(const std::vector<rclcpp::Parameter> & parameters);

  /// Set all parameters or none.
  RCLCPP_PUBLIC
  SetResult
  set_parameters_atomically(const std::vector<rclcpp::Parameter> & parameters);

  /// \throws ParameterNotDeclaredException (what() is the name)
  RCLCPP_PUBLIC
  rcl_interfaces::msg::ParameterDescriptor
  describe_parameter(const std::string & name) const;

  RCLCPP_PUBLIC
  std::vector<rcl_interfaces::msg::ParameterDescriptor>
  describe_parameters(const std::vector<std::string> & names) const;

  RCLCPP_PUBLIC
  std::vector<uint8_t>
  get_parameter_types(const std::vector<std::string> & names) const;

  RCLCPP_PUBLIC
  const std::map<std::string, rclcpp::ParameterValue> &
  get_parameter_overrides() const;

  /// Declare, with dynamic typing, every override not declared yet (rclcpp's
  /// automatically_declare_parameters_from_overrides).
  RCLCPP_PUBLIC
  void
  declare_parameters_from_overrides();

  struct Info
  {
    rclcpp::ParameterValue value;
    rcl_interfaces::msg::ParameterDescriptor descriptor;
  };

private:
  const rclcpp::ParameterValue &
  declare_locked(
    const std::string & name,
    rclcpp::ParameterType type,
    const rclcpp::ParameterValue & default_value,
    rcl_interfaces::msg::ParameterDescriptor descriptor,
    bool ignore_override);

  SetResult set_atomically_locked(const std::vector<rclcpp::Parameter> & parameters);

  mutable std::recursive_mutex mutex_;
  std::map<std::string, rclcpp::ParameterValue> overrides_;
  std::string node_fqn_;
  std::map<std::string, Info> parameters_;
};

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__NODE_PARAMETERS_HPP_
