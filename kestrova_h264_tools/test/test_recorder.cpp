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

// recorder as a process: the MP4 file it leaves after SIGINT is read by gst-discoverer-1.0 with
// the stream's size and duration and decodes to the recorded number of frames.

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "gst_helpers.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "process.hpp"

namespace kestrova_h264_tools
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using test::Peer;
using test::Program;
using test::ScratchDir;

// H.264 access units (byte-stream, SPS/PPS with each keyframe) of a moving test pattern, as the
// encoder program publishes them.
std::vector<std::vector<uint8_t>> EncodeFrames(
  int width, int height, int fps, int count, int keyframe_interval)
{
  Pipeline pipeline(
    "videotestsrc pattern=ball num-buffers=" + std::to_string(count) + " ! video/x-raw,width=" +
    std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=" +
    std::to_string(fps) + "/1 ! x264enc tune=zerolatency speed-preset=ultrafast bframes=0 "
    "key-int-max=" + std::to_string(keyframe_interval) +
    " ! video/x-h264,stream-format=byte-stream,alignment=au ! appsink name=out sync=false");
  ElementPtr sink = pipeline.Element("out");
  pipeline.Play(std::chrono::seconds(10));
  std::vector<std::vector<uint8_t>> frames;
  while (SamplePtr sample{gst_app_sink_pull_sample(GST_APP_SINK(sink.get()))}) {
    GstBuffer * buffer = gst_sample_get_buffer(sample.get());
    std::vector<uint8_t> bytes(gst_buffer_get_size(buffer));
    gst_buffer_extract(buffer, 0, bytes.data(), bytes.size());
    frames.push_back(std::move(bytes));
  }
  return frames;
}

// Decodes the MP4 file and returns the number of frames; `width`/`height` of the last one.
int DecodeFile(const std::string & path, int * width, int * height)
{
  Pipeline pipeline("filesrc name=file ! qtdemux ! h264parse ! avdec_h264 ! videoconvert ! "
    "appsink name=out sync=false");
  g_object_set(pipeline.Element("file").get(), "location", path.c_str(), nullptr);
  ElementPtr sink = pipeline.Element("out");
  pipeline.Play(std::chrono::seconds(10));
  int frames = 0;
  while (SamplePtr sample{gst_app_sink_pull_sample(GST_APP_SINK(sink.get()))}) {
    GstVideoInfo info;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
      *width = GST_VIDEO_INFO_WIDTH(&info);
      *height = GST_VIDEO_INFO_HEIGHT(&info);
    }
    ++frames;
  }
  EXPECT_EQ(pipeline.PopError(), "");
  return frames;
}

// gst-discoverer-1.0's reading of the file: duration in seconds, width and height.
struct Discovered
{
  double seconds = -1.0;
  int width = -1;
  int height = -1;
};

Discovered Discover(const std::string & path, std::string * report)
{
  int status = 0;
  *report = test::RunCommand("gst-discoverer-1.0 '" + path + "' 2>&1", &status);
  Discovered d;
  std::smatch m;
  if (std::regex_search(*report, m, std::regex(R"(Duration: (\d+):(\d+):(\d+\.\d+))"))) {
    d.seconds = std::stod(m[1]) * 3600 + std::stod(m[2]) * 60 + std::stod(m[3]);
  }
  if (std::regex_search(*report, m, std::regex(R"(Width: (\d+))"))) {
    d.width = std::stoi(m[1]);
  }
  if (std::regex_search(*report, m, std::regex(R"(Height: (\d+))"))) {
    d.height = std::stoi(m[1]);
  }
  return d;
}

struct RecordCase
{
  const char * name;
  int width;
  int height;
  int fps;
  int frames;            // encoded
  int keyframe_interval;
  int first_published;   // frames before it are never published (a recorder joining late)
  int recorded;          // frames in the file: from the first keyframe published
};

