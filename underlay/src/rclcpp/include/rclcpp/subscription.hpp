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

#ifndef RCLCPP__SUBSCRIPTION_HPP_
#define RCLCPP__SUBSCRIPTION_HPP_

#include <memory>
#include <string>
#include <utility>

#include "rclcpp/any_subscription_callback.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/subscription_base.hpp"
#include "rclcpp/subscription_options.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"

namespace rclcpp
{

/// A subscription to messages of type MessageT; the executor that spins its node runs the
/// callback.
template<typename MessageT, typename AllocatorT = std::allocator<void>>
class Subscription : public SubscriptionBase
{
public:
  using ROSMessageType = MessageT;

  RCLCPP_SMART_PTR_DEFINITIONS(Subscription<MessageT, AllocatorT>)

  template<typename CallbackT>
  Subscription(
    rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
    const rclcpp::QoS & qos, CallbackT && callback,
    const rclcpp::SubscriptionOptionsWithAllocator<AllocatorT> & options =
    rclcpp::SubscriptionOptionsWithAllocator<AllocatorT>())
  : SubscriptionBase(
      node_base, topic_name,
      rosidl_typesupport_introspection_cpp::get_message_type_support_handle<MessageT>(), qos),
    callback_(std::forward<CallbackT>(callback))
  {
    (void)options;
  }

  bool take_and_dispatch() override
  {
    if (callback_.takes_const_ref()) {
      // One message object serves every callback, so large sequences keep their storage.
      if (!reused_message_) {
        reused_message_ = std::make_unique<MessageT>();
      }
      if (!take_message(reused_message_.get())) {
        return false;
      }
      callback_.dispatch(*reused_message_);
      return true;
    }
    auto message = std::make_unique<MessageT>();
    if (!take_message(message.get())) {
      return false;
    }
    callback_.dispatch(std::move(message));
    return true;
  }

private:
  AnySubscriptionCallback<MessageT> callback_;
  std::unique_ptr<MessageT> reused_message_;
};

}  // namespace rclcpp

#endif  // RCLCPP__SUBSCRIPTION_HPP_
