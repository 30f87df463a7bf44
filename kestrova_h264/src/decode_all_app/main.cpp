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

// decode_all_app: reads `topic_name` through a short-lived node "tmp", then spins one
// H264DecodeNode until ROS 2 is shut down (SIGINT or SIGTERM).

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "h264_decode_node.hpp"
#include "rclcpp/rclcpp.hpp"

namespace
{

// Exception texts of rclcpp's name checks span several lines (name, caret); the fatal report
// is one line, so every run of white space becomes one space.
std::string OneLine(const std::string & text)
{
  std::string out;
  bool pending_space = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      pending_space = true;
      continue;
    }
    if (pending_space && !out.empty()) {
      out += ' ';
    }
    pending_space = false;
    out += c;
  }
  return out;
}

int Run(int argc, char ** argv)
{
  rclcpp::init(argc, argv);

  std::string topic_name;
  {
    auto tmp = std::make_shared<rclcpp::Node>("tmp");
    topic_name = tmp->declare_parameter<std::string>("topic_name", std::string("/image_raw"));
  }

  auto node = std::make_unique<kestrova_h264::H264DecodeNode>(
    kestrova_h264::DecoderNodeName(topic_name), topic_name);
  // spin's argument is the node's only owner: the node goes as soon as spin returns.
  rclcpp::spin(std::shared_ptr<rclcpp::Node>(std::move(node)));

  rclcpp::shutdown();
  return 0;
}

}  // namespace

int main(int argc, char ** argv)
{
  // A start-up failure (bad ROS arguments, a parameter of the wrong type, a name that rclcpp
  // rejects, an unreadable pipeline configuration when the decoder is created) ends the
  // program with one FATAL line naming the problem and status 1, rather than an abort.
  try {
    return Run(argc, argv);
  } catch (const std::exception & e) {
    RCLCPP_FATAL(rclcpp::get_logger("decode_all_app"), "%s", OneLine(e.what()).c_str());
  }
  if (rclcpp::ok()) {
    rclcpp::shutdown();
  }
  return 1;
}
