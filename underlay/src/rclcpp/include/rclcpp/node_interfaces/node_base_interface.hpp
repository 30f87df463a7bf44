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

#ifndef RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_
#define RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rclcpp/callback_group.hpp"
#include "rclcpp/context.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/subscription_base.hpp"
#include "rclcpp/timer.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{
namespace node_interfaces
{

/// What an executor needs of a node: its names, its context and the entities whose callbacks
/// it runs.
class NodeBaseInterface
{
public:
  RCLCPP_SMART_PTR_ALIASES_ONLY(NodeBaseInterface)

  RCLCPP_PUBLIC
  NodeBaseInterface(
    const std::string & name, const std::string & namespace_,
    rclcpp::Context::SharedPtr context);

  RCLCPP_PUBLIC
  virtual ~NodeBaseInterface() = default;

  RCLCPP_PUBLIC
  const char * get_name() const {return name_.c_str();}

  RCLCPP_PUBLIC
  const char * get_namespace() const {return namespace_.c_str();}

  RCLCPP_PUBLIC
  const char * get_fully_qualified_name() const {return fully_qualified_name_.c_str();}

  RCLCPP_PUBLIC
  rclcpp::Context::SharedPtr get_context() {return context_;}

  /// Set while an executor holds the node; a node belongs to one executor at a time.
  RCLCPP_PUBLIC
  std::atomic_bool & get_associated_with_executor_atomic() {return associated_with_executor_;}

  RCLCPP_PUBLIC
  rclcpp::CallbackGroup::SharedPtr get_default_callback_group() {return default_group_;}

  RCLCPP_PUBLIC
  rclcpp::CallbackGroup::SharedPtr create_callback_group(
    rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true);

  // The following belong to this client library, not to the ROS 2 API.

  RCLCPP_PUBLIC
  void add_subscription(const rclcpp::SubscriptionBase::SharedPtr & subscription);

  RCLCPP_PUBLIC
  void add_timer(const rclcpp::TimerBase::SharedPtr & timer);

  /// The node's live subscriptions and timers; entities their owners dropped are forgotten.
  RCLCPP_PUBLIC
  void collect_entities(
    std::vector<rclcpp::SubscriptionBase::SharedPtr> & subscriptions,
    std::vector<rclcpp::TimerBase::SharedPtr> & timers);

private:
  std::string name_;
  std::string namespace_;
  std::string fully_qualified_name_;
  rclcpp::Context::SharedPtr context_;
  std::atomic_bool associated_with_executor_{false};
  rclcpp::CallbackGroup::SharedPtr default_group_;

  std::mutex entities_mutex_;
  std::vector<rclcpp::SubscriptionBase::WeakPtr> subscriptions_;
  std::vector<rclcpp::TimerBase::WeakPtr> timers_;
};

}  // namespace node_interfaces
}  // namespace rclcpp

#endif  // RCLCPP__NODE_INTERFACES__NODE_BASE_INTERFACE_HPP_
