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

#include "rclcpp/detail/node_parameters.hpp"

#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/exceptions/exceptions.hpp"

namespace rclcpp
{
namespace detail
{

namespace
{

using Descriptor = rcl_interfaces::msg::ParameterDescriptor;
using Infos = std::map<std::string, NodeParameters::Info>;

// Doubles within 100 ulp of each other count as equal when checking range bounds and steps.
bool doubles_equal(double x, double y, double ulp = 100.0)
{
  return std::abs(x - y) <= std::numeric_limits<double>::epsilon() * std::abs(x + y) * ulp;
}

std::string range_reason(const std::string & name, const char * range_type)
{
  std::ostringstream ss;
  ss << "Parameter {" << name << "} doesn't comply with " << range_type << " range.";
  return ss.str();
}

// The text begins with "Wrong parameter type": declare tells type errors from value errors
// by that beginning.
std::string type_reason(
  const std::string & name, const std::string & old_type, const std::string & new_type)
{
  std::ostringstream ss;
  ss << "Wrong parameter type, parameter {" << name << "} is of type {" << old_type <<
    "}, setting it to {" << new_type << "} is not allowed.";
  return ss.str();
}

SetResult fail(const std::string & reason)
{
  SetResult result;
  result.successful = false;
  result.reason = reason;
  return result;
}

// Only integer and double values have ranges; a bound itself always complies, and a value
// inside must sit on a step from the lower bound when a step is given.
SetResult check_range(const Descriptor & descriptor, const rclcpp::ParameterValue & value)
{
  if (!descriptor.integer_range.empty() && value.get_type() == rclcpp::PARAMETER_INTEGER) {
    const int64_t v = value.get<int64_t>();
    const auto & range = descriptor.integer_range.at(0);
    if (v == range.from_value || v == range.to_value) {
      return SetResult();
    }
    if (v < range.from_value || v > range.to_value) {
      return fail(range_reason(descriptor.name, "integer"));
    }
    if (range.step == 0 || ((v - range.from_value) % static_cast<int64_t>(range.step)) == 0) {
      return SetResult();
    }
    return fail(range_reason(descriptor.name, "integer"));
  }
  if (!descriptor.floating_point_range.empty() && value.get_type() == rclcpp::PARAMETER_DOUBLE) {
    const double v = value.get<double>();
    const auto & range = descriptor.floating_point_range.at(0);
    if (doubles_equal(v, range.from_value) || doubles_equal(v, range.to_value)) {
      return SetResult();
    }
    if (v < range.from_value || v > range.to_value) {
      return fail(range_reason(descriptor.name, "floating point"));
    }
    if (range.step == 0.0) {
      return SetResult();
    }
    const double steps = std::round((v - range.from_value) / range.step);
    if (doubles_equal(v, range.from_value + steps * range.step)) {
      return SetResult();
    }
    return fail(range_reason(descriptor.name, "floating point"));
  }
  return SetResult();
}

// Type (unless dynamically typed) and range of each new value against its descriptor.
SetResult check_parameters(Infos & infos, const std::vector<rclcpp::Parameter> & parameters)
{
  for (const rclcpp::Parameter & parameter : parameters) {
    const std::string & name = parameter.get_name();
    Descriptor descriptor = infos[name].descriptor;
    if (descriptor.name.empty()) {
      descriptor.name = name;
    }
    const auto new_type = parameter.get_type();
    const auto specified_type = static_cast<rclcpp::ParameterType>(descriptor.type);
    if (!descriptor.dynamic_typing && specified_type != new_type) {
      return fail(
        type_reason(name, rclcpp::to_string(specified_type), rclcpp::to_string(new_type)));
    }
    SetResult result = check_range(descriptor, parameter.get_parameter_value());
    if (!result.successful) {
      return result;
    }
  }
  return SetResult();
}

SetResult set_common(const std::vector<rclcpp::Parameter> & parameters, Infos & infos)
{
  SetResult result = check_parameters(infos, parameters);
  if (!result.successful) {
    return result;
  }
  for (const rclcpp::Parameter & parameter : parameters) {
    auto & info = infos[parameter.get_name()];
    info.descriptor.name = parameter.get_name();
    info.descriptor.type = parameter.get_type();
    info.value = parameter.get_parameter_value();
  }
  return result;
}

SetResult declare_common(
  const std::string & name,
  const rclcpp::ParameterValue & default_value,
  const Descriptor & descriptor,
  Infos & parameters_out,
  const std::map<std::string, rclcpp::ParameterValue> & overrides,
  bool ignore_override)
{
  Infos staged;
  staged[name].descriptor = descriptor;

  // The override, when there is one and it is not ignored, replaces the default.
  const rclcpp::ParameterValue * initial_value = &default_value;
  auto override_it = overrides.find(name);
  if (!ignore_override && override_it != overrides.end()) {
    initial_value = &override_it->second;
  }

  // Without any initial value the parameter is declared without a value.
  if (initial_value->get_type() == rclcpp::PARAMETER_NOT_SET) {
    staged[name].descriptor.name = name;
    staged[name].descriptor.type =
      descriptor.dynamic_typing ? static_cast<uint8_t>(rclcpp::PARAMETER_NOT_SET) :
      descriptor.type;
    parameters_out[name] = staged.at(name);
    return SetResult();
  }

  SetResult result = set_common({rclcpp::Parameter(name, *initial_value)}, staged);
  if (!result.successful) {
    return result;
  }
  parameters_out[name] = staged.at(name);
  return result;
}

}  // namespace

NodeParameters::NodeParameters(
  std::map<std::string, rclcpp::ParameterValue> parameter_overrides,
  std::string node_fully_qualified_name)
: overrides_(std::move(parameter_overrides)),
  node_fqn_(std::move(node_fully_qualified_name))
{}

const rclcpp::ParameterValue &
NodeParameters::declare_locked(
  const std::string & name,
  rclcpp::ParameterType type,
  const rclcpp::ParameterValue & default_value,
  Descriptor descriptor,
  bool ignore_override)
{
  if (name.empty()) {
    throw rclcpp::exceptions::InvalidParametersException("parameter name must not be empty");
  }
  if (parameters_.find(name) != parameters_.end()) {
    throw rclcpp::exceptions::ParameterAlreadyDeclaredException(
            "parameter '" + name + "' has already been declared");
  }
  if (!descriptor.dynamic_typing) {
    // A statically typed parameter takes the type of its default.
    if (rclcpp::PARAMETER_NOT_SET == type) {
      type = default_value.get_type();
    }
    if (rclcpp::PARAMETER_NOT_SET == type) {
      throw rclcpp::exceptions::InvalidParameterTypeException(
              name, "cannot declare a statically typed parameter with an uninitialized value");
    }
    descriptor.type = static_cast<uint8_t>(type);
  }

  const SetResult result =
    declare_common(name, default_value, descriptor, parameters_, overrides_, ignore_override);
  if (!result.successful) {
    static const std::string type_error_start = "Wrong parameter type";
    if (result.reason.compare(0, type_error_start.size(), type_error_start) == 0) {
      throw rclcpp::exceptions::InvalidParameterTypeException(name, result.reason);
    }
    throw rclcpp::exceptions::InvalidParameterValueException(
            "parameter '" + name + "' could not be set: " + result.reason);
  }
  return parameters_.at(name).value;
}

const rclcpp::ParameterValue &
NodeParameters::declare_parameter(
  const std::string & name,
  const rclcpp::ParameterValue & default_value,
  const Descriptor & parameter_descriptor,
  bool ignore_override)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return declare_locked(
    name, rclcpp::PARAMETER_NOT_SET, default_value, parameter_descriptor, ignore_override);
}

const rclcpp::ParameterValue &
NodeParameters::declare_parameter(
  const std::string & name,
  rclcpp::ParameterType type,
  const Descriptor & parameter_descriptor,
  bool ignore_override)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (rclcpp::PARAMETER_NOT_SET == type) {
    throw std::invalid_argument{
            "declare_parameter(): the provided parameter type cannot be rclcpp::PARAMETER_NOT_SET"};
  }
  if (parameter_descriptor.dynamic_typing) {
    throw std::invalid_argument{
            "declare_parameter(): cannot declare parameter of specific type and pass descriptor"
            "with `dynamic_typing=true`"};
  }
  return declare_locked(
    name, type, rclcpp::ParameterValue(), parameter_descriptor, ignore_override);
}

