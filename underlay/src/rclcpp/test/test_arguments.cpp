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

// Argument parsing, value typing, override precedence and remapping. Expected behaviour and
// texts are those of rcl (arguments.c, remap.c, rcl_yaml_param_parser) and rclcpp
// (resolve_parameter_overrides.cpp, parameter_map.cpp, utilities.cpp) in ROS 2 Humble.

#include <gtest/gtest.h>
#include <rcutils/logging.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rclcpp/detail/arguments.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/utilities.hpp"

namespace
{

using rclcpp::ParameterValue;
using rclcpp::detail::Arguments;
using Args = std::vector<std::string>;

// A small YAML file that lives as long as the object.
class TempYaml
{
public:
  explicit TempYaml(const std::string & content)
  {
    char name[] = "/tmp/args_test_XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    close(fd);
    path_ = name;
    std::ofstream(path_) << content;
  }
  ~TempYaml() {std::remove(path_.c_str());}
  const std::string & path() const {return path_;}

private:
  std::string path_;
};

TEST(RosSections, split_ros_and_other_arguments)
{
  struct Case
  {
    Args args;
    Args non_ros;
    Args unknown;
  };
  const std::vector<Case> cases = {
    {{"prog", "a", "--ros-args", "-r", "x:=y", "--", "b"}, {"prog", "a", "b"}, {}},
    {{"prog", "--ros-args", "--log-level", "debug", "--ros-args", "-p", "x:=1"}, {"prog"}, {}},
    {{"prog", "--ros-args", "--foo", "-x", "--", "c"}, {"prog", "c"}, {"--foo", "-x"}},
    {{"prog", "--", "x"}, {"prog", "--", "x"}, {}},
    {{"prog", "--ros-args", "--", "--ros-args", "--bar"}, {"prog"}, {"--bar"}},
    {{"prog", "--ros-args", "--enable-stdout-logs", "--disable-rosout-logs",
        "--disable-external-lib-logs", "-e", "/enc", "--enclave", "/enc2",
        "--log-config-file", "log.conf"}, {"prog"}, {}},
    // A remap rule outside a ROS section is still taken (deprecated form).
    {{"prog", "foo:=bar", "plain"}, {"prog", "plain"}, {}},
  };
  for (const auto & c : cases) {
    const Arguments parsed = Arguments::parse(c.args);
    EXPECT_EQ(c.non_ros, parsed.non_ros_arguments());
    EXPECT_EQ(c.unknown, parsed.unknown_ros_arguments());
  }
}

TEST(RosSections, logging_and_enclave_flags)
{
  const Arguments parsed = Arguments::parse(
    {"prog", "--ros-args", "--disable-stdout-logs", "--disable-rosout-logs",
      "--enable-rosout-logs", "-e", "/a", "--enclave", "/b", "--log-config-file", "f.conf"});
  EXPECT_TRUE(parsed.log_stdout_disabled());
  EXPECT_FALSE(parsed.log_rosout_disabled());
  EXPECT_FALSE(parsed.log_ext_lib_disabled());
  EXPECT_EQ(std::optional<std::string>("/b"), parsed.enclave());
  EXPECT_EQ(std::optional<std::string>("f.conf"), parsed.log_config_file());
}

TEST(RosSections, unknown_arguments_error_text)
{
  const Arguments parsed = Arguments::parse({"prog", "--ros-args", "--foo", "bar"});
  try {
    parsed.throw_if_unknown_ros_arguments();
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::UnknownROSArgsError & e) {
    EXPECT_STREQ("found unknown ROS arguments: '--foo', 'bar'", e.what());
    EXPECT_EQ((Args{"--foo", "bar"}), e.unknown_ros_args);
  }
  EXPECT_NO_THROW(Arguments::parse({"prog", "--ros-args", "-r", "a:=b"})
    .throw_if_unknown_ros_arguments());
}

TEST(RemoveRosArguments, keeps_only_other_arguments)
{
  const char * const argv[] = {
    "prog", "--ros-args", "-p", "x:=1", "--unknown", "--", "--verbose", "file"};
  EXPECT_EQ(
    (Args{"prog", "--verbose", "file"}), rclcpp::remove_ros_arguments(8, argv));
  const char * const bad[] = {"prog", "--ros-args", "-r"};
  try {
    rclcpp::remove_ros_arguments(3, bad);
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::RCLInvalidROSArgsError & e) {
    EXPECT_STREQ(
      "failed to parse arguments: Couldn't parse trailing -r flag. No remap rule found.",
      e.what());
  }
}

TEST(MalformedArguments, rcl_messages)
{
  struct Case
  {
    Args args;
    std::string what_starts_with;
  };
  const std::vector<Case> cases = {
    {{"--ros-args", "-r", "x"}, "Couldn't parse remap rule: '-r x'. Error: "},
    {{"--ros-args", "--remap", "a:=b:c"}, "Couldn't parse remap rule: '--remap a:=b:c'. Error: "},
    {{"--ros-args", "-r", "1a:=b"}, "Couldn't parse remap rule: '-r 1a:=b'. Error: "},
    {{"--ros-args", "-r", "a/*:=b"}, "Couldn't parse remap rule: '-r a/*:=b'. Error: "
      "Wildcard '*' is not implemented"},
    {{"--ros-args", "-r", "__ns:=relative"}, "Couldn't parse remap rule: '-r __ns:=relative'."},
    {{"--ros-args", "-r", "__node:=1bad"}, "Couldn't parse remap rule: '-r __node:=1bad'."},
    {{"--ros-args", "-r"}, "Couldn't parse trailing -r flag. No remap rule found."},
    {{"--ros-args", "-p", "x"}, "Couldn't parse parameter override rule: '-p x'. Error: "},
    {{"--ros-args", "-p", "x:=[1, a]"}, "Couldn't parse parameter override rule: "
      "'-p x:=[1, a]'. Error: Sequence should be of same type. Value type 'string' do not "
      "belong at line_num 1"},
    {{"--ros-args", "--param"},
      "Couldn't parse trailing --param flag. No parameter override rule found."},
    {{"--ros-args", "--params-file"},
      "Couldn't parse trailing --params-file flag. No file path provided."},
    {{"--ros-args", "--params-file", "/nonexistent/p.yaml"},
      "Couldn't parse params file: '--params-file /nonexistent/p.yaml'. Error: "
      "Error opening YAML file"},
    {{"--ros-args", "--log-level", "loud"}, "Couldn't parse log level: '--log-level loud'. "
      "Error: Argument does not use a valid severity level"},
    {{"--ros-args", "--log-level", ":=debug"}, "Couldn't parse log level: '--log-level "
      ":=debug'. Error: Argument has an invalid logger item that name is empty"},
    {{"--ros-args", "--log-level", "rclcpp:=loud"}, "Couldn't parse log level"},
    {{"--ros-args", "--log-level"},
      "Couldn't parse trailing log level flag: '--log-level'. No log level provided."},
    {{"--ros-args", "-e"}, "Couldn't parse trailing -e flag. No enclave path provided."},
    {{"--ros-args", "--log-config-file"},
      "Couldn't parse trailing --log-config-file flag. No file path provided."},
  };
  for (const auto & c : cases) {
    try {
      Arguments::parse(c.args);
      ADD_FAILURE() << "no exception for " << c.args.back();
    } catch (const rclcpp::exceptions::RCLInvalidROSArgsError & e) {
      EXPECT_EQ(0u, std::string(e.what()).rfind(c.what_starts_with, 0))
        << "got: " << e.what();
    }
  }
}

TEST(MalformedArguments, prefix_of_the_caller)
{
  try {
    Arguments::parse({"prog", "--ros-args", "-p", "x"}, "failed to initialize rcl");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::RCLInvalidROSArgsError & e) {
    EXPECT_EQ(
      0u, std::string(e.what()).rfind(
        "failed to initialize rcl: Couldn't parse parameter override rule: '-p x'.", 0));
  }
}

std::optional<ParameterValue> override_of(
  const Args & args, const std::string & node_fqn, const std::string & name)
{
  const auto overrides = Arguments::parse(args).parameter_overrides(node_fqn);
  auto it = overrides.find(name);
  if (it == overrides.end()) {
    return std::nullopt;
  }
  return it->second;
}

TEST(ParameterRuleTyping, yaml_scalars_and_sequences)
{
  struct Case
  {
    std::string value;
    ParameterValue expected;
  };
  const std::vector<Case> cases = {
    {"1", ParameterValue(1)},
    {"-3", ParameterValue(-3)},
    {"+4", ParameterValue(4)},
    {"0x10", ParameterValue(16)},
    {"010", ParameterValue(8)},
    {"1.5", ParameterValue(1.5)},
    {"1e3", ParameterValue(1000.0)},
    {"99999999999999999999", ParameterValue(1e20)},
    {"true", ParameterValue(true)},
    {"True", ParameterValue(true)},
    {"TRUE", ParameterValue(true)},
    {"yes", ParameterValue(true)},
    {"on", ParameterValue(true)},
    {"y", ParameterValue(true)},
    {"off", ParameterValue(false)},
    {"No", ParameterValue(false)},
    {"N", ParameterValue(false)},
    {"tRue", ParameterValue("tRue")},
    {"fast", ParameterValue("fast")},
    {"'7'", ParameterValue("7")},
    {"\"true\"", ParameterValue("true")},
    {"~", ParameterValue("~")},
    {"[1, 2]", ParameterValue(std::vector<int64_t>{1, 2})},
    {"[1.0, 2.5]", ParameterValue(std::vector<double>{1.0, 2.5})},
    {"[true, off]", ParameterValue(std::vector<bool>{true, false})},
    {"[a, 'b']", ParameterValue(std::vector<std::string>{"a", "b"})},
  };
  for (const auto & c : cases) {
    const auto value = override_of({"--ros-args", "-p", "x:=" + c.value}, "/node", "x");
    ASSERT_TRUE(value.has_value()) << c.value;
    EXPECT_EQ(c.expected, *value) << c.value << " gave " << rclcpp::to_string(*value);
  }
  const auto inf = override_of({"--ros-args", "-p", "x:=-.inf"}, "/node", "x");
  ASSERT_TRUE(inf.has_value());
  EXPECT_TRUE(std::isinf(inf->get<double>()) && inf->get<double>() < 0);
  const auto nan = override_of({"--ros-args", "-p", "x:=.nan"}, "/node", "x");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(nan->get<double>()));
}

