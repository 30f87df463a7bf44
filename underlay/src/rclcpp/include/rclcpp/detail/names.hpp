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

#ifndef RCLCPP__DETAIL__NAMES_HPP_
#define RCLCPP__DETAIL__NAMES_HPP_

#include <cstddef>
#include <string>

#include "rclcpp/visibility_control.hpp"

// Name rules of ROS 2 (the checks rmw and rcl apply to node names, namespaces and topic
// names), with the same reasons and offending positions, for the underlay's Node and topics.

namespace rclcpp
{
namespace detail
{

/// Longest node name, fully qualified topic name and namespace ROS 2 accepts.
constexpr size_t NODE_NAME_MAX_LENGTH = 255;
constexpr size_t TOPIC_MAX_NAME_LENGTH = 255 - 8;
constexpr size_t NAMESPACE_MAX_LENGTH = TOPIC_MAX_NAME_LENGTH - 2;

/// Outcome of a name check: reason == nullptr when the name is valid, otherwise the ROS 2
/// reason text and the index of the offending character.
struct NameCheck
{
  const char * reason = nullptr;
  size_t invalid_index = 0;

  bool valid() const {return reason == nullptr;}
};

/// Node name rules: not empty, only [A-Za-z0-9_], not starting with a digit, at most 255.
RCLCPP_PUBLIC
NameCheck check_node_name(const std::string & node_name);

/// Namespace rules: "/" or an absolute name without trailing or repeated '/', only
/// [A-Za-z0-9_/], no token starting with a digit, at most 245 characters.
RCLCPP_PUBLIC
NameCheck check_namespace(const std::string & namespace_);

/// Fully qualified topic name rules (after expansion).
RCLCPP_PUBLIC
NameCheck check_full_topic_name(const std::string & topic_name);

/// Rules for a topic name as the user writes it (may be relative, start with "~/", and hold
/// {substitutions}).
RCLCPP_PUBLIC
NameCheck check_topic_name(const std::string & topic_name);

/// Throw rclcpp::exceptions::InvalidNodeNameError when the node name is invalid.
RCLCPP_PUBLIC
void validate_node_name(const std::string & node_name);

/// Throw rclcpp::exceptions::InvalidNamespaceError when the namespace is invalid
/// (give it normalised: see normalize_namespace).
RCLCPP_PUBLIC
void validate_namespace(const std::string & namespace_);

/// Namespace as a node uses it: "" becomes "/", a relative "ns" becomes "/ns".
RCLCPP_PUBLIC
std::string normalize_namespace(const std::string & namespace_);

/// "<ns>/<name>", or "/<name>" in the root namespace. Expects a normalised namespace.
RCLCPP_PUBLIC
std::string fully_qualified_name(const std::string & namespace_, const std::string & node_name);

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__NAMES_HPP_
