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


#include "program_support.hpp"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "frames.hpp"
#include "private_config.hpp"

extern char ** environ;

namespace kestrova_h264
{
namespace test
{

namespace
{

std::string ReadFile(const std::string & path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string & path, const std::string & text)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

// Writes a fixed text on a file descriptor from the forked child (no allocation).
void ChildFail(int fd, const char * what)
{
  const char * reason = strerror(errno);
  (void)!write(fd, what, strlen(what));
  (void)!write(fd, ": ", 2);
  (void)!write(fd, reason, strlen(reason));
  (void)!write(fd, "\n", 1);
  _exit(127);
}

}  // namespace

int ProcessTestMain(int argc, char ** argv)
{
  // Set once the namespace exists; a re-executed binary (death tests) inherits it.
  constexpr char kInsideEnv[] = "KESTROVA_TEST_PRIVATE_ETC";
  if (getenv(kInsideEnv) == nullptr) {
    std::string error;
    if (!EnterPrivateConfigDir(&error)) {
      std::fprintf(stderr, "cannot give the tests a private /etc/kestrova: %s\n", error.c_str());
      return 1;
    }
    setenv(kInsideEnv, "1", 1);
  }
  // Nothing leaves this machine, and each test binary talks in a domain of its own, so test
  // binaries run in parallel (or left over) do not see each other's topics.
  setenv("ROS_LOCALHOST_ONLY", "1", 1);
  const std::string domain = std::to_string(1 + getpid() % 200);
  setenv("ROS_DOMAIN_ID", domain.c_str(), 1);

  testing::InitGoogleTest(&argc, argv);
  rclcpp::init(argc, argv, rclcpp::InitOptions(), rclcpp::SignalHandlerOptions::None);
  const int result = RUN_ALL_TESTS();
  rclcpp::shutdown();
  return result;
}

// ----------------------------------------------------------------------------------------------

EtcConfig::EtcConfig(bool present, std::string text)
: present_(present), text_(std::move(text))
{}

EtcConfig EtcConfig::None() {return EtcConfig(false, "");}

EtcConfig EtcConfig::Profile(const std::string & file_name)
{
  const std::string path = std::string(KESTROVA_PROFILE_DIR) + "/" + file_name;
  if (!std::filesystem::exists(path)) {
    throw std::runtime_error("no profile " + path);
  }
  return EtcConfig(true, ReadFile(path));
}

EtcConfig EtcConfig::Text(const std::string & yaml) {return EtcConfig(true, yaml);}

std::string ExitStatus::Describe() const
{
  if (timed_out) {
    return "timed out (killed)";
  }
  if (exited) {
    return "exit status " + std::to_string(code);
  }
  return "killed by signal " + std::to_string(signal) + (core_dumped ? " (core dumped)" : "");
}

// ----------------------------------------------------------------------------------------------

Program::Program(
  const std::string & executable, const std::vector<std::string> & args,
  const EtcConfig & config, const std::vector<std::string> & extra_env)
{
  char scratch[] = "/tmp/kestrova-program-XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
  }
  scratch_ = scratch;
  const std::string etc = scratch_ + "/etc";
  mkdir(etc.c_str(), 0755);
  if (config.present()) {
    WriteFile(etc + "/gst.yaml", config.text());
  }
  const std::string out_path = scratch_ + "/stdout";
  const std::string err_path = scratch_ + "/stderr";
  const int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out_fd < 0 || err_fd < 0) {
    throw std::runtime_error("cannot create the output files in " + scratch_);
  }

  // Everything the child needs is prepared here: between fork and exec only system calls run.
  std::vector<std::string> argv_text{executable};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char *> argv_ptrs;
  for (auto & a : argv_text) {
    argv_ptrs.push_back(a.data());
  }
  argv_ptrs.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char ** e = environ; *e != nullptr; ++e) {
    env_text.emplace_back(*e);
  }
  env_text.insert(env_text.end(), extra_env.begin(), extra_env.end());
  std::vector<char *> env_ptrs;
  for (auto & e : env_text) {
    env_ptrs.push_back(e.data());
  }
  env_ptrs.push_back(nullptr);
  const pid_t parent = getpid();

  pid_ = fork();
  if (pid_ < 0) {
    close(out_fd);
    close(err_fd);
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  }
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
      _exit(127);
    }
    if (dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) {
      _exit(127);
    }
    struct rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    if (unshare(CLONE_NEWNS) != 0) {
      ChildFail(2, "unshare(CLONE_NEWNS)");
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      ChildFail(2, "make / private");
    }
    if (mount(etc.c_str(), "/etc/kestrova", nullptr, MS_BIND, nullptr) != 0) {
      ChildFail(2, "bind the scratch directory on /etc/kestrova");
    }
    execve(argv_ptrs[0], argv_ptrs.data(), env_ptrs.data());
    ChildFail(2, "execve");
  }
  close(out_fd);
  close(err_fd);
}

