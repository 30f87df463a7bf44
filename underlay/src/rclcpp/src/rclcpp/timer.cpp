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

#include "rclcpp/timer.hpp"

#include <chrono>
#include <limits>
#include <stdexcept>

#include "rclcpp/detail/wait_signal.hpp"

namespace rclcpp
{

namespace
{
int64_t steady_now_ns()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

TimerBase::TimerBase(std::chrono::nanoseconds period)
: period_(period), next_call_ns_(steady_now_ns() + period.count())
{
  if (period < std::chrono::nanoseconds::zero()) {
    throw std::invalid_argument("timer period must not be negative");
  }
}

void TimerBase::cancel()
{
  canceled_ = true;
}

void TimerBase::reset()
{
  next_call_ns_ = steady_now_ns() + period_.count();
  canceled_ = false;
  if (wait_signal_ != nullptr) {
    wait_signal_->notify();
  }
}

bool TimerBase::is_ready() const
{
  return !canceled_ && steady_now_ns() >= next_call_ns_;
}

std::chrono::nanoseconds TimerBase::time_until_trigger() const
{
  if (canceled_) {
    return std::chrono::nanoseconds::max();
  }
  return std::chrono::nanoseconds(next_call_ns_ - steady_now_ns());
}

std::chrono::steady_clock::time_point TimerBase::next_call_time() const
{
  if (canceled_) {
    return std::chrono::steady_clock::time_point::max();
  }
  return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(next_call_ns_));
}

void TimerBase::execute()
{
  // The next call is the first period boundary after now: a late executor skips the periods it
  // missed instead of running the callback in a burst.
  const int64_t now = steady_now_ns();
  int64_t next = next_call_ns_ + period_.count();
  if (next <= now && period_.count() > 0) {
    next += ((now - next) / period_.count() + 1) * period_.count();
  } else if (period_.count() == 0) {
    next = now;
  }
  next_call_ns_ = next;
  execute_callback();
}

}  // namespace rclcpp
