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

#ifndef RCLCPP__DURATION_HPP_
#define RCLCPP__DURATION_HPP_

#include <chrono>
#include <cstdint>

#include "builtin_interfaces/msg/duration.hpp"
#include "rcl/time.h"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// A signed span of time with nanosecond resolution.
class RCLCPP_PUBLIC Duration
{
public:
  /// Duration of seconds plus nanoseconds.
  Duration(int32_t seconds, uint32_t nanoseconds);

  /// Duration from a std::chrono duration.
  explicit Duration(std::chrono::nanoseconds nanoseconds);

  template<class Rep, class Period>
  // cppcheck-suppress noExplicitConstructor
  Duration(const std::chrono::duration<Rep, Period> & duration)  // NOLINT(runtime/explicit)
  : Duration(std::chrono::duration_cast<std::chrono::nanoseconds>(duration))
  {}

  // cppcheck-suppress noExplicitConstructor
  Duration(const builtin_interfaces::msg::Duration & duration_msg);  // NOLINT(runtime/explicit)

  Duration(const Duration & rhs) = default;
  Duration & operator=(const Duration & rhs) = default;

  operator builtin_interfaces::msg::Duration() const;

  bool operator==(const Duration & rhs) const {return ns_ == rhs.ns_;}
  bool operator!=(const Duration & rhs) const {return ns_ != rhs.ns_;}
  bool operator<(const Duration & rhs) const {return ns_ < rhs.ns_;}
  bool operator<=(const Duration & rhs) const {return ns_ <= rhs.ns_;}
  bool operator>(const Duration & rhs) const {return ns_ > rhs.ns_;}
  bool operator>=(const Duration & rhs) const {return ns_ >= rhs.ns_;}
  Duration operator+(const Duration & rhs) const;
  Duration operator-(const Duration & rhs) const;
  Duration operator*(double scale) const;
  Duration & operator+=(const Duration & rhs);
  Duration & operator-=(const Duration & rhs);

  /// The largest representable duration.
  static Duration max();

  /// Duration from a number of seconds.
  static Duration from_seconds(double seconds);
  /// Duration from a number of nanoseconds.
  static Duration from_nanoseconds(rcl_duration_value_t nanoseconds);

  rcl_duration_value_t nanoseconds() const {return ns_;}
  double seconds() const;

  template<class DurationT>
  DurationT to_chrono() const
  {
    return std::chrono::duration_cast<DurationT>(std::chrono::nanoseconds(ns_));
  }

private:
  rcl_duration_value_t ns_;
};

}  // namespace rclcpp

#endif  // RCLCPP__DURATION_HPP_
