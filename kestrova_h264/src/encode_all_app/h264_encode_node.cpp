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

#include "h264_encode_node.hpp"

#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>

namespace kestrova_h264
{

namespace
{

// Images received since the last selected one; one counter for the whole process.
std::int32_t frame_counter = 0;

// Every encoder runs at this nominal rate, whatever the camera's real rate.
constexpr int kFrameRate = 10;
// Longest time one image may keep the executor thread waiting for its encoded frame.
constexpr std::chrono::milliseconds kEncodeWait{100};
// At most one warning about unusable images per this many milliseconds.
constexpr int kWarnPeriodMs = 2000;

const char * EncodingsOf(Format format)
{
  return format == Format::RGB ? "rgb8" : "mono16/16UC1";
}

}  // namespace

H264EncodeNode::H264EncodeNode(std::string node_name, std::string topic_name)
: rclcpp::Node(node_name)
{
  original_frame = declare_parameter<bool>("original_frame", false);
  skip_frame = static_cast<std::int32_t>(declare_parameter<std::int64_t>("skip_frame", 1));
  subscription = create_subscription<sensor_msgs::msg::Image>(
    topic_name, rclcpp::QoS(10),
    std::bind(&H264EncodeNode::ImageCallback, this, std::placeholders::_1));
  const std::string output_topic = topic_name + (skip_frame == 1 ? "/h264" : "/h264_skip_frame");
  publisher = create_publisher<kestrova_h264_msgs::msg::DualCompressedImage>(
    output_topic, rclcpp::QoS(10));
}

H264EncodeNode::~H264EncodeNode()
{
  // The pipeline's threads write into message.data and cv_ready and use cv and mtx until the
  // encoder has stopped them, so it goes first (members would otherwise outlive it in reverse).
  encoder.reset();
}

void H264EncodeNode::ImageCallback(sensor_msgs::msg::Image::SharedPtr image)
{
  // Saturating, so that with skip_frame <= 0 (nothing is ever selected) it cannot overflow.
  if (frame_counter < std::numeric_limits<std::int32_t>::max()) {
    ++frame_counter;
  }
  if (frame_counter != skip_frame) {
    return;
  }
  frame_counter = 0;

  if (image->encoding == "16UC1" || image->encoding == "mono16") {
    if (!ProcessGrayImage(image)) {
      return;
    }
  } else if (image->encoding == "rgb8") {
    if (!ProcessRgbImage(image)) {
      return;
    }
  }
  // Under mtx, so that a late output buffer cannot be written into message.data while it is
  // being serialised: what goes out is always one whole buffer.
  std::lock_guard<std::mutex> lock(mtx);
  message.header = image->header;
  publisher->publish(message);
}

bool H264EncodeNode::ProcessRgbImage(sensor_msgs::msg::Image::SharedPtr image)
{
  return ProcessImage(*image, Format::RGB, 3, "h264_rgb");
}

bool H264EncodeNode::ProcessGrayImage(sensor_msgs::msg::Image::SharedPtr image)
{
  return ProcessImage(*image, Format::GRAY, 2, "h264_gray");
}

std::size_t H264EncodeNode::UsableFrameBytes(
  const sensor_msgs::msg::Image & image, Format format, std::uint32_t bytes_per_pixel)
{
  const std::uint64_t row = std::uint64_t{image.width} * bytes_per_pixel;
  // A step shorter than a row cannot be right; the rows are then taken as packed.
  const std::uint64_t step = image.step >= row ? image.step : row;
  const std::uint64_t needed = step * image.height;
  // Frame width in the encoder's pixels: a 16-bit pixel is two gray samples.
  const std::uint64_t frame_width = format == Format::GRAY ? row : image.width;

  const char * problem = nullptr;
  if (row == 0 || image.height == 0) {
    problem = "an empty image";
  } else if (needed > std::numeric_limits<std::uint32_t>::max() || frame_width > INT_MAX ||
    image.height > INT_MAX)
  {
    problem = "an image of 4 GiB or more";
  } else if (image.data.size() < needed) {
    problem = "fewer bytes than its size needs";
  } else if (encoder &&
    (format != encoder_format || frame_width != static_cast<std::uint64_t>(encoder_width) ||
    image.height != static_cast<std::uint32_t>(encoder_height)))
  {
    problem = "not the size or format the encoder was created for";
  }
  if (problem == nullptr) {
    return static_cast<std::size_t>(needed);
  }

  if (encoder) {
    const int image_width = encoder_format == Format::GRAY ? encoder_width / 2 : encoder_width;
    const int encoder_bpp = encoder_format == Format::GRAY ? 2 : 3;
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), kWarnPeriodMs,
      "image not encoded (%s): expected %s %dx%d (%lld bytes), received %s %ux%u step %u "
      "(%zu bytes)", problem, EncodingsOf(encoder_format), image_width, encoder_height,
      static_cast<long long>(image_width) * encoder_bpp * encoder_height, image.encoding.c_str(),
      image.width, image.height, image.step, image.data.size());
  } else {
    RCLCPP_WARN_THROTTLE(
      get_logger(), *get_clock(), kWarnPeriodMs,
      "image not used to create the encoder (%s): expected at least %llu bytes for %s %ux%u "
      "step %u, received %zu bytes", problem, static_cast<unsigned long long>(needed),
      image.encoding.c_str(), image.width, image.height, image.step, image.data.size());
  }
  return 0;
}

bool H264EncodeNode::ProcessImage(
  const sensor_msgs::msg::Image & image, Format format, std::uint32_t bytes_per_pixel,
  const char * format_text)
{
  // An image that cannot be a frame of the encoder is never pushed: a wrongly sized buffer makes
  // the pipeline fail for good, and an unusable first image would fix a useless encoder.
  const std::size_t frame_bytes = UsableFrameBytes(image, format, bytes_per_pixel);
  if (frame_bytes == 0) {
    return false;
  }

  if (first_frame) {
    first_frame = false;
    encoder_format = format;
    encoder_width = static_cast<int>(format == Format::GRAY ? image.width * 2 : image.width);
    encoder_height = static_cast<int>(image.height);
    {
      std::lock_guard<std::mutex> lock(mtx);
      message.data.reserve(
        static_cast<std::size_t>(image.width) * image.height * (format == Format::GRAY ? 1 : 3));
      message.data.clear();
    }
    encoder = std::make_unique<VideoEncoder>(
      encoder_width, encoder_height, kFrameRate, format, &message.data, &cv, &mtx, &cv_ready);
    return false;
  }

  {
    // The pipeline thread changes cv_ready under mtx (a late buffer of an earlier image).
    std::lock_guard<std::mutex> lock(mtx);
    cv_ready = 0;
  }
  encoder->PushFrame(image.data.data(), static_cast<std::uint32_t>(frame_bytes));

  std::unique_lock<std::mutex> lock(mtx);
  // Both paths are bounded, so a pipeline that delivers nothing never blocks the executor.
  const bool ready = cv.wait_for(lock, kEncodeWait, [this] {return cv_ready == 1;});
  if (!ready) {
    RCLCPP_INFO(get_logger(), "encode timeout, cv_ready is %d", cv_ready);
    return false;
  }
  message.format = format_text;
  if (original_frame) {
    message.raw_data = image.data;
  }
  return true;
}

}  // namespace kestrova_h264
