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

#include "depth_scene.hpp"

#include <algorithm>
#include <cmath>

namespace kestrova_h264_tools
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kWallMm = 5000.0;

// A small hash of pixel and frame: sensor noise that is the same on every run.
int Noise(uint32_t x, uint32_t y, uint64_t frame)
{
  uint32_t h = x * 73856093u ^ y * 19349663u ^ static_cast<uint32_t>(frame) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<int>(h % 7) - 3;
}

}  // namespace

void RenderDepthScene(
  uint32_t width, uint32_t height, uint64_t frame, std::vector<uint16_t> & depth)
{
  depth.assign(static_cast<size_t>(width) * height, 0);
  if (width == 0 || height == 0) {
    return;
  }
  const double phase = 2.0 * kPi * static_cast<double>(frame % 300) / 300.0;
  const double w = width;
  const double h = height;
  // Camera 1 m above a flat floor, horizon at mid-height; focal length in pixels.
  const double focal = w * 0.8;
  const double horizon = h * 0.5;
  // Box: slides left and right at 2 m.
  const double box_cx = w * (0.5 + 0.3 * std::sin(phase));
  const double box_half = w * 0.08;
  const double box_top = h * 0.35;
  const double box_bottom = h * 0.75;
  const double box_mm = 2000.0;
  // Sphere: fixed on screen, moving between 1.2 m and 3.2 m.
  const double sphere_mm = 2200.0 + 1000.0 * std::cos(phase);
  const double sphere_cx = w * 0.3;
  const double sphere_cy = h * 0.45;
  const double sphere_r_px = (w * 0.12) * (1500.0 / sphere_mm);
  const double sphere_r_mm = 300.0;

  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      double mm = kWallMm;
      if (y > horizon + 1.0) {
        mm = std::min(kWallMm, 1000.0 * focal / (y - horizon));
      }
      const double dx_box = x - box_cx;
      if (std::abs(dx_box) <= box_half && y >= box_top && y <= box_bottom) {
        mm = box_mm;
      } else if (dx_box > box_half && dx_box <= box_half * 1.25 && y >= box_top &&
        y <= box_bottom)
      {
        mm = 0.0;  // no measurement in the box's shadow
      }
      const double dx = x - sphere_cx;
      const double dy = y - sphere_cy;
      const double r2 = (dx * dx + dy * dy) / (sphere_r_px * sphere_r_px);
      if (r2 < 1.0) {
        const double surface = sphere_mm - sphere_r_mm * std::sqrt(1.0 - r2);
        mm = std::min(mm, surface);
      }
      if (mm > 0.0) {
        mm += Noise(x, y, frame);
      }
      depth[static_cast<size_t>(y) * width + x] =
        static_cast<uint16_t>(std::clamp(mm, 0.0, 65535.0));
    }
  }
}

}  // namespace kestrova_h264_tools