void
NodeParameters::undeclare_parameter(const std::string & name)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = parameters_.find(name);
  if (it == parameters_.end()) {
    throw rclcpp::exceptions::ParameterNotDeclaredException(
            "cannot undeclare parameter '" + name + "' which has not yet been declared");
  }
  if (it->second.descriptor.read_only) {
    throw rclcpp::exceptions::ParameterImmutableException(
            "cannot undeclare parameter '" + name + "' because it is read-only");
  }
  if (!it->second.descriptor.dynamic_typing) {
    throw rclcpp::exceptions::InvalidParameterTypeException(
            name, "cannot undeclare a statically typed parameter");
  }
  parameters_.erase(it);
}

bool
NodeParameters::has_parameter(const std::string & name) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return parameters_.find(name) != parameters_.end();
}

rclcpp::Parameter
NodeParameters::get_parameter(const std::string & name) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = parameters_.find(name);
  if (it == parameters_.end()) {
    throw rclcpp::exceptions::ParameterNotDeclaredException(name);
  }
  if (it->second.value.get_type() != rclcpp::PARAMETER_NOT_SET ||
    it->second.descriptor.dynamic_typing)
  {
    return rclcpp::Parameter{name, it->second.value};
  }
  throw rclcpp::exceptions::ParameterUninitializedException(name);
}

