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

// The monitor's image arithmetic: PSNR over the pixels of two frames (not their row padding),
// which frames can be compared, and the nearest-rank percentile.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "frame_stats.hpp"

namespace kestrova_h264_tools
{
namespace
{

struct Frame
{
  std::string encoding;
  uint32_t width;
  uint32_t height;
  uint32_t step;
  std::vector<uint8_t> data;

  FrameView View() const
  {
    return FrameView{data.data(), data.size(), width, height, step, encoding};
  }
};

// Rows of `row_bytes` bytes filled with `value` plus `padding` bytes of `pad_value`.
Frame Make(
  const std::string & encoding, uint32_t width, uint32_t height, uint32_t row_bytes,
  uint8_t value, uint32_t padding = 0, uint8_t pad_value = 0)
{
  Frame f{encoding, width, height, row_bytes + padding, {}};
  for (uint32_t y = 0; y < height; ++y) {
    f.data.insert(f.data.end(), row_bytes, value);
    f.data.insert(f.data.end(), padding, pad_value);
  }
  return f;
}

struct PsnrCase
{
  const char * name;
  Frame original;
  Frame decoded;
  std::optional<double> expected;  // nullopt: not comparable; +inf: identical
};

const double kInf = INFINITY;

const PsnrCase kPsnrCases[] = {
  {"identical rgb8", Make("rgb8", 5, 3, 15, 100), Make("rgb8", 5, 3, 15, 100), kInf},
  // Every sample off by 4: MSE 16.
  {"rgb8 off by 4", Make("rgb8", 5, 3, 15, 100), Make("rgb8", 5, 3, 15, 104),
    10 * std::log10(255.0 * 255.0 / 16.0)},
  {"padding is not compared", Make("mono8", 5, 3, 5, 7, 3, 0), Make("mono8", 5, 3, 5, 7, 1, 99),
    kInf},
  // 16-bit samples: 0x0101 against 0x0201 differ by 256, against a 65535 peak.
  {"16-bit depth, mono16 against 16UC1", Make("mono16", 4, 2, 8, 1), [] {
      Frame f = Make("16UC1", 4, 2, 8, 1);
      for (size_t i = 1; i < f.data.size(); i += 2) {f.data[i] = 2;}
      return f;
    }(), 10 * std::log10(65535.0 * 65535.0 / (256.0 * 256.0))},
  {"different sizes", Make("rgb8", 5, 3, 15, 1), Make("rgb8", 5, 4, 15, 1), std::nullopt},
  {"rgb8 against bgr8", Make("rgb8", 5, 3, 15, 1), Make("bgr8", 5, 3, 15, 1), std::nullopt},
  {"unknown encoding", Make("yuv422", 4, 2, 8, 1), Make("yuv422", 4, 2, 8, 1), std::nullopt},
  {"data shorter than its rows", Make("mono8", 5, 3, 5, 1), Frame{"mono8", 5, 3, 5, {1, 2, 3}},
    std::nullopt},
};

TEST(FrameStats, Psnr) {
  for (const PsnrCase & c : kPsnrCases) {
    SCOPED_TRACE(c.name);
    const auto psnr = Psnr(c.original.View(), c.decoded.View());
    ASSERT_EQ(psnr.has_value(), c.expected.has_value());
    if (psnr) {
      EXPECT_DOUBLE_EQ(*psnr, *c.expected);
    }
  }
}

TEST(FrameStats, Percentile) {
  const std::vector<double> values = {5, 1, 4, 2, 3, 10, 9, 8, 7, 6};
  EXPECT_EQ(Percentile(values, 50), 5);
  EXPECT_EQ(Percentile(values, 99), 10);
  EXPECT_EQ(Percentile(values, 0), 1);
  EXPECT_EQ(Percentile({}, 50), 0);
}

// The picture is three frames wide; BGR frames are shown in true colour.
TEST(FrameStats, ComparisonPictureOfBgr) {
  Frame original{"bgr8", 1, 1, 3, {10, 20, 30}};
  Frame decoded{"bgr8", 1, 1, 3, {12, 20, 30}};
  uint32_t width = 0;
  uint32_t height = 0;
  const auto rgb = ComparisonPicture(original.View(), decoded.View(), 8.0, &width, &height);
  EXPECT_EQ(width, 3u);
  EXPECT_EQ(height, 1u);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{30, 20, 10, 30, 20, 12, 0, 0, 16}));
}

}  // namespace
}  // namespace kestrova_h264_tools
