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

#ifndef RCLCPP__PUBLISHER_BASE_HPP_
#define RCLCPP__PUBLISHER_BASE_HPP_

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
class DdsWriter;
}  // namespace detail

/// The type-independent part of a publisher: its topic, QoS and middleware writer.
class PublisherBase
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(PublisherBase)

  RCLCPP_PUBLIC
  PublisherBase(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rosidl_message_type_support_t * type_support, const rclcpp::QoS & qos);

  RCLCPP_PUBLIC
  virtual ~PublisherBase();

  /// The fully qualified topic name.
  RCLCPP_PUBLIC
  const char * get_topic_name() const;

  /// Subscriptions matched with this publisher, in any process.
  RCLCPP_PUBLIC
  size_t get_subscription_count() const;

  /// Subscriptions of this process matched with this publisher; always 0 here, as this library
  /// has no intra-process delivery.
  RCLCPP_PUBLIC
  size_t get_intra_process_subscription_count() const {return 0;}

  RCLCPP_PUBLIC
  rclcpp::QoS get_actual_qos() const {return qos_;}

protected:
  /// Sends a message of the publisher's type; a publish after shutdown is dropped.
  RCLCPP_PUBLIC
  void publish_message(const void * message);

private:
  RCLCPP_DISABLE_COPY(PublisherBase)

  std::shared_ptr<rclcpp::Context> context_;
  std::string topic_name_;
  rclcpp::QoS qos_;
  std::unique_ptr<detail::DdsWriter> writer_;
};

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_BASE_HPP_
