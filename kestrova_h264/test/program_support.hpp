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


// Support for process tests of the real programs: start a program in a private mount namespace
// whose /etc/kestrova holds a chosen profile, capture what it prints, signal it, collect its exit
// status; and a ROS 2 peer in the test process that feeds and reads the program's topics.

#ifndef PROGRAM_SUPPORT_HPP_
#define PROGRAM_SUPPORT_HPP_

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264
{
namespace test
{

/// Generous default bound for waits on a program's behaviour.
inline constexpr std::chrono::milliseconds kLongWait{20000};

/// gtest entry point for process-test binaries. Before running the tests it moves the test
/// process into a private mount namespace in which /etc/kestrova exists (an empty tmpfs, the
/// machine's own file is never touched), sets ROS_LOCALHOST_ONLY=1 and a ROS_DOMAIN_ID derived
/// from the process id (programs started by the tests inherit both), and initialises rclcpp
/// without signal handlers. Needs root. Use as `int main(int c, char ** v) {return
/// kestrova_h264::test::ProcessTestMain(c, v);}`.
int ProcessTestMain(int argc, char ** argv);

/// What a started program finds as /etc/kestrova/gst.yaml.
class EtcConfig
{
public:
  /// No file at all.
  static EtcConfig None();
  /// The shipped profile config/<file_name> (for example "gst-lossless.yaml").
  static EtcConfig Profile(const std::string & file_name);
  /// A file with exactly `yaml` as its content (for broken or special configurations).
  static EtcConfig Text(const std::string & yaml);

  /// The file's content; meaningless when !present().
  const std::string & text() const {return text_;}
  /// False for None().
  bool present() const {return present_;}

private:
  EtcConfig(bool present, std::string text);
  bool present_;
  std::string text_;
};

/// How a program ended.
struct ExitStatus
{
  bool exited = false;       ///< ended through exit() or return from main
  int code = -1;             ///< exit status when `exited`
  int signal = 0;            ///< terminating signal when it was killed by one
  bool core_dumped = false;  ///< the kernel reported a core dump
  bool timed_out = false;    ///< Wait() gave up and killed it with SIGKILL

  /// "exit status 1", "killed by signal 6 (core dumped)", "timed out" ...
  std::string Describe() const;
};

/// Which captured stream to look at.
enum class Stream
{
  kStdout,
  kStderr,
};

/// One run of a program. The child runs in its own mount namespace (a copy of the test
/// process's) with a scratch directory bind-mounted on /etc/kestrova, its standard output and
/// standard error captured separately into files, core dumps disabled, and SIGKILL sent to it if
/// the test process dies. It inherits the test process's environment plus `extra_env`.
/// The destructor ends a program that is still running (SIGTERM, then SIGKILL after 10 s: a
/// killed program's DDS endpoints would linger in the other participants for their lease
/// time) and removes the scratch directory.
class Program
{
public:
  /// Starts `executable` (a path) with `args` (without argv[0]). Throws std::runtime_error when
  /// the program cannot be started.
  Program(
    const std::string & executable, const std::vector<std::string> & args,
    const EtcConfig & config, const std::vector<std::string> & extra_env = {});
  ~Program();

  Program(const Program &) = delete;
  Program & operator=(const Program &) = delete;

  /// Process id of the child.
  pid_t pid() const {return pid_;}

  /// Sends `signal` to the child (ignored once it has been reaped).
  void Signal(int signal);

  /// Waits up to `timeout` for the child to end; on timeout kills it with SIGKILL and reports
  /// timed_out. Calling it again returns the same status.
  ExitStatus Wait(std::chrono::milliseconds timeout = kLongWait);

  /// Everything captured so far on one stream.
  std::string Output(Stream stream) const;
  /// Standard output captured so far.
  std::string Stdout() const {return Output(Stream::kStdout);}
  /// Standard error captured so far.
  std::string Stderr() const {return Output(Stream::kStderr);}

  /// Waits until `text` appears on `stream`; false when `timeout` passes or the program ends
  /// first (its output is then complete and is checked once more).
  bool WaitForText(
    Stream stream, const std::string & text, std::chrono::milliseconds timeout = kLongWait);

  /// Both streams, labelled, for failure messages.
  std::string Transcript() const;

private:
  bool Reap(bool block);

  pid_t pid_ = -1;
  bool reaped_ = false;
  ExitStatus status_;
  std::string scratch_;
};

/// A ROS 2 node in the test process, spun on a thread of its own, that publishes to and
/// subscribes on any topic with QoS depth 10 (reliable, volatile), as the programs do.
/// Messages are received on the spin thread and stored per topic.
class Peer
{
public:
  /// Creates the node `name` and starts spinning it.
  explicit Peer(const std::string & name = "kestrova_test_peer");
  /// Stops spinning and destroys the node.
  ~Peer();

  Peer(const Peer &) = delete;
  Peer & operator=(const Peer &) = delete;

  /// The node (for counting publishers etc.).
  rclcpp::Node::SharedPtr node() const {return node_;}

  /// Publishes `message` on `topic` (the publisher is created on first use).
  template<typename MessageT>
  void Publish(const std::string & topic, const MessageT & message)
  {
    Publisher<MessageT>(topic)->publish(message);
  }

  /// Creates the publisher for `topic` if needed and waits until at least `count` subscriptions
  /// are matched with it; false on timeout.
  template<typename MessageT>
  bool WaitForSubscribers(
    const std::string & topic, size_t count = 1, std::chrono::milliseconds timeout = kLongWait)
  {
    auto publisher = Publisher<MessageT>(topic);
    return WaitUntil([&] {return publisher->get_subscription_count() >= count;}, timeout);
  }

  /// Starts collecting the messages published on `topic` (once per topic).
  template<typename MessageT>
  void Listen(const std::string & topic)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (subscriptions_.count(topic) != 0) {
      return;
    }
    subscriptions_[topic] = node_->create_subscription<MessageT>(
      topic, rclcpp::QoS(10), [this, topic](std::shared_ptr<MessageT> message) {
        {
          std::lock_guard<std::mutex> inner(mutex_);
          received_[topic].push_back(std::move(message));
        }
        cv_.notify_all();
      });
  }

  /// Waits until a publisher is matched with the subscription of `topic` (Listen() first).
  bool WaitForPublisher(const std::string & topic, std::chrono::milliseconds timeout = kLongWait);

  /// Waits until at least `count` messages have arrived on `topic`; false on timeout.
  bool WaitForMessages(
    const std::string & topic, size_t count, std::chrono::milliseconds timeout = kLongWait);

  /// Copies of the messages received on `topic` so far, oldest first.
  template<typename MessageT>
  std::vector<MessageT> Received(const std::string & topic)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<MessageT> out;
    for (const auto & message : received_[topic]) {
      out.push_back(*std::static_pointer_cast<MessageT>(message));
    }
    return out;
  }

  /// Number of messages received on `topic` so far.
  size_t Count(const std::string & topic);

  /// Polls `condition` every 10 ms until it holds or `timeout` passes.
  template<typename Condition>
  static bool WaitUntil(Condition condition, std::chrono::milliseconds timeout)
  {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
      if (std::chrono::steady_clock::now() >= end) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

private:
  template<typename MessageT>
  std::shared_ptr<rclcpp::Publisher<MessageT>> Publisher(const std::string & topic)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto & slot = publishers_[topic];
    if (!slot) {
      slot = node_->create_publisher<MessageT>(topic, rclcpp::QoS(10));
    }
    return std::static_pointer_cast<rclcpp::Publisher<MessageT>>(slot);
  }

  rclcpp::Node::SharedPtr node_;
  rclcpp::executors::SingleThreadedExecutor executor_;
  std::thread spinner_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::map<std::string, std::shared_ptr<void>> publishers_;
  std::map<std::string, rclcpp::SubscriptionBase::SharedPtr> subscriptions_;
  std::map<std::string, std::vector<std::shared_ptr<void>>> received_;
};

/// An image with deterministic content: `height` rows of `step` bytes (0 means packed:
/// width x bytes_per_pixel), pixel bytes from a moving scene selected by `t`, padding bytes 0xEE.
/// The header carries frame id "cam" and the stamp t seconds + 1000 t nanoseconds.
sensor_msgs::msg::Image MakeImage(
  const std::string & encoding, uint32_t width, uint32_t height, uint32_t bytes_per_pixel, int t,
  uint32_t step = 0);

}  // namespace test
}  // namespace kestrova_h264

#endif  // PROGRAM_SUPPORT_HPP_