TEST(ParameterRuleTyping, names_and_node_prefix)
{
  struct Case
  {
    Args args;
    std::string node_fqn;
    std::string name;
    bool present;
  };
  const std::vector<Case> cases = {
    {{"--ros-args", "-p", "group.sub:=1"}, "/any/node", "group.sub", true},
    {{"--ros-args", "-p", "talker:rate:=1"}, "/talker", "rate", true},
    {{"--ros-args", "-p", "talker:rate:=1"}, "/listener", "rate", false},
    // A node prefix names a node in the root namespace.
    {{"--ros-args", "-p", "talker:rate:=1"}, "/robot/talker", "rate", false},
  };
  for (const auto & c : cases) {
    EXPECT_EQ(c.present, override_of(c.args, c.node_fqn, c.name).has_value())
      << c.args.back() << " for " << c.node_fqn;
  }
}

TEST(ParametersFile, node_keys_wildcards_and_nesting)
{
  TempYaml file(
    "/**:\n"
    "  ros__parameters:\n"
    "    common: 1\n"
    "talker:\n"
    "  ros__parameters:\n"
    "    rate: 10\n"
    "    group:\n"
    "      sub: \"s\"\n"
    "      list: [1, 2]\n"
    "/robot/talker:\n"
    "  ros__parameters:\n"
    "    rate: 20\n"
    "/robot/*:\n"
    "  ros__parameters:\n"
    "    star: true\n"
    "ns:\n"
    "  other:\n"
    "    ros__parameters:\n"
    "      v: 1.5\n");
  const Arguments parsed = Arguments::parse({"--ros-args", "--params-file", file.path()});
  EXPECT_EQ((Args{file.path()}), parsed.parameter_files());

  struct Case
  {
    std::string node_fqn;
    std::map<std::string, ParameterValue> expected;
  };
  const std::vector<Case> cases = {
    {"/talker", {{"common", ParameterValue(1)}, {"rate", ParameterValue(10)},
        {"group.sub", ParameterValue("s")},
        {"group.list", ParameterValue(std::vector<int64_t>{1, 2})}}},
    {"/robot/talker", {{"common", ParameterValue(1)}, {"rate", ParameterValue(20)},
        {"star", ParameterValue(true)}}},
    {"/robot/cam", {{"common", ParameterValue(1)}, {"star", ParameterValue(true)}}},
    // "/*" is one level: it does not reach deeper namespaces.
    {"/robot/deep/cam", {{"common", ParameterValue(1)}}},
    {"/ns/other", {{"common", ParameterValue(1)}, {"v", ParameterValue(1.5)}}},
  };
  for (const auto & c : cases) {
    EXPECT_EQ(c.expected, parsed.parameter_overrides(c.node_fqn)) << c.node_fqn;
  }
}

