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

#include "rclcpp/expand_topic_or_service_name.hpp"

#include <stdexcept>
#include <string>

#include "rclcpp/detail/expand_name.hpp"
#include "rclcpp/detail/names.hpp"
#include "rclcpp/exceptions/exceptions.hpp"

namespace rclcpp
{
namespace detail
{

namespace
{

void replace_all(std::string & text, const std::string & from, const std::string & to)
{
  size_t position = 0;
  while ((position = text.find(from, position)) != std::string::npos) {
    text.replace(position, from.size(), to);
    position += to.size();
  }
}

}  // namespace

ExpandResult expand_topic_name(
  const std::string & name,
  const std::string & node_name,
  const std::string & namespace_,
  std::string & output)
{
  if (!check_topic_name(name).valid()) {
    return ExpandResult::invalid_topic_name;
  }
  if (!check_node_name(node_name).valid()) {
    return ExpandResult::invalid_node_name;
  }
  if (!check_namespace(namespace_).valid()) {
    return ExpandResult::invalid_namespace;
  }
  const bool has_substitution = name.find('{') != std::string::npos;
  if (name[0] == '/' && !has_substitution) {
    output = name;
    return ExpandResult::ok;
  }
  // The namespace "/" needs no separating '/'.
  const std::string ns_prefix = namespace_.size() == 1 ? namespace_ : namespace_ + "/";
  std::string result = name;
  if (name[0] == '~') {
    result = ns_prefix + node_name + name.substr(1);
  }
  if (has_substitution) {
    size_t opening;
    while ((opening = result.find('{')) != std::string::npos) {
      const size_t closing = result.find('}', opening);
      const std::string substitution = result.substr(opening, closing - opening + 1);
      std::string replacement;
      if (substitution == "{node}") {
        replacement = node_name;
      } else if (substitution == "{ns}" || substitution == "{namespace}") {
        replacement = namespace_;
      } else {
        return ExpandResult::unknown_substitution;
      }
      replace_all(result, substitution, replacement);
    }
  }
  if (result[0] != '/') {
    result = ns_prefix + result;
  }
  output = result;
  return ExpandResult::ok;
}

}  // namespace detail

std::string
expand_topic_or_service_name(
  const std::string & name,
  const std::string & node_name,
  const std::string & namespace_,
  bool is_service)
{
  std::string result;
  switch (detail::expand_topic_name(name, node_name, namespace_, result)) {
    case detail::ExpandResult::ok:
      break;
    case detail::ExpandResult::invalid_topic_name:
    case detail::ExpandResult::unknown_substitution:
      {
        // Report the fault of the name as written; a well-formed name with an unknown
        // substitution has none, and rclcpp then reports it as unexpectedly valid.
        const detail::NameCheck check = detail::check_topic_name(name);
        if (check.valid()) {
          throw std::runtime_error("topic name unexpectedly valid");
        }
        if (is_service) {
          throw exceptions::InvalidServiceNameError(
                  name.c_str(), check.reason, check.invalid_index);
        }
        throw exceptions::InvalidTopicNameError(name.c_str(), check.reason, check.invalid_index);
      }
    case detail::ExpandResult::invalid_node_name:
      detail::validate_node_name(node_name);
      throw std::runtime_error("invalid rcl node name but valid rmw node name");
    case detail::ExpandResult::invalid_namespace:
      detail::validate_namespace(namespace_);
      throw std::runtime_error("invalid rcl namespace but valid rmw namespace");
  }

  const detail::NameCheck check = detail::check_full_topic_name(result);
  if (!check.valid()) {
    if (is_service) {
      throw exceptions::InvalidServiceNameError(
              result.c_str(), check.reason, check.invalid_index);
    }
    throw exceptions::InvalidTopicNameError(result.c_str(), check.reason, check.invalid_index);
  }
  return result;
}

}  // namespace rclcpp
