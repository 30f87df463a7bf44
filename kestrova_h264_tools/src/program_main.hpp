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

// The entry point the tools share: one node, spun until ROS 2 shuts down, then finished.

#ifndef PROGRAM_MAIN_HPP_
#define PROGRAM_MAIN_HPP_

#include <exception>
#include <memory>

#include "rclcpp/rclcpp.hpp"

namespace kestrova_h264_tools
{

/// Initialises rclcpp (with its SIGINT/SIGTERM handlers), constructs a `NodeT`, spins it until
/// ROS 2 shuts down and then calls its `bool Finish()`. Returns the exit status: 0 when Finish()
/// succeeds, 1 when it fails or when start-up throws; a start-up exception is reported as one
/// FATAL line on the logger `name`.
template<typename NodeT>
int RunProgram(int argc, char ** argv, const char * name)
{
  int status = 0;
  try {
    rclcpp::init(argc, argv);
    auto node = std::make_shared<NodeT>();
    rclcpp::spin(node);
    status = node->Finish() ? 0 : 1;
  } catch (const std::exception & e) {
    RCLCPP_FATAL(rclcpp::get_logger(name), "%s", e.what());
    status = 1;
  }
  rclcpp::shutdown();
  return status;
}

}  // namespace kestrova_h264_tools

#endif  // PROGRAM_MAIN_HPP_
