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

// Receives image_talker's frames and checks each one: its bytes, its size, that the callback
// runs on the thread that spins, and which frames went missing. Prints one summary line on
// exit:
//   frames=N intact=N corrupt=N missing=N other_thread=N p50_ms=X p99_ms=X
//
// Parameters: topic (image).

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "image_pattern.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

class ImageListener : public rclcpp::Node
{
public:
  ImageListener()
  : Node("image_listener")
  {
    const auto topic = declare_parameter("topic", std::string("image"));
    subscription_ = create_subscription<sensor_msgs::msg::Image>(
      topic, 10, [this](sensor_msgs::msg::Image::ConstSharedPtr message) {on_image(*message);});
  }

  void set_spin_thread(std::thread::id id) {spin_thread_ = id;}

  void print_summary() const
  {
    std::vector<double> sorted = latencies_ms_;
    std::sort(sorted.begin(), sorted.end());
    auto percentile = [&sorted](double p) {
        return sorted.empty() ? 0.0 : sorted[static_cast<size_t>(p * (sorted.size() - 1))];
      };
    const uint64_t expected = frames_ == 0 ? 0 : last_sequence_ - first_sequence_ + 1;
    std::printf(
      "frames=%lu intact=%lu corrupt=%lu missing=%lu other_thread=%lu p50_ms=%.2f p99_ms=%.2f\n",
      static_cast<unsigned long>(frames_), static_cast<unsigned long>(intact_),
      static_cast<unsigned long>(frames_ - intact_),
      static_cast<unsigned long>(expected > frames_ ? expected - frames_ : 0),
      static_cast<unsigned long>(other_thread_), percentile(0.5), percentile(0.99));
    std::fflush(stdout);
  }

private:
  void on_image(const sensor_msgs::msg::Image & message)
  {
    const double latency_ms = (now() - rclcpp::Time(message.header.stamp, RCL_ROS_TIME)).seconds() * 1e3;
    latencies_ms_.push_back(latency_ms);
    if (std::this_thread::get_id() != spin_thread_) {
      ++other_thread_;
    }
    const uint64_t sequence = std::stoull(message.header.frame_id);
    if (frames_ == 0) {
      first_sequence_ = sequence;
    }
    last_sequence_ = sequence;
    ++frames_;
    const bool size_ok = message.data.size() == static_cast<size_t>(message.step) * message.height;
    if (size_ok && check_pattern(sequence, message.data)) {
      ++intact_;
    } else {
      RCLCPP_ERROR(get_logger(), "frame %lu is corrupt", static_cast<unsigned long>(sequence));
    }
  }

  rclcpp::Subscription<sensor_msgs::msg::Image>::SharedPtr subscription_;
  std::thread::id spin_thread_;
  std::vector<double> latencies_ms_;
  uint64_t frames_ = 0;
  uint64_t intact_ = 0;
  uint64_t other_thread_ = 0;
  uint64_t first_sequence_ = 0;
  uint64_t last_sequence_ = 0;
};

int main(int argc, char * argv[])
{
  rclcpp::init(argc, argv);
  auto node = std::make_shared<ImageListener>();
  node->set_spin_thread(std::this_thread::get_id());
  rclcpp::spin(node);
  node->print_summary();
  rclcpp::shutdown();
  return 0;
}
