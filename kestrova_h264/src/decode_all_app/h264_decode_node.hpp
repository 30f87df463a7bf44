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

#ifndef DECODE_ALL_APP__H264_DECODE_NODE_HPP_
#define DECODE_ALL_APP__H264_DECODE_NODE_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kestrova_h264/coder.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264
{

/// Output topic of a decoder that subscribes to `topic_name`: the first "/h264" is taken out
/// (exact, case-sensitive match) and "_new" is appended.
std::string DecodedTopicName(std::string topic_name);

/// Node name of a decoder for `topic_name`: "h264decoder" + the topic name, every '/' replaced
/// by '_'.
std::string DecoderNodeName(const std::string & topic_name);

/// Receives DualCompressedImage messages on `topic_name`, decodes "h264_rgb" and "h264_gray"
/// frames through one VideoDecoder and republishes them as sensor_msgs/msg/Image on
/// DecodedTopicName(topic_name). A carried `raw_data` copy is compared with the decoded frame
/// and the outcome logged at INFO.
class H264DecodeNode : public rclcpp::Node
{
public:
  /// Subscribes to `topic_name` and advertises the output topic; creates no decoder yet.
  H264DecodeNode(std::string node_name, std::string topic_name);
  /// Destroys the decoder first, so that its pipeline stops while the hand-off objects it
  /// writes into still exist.
  ~H264DecodeNode() override;

  /// Subscription callback: decodes by `format` and publishes `message` when there is a fresh
  /// frame, or republishes it unchanged for a format this node does not know.
  void H264Callback(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg);
  /// "h264_rgb" path; true when `message` holds a freshly decoded frame to publish.
  bool ProcessH264Rgb(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg);
  /// "h264_gray" path (16-bit images carried as 8-bit gray frames twice as wide).
  bool ProcessH264Gray(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg);

private:
  // What distinguishes the two decoding paths.
  struct PathTraits
  {
    Format format;
    std::chrono::milliseconds wait;
    int width_divisor;
    int bytes_per_pixel;
    const char * encoding;
    const char * equal_text;
  };
  bool ProcessH264(
    const kestrova_h264_msgs::msg::DualCompressedImage & msg, const PathTraits & path);

  std::unique_ptr<VideoDecoder> decoder;
  rclcpp::Subscription<kestrova_h264_msgs::msg::DualCompressedImage>::SharedPtr subscription;
  rclcpp::Publisher<sensor_msgs::msg::Image>::SharedPtr publisher;
  sensor_msgs::msg::Image message;
  std::vector<std::uint8_t> data1;
  std::vector<std::uint8_t> data2;
  bool first_frame = true;
  std::condition_variable cv;
  std::mutex mtx;
  int cv_ready = 0;
};

}  // namespace kestrova_h264

#endif  // DECODE_ALL_APP__H264_DECODE_NODE_HPP_
