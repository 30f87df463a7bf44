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

#include "process.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrova_h264_tools
{
namespace test
{

namespace
{

std::string ReadFile(const std::string & path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int ProcessTestMain(int argc, char ** argv)
{
  setenv("ROS_LOCALHOST_ONLY", "1", 1);
  // Domains 150-229: test binaries run side by side (and those of other packages) do not meet.
  const std::string domain = std::to_string(150 + getpid() % 80);
  setenv("ROS_DOMAIN_ID", domain.c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  rclcpp::init(argc, argv, rclcpp::InitOptions(), rclcpp::SignalHandlerOptions::None);
  const int result = RUN_ALL_TESTS();
  rclcpp::shutdown();
  return result;
}

ScratchDir::ScratchDir()
{
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrova_tools_XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp " + pattern + " failed");
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir()
{
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ExitStatus::Describe() const
{
  if (timed_out) {
    return "timed out";
  }
  if (exited) {
    return "exit status " + std::to_string(code);
  }
  return "killed by signal " + std::to_string(signal);
}

Program::Program(
  const std::string & path, const std::vector<std::string> & args, const std::string & cwd)
{
  const std::string out = scratch_ / "stdout";
  const std::string err = scratch_ / "stderr";
  std::vector<std::string> argv_text{path};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (auto & a : argv_text) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) {
    throw std::runtime_error("fork failed for " + path);
  }
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
      _exit(127);
    }
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) {
      _exit(127);
    }
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
      _exit(127);
    }
    execv(path.c_str(), argv.data());
    _exit(127);
  }
}

Program::~Program()
{
  if (!Reap(false)) {
    kill(pid_, SIGKILL);
    Reap(true);
  }
}

bool Program::Reap(bool block)
{
  if (reaped_) {
    return true;
  }
  int raw = 0;
  const pid_t done = waitpid(pid_, &raw, block ? 0 : WNOHANG);
  if (done != pid_) {
    return false;
  }
  reaped_ = true;
  status_.exited = WIFEXITED(raw);
  status_.code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  status_.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
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
  if (!WaitUntil([this] {return Reap(false);}, timeout)) {
    kill(pid_, SIGKILL);
    Reap(true);
    status_.timed_out = true;
  }
  return status_;
}

std::string Program::Stdout() const {return ReadFile(scratch_ / "stdout");}
std::string Program::Stderr() const {return ReadFile(scratch_ / "stderr");}

bool Program::WaitForText(const std::string & text, std::chrono::milliseconds timeout)
{
  auto seen = [&] {
      return Stdout().find(text) != std::string::npos || Stderr().find(text) != std::string::npos;
    };
  return WaitUntil([&] {return seen() || Reap(false);}, timeout) && seen();
}

std::string Program::Transcript() const
{
  return "\n--- stdout ---\n" + Stdout() + "--- stderr ---\n" + Stderr() + "---";
}

bool WaitUntil(const std::function<bool()> & condition, std::chrono::milliseconds timeout)
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

Peer::Peer()
: node_(std::make_shared<rclcpp::Node>("kestrova_tools_test_peer"))
{
  executor_.add_node(node_);
  spinner_ = std::thread([this] {executor_.spin();});
}

Peer::~Peer()
{
  executor_.cancel();
  spinner_.join();
}

bool Peer::WaitForPublisher(const std::string & topic)
{
  return WaitUntil([&] {return node_->count_publishers(topic) > 0;});
}

size_t Peer::Count(const std::string & topic)
{
  std::lock_guard<std::mutex> lock(mutex_);
  return received_[topic].size();
}

std::string RunCommand(const std::string & command, int * status)
{
  std::string out;
  FILE * pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return out;
  }
  std::array<char, 4096> chunk;
  size_t n = 0;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
    out.append(chunk.data(), n);
  }
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

}  // namespace test
}  // namespace kestrova_h264_tools
