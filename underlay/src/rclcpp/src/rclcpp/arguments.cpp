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

#include "rclcpp/detail/arguments.hpp"

#include <rcutils/allocator.h>
#include <rcutils/logging.h>
#include <rcutils/logging_macros.h>
#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/detail/expand_name.hpp"
#include "rclcpp/detail/names.hpp"
#include "rclcpp/exceptions/exceptions.hpp"
#include "rclcpp/expand_topic_or_service_name.hpp"

namespace rclcpp
{
namespace detail
{

namespace
{

// ---------------------------------------------------------------------------------------------
// Lexer for remap rules, parameter rules and logger rules (rcl's lexemes).
// The numeric values are rcl's, which its error messages print.
enum Lexeme
{
  LEX_NONE = 0,
  LEX_EOF = 1,
  LEX_TILDE_SLASH = 2,
  LEX_URL_SERVICE = 3,
  LEX_URL_TOPIC = 4,
  LEX_COLON = 5,
  LEX_NODE = 6,
  LEX_NS = 7,
  LEX_SEPARATOR = 8,
  LEX_BACKREF = 9,  // \1 .. \9 (rcl numbers them 9 to 17)
  LEX_TOKEN = 18,
  LEX_FORWARD_SLASH = 19,
  LEX_WILD_ONE = 20,
  LEX_WILD_MULTI = 21,
  LEX_DOT = 22,
};

bool is_alpha(char c) {return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');}
bool is_digit(char c) {return c >= '0' && c <= '9';}
bool is_alnum(char c) {return is_alpha(c) || is_digit(c);}

bool starts_with(const std::string & text, size_t pos, const char * prefix)
{
  return text.compare(pos, std::strlen(prefix), prefix) == 0;
}

// A token is [A-Za-z_] followed by alphanumerics, with no two '_' in a row: a second '_' ends
// the token after the first one.
size_t token_length(const std::string & text, size_t pos)
{
  size_t i = pos;
  if (text[i] == '_') {
    ++i;
  }
  while (i < text.size()) {
    if (is_alnum(text[i])) {
      ++i;
    } else if (text[i] == '_') {
      ++i;
      if (i >= text.size() || !is_alnum(text[i])) {
        break;
      }
    } else {
      break;
    }
  }
  return i - pos;
}

// Lexeme starting at pos and its length.
std::pair<Lexeme, size_t> lex(const std::string & text, size_t pos)
{
  if (pos >= text.size()) {
    return {LEX_EOF, 0};
  }
  const char c = text[pos];
  const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
  switch (c) {
    case '/':
      return {LEX_FORWARD_SLASH, 1};
    case '.':
      return {LEX_DOT, 1};
    case '\\':
      return (next >= '1' && next <= '9') ? std::make_pair(LEX_BACKREF, size_t(2)) :
             std::make_pair(LEX_NONE, size_t(1));
    case '~':
      return next == '/' ? std::make_pair(LEX_TILDE_SLASH, size_t(2)) :
             std::make_pair(LEX_NONE, size_t(1));
    case '*':
      return next == '*' ? std::make_pair(LEX_WILD_MULTI, size_t(2)) :
             std::make_pair(LEX_WILD_ONE, size_t(1));
    case ':':
      return next == '=' ? std::make_pair(LEX_SEPARATOR, size_t(2)) :
             std::make_pair(LEX_COLON, size_t(1));
    default:
      break;
  }
  if (c == '_' && next == '_') {
    if (starts_with(text, pos, "__ns")) {
      return {LEX_NS, 4};
    }
    if (starts_with(text, pos, "__node") || starts_with(text, pos, "__name")) {
      return {LEX_NODE, 6};
    }
    return {LEX_NONE, 1};
  }
  if (starts_with(text, pos, "rostopic://")) {
    return {LEX_URL_TOPIC, 11};
  }
  if (starts_with(text, pos, "rosservice://")) {
    return {LEX_URL_SERVICE, 13};
  }
  if (c == '_' || is_alpha(c)) {
    return {LEX_TOKEN, token_length(text, pos)};
  }
  return {LEX_NONE, 1};
}

// Recursive descent over the lexemes of one argument, as rcl's lookahead parser.
class LexCursor
{
public:
  explicit LexCursor(const std::string & text)
  : text_(text) {}

  Lexeme peek() const {return lex(text_, pos_).first;}

  Lexeme peek2() const
  {
    const auto first = lex(text_, pos_);
    return lex(text_, pos_ + first.second).first;
  }

  size_t position() const {return pos_;}

  std::string accept()
  {
    const auto current = lex(text_, pos_);
    std::string text = text_.substr(pos_, current.second);
    pos_ += current.second;
    return text;
  }

  // Accept the expected lexeme or fail with rcl's message.
  bool expect(Lexeme expected, std::string & error, std::string * text = nullptr)
  {
    const Lexeme actual = peek();
    if (actual != expected) {
      error = "Expected lexeme type (" + std::to_string(expected) + ") got (" +
        std::to_string(actual) + ") at " + std::to_string(pos_);
      return false;
    }
    std::string accepted = accept();
    if (text) {
      *text = accepted;
    }
    return true;
  }

  std::string rest() const {return text_.substr(pos_);}

private:
  const std::string & text_;
  size_t pos_ = 0;
};

// "name" / "/name" / "~/name" then ('/' token)* up to `until`; wildcards and back references are
// recognised but not implemented, as in rcl.
bool parse_name(
  LexCursor & cursor, Lexeme until, bool is_match, std::string & out, std::string & error)
{
  const size_t start = cursor.position();
  std::string text;
  if (cursor.peek() == LEX_TILDE_SLASH || cursor.peek() == LEX_FORWARD_SLASH) {
    text += cursor.accept();
  }
  for (;;) {
    const Lexeme lexeme = cursor.peek();
    if (lexeme == LEX_TOKEN) {
      text += cursor.accept();
    } else if (is_match && lexeme == LEX_WILD_ONE) {
      error = "Wildcard '*' is not implemented";
      return false;
    } else if (is_match && lexeme == LEX_WILD_MULTI) {
      error = "Wildcard '**' is not implemented";
      return false;
    } else if (!is_match && lexeme == LEX_BACKREF) {
      error = "Backreferences are not implemented";
      return false;
    } else {
      error = is_match ? "Expecting token or wildcard" :
        "Expected lexeme type (" + std::to_string(LEX_TOKEN) + ") got (" +
        std::to_string(lexeme) + ") at " + std::to_string(cursor.position());
      return false;
    }
    if (cursor.peek() == until) {
      break;
    }
    std::string slash;
    if (!cursor.expect(LEX_FORWARD_SLASH, error, &slash)) {
      return false;
    }
    text += slash;
  }
  (void)start;
  out = text;
  return true;
}

bool parse_remap_rule(const std::string & arg, RemapRule & rule, std::string & error)
{
  LexCursor cursor(arg);
  rule = RemapRule();
  if (cursor.peek() == LEX_TOKEN && cursor.peek2() == LEX_COLON) {
    rule.node_name_prefix = cursor.accept();
    cursor.accept();
  }
  const Lexeme first = cursor.peek();
  if (first == LEX_NODE) {
    cursor.accept();
    if (!cursor.expect(LEX_SEPARATOR, error)) {
      return false;
    }
    if (!cursor.expect(LEX_TOKEN, error, &rule.replacement)) {
      RCUTILS_LOG_WARN_NAMED(
        "rcl", "Node name not remapped to invalid name: '%s'", cursor.rest().c_str());
      return false;
    }
    rule.kind = RemapRule::node_name;
  } else if (first == LEX_NS) {
    cursor.accept();
    if (!cursor.expect(LEX_SEPARATOR, error)) {
      return false;
    }
    const std::string ns_text = cursor.rest();
    std::string ns;
    if (!cursor.expect(LEX_FORWARD_SLASH, error, &ns)) {
      RCUTILS_LOG_WARN_NAMED(
        "rcl", "Namespace not remapped to a fully qualified name (found: %s)", ns_text.c_str());
      return false;
    }
    // Tokens separated by '/', a trailing '/' tolerated.
    while (cursor.peek() == LEX_TOKEN) {
      ns += cursor.accept();
      if (cursor.peek() != LEX_FORWARD_SLASH) {
        break;
      }
      ns += cursor.accept();
    }
    if (cursor.peek() != LEX_EOF) {
      RCUTILS_LOG_WARN_NAMED(
        "rcl", "Namespace not remapped to a fully qualified name (found: %s)", ns_text.c_str());
      cursor.expect(LEX_EOF, error);
      return false;
    }
    if (ns.size() > 1 && ns.back() == '/') {
      ns.pop_back();
    }
    rule.replacement = ns;
    rule.kind = RemapRule::node_namespace;
  } else {
    rule.kind = RemapRule::topic_or_service;
    if (first == LEX_URL_SERVICE) {
      rule.kind = RemapRule::service;
      cursor.accept();
    } else if (first == LEX_URL_TOPIC) {
      rule.kind = RemapRule::topic;
      cursor.accept();
    }
    if (!parse_name(cursor, LEX_SEPARATOR, true, rule.match, error)) {
      return false;
    }
    if (!cursor.expect(LEX_SEPARATOR, error)) {
      return false;
    }
    if (!parse_name(cursor, LEX_EOF, false, rule.replacement, error)) {
      return false;
    }
  }
  return cursor.expect(LEX_EOF, error);
}

// ---------------------------------------------------------------------------------------------
// YAML values, typed as rcl_yaml_param_parser types them.

// Typing of a plain (unquoted) scalar: YAML 1.1 booleans, then an integer (strtol, base 0),
// then a double (strtod and the YAML forms of nan and inf), else a string.
rclcpp::ParameterValue typed_scalar(const std::string & value, bool quoted)
{
  if (quoted) {
    return rclcpp::ParameterValue(value);
  }
  static const char * const true_forms[] = {
    "Y", "y", "yes", "Yes", "YES", "true", "True", "TRUE", "on", "On", "ON"};
  static const char * const false_forms[] = {
    "N", "n", "no", "No", "NO", "false", "False", "FALSE", "off", "Off", "OFF"};
  for (const char * form : true_forms) {
    if (value == form) {
      return rclcpp::ParameterValue(true);
    }
  }
  for (const char * form : false_forms) {
    if (value == form) {
      return rclcpp::ParameterValue(false);
    }
  }
  const char * text = value.c_str();
  if (!value.empty()) {
    char * end = nullptr;
    errno = 0;
    const long long integer = std::strtoll(text, &end, 0);  // NOLINT(runtime/int)
    if (errno == 0 && end != text && *end == '\0') {
      return rclcpp::ParameterValue(static_cast<int64_t>(integer));
    }
    static const char * const special_forms[] = {
      ".nan", ".NaN", ".NAN", ".inf", ".Inf", ".INF", "+.inf", "+.Inf", "+.INF",
      "-.inf", "-.Inf", "-.INF"};
    bool special = false;
    for (const char * form : special_forms) {
      if (value == form) {
        special = true;
      }
    }
    errno = 0;
    end = nullptr;
    double number = 0.0;
    const char * start = text;
    if (special) {
      while (!is_alpha(*start)) {
        ++start;
      }
      number = std::strtod(start, &end);
      if (value[0] == '-') {
        number = -number;
      }
    } else {
      number = std::strtod(text, &end);
    }
    if (errno == 0 && end != start && *end == '\0') {
      return rclcpp::ParameterValue(number);
    }
  }
  return rclcpp::ParameterValue(value);
}

const char * type_word(rclcpp::ParameterType type)
{
  switch (type) {
    case rclcpp::PARAMETER_BOOL: return "bool";
    case rclcpp::PARAMETER_INTEGER: return "integer";
    case rclcpp::PARAMETER_DOUBLE: return "double";
    default: return "string";
  }
}

// The text of a null scalar ("~", "null", "Null", "NULL", or nothing) at a position of the
// source; rcl keeps the written text of such a scalar as a string.
std::string null_text(const std::string & source, int pos)
{
  if (pos < 0 || static_cast<size_t>(pos) >= source.size()) {
    return "";
  }
  size_t end = static_cast<size_t>(pos);
  while (end < source.size() && std::strchr(" \t\r\n,]}#:", source[end]) == nullptr) {
    ++end;
  }
  const std::string word = source.substr(static_cast<size_t>(pos), end - pos);
  if (word == "~" || word == "null" || word == "Null" || word == "NULL") {
    return word;
  }
  return "";
}

bool is_quoted(const YAML::Node & node)
{
  // yaml-cpp tags every non-plain (quoted or block) scalar "!".
  return node.Tag() == "!";
}

// A YAML value: a scalar or a sequence of scalars of one type. source is the text the node was
// read from (to recover null scalars).
bool yaml_to_value(
  const YAML::Node & node, const std::string & source, rclcpp::ParameterValue & out,
  std::string & error)
{
  const int line = node.Mark().line + 1;
  if (node.IsScalar() || node.IsNull()) {
    std::string text = node.IsNull() ? null_text(source, node.Mark().pos) : node.Scalar();
    if (text.empty() && !is_quoted(node)) {
      error = "No value at line " + std::to_string(line);
      return false;
    }
    out = typed_scalar(text, is_quoted(node));
    return true;
  }
  if (node.IsSequence()) {
    if (node.size() == 0) {
      error = "No value set for the sequence at line " + std::to_string(line);
      return false;
    }
    std::vector<rclcpp::ParameterValue> items;
    rclcpp::ParameterType sequence_type = rclcpp::PARAMETER_NOT_SET;
    for (const auto & element : node) {
      const int element_line = element.Mark().line + 1;
      if (!(element.IsScalar() || element.IsNull())) {
        error = "Sequences can only hold scalar values. Error at line " +
          std::to_string(element_line);
        return false;
      }
      rclcpp::ParameterValue item;
      if (!yaml_to_value(element, source, item, error)) {
        return false;
      }
      if (sequence_type == rclcpp::PARAMETER_NOT_SET) {
        sequence_type = item.get_type();
      } else if (item.get_type() != sequence_type) {
        error = std::string("Sequence should be of same type. Value type '") +
          type_word(item.get_type()) + "' do not belong at line_num " +
          std::to_string(element_line);
        return false;
      }
      items.push_back(item);
    }
    switch (sequence_type) {
      case rclcpp::PARAMETER_BOOL:
        {
          std::vector<bool> values;
          for (const auto & item : items) {values.push_back(item.get<bool>());}
          out = rclcpp::ParameterValue(values);
          break;
        }
      case rclcpp::PARAMETER_INTEGER:
        {
          std::vector<int64_t> values;
          for (const auto & item : items) {values.push_back(item.get<int64_t>());}
          out = rclcpp::ParameterValue(values);
          break;
        }
      case rclcpp::PARAMETER_DOUBLE:
        {
          std::vector<double> values;
          for (const auto & item : items) {values.push_back(item.get<double>());}
          out = rclcpp::ParameterValue(values);
          break;
        }
      default:
        {
          std::vector<std::string> values;
          for (const auto & item : items) {values.push_back(item.get<std::string>());}
          out = rclcpp::ParameterValue(values);
          break;
        }
    }
    return true;
  }
  error = "Unknown YAML event at line " + std::to_string(line);
  return false;
}

void store_parameter(
  std::vector<ParameterNodeEntry> & entries, const std::string & node_key,
  const std::string & name, const rclcpp::ParameterValue & value)
{
  ParameterNodeEntry * entry = nullptr;
  for (auto & candidate : entries) {
    if (candidate.node_key == node_key) {
      entry = &candidate;
      break;
    }
  }
  if (entry == nullptr) {
    entries.push_back(ParameterNodeEntry{node_key, {}});
    entry = &entries.back();
  }
  for (auto & parameter : entry->parameters) {
    if (parameter.first == name) {
      parameter.second = value;
      return;
    }
  }
  entry->parameters.emplace_back(name, value);
}

// "[node:]name:=value"
bool parse_param_rule(
  const std::string & arg, std::vector<ParameterNodeEntry> & entries, std::string & error)
{
  LexCursor cursor(arg);
  std::string node_key = "/**";
  if (cursor.peek() == LEX_TOKEN && cursor.peek2() == LEX_COLON) {
    node_key = cursor.accept();
    cursor.accept();
  }
  // Parameter name: runs of tokens and '/', joined by '.'.
  std::string name;
  for (;;) {
    Lexeme lexeme = cursor.peek();
    if (lexeme != LEX_TOKEN && lexeme != LEX_FORWARD_SLASH) {
      if (lexeme == LEX_WILD_ONE) {
        error = "Wildcard '*' is not implemented";
      } else if (lexeme == LEX_WILD_MULTI) {
        error = "Wildcard '**' is not implemented";
      } else {
        error = "Expecting token or wildcard";
      }
      return false;
    }
    while (cursor.peek() == LEX_TOKEN || cursor.peek() == LEX_FORWARD_SLASH) {
      name += cursor.accept();
    }
    if (cursor.peek() == LEX_SEPARATOR) {
      break;
    }
    std::string dot;
    if (!cursor.expect(LEX_DOT, error, &dot)) {
      return false;
    }
    name += dot;
  }
  cursor.accept();  // ":="
  const std::string yaml_value = cursor.rest();
  if (yaml_value.empty()) {
    error = "No value given for parameter '" + name + "'";
    return false;
  }
  rclcpp::ParameterValue value;
  try {
    const YAML::Node node = YAML::Load(yaml_value);
    if (node.IsNull()) {
      value = typed_scalar(null_text(yaml_value, 0), false);
      if (null_text(yaml_value, 0).empty()) {
        error = "No value at line 1";
        return false;
      }
    } else if (!yaml_to_value(node, yaml_value, value, error)) {
      return false;
    }
  } catch (const YAML::Exception &) {
    error = "Error parsing an event";
    return false;
  }
  store_parameter(entries, node_key, name, value);
  return true;
}

// rcl's check of a node key of a parameter file: "/**", or [namespace/]name where the
// namespace may be "/**" and the name may be "*".
bool check_node_key(const std::string & key, std::string & error)
{
  if (key == "/**") {
    return true;
  }
  const size_t separator = key.rfind('/');
  std::string node_name = key;
  if (separator != std::string::npos) {
    std::string ns = key.substr(0, separator);
    if (ns.empty() || ns[0] != '/') {
      ns = "/" + ns;
    }
    node_name = key.substr(separator + 1);
    if (ns != "/**") {
      const NameCheck check = check_namespace(ns);
      if (!check.valid()) {
        error = check.reason;
        return false;
      }
    }
  }
  if (node_name != "*") {
    const NameCheck check = check_node_name(node_name);
    if (!check.valid()) {
      error = check.reason;
      return false;
    }
  }
  return true;
}

const char * const PARAMS_KEY = "ros__parameters";

bool parse_params_map(
  const YAML::Node & map, const std::string & prefix, const std::string & node_key,
  const std::string & source, std::vector<ParameterNodeEntry> & entries, std::string & error)
{
  for (auto it = map.begin(); it != map.end(); ++it) {
    const std::string key = it->first.Scalar();
    const int line = it->first.Mark().line + 1;
    if (key.empty()) {
      error = "No key at line " + std::to_string(line);
      return false;
    }
    const std::string name = prefix.empty() ? key : prefix + "." + key;
    const YAML::Node & value = it->second;
    if (value.IsMap()) {
      if (!parse_params_map(value, name, node_key, source, entries, error)) {
        return false;
      }
      continue;
    }
    rclcpp::ParameterValue parameter_value;
    if (!yaml_to_value(value, source, parameter_value, error)) {
      return false;
    }
    store_parameter(entries, node_key, name, parameter_value);
  }
  return true;
}

bool parse_node_level(
  const YAML::Node & map, const std::string & node_ns, const std::string & source,
  std::vector<ParameterNodeEntry> & entries, std::string & error)
{
  for (auto it = map.begin(); it != map.end(); ++it) {
    if (!it->first.IsScalar()) {
      error = "Sequences cannot be key at line " + std::to_string(it->first.Mark().line + 1);
      return false;
    }
    const std::string key = it->first.Scalar();
    const int line = it->first.Mark().line + 1;
    const YAML::Node & value = it->second;
    if (key.compare(0, std::strlen(PARAMS_KEY), PARAMS_KEY) == 0) {
      if (node_ns.empty()) {
        error = std::string("There are no node names before ") + PARAMS_KEY + " at line " +
          std::to_string(line);
        return false;
      }
      if (!check_node_key(node_ns, error)) {
        return false;
      }
      if (value.IsMap()) {
        if (!parse_params_map(value, "", node_ns, source, entries, error)) {
          return false;
        }
      } else if (!value.IsNull()) {
        error = std::string("Cannot have a value before ") + PARAMS_KEY + " at line " +
          std::to_string(value.Mark().line + 1);
        return false;
      }
      continue;
    }
    if (key.empty()) {
      error = "No key at line " + std::to_string(line);
      return false;
    }
    // Keys above ros__parameters build up the node name, joined with '/'.
    std::string child_ns = key;
    if (!node_ns.empty()) {
      child_ns = node_ns.back() == '/' ? node_ns + key : node_ns + "/" + key;
    }
    if (value.IsMap()) {
      if (!parse_node_level(value, child_ns, source, entries, error)) {
        return false;
      }
    } else if (value.IsSequence()) {
      error = "Sequences can only be values and not keys in params. Error at line " +
        std::to_string(value.Mark().line + 1);
      return false;
    } else {
      error = std::string("Cannot have a value before ") + PARAMS_KEY + " at line " +
        std::to_string(value.Mark().line + 1);
      return false;
    }
  }
  return true;
}

bool parse_params_file(
  const std::string & path, std::vector<ParameterNodeEntry> & entries, std::string & error)
{
  std::ifstream file(path);
  if (!file) {
    error = "Error opening YAML file";
    return false;
  }
  std::stringstream content;
  content << file.rdbuf();
  const std::string source = content.str();
  YAML::Node root;
  try {
    root = YAML::Load(source);
  } catch (const YAML::ParserException & e) {
    error = "Error parsing a event near line " + std::to_string(e.mark.line + 1);
    return false;
  } catch (const YAML::Exception & e) {
    error = e.what();
    return false;
  }
  if (root.IsNull()) {
    return true;  // an empty file sets nothing
  }
  if (!root.IsMap()) {
    error = "Cannot have a value before " + std::string(PARAMS_KEY) + " at line " +
      std::to_string(root.Mark().line + 1);
    return false;
  }
  // Parse into a copy so that a faulty file changes nothing.
  std::vector<ParameterNodeEntry> staged = entries;
  if (!parse_node_level(root, "", source, staged, error)) {
    return false;
  }
  entries = std::move(staged);
  return true;
}

// "--log-level LEVEL" or "--log-level logger:=LEVEL".
bool parse_log_level(
  const std::string & arg, std::optional<int> & default_level,
  std::vector<std::pair<std::string, int>> & logger_levels, std::string & error)
{
  const rcutils_allocator_t allocator = rcutils_get_default_allocator();
  const size_t separator = arg.find(":=");
  if (separator == std::string::npos) {
    int level = 0;
    if (rcutils_logging_severity_level_from_string(arg.c_str(), allocator, &level) !=
      RCUTILS_RET_OK)
    {
      error = "Argument does not use a valid severity level";
      return false;
    }
    default_level = level;
    return true;
  }
  const std::string logger = arg.substr(0, separator);
  if (logger.empty()) {
    error = "Argument has an invalid logger item that name is empty";
    return false;
  }
  const std::string level_text = arg.substr(separator + 2);
  const auto level_lexeme = lex(level_text, 0);
  if (level_lexeme.first != LEX_TOKEN || level_lexeme.second != level_text.size()) {
    error = "Expected lexeme type (" + std::to_string(LEX_TOKEN) + ") got (" +
      std::to_string(level_lexeme.first) + ") at " + std::to_string(separator + 2);
    return false;
  }
  int level = 0;
  if (rcutils_logging_severity_level_from_string(level_text.c_str(), allocator, &level) !=
    RCUTILS_RET_OK)
  {
    error = "Argument does not use a valid severity level";
    return false;
  }
  for (auto & setting : logger_levels) {
    if (setting.first == logger) {
      setting.second = level;
      return true;
    }
  }
  logger_levels.emplace_back(logger, level);
  return true;
}

// "--enable-<suffix>" / "--disable-<suffix>"
bool parse_disabling_flag(const std::string & arg, const char * suffix, bool & disabled)
{
  if (arg == std::string("--enable-") + suffix) {
    disabled = false;
    return true;
  }
  if (arg == std::string("--disable-") + suffix) {
    disabled = true;
    return true;
  }
  return false;
}

bool matches_node_prefix(const RemapRule & rule, const std::string & node_name)
{
  return rule.node_name_prefix.empty() || rule.node_name_prefix == node_name;
}

}  // namespace

class ArgumentsParser
{
public:
  static Arguments parse(const std::vector<std::string> & args, const std::string & prefix)
  {
    Arguments out;
    auto fail = [&prefix](const std::string & message) {
        throw rclcpp::exceptions::RCLInvalidROSArgsError(
                rclcpp::exceptions::RCL_RET_INVALID_ROS_ARGS_CODE, message, prefix);
      };
    bool in_ros_section = false;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string & arg = args[i];
      const bool has_value = i + 1 < args.size();
      const std::string value = has_value ? args[i + 1] : std::string();
      std::string error;
      if (!in_ros_section) {
        if (arg == "--ros-args") {
          in_ros_section = true;
          continue;
        }
        // A bare remap rule outside a ROS section is still taken, with a warning.
        RemapRule rule;
        std::string ignored;
        if (parse_remap_rule(arg, rule, ignored)) {
          RCUTILS_LOG_WARN_NAMED(
            "rcl", "Found remap rule '%s'. This syntax is deprecated. Use '--ros-args "
            "--remap %s' instead.", arg.c_str(), arg.c_str());
          out.remap_rules_.push_back(rule);
          continue;
        }
        out.non_ros_arguments_.push_back(arg);
        continue;
      }
      if (arg == "--ros-args") {
        continue;
      }
      if (arg == "--") {
        in_ros_section = false;
        continue;
      }
      if (arg == "-p" || arg == "--param") {
        if (!has_value) {
          fail("Couldn't parse trailing " + arg + " flag. No parameter override rule found.");
        }
        if (!parse_param_rule(value, out.parameter_entries_, error)) {
          fail("Couldn't parse parameter override rule: '" + arg + " " + value + "'. Error: " +
            error);
        }
        ++i;
        continue;
      }
      if (arg == "-r" || arg == "--remap") {
        if (!has_value) {
          fail("Couldn't parse trailing " + arg + " flag. No remap rule found.");
        }
        RemapRule rule;
        if (!parse_remap_rule(value, rule, error)) {
          fail("Couldn't parse remap rule: '" + arg + " " + value + "'. Error: " + error);
        }
        out.remap_rules_.push_back(rule);
        ++i;
        continue;
      }
      if (arg == "--params-file") {
        if (!has_value) {
          fail("Couldn't parse trailing " + arg + " flag. No file path provided.");
        }
        if (!parse_params_file(value, out.parameter_entries_, error)) {
          fail("Couldn't parse params file: '" + arg + " " + value + "'. Error: " + error);
        }
        out.parameter_files_.push_back(value);
        ++i;
        continue;
      }
      if (arg == "--log-level") {
        if (!has_value) {
          fail("Couldn't parse trailing log level flag: '" + arg + "'. No log level provided.");
        }
        if (!parse_log_level(value, out.default_log_level_, out.logger_log_levels_, error)) {
          fail("Couldn't parse log level: '" + arg + " " + value + "'. Error: " + error);
        }
        ++i;
        continue;
      }
      if (arg == "--log-config-file") {
        if (!has_value) {
          fail("Couldn't parse trailing " + arg + " flag. No file path provided.");
        }
        out.log_config_file_ = value;
        ++i;
        continue;
      }
      if (arg == "-e" || arg == "--enclave") {
        if (!has_value) {
          fail("Couldn't parse trailing " + arg + " flag. No enclave path provided.");
        }
        out.enclave_ = value;
        ++i;
        continue;
      }
      if (parse_disabling_flag(arg, "stdout-logs", out.log_stdout_disabled_) ||
        parse_disabling_flag(arg, "rosout-logs", out.log_rosout_disabled_) ||
        parse_disabling_flag(arg, "external-lib-logs", out.log_ext_lib_disabled_))
      {
        continue;
      }
      out.unknown_ros_arguments_.push_back(arg);
    }
    return out;
  }
};

Arguments
Arguments::parse(const std::vector<std::string> & args, const std::string & error_prefix)
{
  return ArgumentsParser::parse(args, error_prefix);
}

Arguments
Arguments::parse(int argc, char const * const * argv, const std::string & error_prefix)
{
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    args.emplace_back(argv[i] ? argv[i] : "");
  }
  return parse(args, error_prefix);
}

const std::vector<RemapRule> & Arguments::remap_rules() const {return remap_rules_;}
std::optional<int> Arguments::default_log_level() const {return default_log_level_;}
const std::vector<std::pair<std::string, int>> & Arguments::logger_log_levels() const
{
  return logger_log_levels_;
}
const std::vector<std::string> & Arguments::parameter_files() const {return parameter_files_;}
const std::vector<ParameterNodeEntry> & Arguments::parameter_entries() const
{
  return parameter_entries_;
}
const std::vector<std::string> & Arguments::non_ros_arguments() const
{
  return non_ros_arguments_;
}
const std::vector<std::string> & Arguments::unknown_ros_arguments() const
{
  return unknown_ros_arguments_;
}
const std::optional<std::string> & Arguments::enclave() const {return enclave_;}
const std::optional<std::string> & Arguments::log_config_file() const {return log_config_file_;}
bool Arguments::log_stdout_disabled() const {return log_stdout_disabled_;}
bool Arguments::log_rosout_disabled() const {return log_rosout_disabled_;}
bool Arguments::log_ext_lib_disabled() const {return log_ext_lib_disabled_;}

void Arguments::throw_if_unknown_ros_arguments() const
{
  if (!unknown_ros_arguments_.empty()) {
    std::vector<std::string> unknown = unknown_ros_arguments_;
    throw rclcpp::exceptions::UnknownROSArgsError(std::move(unknown));
  }
}

std::optional<std::string>
Arguments::find_node_name_remap(const std::string & node_name) const
{
  for (const auto & rule : remap_rules_) {
    if (rule.kind == RemapRule::node_name && matches_node_prefix(rule, node_name)) {
      return rule.replacement;
    }
  }
  return std::nullopt;
}

std::optional<std::string>
Arguments::find_namespace_remap(const std::string & node_name) const
{
  for (const auto & rule : remap_rules_) {
    if (rule.kind == RemapRule::node_namespace && matches_node_prefix(rule, node_name)) {
      return rule.replacement;
    }
  }
  return std::nullopt;
}

std::optional<std::string>
Arguments::find_topic_remap(
  const std::string & expanded_topic,
  const std::string & node_name,
  const std::string & node_namespace) const
{
  for (const auto & rule : remap_rules_) {
    if (rule.kind != RemapRule::topic_or_service && rule.kind != RemapRule::topic) {
      continue;
    }
    if (!matches_node_prefix(rule, node_name)) {
      continue;
    }
    std::string expanded_match;
    const ExpandResult result =
      expand_topic_name(rule.match, node_name, node_namespace, expanded_match);
    if (result == ExpandResult::invalid_node_name || result == ExpandResult::invalid_namespace) {
      return std::nullopt;
    }
    if (result != ExpandResult::ok) {
      continue;
    }
    if (expanded_match == expanded_topic) {
      return rclcpp::expand_topic_or_service_name(rule.replacement, node_name, node_namespace);
    }
  }
  return std::nullopt;
}

std::string Arguments::remap_node_name(const std::string & node_name) const
{
  return find_node_name_remap(node_name).value_or(node_name);
}

std::string Arguments::remap_namespace(
  const std::string & node_name, const std::string & node_namespace) const
{
  return find_namespace_remap(node_name).value_or(node_namespace);
}

std::string Arguments::remap_topic(
  const std::string & expanded_topic,
  const std::string & node_name,
  const std::string & node_namespace) const
{
  return find_topic_remap(expanded_topic, node_name, node_namespace).value_or(expanded_topic);
}

bool parameter_key_matches(const std::string & node_key, const std::string & node_fqn)
{
  std::string key = node_key;
  if (key.empty() || key[0] != '/') {
    key = "/" + key;
  }
  // "/*" stands for one name level and "/**" for any number of them.
  std::string pattern;
  for (size_t i = 0; i < key.size(); ) {
    if (key.compare(i, 2, "/*") == 0) {
      pattern += "(/\\w+)";
      i += 2;
    } else {
      pattern += key[i];
      ++i;
    }
  }
  try {
    return std::regex_match(node_fqn, std::regex(pattern));
  } catch (const std::regex_error &) {
    return false;
  }
}

std::map<std::string, rclcpp::ParameterValue>
Arguments::parameter_overrides(const std::string & node_fqn) const
{
  std::map<std::string, rclcpp::ParameterValue> result;
  for (const auto & entry : parameter_entries_) {
    if (!parameter_key_matches(entry.node_key, node_fqn)) {
      continue;
    }
    for (const auto & parameter : entry.parameters) {
      result[parameter.first] = parameter.second;
    }
  }
  return result;
}

std::map<std::string, rclcpp::ParameterValue>
resolve_parameter_overrides(
  const std::string & node_fqn,
  const std::vector<rclcpp::Parameter> & parameter_overrides,
  const Arguments * local_args,
  const Arguments * global_args)
{
  std::map<std::string, rclcpp::ParameterValue> result;
  // Global before local, so that the node's own arguments win.
  for (const Arguments * source : {global_args, local_args}) {
    if (source == nullptr) {
      continue;
    }
    for (const auto & entry : source->parameter_overrides(node_fqn)) {
      result[entry.first] = entry.second;
    }
  }
  // NodeOptions::parameter_overrides win over both.
  for (const auto & parameter : parameter_overrides) {
    result[parameter.get_name()] = parameter.get_parameter_value();
  }
  return result;
}

namespace
{

// The first remapping found in the node's own arguments, else in the global ones.
template<typename FindT>
std::optional<std::string> first_remap(
  const Arguments * local_args, const Arguments * global_args, FindT find)
{
  for (const Arguments * source : {local_args, global_args}) {
    if (source != nullptr) {
      if (auto remapped = find(*source)) {
        return remapped;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::string resolve_node_name(
  const std::string & node_name, const Arguments * local_args, const Arguments * global_args)
{
  return first_remap(
    local_args, global_args,
    [&](const Arguments & args) {return args.find_node_name_remap(node_name);})
         .value_or(node_name);
}

std::string resolve_namespace(
  const std::string & remapped_node_name,
  const std::string & node_namespace,
  const Arguments * local_args,
  const Arguments * global_args)
{
  return first_remap(
    local_args, global_args,
    [&](const Arguments & args) {return args.find_namespace_remap(remapped_node_name);})
         .value_or(node_namespace);
}

std::string resolve_topic_name(
  const std::string & topic_name,
  const std::string & node_name,
  const std::string & node_namespace,
  const Arguments * local_args,
  const Arguments * global_args)
{
  const std::string expanded =
    rclcpp::expand_topic_or_service_name(topic_name, node_name, node_namespace);
  return first_remap(
    local_args, global_args,
    [&](const Arguments & args) {
      return args.find_topic_remap(expanded, node_name, node_namespace);
    }).value_or(expanded);
}

}  // namespace detail

std::vector<std::string>
remove_ros_arguments(int argc, char const * const * argv)
{
  return detail::Arguments::parse(argc, argv, "failed to parse arguments").non_ros_arguments();
}

}  // namespace rclcpp
