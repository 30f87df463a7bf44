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

#ifndef RCLCPP__UTILITIES_HPP_
#define RCLCPP__UTILITIES_HPP_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "rclcpp/context.hpp"
#include "rclcpp/init_options.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Which signals rclcpp handles: the handlers shut every context down.
enum class SignalHandlerOptions
{
  All,
  SigInt,
  SigTerm,
  None,
};

/// Initialises the global default context and installs the signal handlers.
RCLCPP_PUBLIC
void init(
  int argc, char const * const * argv, const InitOptions & init_options = InitOptions(),
  SignalHandlerOptions signal_handler_options = SignalHandlerOptions::All);

/// Installs the SIGINT/SIGTERM handlers. \return false when they were installed already.
RCLCPP_PUBLIC
bool install_signal_handlers(SignalHandlerOptions signal_handler_options = SignalHandlerOptions::All);

RCLCPP_PUBLIC
bool signal_handlers_installed();

RCLCPP_PUBLIC
SignalHandlerOptions get_current_signal_handler_options();

/// Restores the handlers that were there before. \return false when none were installed.
RCLCPP_PUBLIC
bool uninstall_signal_handlers();

/// init, then the arguments without the ROS ones.
RCLCPP_PUBLIC
std::vector<std::string> init_and_remove_ros_arguments(
  int argc, char const * const * argv, const InitOptions & init_options = InitOptions());

/// The arguments without the ROS sections; throws on malformed ROS arguments.
RCLCPP_PUBLIC
std::vector<std::string> remove_ros_arguments(int argc, char const * const * argv);

/// True while the context (the global default one when null) is valid.
RCLCPP_PUBLIC
bool ok(rclcpp::Context::SharedPtr context = nullptr);

/// Shuts the context (the global default one when null) down.
RCLCPP_PUBLIC
bool shutdown(
  rclcpp::Context::SharedPtr context = nullptr,
  const std::string & reason = "user called rclcpp::shutdown()");

/// Runs the callback when the context (the global default one when null) shuts down.
RCLCPP_PUBLIC
void on_shutdown(std::function<void()> callback, rclcpp::Context::SharedPtr context = nullptr);

/// Sleeps, ending early at shutdown. \return true when the whole time passed.
RCLCPP_PUBLIC
bool sleep_for(
  const std::chrono::nanoseconds & nanoseconds, rclcpp::Context::SharedPtr context = nullptr);

}  // namespace rclcpp

#endif  // RCLCPP__UTILITIES_HPP_
