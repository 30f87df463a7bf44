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

#ifndef RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_
#define RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

namespace rclcpp
{

/// Holds a subscription callback of any of the forms ROS 2 accepts and calls it with a message.
template<typename MessageT>
class AnySubscriptionCallback
{
public:
  using ConstRefCallback = std::function<void (const MessageT &)>;
  using UniquePtrCallback = std::function<void (std::unique_ptr<MessageT>)>;
  using SharedConstPtrCallback = std::function<void (std::shared_ptr<const MessageT>)>;
  using SharedPtrCallback = std::function<void (std::shared_ptr<MessageT>)>;

  /// Picks the form from what the callable accepts. A callable that takes `const MessageT &`
  /// (or a copy) is checked first, then the shared pointer forms (`const std::shared_ptr<const
  /// MessageT> &` is one of them), then `std::unique_ptr<MessageT>`.
  template<typename CallbackT>
  explicit AnySubscriptionCallback(CallbackT && callback)
  {
    using C = std::decay_t<CallbackT>;
    if constexpr (std::is_invocable_v<C &, const MessageT &>) {
      callback_ = ConstRefCallback(std::forward<CallbackT>(callback));
    } else if constexpr (std::is_invocable_v<C &, std::shared_ptr<const MessageT>>) {
      callback_ = SharedConstPtrCallback(std::forward<CallbackT>(callback));
    } else if constexpr (std::is_invocable_v<C &, std::shared_ptr<MessageT>>) {
      callback_ = SharedPtrCallback(std::forward<CallbackT>(callback));
    } else if constexpr (std::is_invocable_v<C &, std::unique_ptr<MessageT>>) {
      callback_ = UniquePtrCallback(std::forward<CallbackT>(callback));
    } else {
      static_assert(
        std::is_invocable_v<C &, const MessageT &>,
        "a subscription callback takes const MessageT &, std::unique_ptr<MessageT>, "
        "std::shared_ptr<const MessageT>, const std::shared_ptr<const MessageT> & or "
        "std::shared_ptr<MessageT>");
    }
  }

  /// True when the callback only reads the message, so one message object can be reused.
  bool takes_const_ref() const
  {
    return std::holds_alternative<ConstRefCallback>(callback_);
  }

  /// Calls a callback that takes `const MessageT &`.
  void dispatch(const MessageT & message) const
  {
    std::get<ConstRefCallback>(callback_)(message);
  }

  /// Calls the callback, handing the message over.
  void dispatch(std::unique_ptr<MessageT> message) const
  {
    std::visit(
      [&message](const auto & callback) {
        using T = std::decay_t<decltype(callback)>;
        if constexpr (std::is_same_v<T, ConstRefCallback>) {
          callback(*message);
        } else if constexpr (std::is_same_v<T, UniquePtrCallback>) {
          callback(std::move(message));
        } else if constexpr (std::is_same_v<T, SharedConstPtrCallback>) {
          callback(std::shared_ptr<const MessageT>(std::move(message)));
        } else {
          callback(std::shared_ptr<MessageT>(std::move(message)));
        }
      }, callback_);
  }

private:
  std::variant<ConstRefCallback, UniquePtrCallback, SharedConstPtrCallback, SharedPtrCallback>
  callback_;
};

}  // namespace rclcpp

#endif  // RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_