const RecordCase kRecordCases[] = {
  {"from a keyframe", 320, 240, 30, 45, 15, 0, 45},
  {"odd size, joined within a group of pictures", 642, 362, 15, 40, 10, 3, 30},
};

// The file holds the frames from the first keyframe on, at the stamps' pace, with the stream's
// size; SIGINT finalises it.
TEST(Recorder, WritesPlayableMp4) {
  InitGstreamer();
  Peer peer;
  int index = 0;
  for (const RecordCase & c : kRecordCases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string topic = "/rec" + std::to_string(index++) + "/h264";
    const std::string path = dir / "out.mp4";
    const auto frames = EncodeFrames(c.width, c.height, c.fps, c.frames, c.keyframe_interval);
    ASSERT_EQ(frames.size(), static_cast<size_t>(c.frames));

    Program program(RECORDER, {"--ros-args", "-p", "topic:=" + topic, "-p", "path:=" + path,
        "--log-level", "recorder:=debug"});
    ASSERT_TRUE(peer.WaitForSubscriber<DualCompressedImage>(topic)) << program.Transcript();
    // A frame that is no keyframe, until the recorder shows it has one: the path is open both
    // ways before the recording starts.
    ASSERT_TRUE(test::WaitUntil([&] {
        DualCompressedImage probe;
        probe.data = frames[1];
        peer.Publisher<DualCompressedImage>(topic)->publish(probe);
        return program.WaitForText("skipped", std::chrono::milliseconds(100));
      })) << program.Transcript();
    const int64_t base_ns = 1700000000LL * 1000000000LL;
    for (int i = c.first_published; i < c.frames; ++i) {
      DualCompressedImage message;
      const int64_t stamp = base_ns + static_cast<int64_t>(i) * 1000000000LL / c.fps;
      message.header.stamp.sec = static_cast<int32_t>(stamp / 1000000000LL);
      message.header.stamp.nanosec = static_cast<uint32_t>(stamp % 1000000000LL);
      message.format = "h264_rgb";
      message.data = frames[i];
      peer.Publisher<DualCompressedImage>(topic)->publish(message);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(program.WaitForText("recorded frame " + std::to_string(c.recorded)))
      << program.Transcript();
    program.Signal(SIGINT);
    const auto status = program.Wait();
    ASSERT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();
    EXPECT_NE(program.Stdout().find("wrote " + std::to_string(c.recorded) + " frames"),
      std::string::npos) << program.Transcript();

    std::string report;
    const Discovered d = Discover(path, &report);
    EXPECT_EQ(d.width, c.width) << report;
    EXPECT_EQ(d.height, c.height) << report;
    const double expected = static_cast<double>(c.recorded) / c.fps;
    EXPECT_NEAR(d.seconds, expected, 1.0 / c.fps) << report;

    int width = 0;
    int height = 0;
    EXPECT_EQ(DecodeFile(path, &width, &height), c.recorded);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

// Without a keyframe nothing can be played: no file is written, and the program still ends
// cleanly.
TEST(Recorder, NoKeyframeNoFile) {
  InitGstreamer();
  Peer peer;
  ScratchDir dir;
  const std::string path = dir / "never.mp4";
  const auto frames = EncodeFrames(160, 120, 30, 10, 30);
  Program program(RECORDER, {"--ros-args", "-p", "topic:=/nokey/h264", "-p", "path:=" + path});
  ASSERT_TRUE(peer.WaitForSubscriber<DualCompressedImage>("/nokey/h264")) << program.Transcript();
  for (size_t i = 1; i < frames.size(); ++i) {
    DualCompressedImage message;
    message.data = frames[i];
    peer.Publisher<DualCompressedImage>("/nokey/h264")->publish(message);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  program.Signal(SIGINT);
  const auto status = program.Wait();
  EXPECT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();
  EXPECT_NE(program.Stdout().find("no keyframe received"), std::string::npos)
    << program.Transcript();
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::test::ProcessTestMain(argc, argv);
}
