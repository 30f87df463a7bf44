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

// Latency and loss of raw sensor_msgs/msg/Image frames between two processes: this program
// publishes patterned rgb8 frames at 30 Hz and an image_listener process receives and checks
// them. Prints one line per frame size.
//
// Usage: image_latency_benchmark [seconds per size (default 10)] [path to image_listener]

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "image_pattern.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace
{

struct Listener
{
  pid_t pid = -1;
  FILE * output = nullptr;
};

Listener start_listener(const std::string & program, const std::string & topic)
{
  int fds[2];
  if (pipe(fds) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    const std::string topic_arg = "topic:=" + topic;
    execl(
      program.c_str(), program.c_str(), "--ros-args", "-p", topic_arg.c_str(),
      "--log-level", "warn", static_cast<char *>(nullptr));
    std::perror("execl");
    _exit(127);
  }
  close(fds[1]);
  return Listener{pid, fdopen(fds[0], "r")};
}

std::string stop_listener(Listener & listener)
{
  kill(listener.pid, SIGINT);
  std::string summary;
  char line[512];
  while (std::fgets(line, sizeof(line), listener.output) != nullptr) {
    summary = line;
  }
  fclose(listener.output);
  int status = 0;
  waitpid(listener.pid, &status, 0);
  return summary;
}

}  // namespace

int main(int argc, char * argv[])
{
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  std::string listener_program = argc > 2 ? argv[2] : "";
  if (listener_program.empty()) {
    const std::string self = argv[0];
    listener_program = self.substr(0, self.find_last_of('/') + 1) + "image_listener";
  }
  rclcpp::init(1, argv);
  auto node = std::make_shared<rclcpp::Node>("image_latency_benchmark");

  const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{640, 480}, {1280, 720}, {1920, 1080}};
  const double rate = 30.0;
  std::printf("raw rgb8 images between two processes, %.0f Hz, %.0f s per size\n", rate, seconds);
  for (const auto & size : sizes) {
    const std::string topic = "benchmark_" + std::to_string(size.first) + "x" +
      std::to_string(size.second);
    Listener listener = start_listener(listener_program, topic);
    auto publisher = node->create_publisher<sensor_msgs::msg::Image>(topic, 10);
    const auto match_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (publisher->get_subscription_count() == 0 &&
      std::chrono::steady_clock::now() < match_deadline && rclcpp::ok())
    {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A moment for the listener's side of the match.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const auto frames = static_cast<uint64_t>(seconds * rate);
    const auto period = std::chrono::duration<double>(1.0 / rate);
    auto next = std::chrono::steady_clock::now();
    sensor_msgs::msg::Image message;
    message.width = size.first;
    message.height = size.second;
    message.encoding = "rgb8";
    message.step = size.first * 3;
    message.data.resize(static_cast<size_t>(message.step) * message.height);
    for (uint64_t sequence = 0; sequence < frames && rclcpp::ok(); ++sequence) {
      // The pattern is written before the stamp, so that its cost is not counted.
      fill_pattern(sequence, message.data);
      message.header.frame_id = std::to_string(sequence);
      message.header.stamp = node->now();
      publisher->publish(message);
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string summary = stop_listener(listener);
    unsigned long received = 0, intact = 0, corrupt = 0, missing = 0, other = 0;
    double p50 = 0, p99 = 0;
    std::sscanf(
      summary.c_str(),
      "frames=%lu intact=%lu corrupt=%lu missing=%lu other_thread=%lu p50_ms=%lf p99_ms=%lf",
      &received, &intact, &corrupt, &missing, &other, &p50, &p99);
    std::printf(
      "%4ux%-4u  sent %4lu  received %4lu  lost %4lu  corrupt %lu  latency p50 %6.2f ms  "
      "p99 %6.2f ms\n",
      size.first, size.second, static_cast<unsigned long>(frames), received,
      static_cast<unsigned long>(frames) - received, corrupt, p50, p99);
    std::fflush(stdout);
  }
  rclcpp::shutdown();
  return 0;
}
