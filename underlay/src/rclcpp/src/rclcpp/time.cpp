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

#include "rclcpp/time.hpp"

#include <chrono>
#include <limits>
#include <stdexcept>

#include "rclcpp/clock.hpp"
#include "rclcpp/duration.hpp"

namespace rclcpp
{

namespace
{
constexpr int64_t kNanosecondsPerSecond = 1000000000LL;

// Adds with a range check, as rclcpp does: an overflowing time or duration is an error, not a
// wrapped-around value.
int64_t checked_add(int64_t a, int64_t b)
{
  int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) {
    throw std::overflow_error("addition leads to int64_t overflow");
  }
  return sum;
}

int64_t checked_sub(int64_t a, int64_t b)
{
  int64_t difference;
  if (__builtin_sub_overflow(a, b, &difference)) {
    throw std::overflow_error("subtraction leads to int64_t overflow");
  }
  return difference;
}

int64_t steady_now_ns()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::steady_clock::now().time_since_epoch()).count();
}

int64_t system_now_ns()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::system_clock::now().time_since_epoch()).count();
}
}  // namespace

// Duration

Duration::Duration(int32_t seconds, uint32_t nanoseconds)
: ns_(static_cast<int64_t>(seconds) * kNanosecondsPerSecond + nanoseconds) {}

Duration::Duration(std::chrono::nanoseconds nanoseconds)
: ns_(nanoseconds.count()) {}

Duration::Duration(const builtin_interfaces::msg::Duration & duration_msg)
: Duration(duration_msg.sec, duration_msg.nanosec) {}

Duration::operator builtin_interfaces::msg::Duration() const
{
  builtin_interfaces::msg::Duration msg;
  int64_t seconds = ns_ / kNanosecondsPerSecond;
  int64_t rest = ns_ % kNanosecondsPerSecond;
  if (rest < 0) {
    rest += kNanosecondsPerSecond;
    --seconds;
  }
  msg.sec = static_cast<int32_t>(seconds);
  msg.nanosec = static_cast<uint32_t>(rest);
  return msg;
}

Duration Duration::operator+(const Duration & rhs) const
{
  return from_nanoseconds(checked_add(ns_, rhs.ns_));
}

Duration Duration::operator-(const Duration & rhs) const
{
  return from_nanoseconds(checked_sub(ns_, rhs.ns_));
}

Duration Duration::operator*(double scale) const
{
  const double scaled = static_cast<double>(ns_) * scale;
  if (scaled > static_cast<double>(std::numeric_limits<int64_t>::max()) ||
    scaled < static_cast<double>(std::numeric_limits<int64_t>::min()))
  {
    throw std::overflow_error("duration scaling leads to int64_t overflow");
  }
  return from_nanoseconds(static_cast<int64_t>(scaled));
}

Duration & Duration::operator+=(const Duration & rhs)
{
  *this = *this + rhs;
  return *this;
}

Duration & Duration::operator-=(const Duration & rhs)
{
  *this = *this - rhs;
  return *this;
}

Duration Duration::max()
{
  return Duration(std::numeric_limits<int32_t>::max(), 999999999);
}

Duration Duration::from_seconds(double seconds)
{
  return from_nanoseconds(static_cast<int64_t>(seconds * 1e9));
}

Duration Duration::from_nanoseconds(rcl_duration_value_t nanoseconds)
{
  return Duration(std::chrono::nanoseconds(nanoseconds));
}

double Duration::seconds() const
{
  return std::chrono::duration<double>(std::chrono::nanoseconds(ns_)).count();
}

// Time

Time::Time(int32_t seconds, uint32_t nanoseconds, rcl_clock_type_t clock_type)
: ns_(static_cast<int64_t>(seconds) * kNanosecondsPerSecond + nanoseconds),
  clock_type_(clock_type)
{
  if (seconds < 0) {
    throw std::runtime_error("cannot store a negative time point in rclcpp::Time");
  }
}

Time::Time(int64_t nanoseconds, rcl_clock_type_t clock_type)
: ns_(nanoseconds), clock_type_(clock_type)
{
  if (nanoseconds < 0) {
    throw std::runtime_error("cannot store a negative time point in rclcpp::Time");
  }
}

Time::Time(const builtin_interfaces::msg::Time & time_msg, rcl_clock_type_t clock_type)
: Time(time_msg.sec, time_msg.nanosec, clock_type) {}

Time & Time::operator=(const builtin_interfaces::msg::Time & time_msg)
{
  *this = Time(time_msg, RCL_ROS_TIME);
  return *this;
}

Time::operator builtin_interfaces::msg::Time() const
{
  builtin_interfaces::msg::Time msg;
  msg.sec = static_cast<int32_t>(ns_ / kNanosecondsPerSecond);
  msg.nanosec = static_cast<uint32_t>(ns_ % kNanosecondsPerSecond);
  return msg;
}

void Time::check_same_clock(const Time & rhs) const
{
  if (clock_type_ != rhs.clock_type_) {
    throw std::runtime_error("can't compare times with different time sources");
  }
}

bool Time::operator==(const Time & rhs) const
{
  return clock_type_ == rhs.clock_type_ && ns_ == rhs.ns_;
}

bool Time::operator!=(const Time & rhs) const {return !(*this == rhs);}

bool Time::operator<(const Time & rhs) const
{
  check_same_clock(rhs);
  return ns_ < rhs.ns_;
}

bool Time::operator<=(const Time & rhs) const
{
  check_same_clock(rhs);
  return ns_ <= rhs.ns_;
}

bool Time::operator>(const Time & rhs) const
{
  check_same_clock(rhs);
  return ns_ > rhs.ns_;
}

bool Time::operator>=(const Time & rhs) const
{
  check_same_clock(rhs);
  return ns_ >= rhs.ns_;
}

Time Time::operator+(const Duration & rhs) const
{
  return Time(checked_add(ns_, rhs.nanoseconds()), clock_type_);
}

Duration Time::operator-(const Time & rhs) const
{
  check_same_clock(rhs);
  return Duration::from_nanoseconds(checked_sub(ns_, rhs.ns_));
}

Time Time::operator-(const Duration & rhs) const
{
  return Time(checked_sub(ns_, rhs.nanoseconds()), clock_type_);
}

Time & Time::operator+=(const Duration & rhs)
{
  *this = *this + rhs;
  return *this;
}

Time & Time::operator-=(const Duration & rhs)
{
  *this = *this - rhs;
  return *this;
}

double Time::seconds() const
{
  return std::chrono::duration<double>(std::chrono::nanoseconds(ns_)).count();
}

Time Time::max(rcl_clock_type_t clock_type)
{
  return Time(std::numeric_limits<int32_t>::max(), 999999999, clock_type);
}

Time operator+(const rclcpp::Duration & lhs, const rclcpp::Time & rhs)
{
  return rhs + lhs;
}

// Clock

Clock::Clock(rcl_clock_type_t clock_type)
: clock_type_(clock_type)
{
  if (clock_type == RCL_CLOCK_UNINITIALIZED) {
    throw std::invalid_argument("clock type must not be RCL_CLOCK_UNINITIALIZED");
  }
}

Time Clock::now() const
{
  // Without a simulated clock, ROS time is system time.
  const int64_t ns = clock_type_ == RCL_STEADY_TIME ? steady_now_ns() : system_now_ns();
  return Time(ns, clock_type_);
}

}  // namespace rclcpp
