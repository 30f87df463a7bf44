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

// decode_all_app as a process: node and topic names, and how start-up failures end it.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_support.hpp"

namespace kestrova_h264
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using test::EtcConfig;
using test::Peer;
using test::Program;
using test::Stream;

struct NamingCase
{
  const char * name;
  std::vector<std::string> args;
  const char * node;     // expected node name (in the log line's logger)
  const char * input;    // fully qualified subscribed topic
  const char * output;   // fully qualified published topic
};

const NamingCase kNamingCases[] = {
  {"default", {}, "h264decoder_image_raw", "/image_raw", "/image_raw_new"},
  {"encoder output", {"--ros-args", "-p", "topic_name:=/image_raw/h264"},
    "h264decoder_image_raw_h264", "/image_raw/h264", "/image_raw_new"},
  {"skip frame output", {"--ros-args", "-p", "topic_name:=/image_raw/h264_skip_frame"},
    "h264decoder_image_raw_h264_skip_frame", "/image_raw/h264_skip_frame",
    "/image_raw_skip_frame_new"},
  {"only the first /h264 goes", {"--ros-args", "-p", "topic_name:=/cam/h264/h264"},
    "h264decoder_cam_h264_h264", "/cam/h264/h264", "/cam/h264_new"},
  {"case-sensitive", {"--ros-args", "-p", "topic_name:=/image_raw/H264"},
    "h264decoder_image_raw_H264", "/image_raw/H264", "/image_raw/H264_new"},
  {"relative, root namespace", {"--ros-args", "-p", "topic_name:=cam/h264"},
    "h264decodercam_h264", "/cam/h264", "/cam_new"},
  {"relative, in a namespace", {"--ros-args", "-p", "topic_name:=cam/h264", "-r", "__ns:=/robot"},
    "robot.h264decodercam_h264", "/robot/cam/h264", "/robot/cam_new"},
};

// The node is named after the topic, subscribes to it unchanged and publishes on the topic
// with its first "/h264" taken out and "_new" appended.
TEST(DecoderStartup, NodeAndTopicNames) {
  Peer peer;
  for (const NamingCase & c : kNamingCases) {
    SCOPED_TRACE(c.name);
    Program program(DECODE_ALL_APP, c.args, EtcConfig::Profile("gst.yaml"));
    peer.Listen<sensor_msgs::msg::Image>(c.output);
    EXPECT_TRUE(
      program.WaitForText(
        Stream::kStderr, std::string("[") + c.node + "]: H264DecodeNode ..."))
      << program.Transcript();
    EXPECT_TRUE(peer.WaitForSubscribers<DualCompressedImage>(c.input)) << program.Transcript();
    EXPECT_TRUE(peer.WaitForPublisher(c.output)) << program.Transcript();
    program.Signal(SIGINT);
    const auto status = program.Wait();
    EXPECT_TRUE(status.exited && status.code == 0) << status.Describe();
  }
}

struct FailureCase
{
  const char * name;
  std::vector<std::string> args;
  EtcConfig config;
  bool send_message;  // the decoder (and so the configuration) is needed only for a message
  const char * text;  // expected in the one FATAL line
};

const FailureCase kFailureCases[] = {
  {"topic_name of the wrong type", {"--ros-args", "-p", "topic_name:=5"},
    EtcConfig::Profile("gst.yaml"), false, "parameter 'topic_name' has invalid type"},
  {"node name rclcpp rejects", {"--ros-args", "-p", "topic_name:=/a-b"},
    EtcConfig::Profile("gst.yaml"), false, "Invalid node name"},
  {"unknown ROS argument", {"--ros-args", "--no-such-flag"},
    EtcConfig::Profile("gst.yaml"), false, "found unknown ROS arguments: '--no-such-flag'"},
  {"configuration file missing", {"--ros-args", "-p", "topic_name:=/f/h264"},
    EtcConfig::None(), true,
    "/etc/kestrova/gst.yaml: key 'decoder_pipeline': the file is missing or cannot be read"},
  {"decoder key absent", {"--ros-args", "-p", "topic_name:=/f/h264"},
    EtcConfig::Text("encoder_rgb_pipeline: fakesink\n"), true,
    "/etc/kestrova/gst.yaml: key 'decoder_pipeline': the key is absent"},
};

// A start-up failure ends the program with exactly one FATAL line naming the problem and exit
// status 1, never with an abort.
TEST(DecoderStartup, FailuresEndWithOneFatalLine) {
  Peer peer;
  for (const FailureCase & c : kFailureCases) {
    SCOPED_TRACE(c.name);
    Program program(DECODE_ALL_APP, c.args, c.config);
    if (c.send_message) {
      ASSERT_TRUE(peer.WaitForSubscribers<DualCompressedImage>("/f/h264")) << program.Transcript();
      DualCompressedImage message;
      message.format = "h264_rgb";
      peer.Publish("/f/h264", message);
    }
    const auto status = program.Wait();
    EXPECT_TRUE(status.exited && status.code == 1) << status.Describe() << program.Transcript();
    const std::string err = program.Stderr();
    const auto first = err.find("[FATAL]");
    ASSERT_NE(first, std::string::npos) << program.Transcript();
    EXPECT_EQ(err.find("[FATAL]", first + 1), std::string::npos) << err;
    const std::string line = err.substr(first, err.find('\n', first) - first);
    EXPECT_NE(line.find(c.text), std::string::npos) << line;
  }
}

// A description that gives no pipeline ends the program with "Bad source" and status 1.
TEST(DecoderStartup, UnbuildablePipelineIsABadSource) {
  Peer peer;
  Program program(
    DECODE_ALL_APP, {"--ros-args", "-p", "topic_name:=/b/h264"},
    EtcConfig::Text("decoder_pipeline: no_such_element name=input\n"));
  ASSERT_TRUE(peer.WaitForSubscribers<DualCompressedImage>("/b/h264")) << program.Transcript();
  DualCompressedImage message;
  message.format = "h264_gray";
  peer.Publish("/b/h264", message);
  const auto status = program.Wait();
  EXPECT_TRUE(status.exited && status.code == 1) << status.Describe();
  EXPECT_NE(program.Stdout().find("Bad source\n"), std::string::npos) << program.Transcript();
}

}  // namespace
}  // namespace kestrova_h264

int main(int argc, char ** argv)
{
  return kestrova_h264::test::ProcessTestMain(argc, argv);
}
