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

#include "rclcpp/exceptions/exceptions.hpp"

#include <string>
#include <utility>
#include <vector>

namespace rclcpp
{
namespace exceptions
{

std::string
NameValidationError::format_error(
  const char * name_type,
  const char * name,
  const char * error_msg,
  size_t invalid_index)
{
  std::string msg;
  msg += std::string("Invalid ") + name_type + ": " + error_msg + ":\n";
  msg += std::string("  '") + name + "'\n";
  msg += std::string("   ") + std::string(invalid_index, ' ') + "^\n";
  return msg;
}

RCLErrorBase::RCLErrorBase(
  int32_t ret_in, const std::string & message_in, const std::string & file_in, size_t line_in)
: ret(ret_in), message(message_in), file(file_in), line(line_in),
  formatted_message(message_in)
{
  if (!file.empty()) {
    formatted_message += ", at " + file + ":" + std::to_string(line);
  }
}

static std::string
with_prefix(const std::string & prefix, const std::string & text)
{
  // rclcpp joins a non-empty prefix and the rcl message with ": ".
  return prefix.empty() ? text : prefix + ": " + text;
}

RCLError::RCLError(int32_t ret, const std::string & message, const std::string & prefix)
: RCLError(RCLErrorBase(ret, message), prefix)
{}

RCLError::RCLError(const RCLErrorBase & base_exc, const std::string & prefix)
: RCLErrorBase(base_exc), std::runtime_error(with_prefix(prefix, base_exc.formatted_message))
{}

RCLBadAlloc::RCLBadAlloc(int32_t ret, const std::string & message)
: RCLBadAlloc(RCLErrorBase(ret, message))
{}

RCLBadAlloc::RCLBadAlloc(const RCLErrorBase & base_exc)
: RCLErrorBase(base_exc), std::bad_alloc()
{}

RCLInvalidArgument::RCLInvalidArgument(
  int32_t ret, const std::string & message, const std::string & prefix)
: RCLInvalidArgument(RCLErrorBase(ret, message), prefix)
{}

RCLInvalidArgument::RCLInvalidArgument(const RCLErrorBase & base_exc, const std::string & prefix)
: RCLErrorBase(base_exc), std::invalid_argument(with_prefix(prefix, base_exc.formatted_message))
{}

RCLInvalidROSArgsError::RCLInvalidROSArgsError(
  int32_t ret, const std::string & message, const std::string & prefix)
: RCLInvalidROSArgsError(RCLErrorBase(ret, message), prefix)
{}

RCLInvalidROSArgsError::RCLInvalidROSArgsError(
  const RCLErrorBase & base_exc, const std::string & prefix)
: RCLErrorBase(base_exc), std::runtime_error(with_prefix(prefix, base_exc.formatted_message))
{}

static std::string
join_quoted(const std::vector<std::string> & items)
{
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) {
      out += "', '";
    }
    out += items[i];
  }
  return out;
}

UnknownROSArgsError::UnknownROSArgsError(std::vector<std::string> && unknown_ros_args_in)
: std::runtime_error("found unknown ROS arguments: '" + join_quoted(unknown_ros_args_in) + "'"),
  unknown_ros_args(std::move(unknown_ros_args_in))
{}

}  // namespace exceptions
}  // namespace rclcpp
