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


// Round trips through a VideoEncoder and a VideoDecoder with each shipped profile.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "kestrova_h264/coder.hpp"
#include "frames.hpp"
#include "test_support.hpp"

namespace kestrova_h264
{
namespace
{

using std::chrono::milliseconds;
using test::Handoff;
using test::StdoutCapture;
using Bytes = std::vector<std::uint8_t>;

// Bounds that only catch a hand-off that never comes; no speed is asserted.
constexpr milliseconds kDeadline{5000};
constexpr double kExact = std::numeric_limits<double>::infinity();

struct Profile
{
  const char * file;
  double rgb_psnr;   // lowest acceptable PSNR of RGB frames (kExact: bit-exact)
  double gray_psnr;  // the same for gray frames
  const char * decoded_format;  // pixel format the "decoder" element reports for RGB
};

const Profile kProfiles[] = {
  {"gst.yaml", 35.0, kExact, "I420"},
  {"gst-lossless.yaml", kExact, kExact, "Y444"},
  {"gst-openh264.yaml", 35.0, 40.0, "I420"},
};

struct Geometry
{
  Format format;
  int width;
  int height;
};

const Geometry kGeometries[] = {
  {Format::RGB, 640, 480},
  {Format::RGB, 642, 480},
  {Format::GRAY, 1280, 480},
  {Format::GRAY, 642, 240},
};

// A frame like a camera's: smooth scene plus sensor noise for lossy profiles; pure noise, the
// hardest content, where the profile must be bit-exact.
Bytes TestFrame(const Geometry & g, int index, bool exact)
{
  const int bpp = g.format == Format::RGB ? 3 : 1;
  if (exact) {
    return test::NoiseFrame(static_cast<std::size_t>(g.width) * g.height * bpp, index + 1);
  }
  return test::CameraFrame(g.width, g.height, bpp, index);
}

class Coders
{
public:
  Coders(const Geometry & g, int framerate)
  : encoder(g.width, g.height, framerate, g.format, &encoded.data, &encoded.cv,
      &encoded.mutex, &encoded.cv_ready),
    decoder(&decoded.data, g.format, &decoded.cv, &decoded.mutex, &decoded.cv_ready)
  {
  }

  // Encodes one frame; false if no single sample came.
  bool Encode(const Bytes & frame, Bytes * h264)
  {
    encoded.Reset();
    encoder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
    if (!encoded.WaitFor(1, kDeadline)) {
      return false;
    }
    *h264 = encoded.Data();
    return true;
  }

  // Decodes one encoded frame; false if no single sample came within `wait`.
  bool Decode(const Bytes & h264, Bytes * frame, milliseconds wait = kDeadline)
  {
    decoded.Reset();
    decoder.PushFrame(h264.data(), static_cast<std::uint32_t>(h264.size()));
    if (!decoded.WaitFor(1, wait)) {
      return false;
    }
    *frame = decoded.Data();
    return true;
  }

  Handoff encoded;
  Handoff decoded;
  VideoEncoder encoder;
  VideoDecoder decoder;
};

TEST(RoundTrip, EveryProfileAndGeometry) {
  constexpr int kFrames = 8;
  for (const Profile & profile : kProfiles) {
    test::InstallProfile(profile.file);
    for (const Geometry & g : kGeometries) {
      const double wanted = g.format == Format::RGB ? profile.rgb_psnr : profile.gray_psnr;
      const bool exact = std::isinf(wanted);
      const std::string name = std::string(profile.file) + " " +
        (g.format == Format::RGB ? "rgb8 " : "gray ") + std::to_string(g.width) + "x" +
        std::to_string(g.height);
      SCOPED_TRACE(name);

      Coders coders(g, 30);
      double worst = kExact;
      for (int i = 0; i < kFrames; ++i) {
        const Bytes frame = TestFrame(g, i, exact);
        Bytes h264;
        Bytes out;
        ASSERT_TRUE(coders.Encode(frame, &h264)) << "frame " << i << " gave no sample";
        StdoutCapture printed;
        ASSERT_TRUE(coders.Decode(h264, &out)) << "frame " << i << " did not decode";
        const std::string text = printed.Finish();
        if (i == 0) {
          // The caps notification comes before the first frame is handed over.
          EXPECT_NE(
            text.find("Video Resolution: " + std::to_string(g.width) + "x" +
            std::to_string(g.height) + "\n"), std::string::npos) << text;
        }
        ASSERT_EQ(out.size(), frame.size()) << "frame " << i;
        const double psnr = test::Psnr(frame, out);
        worst = std::min(worst, psnr);
        if (exact) {
          ASSERT_EQ(out, frame) << "frame " << i << " not bit-exact, PSNR " << psnr;
        }
      }
      EXPECT_GE(worst, wanted);
      EXPECT_EQ(coders.decoder.GetWidth(), g.width);
      EXPECT_EQ(coders.decoder.GetHeight(), g.height);
      EXPECT_EQ(coders.decoder.GetPadType(), "video/x-raw");
      if (g.format == Format::RGB) {
        EXPECT_EQ(coders.decoder.GetFormat(), profile.decoded_format);
      }
      std::printf("[ PSNR     ] %s: %s (lowest of %d frames)\n", name.c_str(),
        std::isinf(worst) ? "bit-exact" : (std::to_string(worst) + " dB").c_str(), kFrames);
    }
  }
}

// A decoder that starts late, or loses the first messages, shows correct frames again within
// a second of a 30 fps stream: a keyframe with its parameter sets comes at least every 30 frames.
TEST(RoundTrip, LateDecoderRecoversWithinASecond) {
  constexpr int kFramerate = 30;
  constexpr int kMissed = 3;
  for (const Profile & profile : kProfiles) {
    SCOPED_TRACE(profile.file);
    test::InstallProfile(profile.file);
    const Geometry g{Format::RGB, 320, 240};
    const bool exact = std::isinf(profile.rgb_psnr);
    Coders coders(g, kFramerate);
    int first_good = -1;
    for (int i = 0; i < kMissed + kFramerate + 5; ++i) {
      const Bytes frame = TestFrame(g, i, exact);
      Bytes h264;
      ASSERT_TRUE(coders.Encode(frame, &h264));
      if (i < kMissed) {
        continue;
      }
      Bytes out;
      const bool delivered = coders.Decode(h264, &out, first_good < 0 ? milliseconds(150) : kDeadline);
      const bool good = delivered && test::Psnr(frame, out) >= profile.rgb_psnr;
      if (first_good < 0 && good) {
        first_good = i;
      } else if (first_good >= 0) {
        EXPECT_TRUE(good) << "frame " << i << " after recovery at " << first_good;
      }
    }
    ASSERT_GE(first_good, 0) << "never recovered";
    EXPECT_LE(first_good - kMissed, kFramerate) << "recovered at frame " << first_good;
  }
}

}  // namespace
}  // namespace kestrova_h264
