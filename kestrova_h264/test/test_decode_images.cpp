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

// decode_all_app alone, fed over DDS with H.264 made in this process: how messages become
// images, the comparison with raw_data, timeouts, signals and bad input.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frames.hpp"
#include "kestrova_h264/coder.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_support.hpp"

namespace kestrova_h264
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using sensor_msgs::msg::Image;
using std::chrono::milliseconds;
using test::EtcConfig;
using test::Peer;
using test::Program;
using test::Stream;
using Bytes = std::vector<std::uint8_t>;

constexpr char kInput[] = "/cam/h264";
constexpr char kOutput[] = "/cam_new";
constexpr char kRgbEqual[] = "!!!!the original image and decode image are equal";
constexpr char kGrayEqual[] = "******************************";
constexpr char kNotEqual[] = "the original image and decode image are not equal";
constexpr char kTimeout[] = "decode timeout, cv_ready is 0";
constexpr int kKeyframeInterval = 30;

// Bit-exact for both formats; gray frames go through 4:4:4 so that odd widths encode too.
const char kLosslessConfig[] =
  "encoder_rgb_pipeline: >-\n"
  "  appsrc name=input format=time caps=\"%s\" !\n"
  "  videoconvert matrix-mode=none ! video/x-raw,format=Y444 !\n"
  "  x264enc tune=zerolatency speed-preset=ultrafast pass=quant quantizer=0\n"
  "  key-int-max=30 bframes=0 rc-lookahead=0 sliced-threads=true !\n"
  "  video/x-h264,stream-format=byte-stream,alignment=au ! appsink name=output\n"
  "encoder_gray_pipeline: >-\n"
  "  appsrc name=input format=time caps=\"%s\" !\n"
  "  videoconvert matrix-mode=none ! video/x-raw,format=Y444 !\n"
  "  x264enc tune=zerolatency speed-preset=ultrafast pass=quant quantizer=0\n"
  "  key-int-max=30 bframes=0 rc-lookahead=0 sliced-threads=true !\n"
  "  video/x-h264,stream-format=byte-stream,alignment=au ! appsink name=output\n"
  "decoder_pipeline: >-\n"
  "  appsrc name=input format=time caps=\"video/x-h264,stream-format=byte-stream,alignment=au\" !\n"
  "  h264parse ! avdec_h264 name=decoder thread-type=slice ! videoconvert matrix-mode=none !\n"
  "  appsink name=output caps=\"%s\"\n";

struct Frame
{
  Bytes raw;
  Bytes h264;
};

// Encodes `count` frames of a moving scene in this process (keyframes at 0, 30, 60 ...).
std::vector<Frame> EncodeStream(Format format, int width, int height, int count)
{
  {
    std::ofstream out("/etc/kestrova/gst.yaml", std::ios::trunc);
    out << kLosslessConfig;
  }
  std::vector<std::uint8_t> data;
  std::condition_variable cv;
  std::mutex mutex;
  int ready = 0;
  VideoEncoder encoder(width, height, 30, format, &data, &cv, &mutex, &ready);
  std::vector<Frame> frames;
  for (int i = 0; i < count; ++i) {
    Frame frame;
    frame.raw = test::SceneFrame(width, height, format == Format::RGB ? 3 : 1, i);
    {
      std::lock_guard<std::mutex> lock(mutex);
      ready = 0;
    }
    encoder.PushFrame(frame.raw.data(), static_cast<std::uint32_t>(frame.raw.size()));
    std::unique_lock<std::mutex> lock(mutex);
    if (!cv.wait_for(lock, std::chrono::seconds(10), [&] {return ready == 1;})) {
      ADD_FAILURE() << "no H.264 for frame " << i;
      return {};
    }
    frame.h264 = data;
    frames.push_back(std::move(frame));
  }
  return frames;
}

DualCompressedImage Message(const char * format, const Bytes & h264, int stamp, Bytes raw = {})
{
  DualCompressedImage message;
  message.header.stamp.sec = stamp;
  message.header.frame_id = "cam";
  message.format = format;
  message.data = h264;
  message.raw_data = std::move(raw);
  return message;
}

// One decode_all_app on kInput -> kOutput and the peer that feeds and reads it.
class Decoder
{
public:
  Decoder()
  : program(DECODE_ALL_APP, {"--ros-args", "-p", std::string("topic_name:=") + kInput},
      EtcConfig::Text(kLosslessConfig))
  {
    peer.Listen<Image>(kOutput);
    ready = peer.WaitForSubscribers<DualCompressedImage>(kInput) &&
      peer.WaitForPublisher(kOutput) && Probe();
  }

