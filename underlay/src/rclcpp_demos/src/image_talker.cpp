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

// Publishes patterned sensor_msgs/msg/Image frames: frame N carries N in its frame_id and bytes
// that image_listener can check.
//
// Parameters: topic (image), width (1280), height (720), encoding (rgb8), rate (30.0 Hz),
// count (0: until shut down), wait_for_subscribers (1).

#include <chrono>
#include <memory>
#include <string>

#include "image_pattern.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace
{
size_t bytes_per_pixel(const std::string & encoding)
{
  if (encoding == "rgb8" || encoding == "bgr8") {
    return 3;
  }
  if (encoding == "mono16" || encoding == "16UC1") {
    return 2;
  }
  return 1;
}
}  // namespace

class ImageTalker : public rclcpp::Node
{
public:
  ImageTalker()
  : Node("image_talker")
  {
    const auto topic = declare_parameter("topic", std::string("image"));
    width_ = static_cast<uint32_t>(declare_parameter("width", 1280));
    height_ = static_cast<uint32_t>(declare_parameter("height", 720));
    encoding_ = declare_parameter("encoding", std::string("rgb8"));
    const double rate = declare_parameter("rate", 30.0);
    count_ = declare_parameter("count", 0);
    wait_for_subscribers_ = static_cast<size_t>(declare_parameter("wait_for_subscribers", 1));
    publisher_ = create_publisher<sensor_msgs::msg::Image>(topic, 10);
    timer_ = create_wall_timer(
      std::chrono::duration<double>(1.0 / rate), [this]() {tick();});
    RCLCPP_INFO(
      get_logger(), "publishing %ux%u %s frames on %s at %.1f Hz", width_, height_,
      encoding_.c_str(), publisher_->get_topic_name(), rate);
  }

private:
  void tick()
  {
    if (publisher_->get_subscription_count() < wait_for_subscribers_) {
      return;
    }
    if (count_ > 0 && sent_ >= static_cast<uint64_t>(count_)) {
      RCLCPP_INFO_ONCE(get_logger(), "sent %lu frames", static_cast<unsigned long>(sent_));
      return;
    }
    auto message = std::make_unique<sensor_msgs::msg::Image>();
    message->header.stamp = now();
    message->header.frame_id = std::to_string(sent_);
    message->width = width_;
    message->height = height_;
    message->encoding = encoding_;
    message->step = static_cast<uint32_t>(width_ * bytes_per_pixel(encoding_));
    message->data.resize(static_cast<size_t>(message->step) * height_);
    fill_pattern(sent_, message->data);
    publisher_->publish(std::move(message));
    ++sent_;
  }

  rclcpp::Publisher<sensor_msgs::msg::Image>::SharedPtr publisher_;
  rclcpp::TimerBase::SharedPtr timer_;
  uint32_t width_;
  uint32_t height_;
  std::string encoding_;
  int64_t count_;
  size_t wait_for_subscribers_;
  uint64_t sent_ = 0;
};

int main(int argc, char * argv[])
{
  rclcpp::init(argc, argv);
  rclcpp::spin(std::make_shared<ImageTalker>());
  rclcpp::shutdown();
  return 0;
}