TEST(ParametersFile, errors_name_the_file_and_the_fault)
{
  struct Case
  {
    std::string content;
    std::string error_starts_with;
  };
  const std::vector<Case> cases = {
    {"a: [\n", "Error parsing a event near line"},
    {"bad-name:\n  ros__parameters:\n    x: 1\n",
      "node name must not contain characters other than alphanumerics or '_'"},
    {"node: 5\n", "Cannot have a value before ros__parameters at line 1"},
    {"ros__parameters:\n  x: 1\n", "There are no node names before ros__parameters at line 1"},
    {"node:\n  ros__parameters:\n    x: [1, 1.5]\n",
      "Sequence should be of same type. Value type 'double' do not belong at line_num 3"},
    {"node:\n  ros__parameters:\n    x:\n", "No value at line"},
  };
  for (const auto & c : cases) {
    TempYaml file(c.content);
    const std::string expected =
      "Couldn't parse params file: '--params-file " + file.path() + "'. Error: " +
      c.error_starts_with;
    try {
      Arguments::parse({"--ros-args", "--params-file", file.path()});
      ADD_FAILURE() << "no exception for " << c.content;
    } catch (const rclcpp::exceptions::RCLInvalidROSArgsError & e) {
      EXPECT_EQ(0u, std::string(e.what()).rfind(expected, 0)) << "got: " << e.what();
    }
  }
}