  // Publishes `message` and waits up to `wait` for one more image; returns it, or null.
  std::unique_ptr<Image> Send(const DualCompressedImage & message, milliseconds wait)
  {
    const std::size_t before = peer.Count(kOutput);
    peer.Publish(kInput, message);
    if (!peer.WaitForMessages(kOutput, before + 1, wait)) {
      return nullptr;
    }
    return std::make_unique<Image>(peer.Received<Image>(kOutput).at(before));
  }

  // Discovery completes on each side on its own: a message sent as soon as the peer sees the
  // program's endpoints can still be lost. A message of a format the node does not know changes
  // nothing in it and comes back as an image, so it is sent until one does.
  bool Probe()
  {
    DualCompressedImage probe;
    probe.format = "probe";
    if (!Peer::WaitUntil([&] {return Send(probe, milliseconds(1000)) != nullptr;},
      test::kLongWait))
    {
      return false;
    }
    // Replies to earlier probes may still be on their way; they must not pass for the answer
    // to a later message.
    while (peer.WaitForMessages(kOutput, peer.Count(kOutput) + 1, milliseconds(500))) {
    }
    return true;
  }

  // Log lines of the program (rcutils writes them to standard error).
  std::string Log() const {return program.Stderr();}

  Peer peer;
  Program program;
  bool ready = false;
};

constexpr milliseconds kFrameWait{5000};   // a frame that must come
constexpr milliseconds kNoFrameWait{300};  // a message that must give nothing

struct PathCase
{
  const char * name;
  Format format;
  const char * tag;
  int width;        // of the frame that travels
  int height;
  std::uint32_t out_width;
  std::uint32_t out_step;
  const char * encoding;
  const char * equal_text;
};

const PathCase kPathCases[] = {
  {"rgb 1280x720", Format::RGB, "h264_rgb", 1280, 720, 1280, 3840, "rgb8", kRgbEqual},
  {"gray 1280x720", Format::GRAY, "h264_gray", 1280, 720, 640, 1280, "16UC1", kGrayEqual},
  {"gray 1281 wide", Format::GRAY, "h264_gray", 1281, 64, 640, 1280, "16UC1", kGrayEqual},
};

// Each path turns decoded frames into images of its layout, with the message's header and the
// exact bytes, and reports the equality with raw_data in its own words.
TEST(DecoderImages, EachPathRebuildsItsLayout) {
  for (const PathCase & c : kPathCases) {
    SCOPED_TRACE(c.name);
    const auto frames = EncodeStream(c.format, c.width, c.height, 3);
    ASSERT_EQ(frames.size(), 3u);
    Decoder decoder;
    ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
    // The first message creates the decoder only.
    EXPECT_EQ(decoder.Send(Message(c.tag, frames[0].h264, 100), kNoFrameWait), nullptr);
    for (int i = 0; i < 3; ++i) {
      const auto message = Message(c.tag, frames[i].h264, i, frames[i].raw);
      auto image = decoder.Send(message, kFrameWait);
      // A new pipeline may need longer than the wait for its very first frame (plugin loading,
      // negotiation); that frame lands late and the keyframe is sent again.
      for (int retry = 0; !image && i == 0 && retry < 3; ++retry) {
        image = decoder.Send(message, kFrameWait);
      }
      ASSERT_NE(image, nullptr) << "frame " << i << decoder.program.Transcript();
      EXPECT_EQ(image->header.stamp.sec, i);
      EXPECT_EQ(image->header.frame_id, "cam");
      EXPECT_EQ(image->width, c.out_width);
      EXPECT_EQ(image->height, static_cast<std::uint32_t>(c.height));
      EXPECT_EQ(image->step, c.out_step);
      EXPECT_EQ(image->encoding, c.encoding);
      EXPECT_EQ(image->is_bigendian, 0);
      EXPECT_TRUE(image->data == frames[i].raw) << "frame " << i << " differs";
    }
    EXPECT_TRUE(decoder.program.WaitForText(Stream::kStderr, c.equal_text));
    EXPECT_EQ(decoder.Log().find(kNotEqual), std::string::npos);
  }
}

// The first message's data never reaches the decoder: the P-frames after a consumed keyframe
// have no reference, and images come again from the next keyframe on, every one.
TEST(DecoderImages, FirstMessageOnlyCreatesTheDecoder) {
  const auto frames = EncodeStream(Format::RGB, 320, 240, kKeyframeInterval + 5);
  ASSERT_FALSE(frames.empty());
  Decoder decoder;
  ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
  std::vector<int> published;
  for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
    const bool expected = i >= kKeyframeInterval;
    auto image = decoder.Send(
      Message("h264_rgb", frames[i].h264, i), expected ? kFrameWait : kNoFrameWait);
    if (image) {
      published.push_back(image->header.stamp.sec);
      EXPECT_TRUE(image->data == frames[image->header.stamp.sec].raw);
    }
  }
  std::vector<int> expected;
  for (int i = kKeyframeInterval; i < static_cast<int>(frames.size()); ++i) {
    expected.push_back(i);
  }
  EXPECT_EQ(published, expected);
  EXPECT_NE(decoder.Log().find(kTimeout), std::string::npos);
}

