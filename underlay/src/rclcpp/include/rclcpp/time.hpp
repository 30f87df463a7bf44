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

#ifndef RCLCPP__TIME_HPP_
#define RCLCPP__TIME_HPP_

#include <cstdint>

#include "builtin_interfaces/msg/time.hpp"
#include "rcl/time.h"
#include "rclcpp/duration.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// A point in time of a given clock type, with nanosecond resolution.
class RCLCPP_PUBLIC Time
{
public:
  Time(int32_t seconds, uint32_t nanoseconds, rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);
  explicit Time(int64_t nanoseconds = 0, rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);
  // cppcheck-suppress noExplicitConstructor
  Time(
    const builtin_interfaces::msg::Time & time_msg,  // NOLINT(runtime/explicit)
    rcl_clock_type_t clock_type = RCL_ROS_TIME);
  Time(const Time & rhs) = default;
  Time & operator=(const Time & rhs) = default;
  Time & operator=(const builtin_interfaces::msg::Time & time_msg);

  operator builtin_interfaces::msg::Time() const;

  bool operator==(const Time & rhs) const;
  bool operator!=(const Time & rhs) const;
  bool operator<(const Time & rhs) const;
  bool operator<=(const Time & rhs) const;
  bool operator>(const Time & rhs) const;
  bool operator>=(const Time & rhs) const;
  Time operator+(const Duration & rhs) const;
  Duration operator-(const Time & rhs) const;
  Time operator-(const Duration & rhs) const;
  Time & operator+=(const Duration & rhs);
  Time & operator-=(const Duration & rhs);

  rcl_time_point_value_t nanoseconds() const {return ns_;}
  double seconds() const;
  rcl_clock_type_t get_clock_type() const {return clock_type_;}

  /// The largest representable time point.
  static Time max(rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);

private:
  void check_same_clock(const Time & rhs) const;

  rcl_time_point_value_t ns_;
  rcl_clock_type_t clock_type_;
};

RCLCPP_PUBLIC
Time operator+(const rclcpp::Duration & lhs, const rclcpp::Time & rhs);

}  // namespace rclcpp

#endif  // RCLCPP__TIME_HPP_
