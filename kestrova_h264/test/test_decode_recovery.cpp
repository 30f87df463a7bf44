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

// VideoDecoder against bad data: a decoding pipeline that stopped on an error is brought back,
// and its bus never keeps messages that nothing reads.

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "frames.hpp"
#include "kestrova_h264/coder.hpp"
#include "pipeline.hpp"
#include "test_support.hpp"

namespace kestrova_h264
{
namespace
{

using std::chrono::milliseconds;
using Bytes = std::vector<std::uint8_t>;

constexpr milliseconds kDeadline{5000};
constexpr int kKeyframeInterval = 30;  // key-int-max of the shipped profiles

// Encoded access units made of a few NAL units whose headers claim sequence and picture
// parameter sets, slices and SEI, with random payloads. Corrupt parameter sets are what make
// the decoder fail caps negotiation and stop the pipeline.
Bytes RandomNalUnits(std::mt19937 & rng)
{
  static const std::uint8_t kHeaders[] = {0x67, 0x68, 0x65, 0x41, 0x06};
  Bytes out;
  const int units = 1 + static_cast<int>(rng() % 4);
  for (int u = 0; u < units; ++u) {
    out.insert(out.end(), {0, 0, 0, 1, kHeaders[rng() % sizeof(kHeaders)]});
    const int length = static_cast<int>(rng() % 300);
    for (int i = 0; i < length; ++i) {
      out.push_back(static_cast<std::uint8_t>(rng()));
    }
  }
  return out;
}

struct Case
{
  const char * name;
  Format format;
  int width;
  int height;
  double min_psnr;  // infinity: bit-exact
};

const Case kCases[] = {
  {"rgb 320x240", Format::RGB, 320, 240, 30.0},
  {"gray 642x240", Format::GRAY, 642, 240, std::numeric_limits<double>::infinity()},
};

// After a run of data that stops the pipeline, a valid stream that starts between keyframes
// is decoded again from its next keyframe on, every frame.
TEST(DecoderRecovery, ValidFramesDecodeAgainAfterDataThatStopsThePipeline) {
  test::InstallProfile("gst.yaml");
  for (const Case & c : kCases) {
    SCOPED_TRACE(c.name);
    const int bpp = c.format == Format::RGB ? 3 : 1;
    test::Handoff encoded;
    test::Handoff decoded;
    VideoEncoder encoder(
      c.width, c.height, 30, c.format, &encoded.data, &encoded.cv, &encoded.mutex,
      &encoded.cv_ready);
    std::vector<Bytes> frames;
    std::vector<Bytes> stream;
    for (int i = 0; i < 3 * kKeyframeInterval; ++i) {
      frames.push_back(test::CameraFrame(c.width, c.height, bpp, i));
      encoded.Reset();
      encoder.PushFrame(frames.back().data(), static_cast<std::uint32_t>(frames.back().size()));
      ASSERT_TRUE(encoded.WaitFor(1, kDeadline)) << "encoding frame " << i;
      stream.push_back(encoded.Data());
    }

    VideoDecoder decoder(&decoded.data, c.format, &decoded.cv, &decoded.mutex, &decoded.cv_ready);
    auto decode = [&](const Bytes & h264, milliseconds wait) {
        decoded.Reset();
        decoder.PushFrame(h264.data(), static_cast<std::uint32_t>(h264.size()));
        return decoded.WaitFor(1, wait);
      };
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(decode(stream[i], kDeadline)) << "valid frame " << i << " before bad data";
    }

    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
      decode(RandomNalUnits(rng), milliseconds(20));
    }

    // Resume in the middle of the first group of pictures: the next keyframe is frame 30.
    const int resume = kKeyframeInterval / 2;
    int first_good = -1;
    for (int i = resume; i < static_cast<int>(stream.size()); ++i) {
      const bool delivered = decode(stream[i], first_good < 0 ? milliseconds(200) : kDeadline);
      const bool good = delivered && test::Psnr(frames[i], decoded.Data()) >= c.min_psnr;
      if (first_good < 0 && good) {
        first_good = i;
      } else if (first_good >= 0) {
        EXPECT_TRUE(good) << "frame " << i << " after recovery at " << first_good;
      }
    }
    ASSERT_GE(first_good, 0) << "valid frames were never decoded again";
    EXPECT_LE(first_good - resume, kKeyframeInterval) << "decoded again at frame " << first_good;
  }
}

struct BusCase
{
  const char * name;
  int warnings;
  int errors;
};

const BusCase kBusCases[] = {
  {"warnings only", 1000, 0},
  {"errors among warnings", 500, 2},
  {"empty bus", 0, 0},
};

GstMessage * Message(GstElement * source, bool error, int index)
{
  GError * gerror = g_error_new(
    GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "%s %d", error ? "broken" : "odd", index);
  GstMessage * message = error ?
    gst_message_new_error(GST_OBJECT(source), gerror, "debug") :
    gst_message_new_warning(GST_OBJECT(source), gerror, "debug");
  g_error_free(gerror);
  return message;
}

// A bus with an undispatched watch, as a VideoDecoder has, keeps nothing after a drain, and the
// drain reports the first error with the element that posted it.
TEST(DecoderBus, DrainTakesEveryMessageAndReportsTheFirstError) {
  gst_init(nullptr, nullptr);
  for (const BusCase & c : kBusCases) {
    SCOPED_TRACE(c.name);
    GstElement * pipeline = gst_parse_launch("fakesrc name=src ! fakesink", nullptr);
    ASSERT_NE(pipeline, nullptr);
    GstElement * source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    GstBus * bus = gst_element_get_bus(pipeline);
    gst_bus_add_watch(bus, [](GstBus *, GstMessage *, gpointer) -> gboolean {return TRUE;}, nullptr);
    for (int i = 0; i < c.warnings; ++i) {
      gst_bus_post(bus, Message(source, false, i));
      if (i == c.warnings / 2) {
        for (int e = 0; e < c.errors; ++e) {
          gst_bus_post(bus, Message(source, true, e));
        }
      }
    }

    std::string error;
    EXPECT_EQ(detail::DrainBus(pipeline, &error), c.errors > 0);
    EXPECT_FALSE(gst_bus_have_pending(bus));
    if (c.errors > 0) {
      EXPECT_EQ(error, "src: broken 0 (debug)");
    }
    gst_bus_remove_watch(bus);
    gst_object_unref(bus);
    gst_object_unref(source);
    gst_object_unref(pipeline);
  }
}

}  // namespace
}  // namespace kestrova_h264