// A message of a format the node does not know is not decoded; the node republishes the
// initial image before any decoding and the last image, with its old header, afterwards.
TEST(DecoderImages, UnknownFormatRepublishesTheCurrentImage) {
  const auto frames = EncodeStream(Format::GRAY, 320, 64, 2);
  ASSERT_EQ(frames.size(), 2u);
  Decoder decoder;
  ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();

  for (const char * tag : {"", "h264_RGB"}) {
    SCOPED_TRACE(std::string("before decoding, format '") + tag + "'");
    auto initial = decoder.Send(Message(tag, frames[0].h264, 50), kFrameWait);
    ASSERT_NE(initial, nullptr);
    EXPECT_EQ(*initial, Image());
  }
  // Still the first known message: it creates the decoder and publishes nothing.
  EXPECT_EQ(decoder.Send(Message("h264_gray", frames[0].h264, 60), kNoFrameWait), nullptr);
  auto last = decoder.Send(Message("h264_gray", frames[0].h264, 1), kFrameWait);
  ASSERT_NE(last, nullptr);
  for (const char * tag : {"", "jpeg", "H264_GRAY"}) {
    SCOPED_TRACE(std::string("after decoding, format '") + tag + "'");
    auto again = decoder.Send(Message(tag, frames[1].h264, 70), kFrameWait);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(*again, *last);
  }
}

struct RawCase
{
  const char * name;
  int change;          // 0: identical raw_data, -1: one byte shorter, 1: one byte changed,
  bool empty;          // raw_data empty
  const char * text;   // comparison text expected, or null for none
};

const RawCase kRawCases[] = {
  {"empty", 0, true, nullptr},
  {"one byte shorter", -1, false, kNotEqual},
  {"one byte longer", 2, false, kNotEqual},
  {"one byte changed", 1, false, kNotEqual},
  {"identical", 0, false, kRgbEqual},
};

// raw_data is compared with the decoded frame only when present, by length and by bytes.
TEST(DecoderImages, RawDataComparison) {
  const auto frames = EncodeStream(Format::RGB, 320, 240, 1 + std::size(kRawCases));
  ASSERT_FALSE(frames.empty());
  Decoder decoder;
  ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
  decoder.Send(Message("h264_rgb", {}, 0), kNoFrameWait);
  ASSERT_NE(decoder.Send(Message("h264_rgb", frames[0].h264, 0), kFrameWait), nullptr);
  int index = 1;
  for (const RawCase & c : kRawCases) {
    SCOPED_TRACE(c.name);
    Bytes raw = frames[index].raw;
    if (c.empty) {
      raw.clear();
    } else if (c.change == -1) {
      raw.pop_back();
    } else if (c.change == 2) {
      raw.push_back(0);
    } else if (c.change == 1) {
      raw[raw.size() / 2] ^= 0x01;
    }
    const std::string before = decoder.Log();
    auto image = decoder.Send(Message("h264_rgb", frames[index].h264, index, raw), kFrameWait);
    ASSERT_NE(image, nullptr);
    ++index;
    // The comparison is logged before the image is published, so it is in the log by now.
    const std::string added = decoder.Log().substr(before.size());
    for (const char * text : {kNotEqual, kRgbEqual}) {
      EXPECT_EQ(added.find(text) != std::string::npos, c.text == text) << text << "\n" << added;
    }
  }
}

// A message that gives no frame ends each path's wait with the timeout text and no image.
TEST(DecoderImages, TimeoutIsLoggedAndNothingPublished) {
  for (const char * tag : {"h264_rgb", "h264_gray"}) {
    SCOPED_TRACE(tag);
    Decoder decoder;
    ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
    decoder.Send(Message(tag, {}, 0), kNoFrameWait);
    EXPECT_EQ(decoder.Send(Message(tag, {0, 0, 0, 1, 0x09, 0xf0}, 1), kNoFrameWait), nullptr);
    EXPECT_TRUE(decoder.program.WaitForText(Stream::kStderr, kTimeout)) << decoder.Log();
  }
}

