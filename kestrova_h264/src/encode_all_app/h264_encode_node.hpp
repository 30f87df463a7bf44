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

#ifndef ENCODE_ALL_APP__H264_ENCODE_NODE_HPP_
#define ENCODE_ALL_APP__H264_ENCODE_NODE_HPP_

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "kestrova_h264/coder.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264
{

/// Subscribes to sensor_msgs/msg/Image on a topic, encodes every `skip_frame`-th image of
/// encoding "rgb8", "mono16" or "16UC1" to H.264 with one VideoEncoder, and publishes each
/// encoded frame as a DualCompressedImage on the topic + "/h264" ("/h264_skip_frame" when
/// `skip_frame` is not 1). Parameters: `original_frame` (bool, false), `skip_frame` (int, 1).
class H264EncodeNode : public rclcpp::Node
{
public:
  /// Declares the parameters and creates the subscription, then the publisher. Throws the
  /// rclcpp exceptions for a rejected name or a parameter override of the wrong type.
  H264EncodeNode(std::string node_name, std::string topic_name);
  /// Stops the encoder before the hand-off objects it writes into go away.
  ~H264EncodeNode() override;

  /// Selects every `skip_frame`-th image and publishes what its path produced; images of an
  /// unsupported encoding publish the outgoing message unchanged apart from the header.
  void ImageCallback(sensor_msgs::msg::Image::SharedPtr image);
  /// "rgb8" path: RGB frames of the image's size. True when `message` holds a new frame.
  bool ProcessRgbImage(sensor_msgs::msg::Image::SharedPtr image);
  /// "mono16"/"16UC1" path: each 16-bit pixel as two GRAY8 samples, so the frame is twice as
  /// wide. True when `message` holds a new frame.
  bool ProcessGrayImage(sensor_msgs::msg::Image::SharedPtr image);

private:
  // Creates the encoder from the first usable image, or pushes the image and waits for its
  // encoded frame. `bytes_per_pixel` is that of the image (3 or 2), `format_text` the tag that
  // a successfully encoded frame gets.
  bool ProcessImage(
    const sensor_msgs::msg::Image & image, Format format, std::uint32_t bytes_per_pixel,
    const char * format_text);
  // Number of bytes to push for `image` when it can be a frame of the encoder (or, before the
  // encoder exists, of any encoder); 0 after logging a warning when it cannot.
  std::size_t UsableFrameBytes(
    const sensor_msgs::msg::Image & image, Format format, std::uint32_t bytes_per_pixel);

  std::unique_ptr<VideoEncoder> encoder;
  rclcpp::Subscription<sensor_msgs::msg::Image>::SharedPtr subscription;
  rclcpp::Publisher<kestrova_h264_msgs::msg::DualCompressedImage>::SharedPtr publisher;
  kestrova_h264_msgs::msg::DualCompressedImage message;
  bool first_frame = true;
  int cv_ready = 0;
  std::condition_variable cv;
  std::mutex mtx;
  bool original_frame = false;
  std::int32_t skip_frame = 1;

  // What the encoder was built for: frame width in its own pixels, height and format.
  int encoder_width = 0;
  int encoder_height = 0;
  Format encoder_format = Format::RGB;
};

}  // namespace kestrova_h264

#endif  // ENCODE_ALL_APP__H264_ENCODE_NODE_HPP_
