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

#ifndef RCLCPP__VISIBILITY_CONTROL_HPP_
#define RCLCPP__VISIBILITY_CONTROL_HPP_

// Symbols of the library are visible by default on Linux; the macros exist so that code written
// for ROS 2 that uses them compiles unchanged.
#define RCLCPP_EXPORT __attribute__ ((visibility("default")))
#define RCLCPP_IMPORT
#define RCLCPP_PUBLIC RCLCPP_EXPORT
#define RCLCPP_LOCAL __attribute__ ((visibility("hidden")))
#define RCLCPP_PUBLIC_TYPE

#endif  // RCLCPP__VISIBILITY_CONTROL_HPP_
