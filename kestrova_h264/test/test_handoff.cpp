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


// The frame hand-off, row layouts on the way in and out, and the decoder's caps reports, on
// small pipelines without a codec.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kestrova_h264/coder.hpp"
#include "frames.hpp"
#include "test_support.hpp"

namespace kestrova_h264
{
namespace
{

using std::chrono::milliseconds;
using test::ConfigWithAll;
using test::Handoff;
using test::StdoutCapture;
using test::WriteConfig;
using Bytes = std::vector<std::uint8_t>;

// A generous bound that only catches a hand-off that never comes; no speed is asserted.
constexpr milliseconds kDeadline{5000};
// How long to wait before concluding that no (further) sample is coming.
constexpr milliseconds kQuiet{300};

struct HandoffCase
{
  const char * name;
  const char * description;
  Bytes push;
  int ready;      // cv_ready after the push
  Bytes data;     // the vector after the push
};

TEST(Handoff, EachSampleCountsOnceAndTheVectorHoldsTheLastOne) {
  const Bytes sentinel = {0xAA, 0xBB, 0xCC};
  const std::vector<HandoffCase> cases = {
    {"one push, one sample", "appsrc name=input ! appsink name=output", {1, 2, 3, 4, 5}, 1,
      {1, 2, 3, 4, 5}},
    {"empty sample empties the vector", "appsrc name=input ! appsink name=output", {}, 1, {}},
    {"no sample leaves all as it was",
      "appsrc name=input ! identity drop-probability=1.0 ! appsink name=output", {1, 2}, 0,
      sentinel},
    {"two samples: count 2, second kept",
      "appsrc name=input ! chopmydata min-size=4 max-size=4 step-size=4 ! appsink name=output",
      {1, 2, 3, 4, 5, 6, 7, 8}, 2, {5, 6, 7, 8}},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    WriteConfig(ConfigWithAll(c.description));
    Handoff h;
    h.data = sentinel;
    VideoDecoder decoder(&h.data, Format::GRAY, &h.cv, &h.mutex, &h.cv_ready);
    decoder.PushFrame(c.push.data(), static_cast<std::uint32_t>(c.push.size()));
    if (c.ready > 0) {
      EXPECT_TRUE(h.WaitFor(c.ready, kDeadline));
    }
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(h.Ready(), c.ready);
    EXPECT_EQ(h.Data(), c.data);
  }
}

TEST(Handoff, VectorIsReplacedNotAppendedAcrossFrames) {
  WriteConfig(ConfigWithAll("appsrc name=input ! appsink name=output"));
  Handoff h;
  StdoutCapture out;
  VideoDecoder decoder(&h.data, Format::GRAY, &h.cv, &h.mutex, &h.cv_ready);
  for (const Bytes & frame : {Bytes(1000, 7), Bytes{9, 8, 7}, Bytes(50, 1)}) {
    h.Reset();
    decoder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
    ASSERT_TRUE(h.WaitFor(1, kDeadline));
    EXPECT_EQ(h.Data(), frame);
  }
}

// Mirrors each row of a packed frame, as videoflip's horizontal flip does.
Bytes MirrorRows(const Bytes & packed, int width, int height, int bpp)
{
  Bytes out(packed.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < bpp; ++c) {
        out[(static_cast<std::size_t>(y) * width + x) * bpp + c] =
          packed[(static_cast<std::size_t>(y) * width + (width - 1 - x)) * bpp + c];
      }
    }
  }
  return out;
}

struct StrideCase
{
  const char * name;
  Format format;
  int width;
  int height;
  int padding;  // bytes after each row of the pushed frame
};

// Rows that are not a multiple of 4 bytes long, or carry padding, must be read by the pipeline
// with their true step and come out packed; a pixel-moving element shows any shear.
TEST(RowLayout, EncoderReadsTrueRowStepAndOutputComesOutPacked) {
  const std::vector<StrideCase> cases = {
    {"rgb 642 packed", Format::RGB, 642, 5, 0},
    {"rgb 642 padded rows", Format::RGB, 642, 5, 10},
    {"rgb 640 packed", Format::RGB, 640, 4, 0},
    {"gray 642 packed", Format::GRAY, 642, 3, 0},
    {"gray 643 padded rows", Format::GRAY, 643, 3, 1},
  };
  WriteConfig(
    ConfigWithAll(
      "appsrc name=input format=time caps=\"%s\" ! videoflip video-direction=horiz ! appsink name=output"));
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    const int bpp = c.format == Format::RGB ? 3 : 1;
    const std::size_t row = static_cast<std::size_t>(c.width) * bpp;
    const Bytes packed = test::NoiseFrame(row * c.height, 3);
    Bytes pushed;
    for (int y = 0; y < c.height; ++y) {
      pushed.insert(pushed.end(), packed.begin() + y * row, packed.begin() + (y + 1) * row);
      pushed.insert(pushed.end(), c.padding, 0xEE);
    }
    Handoff h;
    VideoEncoder encoder(c.width, c.height, 30, c.format, &h.data, &h.cv, &h.mutex, &h.cv_ready);
    encoder.PushFrame(pushed.data(), static_cast<std::uint32_t>(pushed.size()));
    ASSERT_TRUE(h.WaitFor(1, kDeadline));
    EXPECT_EQ(h.Data(), MirrorRows(packed, c.width, c.height, bpp));
  }
}

