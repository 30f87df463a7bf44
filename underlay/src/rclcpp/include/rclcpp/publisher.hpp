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

#ifndef RCLCPP__PUBLISHER_HPP_
#define RCLCPP__PUBLISHER_HPP_

#include <memory>
#include <string>

#include "rclcpp/macros.hpp"
#include "rclcpp/publisher_base.hpp"
#include "rclcpp/publisher_options.hpp"
#include "rclcpp/qos.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"

namespace rclcpp
{

/// A publisher of messages of type MessageT.
template<typename MessageT, typename AllocatorT = std::allocator<void>>
class Publisher : public PublisherBase
{
public:
  using ROSMessageType = MessageT;
  using PublishedType = MessageT;

  RCLCPP_SMART_PTR_DEFINITIONS(Publisher<MessageT, AllocatorT>)

  Publisher(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rclcpp::QoS & qos,
    const rclcpp::PublisherOptionsWithAllocator<AllocatorT> & options =
    rclcpp::PublisherOptionsWithAllocator<AllocatorT>())
  : PublisherBase(
      node_base, topic_name,
      rosidl_typesupport_introspection_cpp::get_message_type_support_handle<MessageT>(), qos)
  {
    (void)options;
  }

  /// Sends a copy of the message.
  void publish(const MessageT & msg)
  {
    publish_message(&msg);
  }

  /// Sends the message and frees it.
  template<typename Deleter>
  void publish(std::unique_ptr<MessageT, Deleter> msg)
  {
    publish_message(msg.get());
  }
};

}  // namespace rclcpp

#endif  // RCLCPP__PUBLISHER_HPP_