Program::~Program()
{
  if (!reaped_ && pid_ > 0) {
    // An orderly end first: a killed program's DDS endpoints stay known to the other
    // participants until their lease runs out, and would seem to match the next program's.
    kill(pid_, SIGTERM);
    if (!Peer::WaitUntil([this] {return Reap(false);}, std::chrono::seconds(10))) {
      kill(pid_, SIGKILL);
      Reap(true);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch_, ignored);
}

bool Program::Reap(bool block)
{
  if (reaped_) {
    return true;
  }
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r != pid_) {
    return false;
  }
  reaped_ = true;
  status_.exited = WIFEXITED(status);
  status_.code = status_.exited ? WEXITSTATUS(status) : -1;
  status_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  status_.core_dumped = WIFSIGNALED(status) && WCOREDUMP(status);
  return true;
}

void Program::Signal(int signal)
{
  if (!reaped_) {
    kill(pid_, signal);
  }
}

ExitStatus Program::Wait(std::chrono::milliseconds timeout)
{
  const bool ended = Peer::WaitUntil([this] {return Reap(false);}, timeout);
  if (!ended) {
    kill(pid_, SIGKILL);
    Reap(true);
    status_.timed_out = true;
  }
  return status_;
}

std::string Program::Output(Stream stream) const
{
  return ReadFile(scratch_ + (stream == Stream::kStdout ? "/stdout" : "/stderr"));
}

bool Program::WaitForText(Stream stream, const std::string & text, std::chrono::milliseconds timeout)
{
  const bool found = Peer::WaitUntil(
    [&] {return Output(stream).find(text) != std::string::npos || Reap(false);}, timeout);
  return found && Output(stream).find(text) != std::string::npos;
}

std::string Program::Transcript() const
{
  return "--- stdout ---\n" + Stdout() + "\n--- stderr ---\n" + Stderr() + "\n---";
}

// ----------------------------------------------------------------------------------------------

Peer::Peer(const std::string & name)
: node_(std::make_shared<rclcpp::Node>(name))
{
  executor_.add_node(node_);
  spinner_ = std::thread([this] {executor_.spin();});
}

Peer::~Peer()
{
  executor_.cancel();
  if (spinner_.joinable()) {
    spinner_.join();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  subscriptions_.clear();
  publishers_.clear();
}

bool Peer::WaitForPublisher(const std::string & topic, std::chrono::milliseconds timeout)
{
  rclcpp::SubscriptionBase::SharedPtr subscription;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = subscriptions_.find(topic);
    if (it == subscriptions_.end()) {
      throw std::logic_error("WaitForPublisher(" + topic + ") before Listen()");
    }
    subscription = it->second;
  }
  return WaitUntil([&] {return subscription->get_publisher_count() > 0;}, timeout);
}

bool Peer::WaitForMessages(
  const std::string & topic, size_t count, std::chrono::milliseconds timeout)
{
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, timeout, [&] {return received_[topic].size() >= count;});
}

size_t Peer::Count(const std::string & topic)
{
  std::lock_guard<std::mutex> lock(mutex_);
  return received_[topic].size();
}

// ----------------------------------------------------------------------------------------------

sensor_msgs::msg::Image MakeImage(
  const std::string & encoding, uint32_t width, uint32_t height, uint32_t bytes_per_pixel, int t,
  uint32_t step)
{
  sensor_msgs::msg::Image image;
  image.header.frame_id = "cam";
  image.header.stamp.sec = t;
  image.header.stamp.nanosec = 1000u * static_cast<uint32_t>(t);
  image.encoding = encoding;
  image.width = width;
  image.height = height;
  const uint32_t row = width * bytes_per_pixel;
  image.step = step == 0 ? row : step;
  image.data.assign(static_cast<size_t>(image.step) * height, 0xEE);
  if (row > 0 && height > 0) {
    const auto pixels = SceneFrame(
      static_cast<int>(width), static_cast<int>(height), static_cast<int>(bytes_per_pixel), t);
    for (uint32_t y = 0; y < height; ++y) {
      std::copy_n(
        pixels.begin() + static_cast<std::ptrdiff_t>(y) * row, row,
        image.data.begin() + static_cast<std::ptrdiff_t>(y) * image.step);
    }
  }
  return image;
}

}  // namespace test
}  // namespace kestrova_h264
