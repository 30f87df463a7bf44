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

#ifndef RCL__TIME_H_
#define RCL__TIME_H_

#include <stdint.h>

// The clock types of rcl, which rclcpp's Clock and Time take. Only the types live here; the
// clocks themselves are rclcpp's.

#ifdef __cplusplus
extern "C"
{
#endif

/// Time point in nanoseconds since the clock's epoch.
typedef int64_t rcl_time_point_value_t;
/// Duration in nanoseconds.
typedef int64_t rcl_duration_value_t;

/// The kinds of clock.
typedef enum rcl_clock_type_e
{
  RCL_CLOCK_UNINITIALIZED = 0,
  RCL_ROS_TIME,
  RCL_SYSTEM_TIME,
  RCL_STEADY_TIME
} rcl_clock_type_t;

#ifdef __cplusplus
}
#endif

#endif  // RCL__TIME_H_
