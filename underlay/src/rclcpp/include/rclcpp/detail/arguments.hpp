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

#ifndef RCLCPP__DETAIL__ARGUMENTS_HPP_
#define RCLCPP__DETAIL__ARGUMENTS_HPP_

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"
#include "rclcpp/visibility_control.hpp"

// A program's or a node's ROS arguments, parsed the way rcl (Humble) parses them, and the
// name remapping and parameter override rules that follow from them.

namespace rclcpp
{
namespace detail
{

/// One "-r [node:]from:=to" rule.
struct RemapRule
{
  enum Kind
  {
    topic_or_service,  ///< "from:=to"
    topic,             ///< "rostopic://from:=to"
    service,           ///< "rosservice://from:=to"
    node_name,         ///< "__node:=name" (also "__name:=name")
    node_namespace,    ///< "__ns:=/ns"
  };
  Kind kind = topic_or_service;
  std::string node_name_prefix;  ///< empty: the rule applies to every node
  std::string match;             ///< as written, for topic and service rules
  std::string replacement;       ///< as written
};

/// Parameter values of one node key ("/**", "node", "/ns/node", "/ns/*", ...) in order of
/// first appearance.
struct ParameterNodeEntry
{
  std::string node_key;
  std::vector<std::pair<std::string, rclcpp::ParameterValue>> parameters;
};

class Arguments
{
public:
  /// Parse a program's arguments (argv[0] included) or a node's arguments.
  /**
   * Only arguments inside "--ros-args ... [--]" are ROS arguments; several sections may
   * appear. Unknown flags inside a section are collected, not thrown: see
   * unknown_ros_arguments() and throw_if_unknown_ros_arguments().
   *
   * \param error_prefix put before rcl's message in the exception ("<prefix>: <message>"),
   *   e.g. "failed to initialize rcl" for init or "failed to parse arguments" for a node
   * \throws rclcpp::exceptions::RCLInvalidROSArgsError on a malformed rule, a missing value
   *   after a flag, an invalid log level or a parameter file that cannot be read or parsed
   */
  RCLCPP_PUBLIC
  static Arguments
  parse(const std::vector<std::string> & args, const std::string & error_prefix = "");

  RCLCPP_PUBLIC
  static Arguments
  parse(int argc, char const * const * argv, const std::string & error_prefix = "");

  /// Remap rules in the order given.
  RCLCPP_PUBLIC
  const std::vector<RemapRule> & remap_rules() const;

  /// Level given with "--log-level LEVEL" (the last one wins), as an RCUTILS_LOG_SEVERITY
  /// value, or nothing.
  RCLCPP_PUBLIC
  std::optional<int> default_log_level() const;

  /// Levels given with "--log-level name:=LEVEL", in order (a later one for the same logger
  /// replaces the earlier one).
  RCLCPP_PUBLIC
  const std::vector<std::pair<std::string, int>> & logger_log_levels() const;

  /// Parameter files in the order given.
  RCLCPP_PUBLIC
  const std::vector<std::string> & parameter_files() const;

  /// All parameter values, from files and -p rules, in the order rcl keeps them.
  RCLCPP_PUBLIC
  const std::vector<ParameterNodeEntry> & parameter_entries() const;

  /// Arguments outside ROS sections, in order (argv[0] included when given).
  RCLCPP_PUBLIC
  const std::vector<std::string> & non_ros_arguments() const;

  /// Flags in a ROS section that no rule knows.
  RCLCPP_PUBLIC
  const std::vector<std::string> & unknown_ros_arguments() const;

  /// \throws rclcpp::exceptions::UnknownROSArgsError if there are unknown ROS arguments
  RCLCPP_PUBLIC
  void throw_if_unknown_ros_arguments() const;

  RCLCPP_PUBLIC
  const std::optional<std::string> & enclave() const;

  RCLCPP_PUBLIC
  const std::optional<std::string> & log_config_file() const;

  RCLCPP_PUBLIC
  bool log_stdout_disabled() const;

  RCLCPP_PUBLIC
  bool log_rosout_disabled() const;

  RCLCPP_PUBLIC
  bool log_ext_lib_disabled() const;

