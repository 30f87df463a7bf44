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

#ifndef RCLCPP__SUBSCRIPTION_BASE_HPP_
#define RCLCPP__SUBSCRIPTION_BASE_HPP_

#include <memory>
#include <string>

#include "rclcpp/macros.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/visibility_control.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace rclcpp
{

class Context;

namespace node_interfaces
{
class NodeBaseInterface;
}  // namespace node_interfaces

namespace detail
{
class DdsReader;
}  // namespace detail

/// The type-independent part of a subscription: its topic, QoS and middleware reader.
class SubscriptionBase
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(SubscriptionBase)

  RCLCPP_PUBLIC
  SubscriptionBase(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rosidl_message_type_support_t * type_support, const rclcpp::QoS & qos);

  RCLCPP_PUBLIC
  virtual ~SubscriptionBase();

  /// The fully qualified topic name.
  RCLCPP_PUBLIC
  const char * get_topic_name() const;

  /// Publishers matched with this subscription, in any process.
  RCLCPP_PUBLIC
  size_t get_publisher_count() const;

  RCLCPP_PUBLIC
  rclcpp::QoS get_actual_qos() const {return qos_;}

  /// True when a message waits to be taken.
  RCLCPP_PUBLIC
  bool has_data() const;

  /// Takes one message and runs the callback with it, on the calling (spinning) thread.
  /// \return false when no message could be taken.
  virtual bool take_and_dispatch() = 0;

protected:
  /// Takes the next message into an initialised message of the subscription's type.
  RCLCPP_PUBLIC
  bool take_message(void * message);

private:
  RCLCPP_DISABLE_COPY(SubscriptionBase)

  std::shared_ptr<rclcpp::Context> context_;
  std::string topic_name_;
  rclcpp::QoS qos_;
  std::unique_ptr<detail::DdsReader> reader_;
};

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_BASE_HPP_
