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

#include "rclcpp/node_interfaces/node_base_interface.hpp"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/detail/names.hpp"
#include "rclcpp/detail/wait_signal.hpp"

namespace rclcpp
{
namespace node_interfaces
{

NodeBaseInterface::NodeBaseInterface(
  const std::string & name, const std::string & namespace_, rclcpp::Context::SharedPtr context)
: name_(name), namespace_(namespace_),
  fully_qualified_name_(detail::fully_qualified_name(namespace_, name)),
  context_(std::move(context)),
  default_group_(std::make_shared<CallbackGroup>(CallbackGroupType::MutuallyExclusive)) {}

rclcpp::CallbackGroup::SharedPtr NodeBaseInterface::create_callback_group(
  rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node)
{
  return std::make_shared<CallbackGroup>(group_type, automatically_add_to_executor_with_node);
}

void NodeBaseInterface::add_subscription(const rclcpp::SubscriptionBase::SharedPtr & subscription)
{
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    subscriptions_.push_back(subscription);
  }
  // Data may have come before the executor knew of the subscription.
  context_->wait_signal().notify();
}

void NodeBaseInterface::add_timer(const rclcpp::TimerBase::SharedPtr & timer)
{
  timer->set_wait_signal(&context_->wait_signal());
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    timers_.push_back(timer);
  }
  // A spinning executor must take the new deadline into account.
  context_->wait_signal().notify();
}

namespace
{
template<typename T>
void collect_live(std::vector<std::weak_ptr<T>> & weak, std::vector<std::shared_ptr<T>> & out)
{
  weak.erase(
    std::remove_if(
      weak.begin(), weak.end(),
      [&out](const std::weak_ptr<T> & entity) {
        auto live = entity.lock();
        if (!live) {
          return true;
        }
        out.push_back(std::move(live));
        return false;
      }),
    weak.end());
}
}  // namespace

void NodeBaseInterface::collect_entities(
  std::vector<rclcpp::SubscriptionBase::SharedPtr> & subscriptions,
  std::vector<rclcpp::TimerBase::SharedPtr> & timers)
{
  std::lock_guard<std::mutex> lock(entities_mutex_);
  collect_live(subscriptions_, subscriptions);
  collect_live(timers_, timers);
}

}  // namespace node_interfaces
}  // namespace rclcpp