// SIGINT and SIGTERM while frames flow: the decoder is freed and the program exits with 0.
TEST(DecoderSignals, StopCleanlyWhileFramesFlow) {
  const auto frames = EncodeStream(Format::GRAY, 320, 64, kKeyframeInterval);
  ASSERT_FALSE(frames.empty());
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
    Decoder decoder;
    ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        for (int i = 0; !stop; ++i) {
          decoder.peer.Publish(
            kInput, Message("h264_gray", frames[i % frames.size()].h264, i));
          std::this_thread::sleep_for(milliseconds(20));
        }
      });
    EXPECT_TRUE(decoder.peer.WaitForMessages(kOutput, decoder.peer.Count(kOutput) + 5))
      << decoder.program.Transcript();
    decoder.program.Signal(signal);
    const auto status = decoder.program.Wait();
    stop = true;
    feeder.join();
    EXPECT_TRUE(status.exited && status.code == 0) << status.Describe();
    EXPECT_NE(decoder.program.Stdout().find("free sources\n"), std::string::npos)
      << decoder.program.Transcript();
  }
}

long ResidentKb(pid_t pid)  // NOLINT(runtime/int)
{
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

// Random bytes, truncated frames, frames with flipped bits and made-up NAL units with random
// payloads (corrupt parameter sets among them stop a decoding pipeline).
Bytes BadMessage(const std::vector<Frame> & frames, int i, std::mt19937 & rng)
{
  const Bytes & source = frames[rng() % frames.size()].h264;
  Bytes out;
  switch (i % 4) {
    case 0:
      out.resize(rng() % 4096);
      for (auto & b : out) {
        b = static_cast<std::uint8_t>(rng());
      }
      break;
    case 1:
      out.assign(source.begin(), source.begin() + rng() % source.size());
      break;
    case 2:
      out = source;
      for (int k = 0; k < 8; ++k) {
        out[rng() % out.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      }
      break;
    default:
      for (int unit = 0; unit < 3; ++unit) {
        static const std::uint8_t kHeaders[] = {0x67, 0x68, 0x65, 0x41, 0x06};
        out.insert(out.end(), {0, 0, 0, 1, kHeaders[rng() % sizeof(kHeaders)]});
        for (int k = static_cast<int>(rng() % 200); k > 0; --k) {
          out.push_back(static_cast<std::uint8_t>(rng()));
        }
      }
  }
  return out;
}

// 1000 bad messages, then a valid stream that starts between keyframes: the program survives,
// decodes again from the next keyframe on, and its resident memory stays flat (printed).
TEST(DecoderBadInput, ValidFramesAgainAfterAThousandBadMessages) {
  const auto frames = EncodeStream(Format::GRAY, 320, 120, 3 * kKeyframeInterval);
  ASSERT_FALSE(frames.empty());
  Decoder decoder;
  ASSERT_TRUE(decoder.ready) << decoder.program.Transcript();
  decoder.Send(Message("h264_gray", {}, 0), kNoFrameWait);
  for (int i = 0; i < 10; ++i) {
    ASSERT_NE(decoder.Send(Message("h264_gray", frames[i].h264, i), kFrameWait), nullptr);
  }
  std::printf("[ resident ] after 10 valid frames: %ld kB\n", ResidentKb(decoder.program.pid()));

  std::mt19937 rng(11);
  for (int i = 0; i < 1000; ++i) {
    decoder.peer.Publish(kInput, Message("h264_gray", BadMessage(frames, i, rng), 1000 + i));
    std::this_thread::sleep_for(milliseconds(15));
    if ((i + 1) % 250 == 0) {
      std::printf(
        "[ resident ] after %d bad messages: %ld kB\n", i + 1, ResidentKb(decoder.program.pid()));
    }
  }
  std::this_thread::sleep_for(milliseconds(500));

  const int resume = 2 * kKeyframeInterval - kKeyframeInterval / 2;
  int first_good = -1;
  for (int i = resume; i < static_cast<int>(frames.size()); ++i) {
    auto image = decoder.Send(
      Message("h264_gray", frames[i].h264, i), first_good < 0 ? kNoFrameWait : kFrameWait);
    const bool good = image && image->header.stamp.sec == i && image->data == frames[i].raw;
    if (first_good < 0 && good) {
      first_good = i;
    } else if (first_good >= 0) {
      EXPECT_TRUE(good) << "frame " << i << " after recovery at " << first_good;
    }
  }
  std::printf(
    "[ resident ] after the valid stream: %ld kB\n", ResidentKb(decoder.program.pid()));
  ASSERT_GE(first_good, 0) << "valid frames never decoded again\n" << decoder.program.Transcript();
  EXPECT_LE(first_good - resume, kKeyframeInterval);
  decoder.program.Signal(SIGINT);
  const auto status = decoder.program.Wait();
  EXPECT_TRUE(status.exited && status.code == 0) << status.Describe();
}

}  // namespace
}  // namespace kestrova_h264

int main(int argc, char ** argv)
{
  return kestrova_h264::test::ProcessTestMain(argc, argv);
}
