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


#include "frames.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrova_h264
{
namespace test
{

std::vector<std::uint8_t> NoiseFrame(std::size_t size, std::uint32_t seed)
{
  std::vector<std::uint8_t> frame(size);
  std::uint32_t x = seed * 2654435761u + 1u;
  for (auto & byte : frame) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<std::uint8_t>(x >> 24);
  }
  return frame;
}

std::vector<std::uint8_t> SceneFrame(int width, int height, int bpp, int t)
{
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * bpp);
  const int box_x = (t * 7) % width;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool in_box = x >= box_x && x < box_x + width / 5 && y > height / 3 &&
        y < height / 3 + height / 4;
      for (int c = 0; c < bpp; ++c) {
        const int gradient = (x * 255 / width) * (c + 1) / bpp + (y * 255 / height) * (bpp - c) / bpp;
        const int value = in_box ? 40 + 70 * c : gradient / 2 + 30 * c + ((x / 16 + y / 16) % 2) * 20;
        frame[(static_cast<std::size_t>(y) * width + x) * bpp + c] =
          static_cast<std::uint8_t>(value & 0xff);
      }
    }
  }
  return frame;
}

std::vector<std::uint8_t> CameraFrame(int width, int height, int bpp, int t)
{
  std::vector<std::uint8_t> frame = SceneFrame(width, height, bpp, t);
  const std::vector<std::uint8_t> noise = NoiseFrame(frame.size(), static_cast<std::uint32_t>(t) + 100u);
  for (std::size_t i = 0; i < frame.size(); ++i) {
    frame[i] = static_cast<std::uint8_t>(std::min(255, frame[i] + noise[i] % 4));
  }
  return frame;
}

double Psnr(const std::vector<std::uint8_t> & a, const std::vector<std::uint8_t> & b)
{
  if (a.size() != b.size() || a.empty()) {
    return 0.0;
  }
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  if (sum == 0.0) {
    return std::numeric_limits<double>::infinity();
  }
  return 10.0 * std::log10(255.0 * 255.0 * a.size() / sum);
}

}  // namespace test
}  // namespace kestrova_h264
