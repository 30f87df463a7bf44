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

#ifndef RCLCPP__DETAIL__EXPAND_NAME_HPP_
#define RCLCPP__DETAIL__EXPAND_NAME_HPP_

#include <string>

#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{
namespace detail
{

enum class ExpandResult
{
  ok,
  invalid_topic_name,
  invalid_node_name,
  invalid_namespace,
  unknown_substitution,
};

/// Expand a topic name without throwing (rcl's expansion): "~", "{node}", "{ns}",
/// "{namespace}", relative names into the namespace. The result is not checked as a fully
/// qualified name. output is set only when the result is ok.
RCLCPP_PUBLIC
ExpandResult expand_topic_name(
  const std::string & name,
  const std::string & node_name,
  const std::string & namespace_,
  std::string & output);

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__EXPAND_NAME_HPP_
