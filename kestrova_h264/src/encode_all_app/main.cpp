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

// encode_all_app: reads `topic_name` through a short-lived node "tmp", names the encoder node
// after the topic, spins it until ROS 2 shuts down (SIGINT, SIGTERM) and exits with status 0.
// A start-up error (bad ROS arguments, a parameter override of the wrong type, a name that ROS
// rejects, an unusable /etc/kestrova/gst.yaml) ends it with one FATAL log line and status 1.

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "h264_encode_node.hpp"
#include "kestrova_h264/coder.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

// Log lines are one line each: multi-line exception texts are joined with spaces.
std::string OneLine(std::string text)
{
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string Describe(const std::exception & error)
{
  if (auto name = dynamic_cast<const rclcpp::exceptions::NameValidationError *>(&error)) {
    return "invalid " + name->name_type + " '" + name->name + "': " + name->error_msg +
           " (at character " + std::to_string(name->invalid_index) + ")";
  }
  if (dynamic_cast<const kestrova_h264::ConfigError *>(&error) != nullptr) {
    return std::string("cannot create the encoder: ") + error.what();
  }
  return OneLine(error.what());
}

}  // namespace

int main(int argc, char ** argv)
{
  try {
    rclcpp::init(argc, argv);

    std::string topic_name;
    {
      auto tmp = std::make_shared<rclcpp::Node>("tmp");
      topic_name = tmp->declare_parameter<std::string>("topic_name", "/image_raw");
    }

    std::string node_name = "h264encoder" + topic_name;
    std::replace(node_name.begin(), node_name.end(), '/', '_');

    {
      auto node = std::make_shared<kestrova_h264::H264EncodeNode>(node_name, topic_name);
      rclcpp::spin(node);
    }
    rclcpp::shutdown();
    return 0;
  } catch (const std::exception & error) {
    RCLCPP_FATAL(rclcpp::get_logger("encode_all_app"), "%s", Describe(error).c_str());
  }
  // Reached only after the node (and with it the encoder) has been destroyed by the unwinding.
  if (rclcpp::ok()) {
    rclcpp::shutdown();
  }
  return 1;
}
