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

#include "h264_decode_node.hpp"

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <utility>

namespace kestrova_h264
{

std::string DecodedTopicName(std::string topic_name)
{
  const std::string::size_type pos = topic_name.find("/h264", 0);
  if (pos != std::string::npos) {
    topic_name.erase(pos, 5);
  }
  return topic_name + "_new";
}

std::string DecoderNodeName(const std::string & topic_name)
{
  std::string name = "h264decoder" + topic_name;
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

H264DecodeNode::H264DecodeNode(std::string node_name, std::string topic_name)
: rclcpp::Node(node_name)
{
  RCLCPP_INFO(get_logger(), "H264DecodeNode ...");
  subscription = create_subscription<kestrova_h264_msgs::msg::DualCompressedImage>(
    topic_name, rclcpp::QoS(10),
    std::bind(&H264DecodeNode::H264Callback, this, std::placeholders::_1));
  publisher = create_publisher<sensor_msgs::msg::Image>(
    DecodedTopicName(topic_name), rclcpp::QoS(10));
}

H264DecodeNode::~H264DecodeNode()
{
  // Members go in reverse declaration order, which would destroy the hand-off objects before
  // the decoder whose streaming threads write into them.
  decoder.reset();
}

void H264DecodeNode::H264Callback(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg)
{
  if (msg->format == "h264_gray") {
    if (!ProcessH264Gray(msg)) {
      return;
    }
  } else if (msg->format == "h264_rgb") {
    if (!ProcessH264Rgb(msg)) {
      return;
    }
  }
  // Published under the hand-off mutex: a late frame of the decoder cannot be half written
  // into message.data while it is serialised.
  std::lock_guard<std::mutex> lock(mtx);
  publisher->publish(message);
}

bool H264DecodeNode::ProcessH264Rgb(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg)
{
  static const PathTraits kRgb{
    Format::RGB, std::chrono::milliseconds(100), 1, 3, "rgb8",
    "!!!!the original image and decode image are equal"};
  return ProcessH264(*msg, kRgb);
}

bool H264DecodeNode::ProcessH264Gray(kestrova_h264_msgs::msg::DualCompressedImage::SharedPtr msg)
{
  static const PathTraits kGray{
    Format::GRAY, std::chrono::milliseconds(10), 2, 2, "16UC1",
    "******************************"};
  return ProcessH264(*msg, kGray);
}

bool H264DecodeNode::ProcessH264(
  const kestrova_h264_msgs::msg::DualCompressedImage & msg, const PathTraits & path)
{
  if (first_frame) {
    first_frame = false;
    decoder = std::make_unique<VideoDecoder>(&message.data, path.format, &cv, &mtx, &cv_ready);
    return false;
  }
  if (msg.data.size() > std::numeric_limits<std::uint32_t>::max()) {
    // The decoder takes a 32-bit byte count; a longer frame would be cut short silently.
    RCLCPP_WARN(
      get_logger(), "h264 frame of %zu bytes is too large to decode, dropped", msg.data.size());
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mtx);
    cv_ready = 0;
  }
  decoder->PushFrame(msg.data.data(), static_cast<std::uint32_t>(msg.data.size()));

  std::unique_lock<std::mutex> lock(mtx);
  if (!cv.wait_for(lock, path.wait, [this] {return cv_ready == 1;})) {
    RCLCPP_INFO(get_logger(), "decode timeout, cv_ready is %d", cv_ready);
    return false;
  }
  const int width = decoder->GetWidth();
  const int height = decoder->GetHeight();
  const std::string pad_type = decoder->GetPadType();
  const std::string format = decoder->GetFormat();
  RCLCPP_DEBUG(
    get_logger(), "pad type is %s, width: %d, height: %d, format: %s", pad_type.c_str(), width,
    height, format.c_str());
  RCLCPP_DEBUG(
    get_logger(), "OK, width: %d, height: %d, data1.size: %ld data2.size: %ld "
    "message.data.szie: %ld", width, height, static_cast<long>(data1.size()),
    static_cast<long>(data2.size()), static_cast<long>(message.data.size()));

  message.header = msg.header;
  message.height = static_cast<std::uint32_t>(height);
  const int out_width = width / path.width_divisor;
  message.width = static_cast<std::uint32_t>(out_width);
  message.encoding = path.encoding;
  message.step = static_cast<std::uint32_t>(out_width * path.bytes_per_pixel);
  message.is_bigendian = 0;

  if (!msg.raw_data.empty()) {
    if (msg.raw_data == message.data) {
      RCLCPP_INFO(get_logger(), "%s", path.equal_text);
    } else {
      RCLCPP_INFO(get_logger(), "the original image and decode image are not equal");
    }
  }
  return true;
}

}  // namespace kestrova_h264
