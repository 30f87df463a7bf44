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

// Name validation and topic name expansion. Expected texts and positions are those of
// rmw/rcl (ROS 2 Humble) and the message layout of rclcpp's NameValidationError.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "rclcpp/detail/names.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/expand_topic_or_service_name.hpp"

namespace
{

using rclcpp::detail::NameCheck;

struct CheckCase
{
  std::string name;
  const char * reason;  // nullptr: valid
  size_t index;
};

void expect_check(const CheckCase & c, const NameCheck & check)
{
  if (c.reason == nullptr) {
    EXPECT_TRUE(check.valid()) << "'" << c.name << "': " << check.reason;
    return;
  }
  ASSERT_FALSE(check.valid()) << "'" << c.name << "' should be invalid";
  EXPECT_STREQ(c.reason, check.reason) << c.name;
  EXPECT_EQ(c.index, check.invalid_index) << c.name;
}

TEST(NodeNameRules, table)
{
  const std::vector<CheckCase> cases = {
    {"talker", nullptr, 0},
    {"_private_1", nullptr, 0},
    {std::string(255, 'a'), nullptr, 0},
    {"", "node name must not be empty", 0},
    {"my-node", "node name must not contain characters other than alphanumerics or '_'", 2},
    {"ns/node", "node name must not contain characters other than alphanumerics or '_'", 2},
    {"1node", "node name must not start with a number", 0},
    {std::string(256, 'a'), "node name length should not exceed '255'", 254},
  };
  for (const auto & c : cases) {
    expect_check(c, rclcpp::detail::check_node_name(c.name));
  }
}

TEST(NamespaceRules, table)
{
  const std::vector<CheckCase> cases = {
    {"/", nullptr, 0},
    {"/robot", nullptr, 0},
    {"/robot/arm_2", nullptr, 0},
    {"", "namespace must not be empty", 0},
    {"robot", "namespace must be absolute, it must lead with a '/'", 0},
    {"/robot/", "namespace must not end with a '/', unless only a '/'", 6},
    {"/robot//arm", "namespace must not contain repeated '/'", 7},
    {"/robot/2arm", "namespace must not have a token that starts with a number", 7},
    {"/ro-bot", "namespace must not contain characters other than alphanumerics, '_', or '/'", 3},
    {"/" + std::string(244, 'a'), nullptr, 0},
    {"/" + std::string(245, 'a'),
      "namespace should not exceed 'RMW_NAMESPACE_MAX_NAME_LENGTH'", 244},
  };
  for (const auto & c : cases) {
    expect_check(c, rclcpp::detail::check_namespace(c.name));
  }
}

TEST(NameValidationError, message_layout_and_types)
{
  try {
    rclcpp::detail::validate_node_name("my-node");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::InvalidNodeNameError & e) {
    EXPECT_EQ(
      std::string(
        "Invalid node name: node name must not contain characters other than "
        "alphanumerics or '_':\n  'my-node'\n     ^\n"),
      e.what());
    const rclcpp::exceptions::NameValidationError & base = e;
    EXPECT_EQ("node name", base.name_type);
    EXPECT_EQ(2u, base.invalid_index);
  }
  EXPECT_THROW(
    rclcpp::detail::validate_namespace("robot"), rclcpp::exceptions::InvalidNamespaceError);
  EXPECT_THROW(rclcpp::detail::validate_namespace("/robot/"), std::invalid_argument);
  EXPECT_NO_THROW(rclcpp::detail::validate_namespace("/"));
}

TEST(NodeNaming, normalised_namespace_and_fully_qualified_name)
{
  struct Case
  {
    std::string ns;
    std::string name;
    std::string normalised;
    std::string fqn;
  };
  const std::vector<Case> cases = {
    {"", "talker", "/", "/talker"},
    {"/", "talker", "/", "/talker"},
    {"robot", "cam", "/robot", "/robot/cam"},
    {"/robot/arm", "cam", "/robot/arm", "/robot/arm/cam"},
  };
  for (const auto & c : cases) {
    const std::string ns = rclcpp::detail::normalize_namespace(c.ns);
    EXPECT_EQ(c.normalised, ns) << c.ns;
    EXPECT_EQ(c.fqn, rclcpp::detail::fully_qualified_name(ns, c.name)) << c.ns;
  }
}

TEST(ExpandTopicName, valid_names)
{
  struct Case
  {
    std::string topic;
    std::string node;
    std::string ns;
    std::string expected;
  };
  const std::vector<Case> cases = {
    {"chatter", "talker", "/", "/chatter"},
    {"chatter", "talker", "/robot", "/robot/chatter"},
    {"camera/image", "talker", "/robot", "/robot/camera/image"},
    {"/abs/topic", "talker", "/robot", "/abs/topic"},
    {"~/priv", "talker", "/robot", "/robot/talker/priv"},
    {"~/priv", "talker", "/", "/talker/priv"},
    {"~", "talker", "/", "/talker"},
    {"{node}/out", "talker", "/robot", "/robot/talker/out"},
    {"/x/{node}", "talker", "/", "/x/talker"},
    {"{ns}/out", "talker", "/robot", "/robot/out"},
    {"{namespace}/out", "talker", "/a/b", "/a/b/out"},
  };
  for (const auto & c : cases) {
    EXPECT_EQ(
      c.expected, rclcpp::expand_topic_or_service_name(c.topic, c.node, c.ns)) << c.topic;
  }
}

TEST(ExpandTopicName, invalid_topic_names)
{
  struct Case
  {
    std::string topic;
    std::string ns;
    std::string reported_name;
    const char * reason;
    size_t index;
  };
  const std::vector<Case> cases = {
    {"", "/", "", "topic name must not be empty string", 0},
    {"chat ter", "/",
      "chat ter",
      "topic name must not contain characters other than alphanumerics, '_', '~', '{', or '}'",
      4},
    {"foo/", "/", "foo/", "topic name must not end with a forward slash", 3},
    {"7foo", "/", "7foo", "topic name token must not start with a number", 0},
    {"foo/7bar", "/", "foo/7bar", "topic name token must not start with a number", 4},
    {"foo/~bar", "/", "foo/~bar",
      "topic name must not have tilde '~' unless it is the first character", 4},
    {"~foo", "/", "~foo",
      "topic name must not have a tilde '~' that is not followed by a forward slash '/'", 1},
    {"foo/{bar", "/", "foo/{bar",
      "topic name must not have unmatched (unbalanced) curly braces '{}'", 4},
    {"foo/{4bar}", "/", "foo/{4bar}", "substitution name must not start with a number", 5},
    // Valid as written but invalid once expanded: the expanded name is reported.
    {"a//b", "/", "/a//b", "topic name must not contain repeated '/'", 3},
    {"{ns}/x", "/", "//x", "topic name must not contain repeated '/'", 1},
  };
  for (const auto & c : cases) {
    try {
      rclcpp::expand_topic_or_service_name(c.topic, "talker", c.ns);
      ADD_FAILURE() << "'" << c.topic << "' expanded";
    } catch (const rclcpp::exceptions::InvalidTopicNameError & e) {
      EXPECT_EQ(c.reported_name, e.name) << c.topic;
      EXPECT_EQ(c.reason, e.error_msg) << c.topic;
      EXPECT_EQ(c.index, e.invalid_index) << c.topic;
    }
  }
}

TEST(ExpandTopicName, service_flag_changes_the_exception)
{
  EXPECT_THROW(
    rclcpp::expand_topic_or_service_name("bad name", "n", "/", true),
    rclcpp::exceptions::InvalidServiceNameError);
}

TEST(ExpandTopicName, bad_node_name_or_namespace)
{
  EXPECT_THROW(
    rclcpp::expand_topic_or_service_name("chatter", "1node", "/"),
    rclcpp::exceptions::InvalidNodeNameError);
  try {
    rclcpp::expand_topic_or_service_name("chatter", "node", "robot");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::InvalidNamespaceError & e) {
    EXPECT_EQ("namespace must be absolute, it must lead with a '/'", e.error_msg);
    EXPECT_EQ(0u, e.invalid_index);
  }
}

TEST(ExpandTopicName, unknown_substitution)
{
  // rcl knows only {node}, {ns} and {namespace}; rclcpp then finds the name well formed and
  // reports it as such.
  try {
    rclcpp::expand_topic_or_service_name("{robot}/x", "n", "/");
    FAIL() << "no exception";
  } catch (const std::runtime_error & e) {
    EXPECT_STREQ("topic name unexpectedly valid", e.what());
  }
}

}  // namespace
