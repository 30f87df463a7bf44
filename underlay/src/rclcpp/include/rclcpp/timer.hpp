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

#ifndef RCLCPP__TIMER_HPP_
#define RCLCPP__TIMER_HPP_

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "rclcpp/macros.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

namespace detail
{
class WaitSignal;
}  // namespace detail

/// A periodic timer on the steady clock; the executor that spins its node runs the callback.
class TimerBase
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(TimerBase)

  RCLCPP_PUBLIC
  explicit TimerBase(std::chrono::nanoseconds period);

  RCLCPP_PUBLIC
  virtual ~TimerBase() = default;

  /// Stops the timer until reset().
  RCLCPP_PUBLIC
  void cancel();

  RCLCPP_PUBLIC
  bool is_canceled() const {return canceled_;}

  /// Restarts the period from now, and a canceled timer.
  RCLCPP_PUBLIC
  void reset();

  /// True when the period has passed and the timer is not canceled.
  RCLCPP_PUBLIC
  bool is_ready() const;

  /// Time left until the timer is ready (negative when overdue); max() when canceled.
  RCLCPP_PUBLIC
  std::chrono::nanoseconds time_until_trigger() const;

  /// When the timer is next due on the steady clock.
  RCLCPP_PUBLIC
  std::chrono::steady_clock::time_point next_call_time() const;

  /// Moves the next call time on by whole periods past now, then runs the callback.
  RCLCPP_PUBLIC
  void execute();

  // Used by the node to wake the executor when reset() changes the schedule.
  RCLCPP_PUBLIC
  void set_wait_signal(detail::WaitSignal * wait_signal) {wait_signal_ = wait_signal;}

protected:
  virtual void execute_callback() = 0;

private:
  std::chrono::nanoseconds period_;
  std::atomic<int64_t> next_call_ns_;
  std::atomic<bool> canceled_{false};
  detail::WaitSignal * wait_signal_ = nullptr;
};

/// A timer with a callback taking nothing or the timer itself.
template<typename FunctorT>
class GenericTimer : public TimerBase
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(GenericTimer)

  GenericTimer(std::chrono::nanoseconds period, FunctorT && callback)
  : TimerBase(period), callback_(std::forward<FunctorT>(callback)) {}

protected:
  void execute_callback() override
  {
    if constexpr (std::is_invocable_v<FunctorT &, TimerBase &>) {
      callback_(*this);
    } else {
      callback_();
    }
  }

private:
  FunctorT callback_;
};

/// A timer on wall time (the steady clock).
template<typename FunctorT>
class WallTimer : public GenericTimer<FunctorT>
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(WallTimer)

  WallTimer(std::chrono::nanoseconds period, FunctorT && callback)
  : GenericTimer<FunctorT>(period, std::forward<FunctorT>(callback)) {}
};

}  // namespace rclcpp

#endif  // RCLCPP__TIMER_HPP_
