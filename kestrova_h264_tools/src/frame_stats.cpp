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

#include "frame_stats.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrova_h264_tools
{

namespace
{

bool SameLayout(const PixelLayout & a, const PixelLayout & b)
{
  return a.channels == b.channels && a.bytes_per_sample == b.bytes_per_sample && a.bgr == b.bgr;
}

// Both frames' layout when they can be compared sample by sample.
std::optional<PixelLayout> CommonLayout(const FrameView & a, const FrameView & b)
{
  const auto la = LayoutOf(a.encoding);
  const auto lb = LayoutOf(b.encoding);
  if (!la || !lb || !SameLayout(*la, *lb) || a.width != b.width || a.height != b.height) {
    return std::nullopt;
  }
  const size_t row = static_cast<size_t>(a.width) * la->channels * la->bytes_per_sample;
  for (const FrameView * f : {&a, &b}) {
    if (f->data == nullptr || f->step < row ||
      (f->height > 0 && f->size < static_cast<size_t>(f->step) * (f->height - 1) + row))
    {
      return std::nullopt;
    }
  }
  return la;
}

// Sample `i` of row `y` as a number.
inline uint32_t Sample(const FrameView & f, const PixelLayout & layout, uint32_t y, size_t i)
{
  const uint8_t * row = f.data + static_cast<size_t>(y) * f.step;
  if (layout.bytes_per_sample == 2) {
    return static_cast<uint32_t>(row[2 * i]) | (static_cast<uint32_t>(row[2 * i + 1]) << 8);
  }
  return row[i];
}

}  // namespace

std::optional<PixelLayout> LayoutOf(const std::string & encoding)
{
  if (encoding == "rgb8") {
    return PixelLayout{3, 1, false};
  }
  if (encoding == "bgr8") {
    return PixelLayout{3, 1, true};
  }
  if (encoding == "mono8") {
    return PixelLayout{1, 1, false};
  }
  if (encoding == "mono16" || encoding == "16UC1") {
    return PixelLayout{1, 2, false};
  }
  return std::nullopt;
}

std::optional<double> Psnr(const FrameView & original, const FrameView & decoded)
{
  const auto layout = CommonLayout(original, decoded);
  if (!layout) {
    return std::nullopt;
  }
  const size_t samples = static_cast<size_t>(original.width) * layout->channels;
  double sum = 0.0;
  for (uint32_t y = 0; y < original.height; ++y) {
    for (size_t i = 0; i < samples; ++i) {
      const double d = static_cast<double>(Sample(original, *layout, y, i)) -
        static_cast<double>(Sample(decoded, *layout, y, i));
      sum += d * d;
    }
  }
  if (sum == 0.0) {
    return std::numeric_limits<double>::infinity();
  }
  const double count = static_cast<double>(samples) * original.height;
  const double peak = layout->bytes_per_sample == 2 ? 65535.0 : 255.0;
  return 10.0 * std::log10(peak * peak / (sum / count));
}

double Percentile(std::vector<double> values, double percent)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(percent / 100.0 * static_cast<double>(values.size()));
  const size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
  return values[std::min(index, values.size() - 1)];
}

std::vector<uint8_t> ComparisonPicture(
  const FrameView & original, const FrameView & decoded, double amplify,
  uint32_t * width, uint32_t * height)
{
  const auto layout = CommonLayout(original, decoded);
  if (!layout) {
    return {};
  }
  const uint32_t w = original.width;
  const uint32_t h = original.height;
  *width = 3 * w;
  *height = h;
  std::vector<uint8_t> out(static_cast<size_t>(3) * w * h * 3);

  // 16-bit frames: the original's largest value becomes white in both halves.
  double scale = 1.0;
  if (layout->bytes_per_sample == 2) {
    uint32_t top = 1;
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        top = std::max(top, Sample(original, *layout, y, x));
      }
    }
    scale = 255.0 / top;
  }
  const double diff_scale = layout->bytes_per_sample == 2 ? amplify * 255.0 / 65535.0 : amplify;
  auto to8 = [](double v) {return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));};

  for (uint32_t y = 0; y < h; ++y) {
    uint8_t * row = out.data() + static_cast<size_t>(y) * w * 9;
    for (uint32_t x = 0; x < w; ++x) {
      for (uint32_t c = 0; c < 3; ++c) {
        // Channel c of the RGB output; gray frames repeat their one sample.
        uint32_t source_c = layout->channels == 1 ? 0 : (layout->bgr ? 2 - c : c);
        const size_t i = static_cast<size_t>(x) * layout->channels + source_c;
        const double o = Sample(original, *layout, y, i);
        const double d = Sample(decoded, *layout, y, i);
        row[3 * x + c] = to8(o * scale);
        row[3 * (w + x) + c] = to8(d * scale);
        row[3 * (2 * w + x) + c] = to8(std::abs(o - d) * diff_scale);
      }
    }
  }
  return out;
}

}  // namespace kestrova_h264_tools
