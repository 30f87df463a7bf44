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

// Process tests of the tools: start a program with arguments, read what it prints, signal it,
// collect its exit status; and a ROS 2 node in the test process that feeds and reads topics.

#ifndef PROCESS_HPP_
#define PROCESS_HPP_

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rclcpp/rclcpp.hpp"

namespace kestrova_h264_tools
{
namespace test
{

/// Bound of every wait on a program.
inline constexpr std::chrono::milliseconds kWait{20000};

/// gtest entry point: keeps traffic on this machine (ROS_LOCALHOST_ONLY=1), gives the test
/// binary a ROS_DOMAIN_ID of its own derived from its process id (started programs inherit
/// both), initialises rclcpp without signal handlers and runs the tests.
int ProcessTestMain(int argc, char ** argv);

/// A fresh scratch directory under the system's temporary directory, removed with its content
/// by the destructor.
class ScratchDir
{
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir & operator=(const ScratchDir &) = delete;
  /// Path of `name` inside the directory.
  std::string operator/(const std::string & name) const {return path_ + "/" + name;}
  /// The directory.
  const std::string & path() const {return path_;}

private:
  std::string path_;
};

/// How a program ended.
struct ExitStatus
{
  bool exited = false;     ///< returned from main or called exit()
  int code = -1;           ///< exit status when `exited`
  int signal = 0;          ///< the signal that killed it, if any
  bool timed_out = false;  ///< Wait() gave up and killed it

  /// "exit status 0", "killed by signal 6", "timed out".
  std::string Describe() const;
};

/// One run of a program, standard output and standard error captured to files. The child is
/// killed when the test process dies; the destructor kills a child still running.
class Program
{
public:
  /// Starts `path` with `args` (without argv[0]) in `cwd` ("" for the test's directory).
  /// Throws std::runtime_error when it cannot be started.
  Program(
    const std::string & path, const std::vector<std::string> & args, const std::string & cwd = "");
  ~Program();
  Program(const Program &) = delete;
  Program & operator=(const Program &) = delete;

  /// Sends `signal` unless the child has been reaped.
  void Signal(int signal);
  /// Waits up to `timeout` for the child to end; kills it on timeout.
  ExitStatus Wait(std::chrono::milliseconds timeout = kWait);
  /// Standard output so far.
  std::string Stdout() const;
  /// Standard error so far.
  std::string Stderr() const;
  /// Waits until `text` appears on standard output or standard error.
  bool WaitForText(const std::string & text, std::chrono::milliseconds timeout = kWait);
  /// Both streams, labelled, for failure messages.
  std::string Transcript() const;

private:
  bool Reap(bool block);

  ScratchDir scratch_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  ExitStatus status_;
};

/// Polls `condition` every 10 ms until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()> & condition, std::chrono::milliseconds timeout = kWait);

/// A node in the test process spun on its own thread; publishes and subscribes with QoS depth 10
/// (reliable, volatile) like the programs, and keeps every message it receives.
class Peer
{
public:
  Peer();
  ~Peer();
  Peer(const Peer &) = delete;
  Peer & operator=(const Peer &) = delete;

  /// The node.
  rclcpp::Node & node() {return *node_;}

  /// A publisher on `topic`, created on first use.
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

  /// Waits until `topic`'s publisher is matched with at least one subscription.
  template<typename MessageT>
  bool WaitForSubscriber(const std::string & topic)
  {
    auto publisher = Publisher<MessageT>(topic);
    return WaitUntil([&] {return publisher->get_subscription_count() > 0;});
  }

  /// Starts keeping the messages of `topic`.
  template<typename MessageT>
  void Listen(const std::string & topic)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    subscriptions_[topic] = node_->create_subscription<MessageT>(
      topic, rclcpp::QoS(10), [this, topic](std::shared_ptr<MessageT> message) {
        std::lock_guard<std::mutex> inner(mutex_);
        received_[topic].push_back(message);
      });
  }

  /// Waits until `topic` has a matched publisher (Listen() first).
  bool WaitForPublisher(const std::string & topic);

  /// The messages received on `topic` so far, oldest first.
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

private:
  rclcpp::Node::SharedPtr node_;
  rclcpp::executors::SingleThreadedExecutor executor_;
  std::thread spinner_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<void>> publishers_;
  std::map<std::string, rclcpp::SubscriptionBase::SharedPtr> subscriptions_;
  std::map<std::string, std::vector<std::shared_ptr<void>>> received_;
};

/// Runs a shell command line; returns its standard output and sets `status` to its exit status.
std::string RunCommand(const std::string & command, int * status);

}  // namespace test
}  // namespace kestrova_h264_tools

#endif  // PROCESS_HPP_
