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

#include "rclcpp/subscription_base.hpp"

#include <memory>
#include <string>
#include <utility>

#include "rclcpp/context.hpp"
#include "rclcpp/detail/dds.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/detail/wait_signal.hpp"

namespace rclcpp
{

SubscriptionBase::SubscriptionBase(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const rosidl_message_type_support_t * type_support, const rclcpp::QoS & qos)
: context_(node_base->get_context()), topic_name_(topic_name), qos_(qos)
{
  // The middleware thread only wakes the executors; the callback runs where the node spins.
  detail::WaitSignal * wait_signal = &context_->wait_signal();
  reader_ = context_->participant()->create_reader(
    node_base, topic_name_, type_support, qos_, [wait_signal]() {wait_signal->notify();});
}

SubscriptionBase::~SubscriptionBase() = default;

const char * SubscriptionBase::get_topic_name() const
{
  return topic_name_.c_str();
}

size_t SubscriptionBase::get_publisher_count() const
{
  return reader_->matched_count();
}

bool SubscriptionBase::has_data() const
{
  return reader_->has_data();
}

bool SubscriptionBase::take_message(void * message)
{
  return reader_->take(message);
}

}  // namespace rclcpp
