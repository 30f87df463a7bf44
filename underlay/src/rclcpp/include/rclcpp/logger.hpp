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

#ifndef RCLCPP__LOGGER_HPP_
#define RCLCPP__LOGGER_HPP_

#include <memory>
#include <string>

#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// A named logger: the name the RCLCPP_* macros log under. Copies share the name.
class Logger
{
public:
  /// Severity levels, with rcutils' values.
  enum class RCLCPP_PUBLIC_TYPE Level
  {
    Unset = 0,
    Debug = 10,
    Info = 20,
    Warn = 30,
    Error = 40,
    Fatal = 50,
  };

  /// The logger's name, or nullptr for a dummy logger (which logs nothing).
  RCLCPP_PUBLIC
  const char * get_name() const;

  /// A child logger named "<name>.<suffix>".
  RCLCPP_PUBLIC
  Logger get_child(const std::string & suffix);

  /// Sets the level of this logger in rcutils.
  RCLCPP_PUBLIC
  void set_level(Level level);

  /// The level this logger logs at, taking its ancestors and the default into account.
  RCLCPP_PUBLIC
  Level get_effective_level() const;

private:
  friend Logger get_logger(const std::string & name);
  friend class Node;
  Logger() = default;
  explicit Logger(const std::string & name);

  std::shared_ptr<const std::string> name_;
};

/// The logger of the given name.
RCLCPP_PUBLIC
Logger get_logger(const std::string & name);

}  // namespace rclcpp

#endif  // RCLCPP__LOGGER_HPP_
