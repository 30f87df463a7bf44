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

#ifndef RCLCPP__CLOCK_HPP_
#define RCLCPP__CLOCK_HPP_

#include "rcl/time.h"
#include "rclcpp/macros.hpp"
#include "rclcpp/time.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// A clock: ROS time (the system clock here, there being no simulated time), system time or
/// steady time.
class RCLCPP_PUBLIC Clock
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(Clock)

  explicit Clock(rcl_clock_type_t clock_type = RCL_SYSTEM_TIME);

  /// The current time of this clock.
  Time now() const;

  rcl_clock_type_t get_clock_type() const {return clock_type_;}

private:
  rcl_clock_type_t clock_type_;
};

}  // namespace rclcpp

#endif  // RCLCPP__CLOCK_HPP_
