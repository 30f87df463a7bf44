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

#include "rclcpp/logger.hpp"

#include <memory>
#include <stdexcept>
#include <string>

#include "rcutils/error_handling.h"
#include "rcutils/logging.h"

namespace rclcpp
{

Logger::Logger(const std::string & name)
: name_(std::make_shared<const std::string>(name)) {}

Logger get_logger(const std::string & name)
{
  return Logger(name);
}

const char * Logger::get_name() const
{
  return name_ ? name_->c_str() : nullptr;
}

Logger Logger::get_child(const std::string & suffix)
{
  if (!name_) {
    return Logger();
  }
  return Logger(*name_ + "." + suffix);
}

void Logger::set_level(Level level)
{
  if (!name_) {
    return;
  }
  if (rcutils_logging_set_logger_level(name_->c_str(), static_cast<int>(level)) != RCUTILS_RET_OK) {
    std::string error = rcutils_get_error_string().str;
    rcutils_reset_error();
    throw std::runtime_error("couldn't set logger level of '" + *name_ + "': " + error);
  }
}

Logger::Level Logger::get_effective_level() const
{
  const int level = rcutils_logging_get_logger_effective_level(name_ ? name_->c_str() : "");
  return static_cast<Level>(level < 0 ? 0 : level);
}

}  // namespace rclcpp
