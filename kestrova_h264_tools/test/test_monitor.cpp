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

// monitor as a process, fed by synthetic camera, H.264 and decoded topics whose figures are
// known: compression ratio, PSNR, latency, lost frames, and the comparison picture.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "png_writer.hpp"
#include "process.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264_tools
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using sensor_msgs::msg::Image;
using test::Peer;
using test::Program;
using test::ScratchDir;

constexpr uint32_t kWidth = 32;
constexpr uint32_t kHeight = 24;
constexpr int kFrames = 20;
constexpr int64_t kLatencyNs = 60000000;  // stamps are set this far in the past

struct MonitorCase
{
  const char * name;
  const char * camera_encoding;
  const char * decoded_encoding;
  uint32_t bytes_per_pixel;
  uint32_t h264_bytes;        // size of each H.264 message
  int error;                  // added to every decoded sample
  const char * ratio;         // expected compression ratio text
  const char * psnr;          // expected PSNR text of the summary
  uint8_t difference;         // expected value of the amplified difference picture
};

// 8-bit: every sample off by 4 gives MSE 16, PSNR 10 log10(255^2 / 16) = 36.09 dB, and a
// difference of 4 x 8 = 32 in the picture. 16-bit depth comes back unchanged.
const MonitorCase kCases[] = {
  {"rgb8, lossy", "rgb8", "rgb8", 3, 96, 4, "ratio 24:1", "PSNR mean 36.09 dB min 36.09 dB", 32},
  {"mono16 depth, lossless", "mono16", "16UC1", 2, 512, 0, "ratio 3.0:1", "PSNR lossless", 0},
};

// Frames the decoded topic never shows (the monitor reports them lost).
const std::set<int> kDropped = {7, 8};

Image MakeImage(const char * encoding, uint32_t bytes_per_pixel, int t, int error)
{
  Image image;
  image.encoding = encoding;
  image.width = kWidth;
  image.height = kHeight;
  image.step = kWidth * bytes_per_pixel;
  image.data.resize(static_cast<size_t>(image.step) * kHeight);
  for (size_t i = 0; i < image.data.size(); ++i) {
    // Values 20..219: an error of a few units never clips.
    image.data[i] = static_cast<uint8_t>(20 + (i * 7 + t * 13) % 200 + error);
  }
  return image;
}

// The monitor's figures match what the topics carried; on SIGINT it writes the comparison
// picture (original | decoded | amplified difference) and a summary line.
TEST(Monitor, FiguresAndPicture) {
  Peer peer;
  int index = 0;
  for (const MonitorCase & c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string topic = "/mon" + std::to_string(index++);
    const std::string png = dir / "compare.png";
    Program program(MONITOR, {"--ros-args", "-p", "topic:=" + topic, "-p", "image:=" + png,
        "-p", "window:=0.3"});
    ASSERT_TRUE(peer.WaitForSubscriber<Image>(topic)) << program.Transcript();
    ASSERT_TRUE(peer.WaitForSubscriber<DualCompressedImage>(topic + "/h264"));
    ASSERT_TRUE(peer.WaitForSubscriber<Image>(topic + "_new"));
    // Our writers see the monitor's readers; give the monitor's side of the discovery a moment
    // too, so the first frames are not published before it listens.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    for (int t = 0; t < kFrames; ++t) {
      const rclcpp::Time stamp = peer.node().now() - rclcpp::Duration(0, kLatencyNs);
      Image original = MakeImage(c.camera_encoding, c.bytes_per_pixel, t, 0);
      original.header.stamp = stamp;
      peer.Publisher<Image>(topic)->publish(original);
      DualCompressedImage h264;
      h264.header = original.header;
      h264.data.assign(c.h264_bytes, 0);
      peer.Publisher<DualCompressedImage>(topic + "/h264")->publish(h264);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (kDropped.count(t) == 0) {
        Image decoded = MakeImage(c.decoded_encoding, c.bytes_per_pixel, t, c.error);
        decoded.header = original.header;
        peer.Publisher<Image>(topic + "_new")->publish(decoded);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The dropped frames expire from the matching window and show in a status line.
    ASSERT_TRUE(program.WaitForText("lost 2\n")) << program.Transcript();
    program.Signal(SIGINT);
    const auto status = program.Wait();
    ASSERT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();

    const std::string out = program.Stdout();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m, std::regex("monitor summary: .*"))) << out;
    const std::string summary = m.str();
    EXPECT_NE(summary.find("20 frames in, 20 h264, 18 out, 2 lost"), std::string::npos)
      << summary;
    EXPECT_NE(summary.find(c.ratio), std::string::npos) << summary;
    EXPECT_NE(summary.find(c.psnr), std::string::npos) << summary;
    const std::regex latency(R"(latency p50 ([0-9.]+) ms p99 ([0-9.]+) ms)");
    ASSERT_TRUE(std::regex_search(summary, m, latency)) << summary;
    EXPECT_GE(std::stod(m[1]), kLatencyNs / 1e6);
    EXPECT_GE(std::stod(m[2]), std::stod(m[1]));
    EXPECT_NE(summary.find(png), std::string::npos) << summary;

    // The picture shows the last frame that came back: t = kFrames - 1.
    uint32_t width = 0;
    uint32_t height = 0;
    const auto rgb = ReadPngRgb(png, &width, &height);
    ASSERT_EQ(width, 3 * kWidth);
    ASSERT_EQ(height, kHeight);
    const Image original = MakeImage(c.camera_encoding, c.bytes_per_pixel, kFrames - 1, 0);
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < kWidth; ++x) {
        const uint8_t * left = &rgb[(y * width + x) * 3];
        const uint8_t * middle = &rgb[(y * width + kWidth + x) * 3];
        const uint8_t * right = &rgb[(y * width + 2 * kWidth + x) * 3];
        for (int ch = 0; ch < 3; ++ch) {
          if (c.bytes_per_pixel == 3) {
            ASSERT_EQ(left[ch], original.data[y * original.step + x * 3 + ch]) << x << "," << y;
            ASSERT_EQ(middle[ch], left[ch] + c.error) << x << "," << y;
          } else {
            ASSERT_EQ(middle[ch], left[ch]) << x << "," << y;
          }
          ASSERT_EQ(right[ch], c.difference) << x << "," << y;
        }
      }
    }
  }
}

// Without any decoded frame the monitor still ends cleanly, says so and writes no picture.
TEST(Monitor, NothingDecoded) {
  ScratchDir dir;
  Program program(
    MONITOR, {"--ros-args", "-p", "topic:=/quiet", "-p", "image:=" + (dir / "x.png")});
  ASSERT_TRUE(program.WaitForText("monitor: in 0.0/s")) << program.Transcript();
  program.Signal(SIGINT);
  const auto status = program.Wait();
  EXPECT_TRUE(status.exited && status.code == 0) << status.Describe() << program.Transcript();
  EXPECT_NE(program.Stdout().find("no picture written"), std::string::npos)
    << program.Transcript();
}

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::test::ProcessTestMain(argc, argv);
}