TEST(OverridePrecedence, within_one_argument_list)
{
  TempYaml node_file("talker:\n  ros__parameters:\n    x: 2\n");
  TempYaml all_file("/**:\n  ros__parameters:\n    x: 2\n");
  struct Case
  {
    std::string label;
    Args args;
    int64_t expected;
  };
  // rcl keeps one table per argument list: node keys in order of first appearance, a later
  // value for the same key and name replacing the earlier one; rclcpp then applies every
  // matching key in that order.
  const std::vector<Case> cases = {
    {"later -p wins", {"--ros-args", "-p", "x:=1", "-p", "x:=3"}, 3},
    {"-p after a file for all nodes", {"--ros-args", "--params-file", all_file.path(),
        "-p", "x:=1"}, 1},
    {"file for all nodes after -p", {"--ros-args", "-p", "x:=1", "--params-file",
        all_file.path()}, 2},
    {"node key first seen after the global one", {"--ros-args", "-p", "x:=1",
        "--params-file", node_file.path()}, 2},
    {"node-prefixed -p after a file for that node", {"--ros-args", "--params-file",
        node_file.path(), "-p", "talker:x:=5"}, 5},
    {"sections accumulate", {"--ros-args", "-p", "x:=1", "--", "--ros-args", "-p", "x:=4"}, 4},
  };
  for (const auto & c : cases) {
    const auto value = override_of(c.args, "/talker", "x");
    ASSERT_TRUE(value.has_value()) << c.label;
    EXPECT_EQ(ParameterValue(c.expected), *value) << c.label;
  }
}

TEST(OverridePrecedence, global_then_local_then_node_options)
{
  const Arguments global = Arguments::parse({"--ros-args", "-p", "x:=1", "-p", "g:=1"});
  const Arguments local = Arguments::parse({"--ros-args", "-p", "x:=2", "-p", "l:=2"});
  const std::vector<rclcpp::Parameter> options = {rclcpp::Parameter("o", 3)};
  const std::vector<rclcpp::Parameter> options_x = {rclcpp::Parameter("x", 3)};

  using rclcpp::detail::resolve_parameter_overrides;
  auto both = resolve_parameter_overrides("/n", options, &local, &global);
  EXPECT_EQ(ParameterValue(2), both.at("x"));
  EXPECT_EQ(ParameterValue(1), both.at("g"));
  EXPECT_EQ(ParameterValue(2), both.at("l"));
  EXPECT_EQ(ParameterValue(3), both.at("o"));
  EXPECT_EQ(ParameterValue(3), resolve_parameter_overrides("/n", options_x, &local, &global).at("x"));
  // A node that does not use the global arguments.
  auto local_only = resolve_parameter_overrides("/n", {}, &local, nullptr);
  EXPECT_EQ(ParameterValue(2), local_only.at("x"));
  EXPECT_EQ(0u, local_only.count("g"));
}

