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

// A small node that shows what its command line did to it: the node's name, namespace and the
// resolved name of its "image" topic, its typed parameters, and DEBUG output when the log level
// allows. With exchange_ms > 0 it also talks on "chatter" for that long with every other
// node_probe, then reports what it heard and which nodes the graph holds.
//
// A start-up error (bad argument, name or parameter type) ends it with one line on standard
// error and exit status 1.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <set>
#include <string>

#include "rclcpp/rclcpp.hpp"
#include "std_msgs/msg/string.hpp"

class NodeProbe : public rclcpp::Node
{
public:
  NodeProbe()
  : Node("probe")
  {
    RCLCPP_DEBUG(get_logger(), "debug output is on");
    const auto rate = declare_parameter("rate", 30);
    const auto name = declare_parameter("name", std::string("none"));
    const auto gain = declare_parameter("gain", 1.0);
    const auto enabled = declare_parameter("enabled", true);
    const auto ids = declare_parameter("ids", std::vector<int64_t>{});
    std::printf("node %s namespace %s\n", get_fully_qualified_name(), get_namespace());
    std::printf("param rate=%ld (integer)\n", static_cast<long>(rate));
    std::printf("param name=%s (string)\n", name.c_str());
    std::printf("param gain=%g (double)\n", gain);
    std::printf("param enabled=%s (bool)\n", enabled ? "true" : "false");
    std::printf("param ids=%s (integer_array)\n",
      rclcpp::to_string(rclcpp::ParameterValue(ids)).c_str());

    image_ = create_publisher<std_msgs::msg::String>("image", 10);
    std::printf("topic image -> %s\n", image_->get_topic_name());
    std::fflush(stdout);

    exchange_ms_ = declare_parameter("exchange_ms", 0);
    if (exchange_ms_ > 0) {
      chatter_ = create_publisher<std_msgs::msg::String>("chatter", 10);
      subscription_ = create_subscription<std_msgs::msg::String>(
        "chatter", 10, [this](const std_msgs::msg::String & message) {
          if (message.data != std::to_string(getpid())) {
            others_.insert(message.data);
          }
        });
      start_ = std::chrono::steady_clock::now();
      timer_ = create_wall_timer(std::chrono::milliseconds(100), [this]() {exchange();});
    }
  }

  bool exchanging() const {return exchange_ms_ > 0;}

private:
  void exchange()
  {
    std_msgs::msg::String message;
    message.data = std::to_string(getpid());
    chatter_->publish(message);
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed < std::chrono::milliseconds(exchange_ms_) || reported_) {
      // Stay a second after reporting, so that a peer reporting a little later still sees us.
      if (reported_ && elapsed > std::chrono::milliseconds(exchange_ms_ + 1000)) {
        rclcpp::shutdown();
      }
      return;
    }
    reported_ = true;
    std::printf("heard from %zu other processes\n", others_.size());
    for (const auto & node : get_node_names()) {
      std::printf("graph node %s\n", node.c_str());
    }
    std::fflush(stdout);
  }

  rclcpp::Publisher<std_msgs::msg::String>::SharedPtr image_;
  rclcpp::Publisher<std_msgs::msg::String>::SharedPtr chatter_;
  rclcpp::Subscription<std_msgs::msg::String>::SharedPtr subscription_;
  rclcpp::TimerBase::SharedPtr timer_;
  int64_t exchange_ms_ = 0;
  bool reported_ = false;
  std::chrono::steady_clock::time_point start_;
  std::set<std::string> others_;
};

int main(int argc, char * argv[])
{
  std::shared_ptr<NodeProbe> node;
  try {
    rclcpp::init(argc, argv);
    node = std::make_shared<NodeProbe>();
  } catch (const std::exception & e) {
    std::fprintf(stderr, "node_probe: %s\n", e.what());
    return 1;
  }
  if (node->exchanging()) {
    rclcpp::spin(node);
  }
  node.reset();
  rclcpp::shutdown();
  return 0;
}
