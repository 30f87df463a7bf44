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

#ifndef RCLCPP__SUBSCRIPTION_OPTIONS_HPP_
#define RCLCPP__SUBSCRIPTION_OPTIONS_HPP_

#include <memory>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/publisher_options.hpp"

namespace rclcpp
{

/// Options of a subscription beyond its QoS.
template<typename Allocator>
struct SubscriptionOptionsWithAllocator
{
  rclcpp::CallbackGroup::SharedPtr callback_group = nullptr;
  IntraProcessSetting use_intra_process_comm = IntraProcessSetting::NodeDefault;
  /// Deliver messages that this node's own publishers sent.
  bool ignore_local_publications = false;
  std::shared_ptr<Allocator> allocator = nullptr;
};

using SubscriptionOptions = SubscriptionOptionsWithAllocator<std::allocator<void>>;

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_OPTIONS_HPP_
