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

#ifndef RCLCPP__EXECUTORS_HPP_
#define RCLCPP__EXECUTORS_HPP_

#include <chrono>
#include <memory>

#include "rclcpp/executor.hpp"
#include "rclcpp/executors/single_threaded_executor.hpp"
#include "rclcpp/node.hpp"
#include "rclcpp/utilities.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Runs the node's callbacks on this thread until ROS shuts down.
RCLCPP_PUBLIC
void spin(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr);

RCLCPP_PUBLIC
void spin(rclcpp::Node::SharedPtr node_ptr);

/// Runs the node's callbacks that are ready now.
RCLCPP_PUBLIC
void spin_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr);

RCLCPP_PUBLIC
void spin_some(rclcpp::Node::SharedPtr node_ptr);

/// Spins the node until the future is ready, the timeout passes or ROS shuts down.
template<typename FutureT, typename TimeRepT = int64_t, typename TimeT = std::milli>
rclcpp::FutureReturnCode spin_until_future_complete(
  rclcpp::Node::SharedPtr node_ptr, const FutureT & future,
  std::chrono::duration<TimeRepT, TimeT> timeout = std::chrono::duration<TimeRepT, TimeT>(-1))
{
  rclcpp::executors::SingleThreadedExecutor executor;
  executor.add_node(node_ptr);
  auto result = executor.spin_until_future_complete(future, timeout);
  executor.remove_node(node_ptr);
  return result;
}

}  // namespace rclcpp

#endif  // RCLCPP__EXECUTORS_HPP_
