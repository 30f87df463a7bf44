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

#ifndef RCLCPP__EXPAND_TOPIC_OR_SERVICE_NAME_HPP_
#define RCLCPP__EXPAND_TOPIC_OR_SERVICE_NAME_HPP_

#include <string>

#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Expand a topic or service name and throw if it is not valid.
/**
 * "~" becomes the node's fully qualified name, "{node}" the node name, "{ns}" and
 * "{namespace}" the namespace, and a relative name is put in the namespace.
 *
 * \throws rclcpp::exceptions::InvalidTopicNameError (InvalidServiceNameError with
 *   is_service) if the name or the expanded name is invalid
 * \throws rclcpp::exceptions::InvalidNodeNameError if the node name is invalid
 * \throws rclcpp::exceptions::InvalidNamespaceError if the namespace is invalid
 * \throws std::runtime_error for an unknown {substitution}
 */
RCLCPP_PUBLIC
std::string
expand_topic_or_service_name(
  const std::string & name,
  const std::string & node_name,
  const std::string & namespace_,
  bool is_service = false);

}  // namespace rclcpp

#endif  // RCLCPP__EXPAND_TOPIC_OR_SERVICE_NAME_HPP_
