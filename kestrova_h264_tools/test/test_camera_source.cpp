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

// camera_source as a process: what its frames carry for each encoding and source, and how it
// ends.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "process.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264_tools
{
namespace
{

using sensor_msgs::msg::Image;
using test::Peer;
using test::Program;
using test::ScratchDir;

int64_t StampNs(const Image & image)
{
  return static_cast<int64_t>(image.header.stamp.sec) * 1000000000 + image.header.stamp.nanosec;
}

// Every pixel of `image` equals `pixel` (bytes of one pixel), read with the image's step.
bool Uniform(const Image & image, const std::vector<uint8_t> & pixel)
{
  for (uint32_t y = 0; y < image.height; ++y) {
    for (uint32_t x = 0; x < image.width; ++x) {
      for (size_t b = 0; b < pixel.size(); ++b) {
        if (image.data[y * image.step + x * pixel.size() + b] != pixel[b]) {
          return false;
        }
      }
    }
  }
  return true;
}

// Depth frames: millimetres within the scene's range, with some pixels marked as unmeasured.
bool PlausibleDepth(const Image & image)
{
  size_t zeros = 0;
  for (size_t i = 0; i + 1 < image.data.size(); i += 2) {
    const unsigned mm = image.data[i] | (image.data[i + 1] << 8);
    if (mm == 0) {
      ++zeros;
    } else if (mm < 500 || mm > 5100) {
      return false;
    }
  }
  return zeros > 0 && zeros < image.data.size() / 2;
}

struct FrameCase
{
  const char * name;
  std::vector<std::string> params;
  const char * encoding;
  uint32_t width;
  uint32_t height;
  uint32_t bytes_per_pixel;
  bool moving;                                // consecutive frames differ
  std::function<bool(const Image &)> content;  // nullptr: not checked
};

const FrameCase kFrameCases[] = {
  {"rgb8 test pattern", {"encoding:=rgb8", "width:=64", "height:=48"}, "rgb8", 64, 48, 3, true,
    nullptr},
  {"rgb8 channel order, odd width",
    {"encoding:=rgb8", "width:=33", "height:=17", "pattern:=red"}, "rgb8", 33, 17, 3, false,
    [](const Image & i) {return Uniform(i, {255, 0, 0});}},
  {"bgr8 channel order, odd width",
    {"encoding:=bgr8", "width:=33", "height:=17", "pattern:=red"}, "bgr8", 33, 17, 3, false,
    [](const Image & i) {return Uniform(i, {0, 0, 255});}},
  {"mono8, odd width", {"encoding:=mono8", "width:=33", "height:=17", "pattern:=white"}, "mono8",
    33, 17, 1, false, [](const Image & i) {return i.data[0] >= 200 && Uniform(i, {i.data[0]});}},
  {"mono16 depth scene", {"encoding:=mono16", "width:=80", "height:=60"}, "mono16", 80, 60, 2,
    true, PlausibleDepth},
  {"16UC1 depth scene", {"encoding:=16UC1", "width:=81", "height:=61"}, "16UC1", 81, 61, 2,
    true, PlausibleDepth},
};

// Each encoding gives packed frames of the asked size with the frame id, stamps from the clock
// that increase, and the expected pixels; SIGINT ends the program with status 0.
TEST(CameraSource, FramesOfEachEncoding) {
  Peer peer;
  int index = 0;
  for (const FrameCase & c : kFrameCases) {
    SCOPED_TRACE(c.name);
    const std::string topic = "/cs" + std::to_string(index++) + "/image";
    peer.Listen<Image>(topic);
    std::vector<std::string> args{"--ros-args", "-p", "topic:=" + topic, "-p", "frame_id:=cam",
      "-p", "rate:=20.0"};
    for (const auto & p : c.params) {
      args.insert(args.end(), {"-p", p});
    }
    const int64_t start_ns = peer.node().now().nanoseconds();
    Program program(CAMERA_SOURCE, args);
    ASSERT_TRUE(test::WaitUntil([&] {return peer.Count(topic) >= 4;})) << program.Transcript();
    program.Signal(SIGINT);
    const auto status = program.Wait();
    EXPECT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();

    const auto frames = peer.Received<Image>(topic);
    const int64_t end_ns = peer.node().now().nanoseconds();
    for (size_t i = 0; i < frames.size(); ++i) {
      const Image & f = frames[i];
      ASSERT_EQ(f.encoding, c.encoding);
      ASSERT_EQ(f.width, c.width);
      ASSERT_EQ(f.height, c.height);
      ASSERT_EQ(f.step, c.width * c.bytes_per_pixel);
      ASSERT_EQ(f.data.size(), static_cast<size_t>(f.step) * f.height);
      EXPECT_EQ(f.is_bigendian, 0);
      EXPECT_EQ(f.header.frame_id, "cam");
      EXPECT_GE(StampNs(f), start_ns);
      EXPECT_LE(StampNs(f), end_ns);
      if (i > 0) {
        EXPECT_GT(StampNs(f), StampNs(frames[i - 1]));
      }
      if (c.content) {
        EXPECT_TRUE(c.content(f)) << "frame " << i;
      }
    }
    if (c.moving) {
      EXPECT_NE(frames[0].data, frames[1].data);
    }
  }
}

// A video file: played once the program ends by itself after the file's frames; looped it goes
// on past them. Its frames are scaled to the asked size, or keep their own size when none is
// asked.
TEST(CameraSource, VideoFile) {
  ScratchDir dir;
  const std::string video = dir / "ten frames.mp4";
  int status = 0;
  test::RunCommand(
    "gst-launch-1.0 -q videotestsrc num-buffers=10 pattern=ball ! "
    "video/x-raw,width=64,height=48,framerate=10/1 ! x264enc ! mp4mux ! filesink location='" +
    video + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << "cannot make the test video";

  Peer peer;
  {
    SCOPED_TRACE("played once, own size and rate");
    peer.Listen<Image>("/once");
    Program program(CAMERA_SOURCE, {"--ros-args", "-p", "topic:=/once", "-p", "video:=" + video,
        "-p", "width:=0", "-p", "height:=0", "-p", "rate:=0.0"});
    const auto end = program.Wait();
    EXPECT_TRUE(end.exited && end.code == 0) << end.Describe() << program.Transcript();
    EXPECT_NE(program.Stderr().find("at 10.00 Hz"), std::string::npos) << program.Transcript();
    const auto frames = peer.Received<Image>("/once");
    EXPECT_GE(frames.size(), 1u) << program.Transcript();
    EXPECT_LE(frames.size(), 10u);
    for (const Image & f : frames) {
      EXPECT_EQ(f.width, 64u);
      EXPECT_EQ(f.height, 48u);
    }
  }
  {
    SCOPED_TRACE("looped, scaled");
    peer.Listen<Image>("/loop");
    Program program(CAMERA_SOURCE, {"--ros-args", "-p", "topic:=/loop", "-p", "video:=" + video,
        "-p", "loop:=true", "-p", "width:=32", "-p", "height:=24", "-p", "rate:=50.0"});
    EXPECT_TRUE(test::WaitUntil([&] {return peer.Count("/loop") >= 25;})) << program.Transcript();
    program.Signal(SIGINT);
    const auto end = program.Wait();
    EXPECT_TRUE(end.exited && end.code == 0) << end.Describe() << program.Transcript();
    for (const Image & f : peer.Received<Image>("/loop")) {
      EXPECT_EQ(f.width, 32u);
      EXPECT_EQ(f.height, 24u);
    }
  }
}

struct FailureCase
{
  const char * name;
  std::vector<std::string> params;
  const char * text;  // expected in the one FATAL line
};

const FailureCase kFailureCases[] = {
  {"unknown encoding", {"encoding:=yuv422"}, "parameter 'encoding': 'yuv422' is not one of"},
  {"missing video file", {"video:=/nonexistent/clip.mp4"}, "/nonexistent/clip.mp4"},
  {"missing device", {"device:=/dev/kestrova_no_camera"}, "/dev/kestrova_no_camera"},
  {"both device and file", {"device:=/dev/video0", "video:=a.mp4"}, "give at most one"},
  {"negative rate", {"rate:=-1.0"}, "parameter 'rate'"},
};

// A source that cannot start ends the program with one FATAL line naming the problem and
// status 1.
TEST(CameraSource, StartFailures) {
  for (const FailureCase & c : kFailureCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"--ros-args", "-p", "topic:=/fail"};
    for (const auto & p : c.params) {
      args.insert(args.end(), {"-p", p});
    }
    Program program(CAMERA_SOURCE, args);
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

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::test::ProcessTestMain(argc, argv);
}
