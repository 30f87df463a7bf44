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

#include "png_writer.hpp"

#include <png.h>

#include <cstring>
#include <stdexcept>

namespace kestrova_h264_tools
{

void WritePngRgb(
  const std::string & path, uint32_t width, uint32_t height, const std::vector<uint8_t> & rgb)
{
  if (rgb.size() != static_cast<size_t>(width) * height * 3) {
    throw std::runtime_error(path + ": picture size does not match its width and height");
  }
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw std::runtime_error(path + ": cannot write PNG: " + reason);
  }
}

std::vector<uint8_t> ReadPngRgb(const std::string & path, uint32_t * width, uint32_t * height)
{
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw std::runtime_error(path + ": cannot read PNG: " + reason);
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw std::runtime_error(path + ": cannot read PNG: " + reason);
  }
  *width = image.width;
  *height = image.height;
  return rgb;
}

}  // namespace kestrova_h264_tools