bool
NodeParameters::get_parameter(const std::string & name, rclcpp::Parameter & parameter) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = parameters_.find(name);
  if (it != parameters_.end() && it->second.value.get_type() != rclcpp::PARAMETER_NOT_SET) {
    parameter = rclcpp::Parameter{name, it->second.value};
    return true;
  }
  return false;
}

std::vector<rclcpp::Parameter>
NodeParameters::get_parameters(const std::vector<std::string> & names) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<rclcpp::Parameter> results;
  results.reserve(names.size());
  for (const auto & name : names) {
    results.emplace_back(get_parameter(name));
  }
  return results;
}

bool
NodeParameters::get_parameters_by_prefix(
  const std::string & prefix,
  std::map<std::string, rclcpp::Parameter> & parameters) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string prefix_with_dot = prefix.empty() ? prefix : prefix + ".";
  bool found = false;
  for (const auto & entry : parameters_) {
    if (entry.first.compare(0, prefix_with_dot.size(), prefix_with_dot) == 0 &&
      entry.first.size() > prefix_with_dot.size())
    {
      parameters[entry.first.substr(prefix_with_dot.size())] =
        rclcpp::Parameter(entry.first, entry.second.value);
      found = true;
    }
  }
  return found;
}

SetResult
NodeParameters::set_atomically_locked(const std::vector<rclcpp::Parameter> & parameters)
{
  for (const auto & parameter : parameters) {
    const std::string & name = parameter.get_name();
    if (name.empty()) {
      throw rclcpp::exceptions::InvalidParametersException("parameter name must not be empty");
    }
    auto it = parameters_.find(name);
    if (it == parameters_.end()) {
      throw rclcpp::exceptions::ParameterNotDeclaredException(
              "parameter '" + name + "' cannot be set because it was not declared");
    }
    if (it->second.descriptor.read_only) {
      return fail("parameter '" + name + "' cannot be set because it is read-only");
    }
  }

  // Setting a parameter to "not set" undeclares it, which only a dynamically typed one allows.
  std::vector<std::string> to_undeclare;
  for (const auto & parameter : parameters) {
    if (rclcpp::PARAMETER_NOT_SET == parameter.get_type()) {
      auto it = parameters_.find(parameter.get_name());
      if (it != parameters_.end() && rclcpp::PARAMETER_NOT_SET != it->second.value.get_type()) {
        if (!it->second.descriptor.dynamic_typing) {
          return fail("cannot undeclare a statically typed parameter");
        }
        to_undeclare.push_back(parameter.get_name());
      }
    }
  }

  SetResult result = set_common(parameters, parameters_);
  if (!result.successful) {
    return result;
  }
  for (const auto & name : to_undeclare) {
    parameters_.erase(name);
  }
  return result;
}

SetResult
NodeParameters::set_parameter(const rclcpp::Parameter & parameter)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return set_atomically_locked({parameter});
}

std::vector<SetResult>
NodeParameters::set_parameters(const std::vector<rclcpp::Parameter> & parameters)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<SetResult> results;
  results.reserve(parameters.size());
  for (const auto & parameter : parameters) {
    results.push_back(set_atomically_locked({parameter}));
  }
  return results;
}

SetResult
NodeParameters::set_parameters_atomically(const std::vector<rclcpp::Parameter> & parameters)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return set_atomically_locked(parameters);
}

Descriptor
NodeParameters::describe_parameter(const std::string & name) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = parameters_.find(name);
  if (it == parameters_.end()) {
    throw rclcpp::exceptions::ParameterNotDeclaredException(name);
  }
  return it->second.descriptor;
}

std::vector<Descriptor>
NodeParameters::describe_parameters(const std::vector<std::string> & names) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<Descriptor> results;
  results.reserve(names.size());
  for (const auto & name : names) {
    results.push_back(describe_parameter(name));
  }
  return results;
}

std::vector<uint8_t>
NodeParameters::get_parameter_types(const std::vector<std::string> & names) const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<uint8_t> results;
  results.reserve(names.size());
  for (const auto & name : names) {
    auto it = parameters_.find(name);
    if (it == parameters_.end()) {
      throw rclcpp::exceptions::ParameterNotDeclaredException(name);
    }
    results.push_back(it->second.value.get_type());
  }
  return results;
}

const std::map<std::string, rclcpp::ParameterValue> &
NodeParameters::get_parameter_overrides() const
{
  return overrides_;
}

void
NodeParameters::declare_parameters_from_overrides()
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Descriptor descriptor;
  descriptor.dynamic_typing = true;
  for (const auto & entry : overrides_) {
    if (parameters_.find(entry.first) == parameters_.end()) {
      declare_locked(entry.first, rclcpp::PARAMETER_NOT_SET, entry.second, descriptor, true);
    }
  }
}

}  // namespace detail
}  // namespace rclcpp
