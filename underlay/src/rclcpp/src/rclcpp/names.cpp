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

#include "rclcpp/detail/names.hpp"

#include <string>

#include "rclcpp/exceptions/exceptions.hpp"

namespace rclcpp
{
namespace detail
{

namespace
{

bool is_alnum(char c)
{
  // ASCII only, independent of the locale.
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_digit(char c)
{
  return c >= '0' && c <= '9';
}

NameCheck invalid(const char * reason, size_t index)
{
  NameCheck check;
  check.reason = reason;
  check.invalid_index = index;
  return check;
}

// Result codes of the fully qualified topic check, shared with the namespace check which maps
// them to its own texts.
enum class FullTopicResult
{
  valid, empty, not_absolute, ends_with_slash, unallowed_characters, repeated_slash,
  token_starts_with_number, too_long
};

FullTopicResult full_topic_result(const std::string & name, size_t & index)
{
  const size_t length = name.size();
  if (length == 0) {
    index = 0;
    return FullTopicResult::empty;
  }
  if (name[0] != '/') {
    index = 0;
    return FullTopicResult::not_absolute;
  }
  if (name[length - 1] == '/') {
    index = length - 1;
    return FullTopicResult::ends_with_slash;
  }
  for (size_t i = 0; i < length; ++i) {
    if (!is_alnum(name[i]) && name[i] != '_' && name[i] != '/') {
      index = i;
      return FullTopicResult::unallowed_characters;
    }
  }
  for (size_t i = 0; i + 1 < length; ++i) {
    if (name[i] == '/') {
      if (name[i + 1] == '/') {
        index = i + 1;
        return FullTopicResult::repeated_slash;
      }
      if (is_digit(name[i + 1])) {
        index = i + 1;
        return FullTopicResult::token_starts_with_number;
      }
    }
  }
  // Length is checked last: the other faults are reported first.
  if (length > TOPIC_MAX_NAME_LENGTH) {
    index = TOPIC_MAX_NAME_LENGTH - 1;
    return FullTopicResult::too_long;
  }
  return FullTopicResult::valid;
}

}  // namespace

NameCheck check_node_name(const std::string & node_name)
{
  if (node_name.empty()) {
    return invalid("node name must not be empty", 0);
  }
  for (size_t i = 0; i < node_name.size(); ++i) {
    if (!is_alnum(node_name[i]) && node_name[i] != '_') {
      return invalid("node name must not contain characters other than alphanumerics or '_'", i);
    }
  }
  if (is_digit(node_name[0])) {
    return invalid("node name must not start with a number", 0);
  }
  if (node_name.size() > NODE_NAME_MAX_LENGTH) {
    // rmw prints its length macro here, hence the literal number.
    return invalid("node name length should not exceed '255'", NODE_NAME_MAX_LENGTH - 1);
  }
  return NameCheck();
}

NameCheck check_full_topic_name(const std::string & topic_name)
{
  size_t index = 0;
  switch (full_topic_result(topic_name, index)) {
    case FullTopicResult::valid:
      return NameCheck();
    case FullTopicResult::empty:
      return invalid("topic name must not be empty", index);
    case FullTopicResult::not_absolute:
      return invalid("topic name must be absolute, it must lead with a '/'", index);
    case FullTopicResult::ends_with_slash:
      return invalid("topic name must not end with a '/'", index);
    case FullTopicResult::unallowed_characters:
      return invalid(
        "topic name must not contain characters other than alphanumerics, '_', or '/'", index);
    case FullTopicResult::repeated_slash:
      return invalid("topic name must not contain repeated '/'", index);
    case FullTopicResult::token_starts_with_number:
      return invalid("topic name must not have a token that starts with a number", index);
    case FullTopicResult::too_long:
      // rmw stringifies its length macro, whose definition is "255U - 8U".
      return invalid("topic length should not exceed '255U - 8U'", index);
  }
  return NameCheck();
}

NameCheck check_namespace(const std::string & namespace_)
{
  if (namespace_ == "/") {
    return NameCheck();
  }
  size_t index = 0;
  switch (full_topic_result(namespace_, index)) {
    case FullTopicResult::valid:
    case FullTopicResult::too_long:
      // The namespace has its own, shorter, limit below.
      break;
    case FullTopicResult::empty:
      return invalid("namespace must not be empty", index);
    case FullTopicResult::not_absolute:
      return invalid("namespace must be absolute, it must lead with a '/'", index);
    case FullTopicResult::ends_with_slash:
      return invalid("namespace must not end with a '/', unless only a '/'", index);
    case FullTopicResult::unallowed_characters:
      return invalid(
        "namespace must not contain characters other than alphanumerics, '_', or '/'", index);
    case FullTopicResult::repeated_slash:
      return invalid("namespace must not contain repeated '/'", index);
    case FullTopicResult::token_starts_with_number:
      return invalid("namespace must not have a token that starts with a number", index);
  }
  if (namespace_.size() > NAMESPACE_MAX_LENGTH) {
    // rmw stringifies an undefined macro name here; ROS 2 prints exactly this.
    return invalid(
      "namespace should not exceed 'RMW_NAMESPACE_MAX_NAME_LENGTH'", NAMESPACE_MAX_LENGTH - 1);
  }
  return NameCheck();
}

NameCheck check_topic_name(const std::string & topic_name)
{
  const size_t length = topic_name.size();
  if (length == 0) {
    return invalid("topic name must not be empty string", 0);
  }
  if (is_digit(topic_name[0])) {
    return invalid("topic name token must not start with a number", 0);
  }
  if (topic_name[length - 1] == '/') {
    return invalid("topic name must not end with a forward slash", length - 1);
  }
  static const char * const substitution_characters =
    "substitution name must not contain characters other than alphanumerics or '_'";
  bool in_braces = false;
  size_t opening_brace = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = topic_name[i];
    if (is_alnum(c)) {
      if (is_digit(c) && in_braces && i > 0 && i - 1 == opening_brace) {
        return invalid("substitution name must not start with a number", i);
      }
    } else if (c == '_') {
      continue;
    } else if (c == '/') {
      if (in_braces) {
        return invalid(substitution_characters, i);
      }
    } else if (c == '~') {
      if (i != 0) {
        return invalid("topic name must not have tilde '~' unless it is the first character", i);
      }
    } else if (c == '{') {
      opening_brace = i;
      if (in_braces) {
        return invalid(substitution_characters, i);
      }
      in_braces = true;
    } else if (c == '}') {
      if (!in_braces) {
        return invalid("topic name must not have unmatched (unbalanced) curly braces '{}'", i);
      }
      in_braces = false;
    } else {
      if (in_braces) {
        return invalid(substitution_characters, i);
      }
      return invalid(
        "topic name must not contain characters other than alphanumerics, '_', '~', '{', or '}'",
        i);
    }
  }
  if (in_braces) {
    return invalid(
      "topic name must not have unmatched (unbalanced) curly braces '{}'", opening_brace);
  }
  for (size_t i = 0; i + 1 < length; ++i) {
    if (topic_name[i] == '/') {
      if (is_digit(topic_name[i + 1])) {
        return invalid("topic name token must not start with a number", i + 1);
      }
    } else if (i == 1 && topic_name[0] == '~') {
      return invalid(
        "topic name must not have a tilde '~' that is not followed by a forward slash '/'", 1);
    }
  }
  return NameCheck();
}

void validate_node_name(const std::string & node_name)
{
  const NameCheck check = check_node_name(node_name);
  if (!check.valid()) {
    throw rclcpp::exceptions::InvalidNodeNameError(
            node_name.c_str(), check.reason, check.invalid_index);
  }
}

void validate_namespace(const std::string & namespace_)
{
  const NameCheck check = check_namespace(namespace_);
  if (!check.valid()) {
    throw rclcpp::exceptions::InvalidNamespaceError(
            namespace_.c_str(), check.reason, check.invalid_index);
  }
}

std::string normalize_namespace(const std::string & namespace_)
{
  if (namespace_.empty()) {
    return "/";
  }
  if (namespace_[0] != '/') {
    return "/" + namespace_;
  }
  return namespace_;
}

std::string fully_qualified_name(const std::string & namespace_, const std::string & node_name)
{
  if (namespace_ == "/" || namespace_.empty()) {
    return "/" + node_name;
  }
  return namespace_ + "/" + node_name;
}

}  // namespace detail
}  // namespace rclcpp
