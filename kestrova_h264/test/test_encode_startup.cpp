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


// Process tests of encode_all_app's start-up: node and topic names, the choice of output topic,
// orderly shutdown on SIGINT/SIGTERM while images flow, and start-up errors.

#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_support.hpp"

namespace kestrova_h264
{
namespace test
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using sensor_msgs::msg::Image;
using namespace std::chrono_literals;

// Publishes rgb8 images on `topic` every 20 ms on a thread of its own until stopped.
class ImageStream
{
public:
  ImageStream(Peer & peer, const std::string & topic)
  : thread_([this, &peer, topic] {
        for (int t = 1; !stop_; ++t) {
          peer.Publish(topic, MakeImage("rgb8", 32, 16, 3, t));
          std::this_thread::sleep_for(20ms);
        }
      })
  {}
  ~ImageStream() {Stop();}
  void Stop()
  {
    stop_ = true;
    if (thread_.joinable()) {
      thread_.join();
    }
  }

private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A parameter file that sets original_frame only on a node of exactly this name.
std::string ParamsFileFor(const std::string & node_name, const std::string & dir)
{
  const std::string path = dir + "/params-" + node_name + ".yaml";
  std::ofstream out(path);
  out << node_name << ":\n  ros__parameters:\n    original_frame: true\n";
  return path;
}

struct NamingCase
{
  const char * label;
  std::vector<std::string> params;  // -p overrides
  std::string input;                // fully qualified input topic
  std::string output;               // fully qualified output topic
  std::string other_output;         // the output topic it must not use
  std::string node_name;
  bool selects;                     // some image is ever selected
  int signal;
};

void PrintTo(const NamingCase & c, std::ostream * os) {*os << c.label;}

class EncoderNaming : public testing::TestWithParam<NamingCase> {};

// The node is named after the topic (checked through a parameter file that only a node of that
// name reads), subscribes to the topic, publishes on the chosen output topic, and ends with
// status 0 and the encoder released when signalled while images flow.
TEST_P(EncoderNaming, NamesTopicsAndShutdown)
{
  const NamingCase & c = GetParam();
  std::vector<std::string> args{"--ros-args"};
  for (const auto & p : c.params) {
    args.insert(args.end(), {"-p", p});
  }
  args.insert(args.end(), {"--params-file", ParamsFileFor(c.node_name, "/tmp")});

  Peer peer;
  peer.Listen<DualCompressedImage>(c.output);
  peer.Listen<DualCompressedImage>(c.other_output);
  Program program(ENCODE_ALL_APP, args, EtcConfig::Profile("gst.yaml"));
  ASSERT_TRUE(peer.WaitForSubscribers<Image>(c.input)) << program.Transcript();
  ASSERT_TRUE(peer.WaitForPublisher(c.output)) << program.Transcript();

  {
    ImageStream stream(peer, c.input);
    if (c.selects) {
      ASSERT_TRUE(peer.WaitForMessages(c.output, 3)) << program.Transcript();
    } else {
      std::this_thread::sleep_for(1s);
    }
    program.Signal(c.signal);
    const ExitStatus status = program.Wait();
    EXPECT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();
  }

  EXPECT_EQ(peer.Count(c.other_output), 0u);
  if (c.selects) {
    EXPECT_NE(program.Stdout().find("free sources"), std::string::npos) << program.Transcript();
    for (const auto & m : peer.Received<DualCompressedImage>(c.output)) {
      EXPECT_EQ(m.format, "h264_rgb");
      EXPECT_FALSE(m.raw_data.empty()) << "original_frame from the parameter file not applied";
    }
  } else {
    EXPECT_EQ(peer.Count(c.output), 0u);
    EXPECT_EQ(program.Stdout().find("free sources"), std::string::npos) << program.Transcript();
  }
  EXPECT_EQ(program.Stderr().find("encode timeout"), std::string::npos) << program.Transcript();
}

INSTANTIATE_TEST_SUITE_P(
  Cases, EncoderNaming, testing::Values(
    NamingCase{"defaults", {}, "/image_raw", "/image_raw/h264", "/image_raw/h264_skip_frame",
      "h264encoder_image_raw", true, SIGINT},
    NamingCase{"front_camera_every_second", {"topic_name:=/cam/front/image_raw", "skip_frame:=2"},
      "/cam/front/image_raw", "/cam/front/image_raw/h264_skip_frame",
      "/cam/front/image_raw/h264", "h264encoder_cam_front_image_raw", true, SIGTERM},
    NamingCase{"relative_topic", {"topic_name:=camera/image"}, "/camera/image",
      "/camera/image/h264", "/camera/image/h264_skip_frame", "h264encodercamera_image", true,
      SIGTERM},
    NamingCase{"skip_zero", {"skip_frame:=0"}, "/image_raw", "/image_raw/h264_skip_frame",
      "/image_raw/h264", "h264encoder_image_raw", false, SIGINT},
    NamingCase{"skip_negative", {"skip_frame:=-3"}, "/image_raw", "/image_raw/h264_skip_frame",
      "/image_raw/h264", "h264encoder_image_raw", false, SIGTERM}),
  [](const testing::TestParamInfo<NamingCase> & info) {return std::string(info.param.label);});

struct StartupErrorCase
{
  const char * label;
  std::vector<std::string> params;
  EtcConfig config;
  bool feed;            // the error comes with the first image, not at start
  Stream stream;        // where the explanation goes
  std::string message;  // text that must be on the FATAL line (or on stdout)
};

void PrintTo(const StartupErrorCase & c, std::ostream * os) {*os << c.label;}

class EncoderStartupError : public testing::TestWithParam<StartupErrorCase> {};

// Each start-up error ends the program with status 1 (no signal, no core dump) and one FATAL
// line naming what was wrong; an unparsable pipeline prints "Bad source" instead.
TEST_P(EncoderStartupError, EndsWithOneClearLine)
{
  const StartupErrorCase & c = GetParam();
  std::vector<std::string> args{"--ros-args"};
  for (const auto & p : c.params) {
    args.insert(args.end(), {"-p", p});
  }
  Peer peer;
  Program program(ENCODE_ALL_APP, args, c.config);
  if (c.feed) {
    ASSERT_TRUE(peer.WaitForSubscribers<Image>("/image_raw")) << program.Transcript();
    peer.Publish("/image_raw", MakeImage("rgb8", 32, 16, 3, 1));
  }
  const ExitStatus status = program.Wait();
  EXPECT_TRUE(status.exited && status.code == 1) << status.Describe() << program.Transcript();

  std::vector<std::string> fatal_lines;
  std::istringstream err(program.Stderr());
  for (std::string line; std::getline(err, line); ) {
    if (line.find("FATAL") != std::string::npos) {
      fatal_lines.push_back(line);
    }
  }
  if (c.stream == Stream::kStderr) {
    ASSERT_EQ(fatal_lines.size(), 1u) << program.Transcript();
    EXPECT_NE(fatal_lines[0].find(c.message), std::string::npos) << program.Transcript();
  } else {
    EXPECT_TRUE(fatal_lines.empty()) << program.Transcript();
    EXPECT_NE(program.Stdout().find(c.message), std::string::npos) << program.Transcript();
  }
}

INSTANTIATE_TEST_SUITE_P(
  Cases, EncoderStartupError, testing::Values(
    StartupErrorCase{"skip_frame_text", {"skip_frame:=often"}, EtcConfig::Profile("gst.yaml"),
      false, Stream::kStderr, "skip_frame"},
    StartupErrorCase{"original_frame_number", {"original_frame:=3"},
      EtcConfig::Profile("gst.yaml"), false, Stream::kStderr, "original_frame"},
    StartupErrorCase{"topic_name_number", {"topic_name:=5"}, EtcConfig::Profile("gst.yaml"),
      false, Stream::kStderr, "topic_name"},
    StartupErrorCase{"node_name_rejected", {"topic_name:=/cam-1/image"},
      EtcConfig::Profile("gst.yaml"), false, Stream::kStderr, "'h264encoder_cam-1_image'"},
    StartupErrorCase{"topic_name_rejected", {"topic_name:=/cam/image/"},
      EtcConfig::Profile("gst.yaml"), false, Stream::kStderr, "'/cam/image/'"},
    StartupErrorCase{"no_configuration_file", {}, EtcConfig::None(), true, Stream::kStderr,
      "/etc/kestrova/gst.yaml: key 'encoder_rgb_pipeline'"},
    StartupErrorCase{"key_missing", {}, EtcConfig::Text("decoder_pipeline: 'x ! %s'\n"), true,
      Stream::kStderr, "/etc/kestrova/gst.yaml: key 'encoder_rgb_pipeline'"},
    StartupErrorCase{"no_pipeline", {},
      EtcConfig::Text("encoder_rgb_pipeline:\n"),
      true, Stream::kStdout, "Bad source\n"}),
  [](const testing::TestParamInfo<StartupErrorCase> & info) {
    return std::string(info.param.label);
  });

}  // namespace
}  // namespace test
}  // namespace kestrova_h264

int main(int argc, char ** argv)
{
  return kestrova_h264::test::ProcessTestMain(argc, argv);
}
