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

#ifndef PROCESS_HPP_
#define PROCESS_HPP_

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

/// A program started with arguments, its standard output and error captured in a file.
class Process
{
public:
  Process(const std::string & program, const std::vector<std::string> & args)
  {
    char pattern[] = "/tmp/rclcpp_demos_XXXXXX";
    const int fd = mkstemp(pattern);
    output_path_ = pattern;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      std::vector<char *> argv;
      argv.push_back(const_cast<char *>(program.c_str()));
      for (const auto & arg : args) {
        argv.push_back(const_cast<char *>(arg.c_str()));
      }
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(fd);
  }

  ~Process()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::remove(output_path_.c_str());
  }

  std::string output() const
  {
    std::ifstream file(output_path_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  bool wait_for_output(const std::string & text, std::chrono::seconds timeout) const
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (output().find(text) != std::string::npos) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  /// Waits for the process to end; -1 when it did not within the timeout.
  int wait_exit(std::chrono::milliseconds timeout)
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }

  void signal(int signum) {kill(pid_, signum);}

private:
  pid_t pid_ = -1;
  std::string output_path_;
};

#endif  // PROCESS_HPP_
