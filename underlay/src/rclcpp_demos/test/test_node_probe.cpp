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

// The command line of a real program: remapping, typed parameter overrides from -p and a
// parameter file, log levels, start-up errors, and two processes whose nodes share a name.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "process.hpp"

namespace
{

std::string domain_args()
{
  return std::to_string(getpid() % 100 + 1);
}

// Runs node_probe to its end; returns its exit status.
int run_probe(const std::vector<std::string> & args, std::string & output)
{
  setenv("ROS_DOMAIN_ID", domain_args().c_str(), 1);
  Process probe(NODE_PROBE, args);
  const int status = probe.wait_exit(std::chrono::seconds(20));
  output = probe.output();
  return status;
}

std::string write_params_file()
{
  const std::string path = "/tmp/node_probe_params_" + std::to_string(getpid()) + ".yaml";
  std::ofstream file(path);
  file << "/robot/probe:\n"
    "  ros__parameters:\n"
    "    gain: 2.5\n"
    "    ids: [4, 5, 6]\n"
    "/**:\n"
    "  ros__parameters:\n"
    "    enabled: false\n";
  return path;
}

TEST(NodeProbe, CommandLineShapesNameTopicParametersAndLogging)
{
  const std::string params = write_params_file();
  std::string output;
  const int status = run_probe(
    {"--ros-args", "-r", "__ns:=/robot", "-r", "image:=camera/image", "-p", "rate:=15",
      "-p", "name:='7'", "--params-file", params, "--log-level", "debug"}, output);
  std::remove(params.c_str());
  ASSERT_EQ(0, status) << output;
  const std::vector<std::string> expected = {
    "node /robot/probe namespace /robot",
    "topic image -> /robot/camera/image",
    "param rate=15 (integer)",
    "param name=7 (string)",
    "param gain=2.5 (double)",
    "param enabled=false (bool)",
    "param ids=[4, 5, 6] (integer_array)",
    "[DEBUG]",
    "[robot.probe]: debug output is on",
  };
  for (const auto & text : expected) {
    EXPECT_NE(std::string::npos, output.find(text)) << text << "\n" << output;
  }
}

TEST(NodeProbe, WithoutDebugLevelNoDebugOutput)
{
  std::string output;
  ASSERT_EQ(0, run_probe({}, output)) << output;
  EXPECT_EQ(std::string::npos, output.find("debug output is on")) << output;
  EXPECT_NE(std::string::npos, output.find("topic image -> /image")) << output;
}

struct StartupError
{
  const char * name;
  std::vector<std::string> args;
  const char * text;
};

TEST(NodeProbe, StartupErrorsEndWithOneLineAndStatusOne)
{
  const std::vector<StartupError> cases = {
    {"integer parameter given a word", {"--ros-args", "-p", "rate:=fast"},
      "node_probe: parameter 'rate' has invalid type: Wrong parameter type, parameter {rate} is "
      "of type {integer}, setting it to {string} is not allowed.\n"},
    {"bool parameter given an integer", {"--ros-args", "-p", "enabled:=1"},
      "node_probe: parameter 'enabled' has invalid type: Wrong parameter type, parameter "
      "{enabled} is of type {bool}, setting it to {integer} is not allowed.\n"},
    {"unknown ROS flag", {"--ros-args", "--frobnicate"},
      "node_probe: found unknown ROS arguments: '--frobnicate'\n"},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    std::string output;
    EXPECT_EQ(1, run_probe(c.args, output));
    EXPECT_EQ(c.text, output);
  }
}

TEST(NodeProbe, BadDomainIdIsAStartupError)
{
  setenv("ROS_DOMAIN_ID", "blue", 1);
  Process probe(NODE_PROBE, {});
  EXPECT_EQ(1, probe.wait_exit(std::chrono::seconds(20)));
  EXPECT_EQ(
    "node_probe: failed to initialize rcl: ROS_DOMAIN_ID is not an integral number\n",
    probe.output());
}

TEST(NodeProbe, TwoProcessesWithTheSameNodeNameBothWork)
{
  setenv("ROS_DOMAIN_ID", domain_args().c_str(), 1);
  const std::vector<std::string> args = {"--ros-args", "-p", "exchange_ms:=2500"};
  Process first(NODE_PROBE, args);
  Process second(NODE_PROBE, args);
  EXPECT_EQ(0, first.wait_exit(std::chrono::seconds(30))) << first.output();
  EXPECT_EQ(0, second.wait_exit(std::chrono::seconds(30))) << second.output();
  for (const Process * probe : {&first, &second}) {
    const std::string output = probe->output();
    EXPECT_NE(std::string::npos, output.find("heard from 1 other processes")) << output;
    // Each sees its own node and the other's, both "/probe", through ros_discovery_info.
    const size_t first_entry = output.find("graph node /probe");
    ASSERT_NE(std::string::npos, first_entry) << output;
    EXPECT_NE(std::string::npos, output.find("graph node /probe", first_entry + 1)) << output;
  }
}

}  // namespace
