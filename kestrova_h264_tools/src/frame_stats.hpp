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

// Image comparisons of the monitor: pixel layouts of the ROS encodings, PSNR, percentiles and
// the side-by-side comparison picture.

#ifndef FRAME_STATS_HPP_
#define FRAME_STATS_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova_h264_tools
{

/// Pixel layout of a ROS image encoding the tools understand.
struct PixelLayout
{
  uint32_t channels = 0;          ///< samples per pixel
  uint32_t bytes_per_sample = 0;  ///< 1 or 2 (16-bit samples are little-endian)
  bool bgr = false;               ///< colour channels stored blue first
};

/// Layout of "rgb8", "bgr8", "mono8", "mono16" and "16UC1"; nullopt for anything else.
std::optional<PixelLayout> LayoutOf(const std::string & encoding);

/// A borrowed view of one image's pixels.
struct FrameView
{
  const uint8_t * data = nullptr;
  size_t size = 0;         ///< bytes available at `data`
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t step = 0;       ///< bytes per row, padding included
  std::string encoding;
};

/// PSNR in dB of `decoded` against `original`, over every sample, with the peak of the sample
/// size (255 or 65535). +infinity when the pixels are identical. nullopt when the two cannot be
/// compared: unknown encoding, different size or pixel layout, or rows shorter than the width.
/// "mono16" and "16UC1" count as the same layout.
std::optional<double> Psnr(const FrameView & original, const FrameView & decoded);

/// The `percent`-th percentile (nearest rank) of `values`; 0 for an empty set.
double Percentile(std::vector<double> values, double percent);

/// An RGB picture (3 bytes a pixel, packed rows) three frames wide: the original, the decoded
/// frame and their absolute difference multiplied by `amplify` (clamped to full scale).
/// 16-bit frames are shown scaled so that the original's largest value is white. Requires two
/// frames that Psnr() can compare; returns an empty vector otherwise.
std::vector<uint8_t> ComparisonPicture(
  const FrameView & original, const FrameView & decoded, double amplify,
  uint32_t * width, uint32_t * height);

}  // namespace kestrova_h264_tools

#endif  // FRAME_STATS_HPP_
