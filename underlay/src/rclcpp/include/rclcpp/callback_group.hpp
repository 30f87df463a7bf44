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

#ifndef RCLCPP__CALLBACK_GROUP_HPP_
#define RCLCPP__CALLBACK_GROUP_HPP_

#include "rclcpp/macros.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

enum class CallbackGroupType
{
  MutuallyExclusive,
  Reentrant
};

/// A group of callbacks. The executors of this library run every callback of a node on the
/// spinning thread one at a time, so a group only records its type.
class CallbackGroup
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(CallbackGroup)

  RCLCPP_PUBLIC
  explicit CallbackGroup(
    CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true)
  : type_(group_type), automatically_add_(automatically_add_to_executor_with_node) {}

  RCLCPP_PUBLIC
  CallbackGroupType type() const {return type_;}

  RCLCPP_PUBLIC
  bool automatically_add_to_executor_with_node() const {return automatically_add_;}

private:
  CallbackGroupType type_;
  bool automatically_add_;
};

}  // namespace rclcpp

#endif  // RCLCPP__CALLBACK_GROUP_HPP_
