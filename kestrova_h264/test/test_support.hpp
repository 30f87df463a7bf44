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


#ifndef TEST_SUPPORT_HPP_
#define TEST_SUPPORT_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova_h264
{
namespace test
{

/// Writes `text` as /etc/kestrova/gst.yaml (the test process's private copy).
void WriteConfig(const std::string & text);
/// Removes the private /etc/kestrova/gst.yaml if there is one.
void RemoveConfig();
/// Installs the shipped profile config/<name> as the private /etc/kestrova/gst.yaml.
void InstallProfile(const std::string & name);
/// A configuration with every key set to `description`.
std::string ConfigWithAll(const std::string & description);

/// The node side of the frame hand-off.
struct Handoff
{
  std::vector<std::uint8_t> data;
  std::condition_variable cv;
  std::mutex mutex;
  int cv_ready = 0;

  /// Waits, as a node does, until cv_ready equals `count`; false when `timeout` passes first.
  bool WaitFor(int count, std::chrono::milliseconds timeout);
  /// cv_ready and the vector, read under the mutex.
  int Ready();
  std::vector<std::uint8_t> Data();
  void Reset();
};

/// Collects what the process writes on standard output (file descriptor 1) while it lives.
class StdoutCapture
{
public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture &) = delete;
  StdoutCapture & operator=(const StdoutCapture &) = delete;
  /// Stops capturing and returns the text.
  std::string Finish();

private:
  int saved_fd_ = -1;
  int file_fd_ = -1;
  std::string text_;
};

}  // namespace test
}  // namespace kestrova_h264

#endif  // TEST_SUPPORT_HPP_