TEST(Remapping, topics)
{
  struct Case
  {
    std::string label;
    Args args;
    std::string topic;
    std::string node;
    std::string ns;
    std::string expected;
  };
  const std::vector<Case> cases = {
    {"relative rule, relative target", {"-r", "image:=camera/image"}, "image", "n", "/robot",
      "/robot/camera/image"},
    {"absolute rule", {"-r", "/abs:=/other"}, "/abs", "n", "/robot", "/other"},
    {"private name", {"-r", "~/priv:=/p"}, "~/priv", "n", "/", "/p"},
    {"private target", {"-r", "out:=~/out"}, "out", "n", "/ns", "/ns/n/out"},
    {"rule in the node's namespace matches the absolute name", {"-r", "chatter:=x"},
      "/ns/chatter", "n", "/ns", "/ns/x"},
    {"relative rule does not match outside the namespace", {"-r", "chatter:=x"},
      "/chatter", "n", "/ns", "/chatter"},
    {"node prefix for this node", {"-r", "n:chatter:=talk"}, "chatter", "n", "/", "/talk"},
    {"node prefix for another node", {"-r", "m:chatter:=talk"}, "chatter", "n", "/",
      "/chatter"},
    {"first match wins", {"-r", "a:=b", "-r", "a:=c"}, "a", "n", "/", "/b"},
    {"topic-only rule", {"-r", "rostopic://a:=b"}, "a", "n", "/", "/b"},
    {"service-only rule ignored for topics", {"-r", "rosservice://a:=b"}, "a", "n", "/", "/a"},
    {"no rule", {"-r", "other:=b"}, "a", "n", "/", "/a"},
  };
  for (const auto & c : cases) {
    Args args = {"--ros-args"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Arguments parsed = Arguments::parse(args);
    EXPECT_EQ(
      c.expected,
      rclcpp::detail::resolve_topic_name(c.topic, c.node, c.ns, &parsed, nullptr)) << c.label;
  }
}

TEST(Remapping, node_name_and_namespace)
{
  struct Case
  {
    std::string label;
    Args args;
    std::string node;
    std::string ns;
    std::string expected_node;
    std::string expected_ns;
  };
  const std::vector<Case> cases = {
    {"rename", {"-r", "__node:=renamed"}, "a", "/", "renamed", "/"},
    {"rename with __name", {"-r", "__name:=renamed"}, "a", "/", "renamed", "/"},
    {"rename for another node", {"-r", "other:__node:=x"}, "a", "/", "a", "/"},
    {"namespace", {"-r", "__ns:=/robot"}, "a", "/", "a", "/robot"},
    {"root namespace", {"-r", "__ns:=/"}, "a", "/x", "a", "/"},
    {"first node rule wins", {"-r", "__node:=b", "-r", "__node:=c"}, "a", "/", "b", "/"},
    // rcl matches the namespace rule's node prefix against the name after renaming.
    {"namespace rule for the new name", {"-r", "__node:=b", "-r", "b:__ns:=/x"}, "a", "/",
      "b", "/x"},
    {"namespace rule for the old name", {"-r", "__node:=b", "-r", "a:__ns:=/x"}, "a", "/",
      "b", "/"},
  };
  for (const auto & c : cases) {
    Args args = {"--ros-args"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Arguments parsed = Arguments::parse(args);
    const std::string name = rclcpp::detail::resolve_node_name(c.node, &parsed, nullptr);
    EXPECT_EQ(c.expected_node, name) << c.label;
    EXPECT_EQ(
      c.expected_ns, rclcpp::detail::resolve_namespace(name, c.ns, &parsed, nullptr)) << c.label;
  }
}

TEST(Remapping, node_rules_before_global_rules)
{
  const Arguments global = Arguments::parse({"--ros-args", "-r", "__node:=g", "-r", "t:=/g"});
  const Arguments local = Arguments::parse({"--ros-args", "-r", "__node:=l", "-r", "t:=/l"});
  EXPECT_EQ("l", rclcpp::detail::resolve_node_name("n", &local, &global));
  EXPECT_EQ("g", rclcpp::detail::resolve_node_name("n", nullptr, &global));
  EXPECT_EQ("/l", rclcpp::detail::resolve_topic_name("t", "n", "/", &local, &global));
  const Arguments unrelated = Arguments::parse({"--ros-args", "-r", "u:=/u"});
  EXPECT_EQ("/g", rclcpp::detail::resolve_topic_name("t", "n", "/", &unrelated, &global));
}

TEST(LogLevels, default_and_named_loggers)
{
  const Arguments parsed = Arguments::parse(
    {"--ros-args", "--log-level", "info", "--log-level", "DEBUG", "--log-level",
      "rclcpp:=warn", "--log-level", "my.node:=Error", "--log-level", "rclcpp:=fatal"});
  EXPECT_EQ(std::optional<int>(RCUTILS_LOG_SEVERITY_DEBUG), parsed.default_log_level());
  const std::vector<std::pair<std::string, int>> expected = {
    {"rclcpp", RCUTILS_LOG_SEVERITY_FATAL}, {"my.node", RCUTILS_LOG_SEVERITY_ERROR}};
  EXPECT_EQ(expected, parsed.logger_log_levels());
  EXPECT_FALSE(Arguments::parse({"--ros-args"}).default_log_level().has_value());
}

}  // namespace