  /// New name from the first "__node" rule that applies to node_name, if any.
  RCLCPP_PUBLIC
  std::optional<std::string> find_node_name_remap(const std::string & node_name) const;

  /// New namespace from the first "__ns" rule that applies to node_name, if any.
  /// rcl matches the rule's node prefix against the node name after name remapping.
  RCLCPP_PUBLIC
  std::optional<std::string> find_namespace_remap(const std::string & node_name) const;

  /// Target of the first topic rule whose match, expanded for this node, equals
  /// expanded_topic; the target is expanded for this node too.
  /// \throws rclcpp::exceptions::InvalidTopicNameError if the target cannot be expanded
  RCLCPP_PUBLIC
  std::optional<std::string> find_topic_remap(
    const std::string & expanded_topic,
    const std::string & node_name,
    const std::string & node_namespace) const;

  /// The node name after remapping (node_name itself when no rule applies).
  RCLCPP_PUBLIC
  std::string remap_node_name(const std::string & node_name) const;

  /// The namespace after remapping (node_namespace itself when no rule applies).
  RCLCPP_PUBLIC
  std::string remap_namespace(
    const std::string & node_name, const std::string & node_namespace) const;

  /// The topic after remapping (expanded_topic itself when no rule applies).
  RCLCPP_PUBLIC
  std::string remap_topic(
    const std::string & expanded_topic,
    const std::string & node_name,
    const std::string & node_namespace) const;

  /// Parameter overrides of these arguments for the node: every entry whose key matches the
  /// node's fully qualified name ("/**", "/*" and "/ns/*" wildcards included), in the order
  /// rcl keeps them, a later value replacing an earlier one.
  RCLCPP_PUBLIC
  std::map<std::string, rclcpp::ParameterValue>
  parameter_overrides(const std::string & node_fqn) const;

private:
  std::vector<RemapRule> remap_rules_;
  std::optional<int> default_log_level_;
  std::vector<std::pair<std::string, int>> logger_log_levels_;
  std::vector<std::string> parameter_files_;
  std::vector<ParameterNodeEntry> parameter_entries_;
  std::vector<std::string> non_ros_arguments_;
  std::vector<std::string> unknown_ros_arguments_;
  std::optional<std::string> enclave_;
  std::optional<std::string> log_config_file_;
  bool log_stdout_disabled_ = false;
  bool log_rosout_disabled_ = false;
  bool log_ext_lib_disabled_ = false;

  friend class ArgumentsParser;
};

/// Does a parameter node key ("/**", "/*", "/ns/node", "node", ...) select this node?
RCLCPP_PUBLIC
bool parameter_key_matches(const std::string & node_key, const std::string & node_fqn);

/// The parameter overrides a node gets, as rclcpp gathers them: the global arguments' values
/// first, then the node's own arguments', then NodeOptions::parameter_overrides; a later
/// source replaces a value of an earlier one. local or global may be null (a node that does
/// not use the global arguments passes null).
RCLCPP_PUBLIC
std::map<std::string, rclcpp::ParameterValue>
resolve_parameter_overrides(
  const std::string & node_fqn,
  const std::vector<rclcpp::Parameter> & parameter_overrides,
  const Arguments * local_args,
  const Arguments * global_args);

/// Node name after remapping: the node's own rules first, then the global ones.
RCLCPP_PUBLIC
std::string resolve_node_name(
  const std::string & node_name, const Arguments * local_args, const Arguments * global_args);

/// Namespace after remapping, given the node name after remapping: own rules first.
RCLCPP_PUBLIC
std::string resolve_namespace(
  const std::string & remapped_node_name,
  const std::string & node_namespace,
  const Arguments * local_args,
  const Arguments * global_args);

/// Fully qualified topic name for a node: the name is expanded (and checked), then the first
/// matching rule of the node's own arguments, else of the global ones, applies.
/// \throws the exceptions of rclcpp::expand_topic_or_service_name
RCLCPP_PUBLIC
std::string resolve_topic_name(
  const std::string & topic_name,
  const std::string & node_name,
  const std::string & node_namespace,
  const Arguments * local_args,
  const Arguments * global_args);

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__ARGUMENTS_HPP_
