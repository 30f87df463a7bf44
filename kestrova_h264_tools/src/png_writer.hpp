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

// Writing and reading 8-bit RGB PNG files (libpng's simplified interface).

#ifndef PNG_WRITER_HPP_
#define PNG_WRITER_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova_h264_tools
{

/// Writes `rgb` (3 bytes a pixel, packed rows) as a PNG file at `path`. Throws
/// std::runtime_error naming the path and libpng's reason on failure.
void WritePngRgb(
  const std::string & path, uint32_t width, uint32_t height, const std::vector<uint8_t> & rgb);

/// Reads the PNG file at `path` as 8-bit RGB. Throws std::runtime_error on failure.
std::vector<uint8_t> ReadPngRgb(const std::string & path, uint32_t * width, uint32_t * height);

}  // namespace kestrova_h264_tools

#endif  // PNG_WRITER_HPP_
