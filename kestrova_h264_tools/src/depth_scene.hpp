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

// A synthetic depth camera: a room with a floor, a sliding box and a sphere moving towards and
// away from the camera, rendered as 16-bit distances in millimetres.

#ifndef DEPTH_SCENE_HPP_
#define DEPTH_SCENE_HPP_

#include <cstdint>
#include <vector>

namespace kestrova_h264_tools
{

/// Renders frame number `frame` of the scene at `width` x `height` into `depth` (resized to
/// width * height values, row after row). Values are distances in millimetres; 0 marks pixels
/// without a measurement (the shadow a structured-light camera sees beside near objects).
/// The scene repeats every 300 frames and carries a few millimetres of deterministic noise.
void RenderDepthScene(
  uint32_t width, uint32_t height, uint64_t frame, std::vector<uint16_t> & depth);

}  // namespace kestrova_h264_tools

#endif  // DEPTH_SCENE_HPP_
