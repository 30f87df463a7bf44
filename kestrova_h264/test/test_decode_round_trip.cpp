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

// Both programs together: test publisher -> encode_all_app -> decode_all_app -> test reader.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_support.hpp"

namespace kestrova_h264
{
namespace
{

using sensor_msgs::msg::Image;
using std::chrono::milliseconds;
using test::EtcConfig;
using test::Peer;
using test::Program;
using test::Stream;

constexpr char kRaw[] = "/image_raw";
constexpr char kDecoded[] = "/image_raw_new";
constexpr int kKeyframeInterval = 30;

bool HaveEncoder()
{
  return std::string(ENCODE_ALL_APP).size() != 0;
}

// The encoder and the decoder of one profile, and the peer around them.
class Chain
{
public:
  explicit Chain(const char * profile)
  : encoder(ENCODE_ALL_APP, {"--ros-args", "-p", "original_frame:=true"},
      EtcConfig::Profile(profile)),
    decoder(DECODE_ALL_APP, {"--ros-args", "-p", "topic_name:=/image_raw/h264"},
      EtcConfig::Profile(profile))
  {
    peer.Listen<Image>(kDecoded);
  }

  // An image of an encoding the encoder does not code crosses both programs without creating
  // either coder; once one comes out, every endpoint on the way has been discovered.
  bool Probe()
  {
    const Image probe = test::MakeImage("bgr8", 4, 4, 3, 0);
    if (!Peer::WaitUntil(
        [&] {
          const std::size_t before = peer.Count(kDecoded);
          peer.Publish(kRaw, probe);
          return peer.WaitForMessages(kDecoded, before + 1, milliseconds(1000));
        }, test::kLongWait))
    {
      return false;
    }
    while (peer.WaitForMessages(kDecoded, peer.Count(kDecoded) + 1, milliseconds(500))) {
    }
    return true;
  }

  std::string Transcript() const
  {
    return "encoder:\n" + encoder.Transcript() + "decoder:\n" + decoder.Transcript();
  }

  Peer peer;
  Program encoder;
  Program decoder;
};

struct Case
{
  const char * name;
  const char * profile;
  const char * encoding;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t bytes_per_pixel;
  const char * out_encoding;
  const char * equal_text;
};

const Case kCases[] = {
  {"mono16, default profile", "gst.yaml", "mono16", 320, 240, 2, "16UC1",
    "******************************"},
  {"rgb8, lossless profile", "gst-lossless.yaml", "rgb8", 320, 240, 3, "rgb8",
    "!!!!the original image and decode image are equal"},
  {"rgb8 642 wide, lossless profile", "gst-lossless.yaml", "rgb8", 642, 240, 3, "rgb8",
    "!!!!the original image and decode image are equal"},
};

// From the first keyframe that reaches a ready decoder on, every image comes back, equal to
// what was sent and laid out as sent.
TEST(RoundTrip, EveryImageAfterTheFirstKeyframeComesBackEqual) {
  if (!HaveEncoder()) {
    GTEST_SKIP() << "encode_all_app is not part of this build";
  }
  for (const Case & c : kCases) {
    SCOPED_TRACE(c.name);
    Chain chain(c.profile);
    ASSERT_TRUE(chain.Probe()) << chain.Transcript();
    std::vector<Image> sent;
    int first = -1;
    for (int t = 1; t <= 2 * kKeyframeInterval + 10; ++t) {
      sent.push_back(test::MakeImage(c.encoding, c.width, c.height, c.bytes_per_pixel, t));
      const std::size_t before = chain.peer.Count(kDecoded);
      chain.peer.Publish(kRaw, sent.back());
      const bool expected = first >= 0;
      if (!chain.peer.WaitForMessages(
          kDecoded, before + 1, expected ? test::kLongWait : milliseconds(300)))
      {
        EXPECT_FALSE(expected) << "image " << t << " lost after the first at " << first;
        continue;
      }
      const Image out = chain.peer.Received<Image>(kDecoded).at(before);
      if (first < 0) {
        first = t;
      }
      EXPECT_EQ(out.header.stamp.sec, t);
      EXPECT_EQ(out.encoding, c.out_encoding);
      EXPECT_EQ(out.width, c.width);
      EXPECT_EQ(out.height, c.height);
      EXPECT_EQ(out.step, c.width * c.bytes_per_pixel);
      EXPECT_TRUE(out.data == sent.back().data) << "image " << t << " differs";
    }
    ASSERT_GE(first, 0) << chain.Transcript();
    // Image 1 creates the encoder; image 2 is its first keyframe and creates the decoder.
    EXPECT_LE(first, 2 + kKeyframeInterval + 1);
    EXPECT_NE(chain.decoder.Stderr().find(c.equal_text), std::string::npos);
    EXPECT_EQ(chain.decoder.Stderr().find("are not equal"), std::string::npos);
  }
}

// A decoder started while the encoder streams at 30 images a second publishes from the first
// keyframe after its first message: within 30 images, one second.
TEST(RoundTrip, LateDecoderPublishesWithinOneKeyframeInterval) {
  if (!HaveEncoder()) {
    GTEST_SKIP() << "encode_all_app is not part of this build";
  }
  Peer peer;
  peer.Listen<Image>(kDecoded);
  Program encoder(ENCODE_ALL_APP, {}, EtcConfig::Profile("gst.yaml"));
  std::atomic<int> clock{0};
  std::atomic<bool> stop{false};
  std::thread camera([&] {
      while (!stop) {
        peer.Publish(kRaw, test::MakeImage("mono16", 320, 240, 2, ++clock));
        std::this_thread::sleep_for(milliseconds(33));
      }
    });
  ASSERT_TRUE(encoder.WaitForText(Stream::kStdout, "appsrc")) << encoder.Transcript();
  std::this_thread::sleep_for(std::chrono::seconds(2));

  Program decoder(
    DECODE_ALL_APP, {"--ros-args", "-p", "topic_name:=/image_raw/h264"},
    EtcConfig::Profile("gst.yaml"));
  // The decoder prints its pipeline when its first message creates it.
  const bool created = decoder.WaitForText(Stream::kStdout, "appsrc");
  const int first_message = clock;
  const auto created_at = std::chrono::steady_clock::now();
  const bool published = created && peer.WaitForMessages(kDecoded, 1);
  const auto published_at = std::chrono::steady_clock::now();
  stop = true;
  camera.join();
  ASSERT_TRUE(published) << encoder.Transcript() << decoder.Transcript();
  const int first_image = peer.Received<Image>(kDecoded).front().header.stamp.sec;
  std::printf(
    "[ late start ] first image %d, %d images and %lld ms after the decoder's first message\n",
    first_image, first_image - first_message,
    static_cast<long long>(std::chrono::duration_cast<milliseconds>(
      published_at - created_at).count()));
  // A few images of slack for polling the decoder's output.
  EXPECT_LE(first_image - first_message, kKeyframeInterval + 3);
}

}  // namespace
}  // namespace kestrova_h264

int main(int argc, char ** argv)
{
  return kestrova_h264::test::ProcessTestMain(argc, argv);
}
