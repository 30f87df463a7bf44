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


// Deterministic frames for the coder tests and the benchmark.

#ifndef FRAMES_HPP_
#define FRAMES_HPP_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova_h264
{
namespace test
{

/// `size` bytes of deterministic noise.
std::vector<std::uint8_t> NoiseFrame(std::size_t size, std::uint32_t seed);
/// A smooth scene with moving edges, `bpp` bytes per pixel; `t` moves it.
std::vector<std::uint8_t> SceneFrame(int width, int height, int bpp, int t);
/// A smooth scene with moving edges plus sensor-like noise, as a camera would give.
std::vector<std::uint8_t> CameraFrame(int width, int height, int bpp, int t);
/// Peak signal-to-noise ratio in dB of two equally long 8-bit sample sets (infinity if equal).
double Psnr(const std::vector<std::uint8_t> & a, const std::vector<std::uint8_t> & b);

}  // namespace test
}  // namespace kestrova_h264

#endif  // FRAMES_HPP_