// A decoder whose frames leave GStreamer with padded rows hands them over packed.
TEST(RowLayout, DecoderOutputIsPacked) {
  const std::vector<StrideCase> cases = {
    {"rgb 642", Format::RGB, 642, 3, 0},
    {"gray 642", Format::GRAY, 642, 2, 0},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    const int bpp = c.format == Format::RGB ? 3 : 1;
    const std::string format = c.format == Format::RGB ? "RGB" : "GRAY8";
    WriteConfig(
      ConfigWithAll(
        "appsrc name=input caps=\"video/x-raw,format=" + format + ",width=" +
        std::to_string(c.width) + ",height=" + std::to_string(c.height) +
        ",framerate=0/1\" ! identity name=decoder ! appsink name=output caps=\"%s\""));
    // GStreamer's own layout: rows padded to 4 bytes.
    const std::size_t row = static_cast<std::size_t>(c.width) * bpp;
    const std::size_t stride = (row + 3) / 4 * 4;
    const Bytes packed = test::NoiseFrame(row * c.height, 5);
    Bytes laid(stride * c.height, 0xEE);
    for (int y = 0; y < c.height; ++y) {
      std::copy(packed.begin() + y * row, packed.begin() + (y + 1) * row, laid.begin() + y * stride);
    }
    Handoff h;
    VideoDecoder decoder(&h.data, c.format, &h.cv, &h.mutex, &h.cv_ready);
    decoder.PushFrame(laid.data(), static_cast<std::uint32_t>(laid.size()));
    ASSERT_TRUE(h.WaitFor(1, kDeadline));
    EXPECT_EQ(h.Data(), packed);
    EXPECT_EQ(decoder.GetWidth(), c.width);
    EXPECT_EQ(decoder.GetHeight(), c.height);
    EXPECT_EQ(decoder.GetFormat(), format);
  }
}

struct CapsCase
{
  const char * name;
  const char * caps;  // caps the "decoder" element's src pad gets
  const char * printed;
  int width;
  int height;
  const char * pad_type;
  const char * format;
};

// The "decoder" element is an identity here, so the caps on its src pad are whatever the appsrc
// announces. Caps without width and height leave the members unset.
TEST(DecoderCaps, MembersAreSetOnlyFromCapsWithWidthAndHeight) {
  const std::vector<CapsCase> cases = {
    {"complete caps", "video/x-raw,format=RGB,width=4,height=2,framerate=0/1",
      "Video Resolution: 4x2\n", 4, 2, "video/x-raw", "RGB"},
    {"no format field", "video/x-raw,width=5,height=3,framerate=0/1", "Video Resolution: 5x3\n",
      5, 3, "video/x-raw", ""},
    {"other media type", "application/x-test,width=3,height=1", "Video Resolution: 3x1\n",
      3, 1, "application/x-test", ""},
    {"no width", "video/x-raw,format=GRAY8,height=2", "No width/height available\n", 0, 0, "",
      ""},
    {"width but no height", "video/x-raw,format=GRAY8,width=4", "No width/height available\n",
      0, 0, "", ""},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    const std::string description = std::string("appsrc name=input caps=\"") + c.caps +
      "\" ! identity name=decoder ! appsink name=output";
    WriteConfig(ConfigWithAll(description));
    Handoff h;
    StdoutCapture out;
    {
      VideoDecoder decoder(&h.data, Format::GRAY, &h.cv, &h.mutex, &h.cv_ready);
      const Bytes frame(24, 1);
      decoder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
      ASSERT_TRUE(h.WaitFor(1, kDeadline));
      EXPECT_EQ(decoder.GetWidth(), c.width);
      EXPECT_EQ(decoder.GetHeight(), c.height);
      EXPECT_EQ(decoder.GetPadType(), c.pad_type);
      EXPECT_EQ(decoder.GetFormat(), c.format);
    }
    EXPECT_EQ(out.Finish(), description + "\n" + c.printed + "free sources\n");
  }
}

TEST(DecoderCaps, WithoutDecoderElementFramesStillFlowAndCapsStayUnset) {
  WriteConfig(ConfigWithAll("appsrc name=input ! appsink name=output"));
  Handoff h;
  VideoDecoder decoder(&h.data, Format::RGB, &h.cv, &h.mutex, &h.cv_ready);
  const Bytes frame = {1, 2, 3};
  decoder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
  ASSERT_TRUE(h.WaitFor(1, kDeadline));
  EXPECT_EQ(h.Data(), frame);
  EXPECT_EQ(decoder.GetPadType(), "");
  EXPECT_EQ(decoder.GetFormat(), "");
}

}  // namespace
}  // namespace kestrova_h264
