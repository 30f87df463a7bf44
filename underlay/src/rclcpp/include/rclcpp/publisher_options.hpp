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

#ifndef RCLCPP__PUBLISHER_OPTIONS_HPP_
#define RCLCPP__PUBLISHER_OPTIONS_HPP_

#include <memory>

#include "rclcpp/callback_group.hpp"

namespace rclcpp
{

/// Whether a publisher or subscription uses intra-process delivery. This library always
/// delivers through the middleware, as ROS 2 does by default.
enum class IntraProcessSetting
{
  Enable,
  Disable,
  NodeDefault
};

/// Options of a publisher beyond its QoS.
template<typename Allocator>
struct PublisherOptionsWithAllocator
{
  rclcpp::CallbackGroup::SharedPtr callback_group = nullptr;
  IntraProcessSetting use_intra_process_comm = IntraProcessSetting::NodeDefault;
  std::shared_ptr<Allocator> allocator = nullptr;
};

using PublisherOptions = PublisherOptionsWithAllocator<std::allocator<void>>;

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_OPTIONS_HPP_
