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


#include "test_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kestrova_h264/coder.hpp"

namespace kestrova_h264
{
namespace test
{

void WriteConfig(const std::string & text)
{
  std::ofstream out(kConfigPath, std::ios::trunc);
  out << text;
  if (!out.flush()) {
    throw std::runtime_error(std::string("cannot write ") + kConfigPath);
  }
}

void RemoveConfig()
{
  std::remove(kConfigPath);
}

void InstallProfile(const std::string & name)
{
  const std::string path = std::string(KESTROVA_PROFILE_DIR) + "/" + name;
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("cannot read profile " + path);
  }
  std::stringstream text;
  text << in.rdbuf();
  WriteConfig(text.str());
}

std::string ConfigWithAll(const std::string & description)
{
  // Single-quoted YAML scalars keep the description's double quotes as they are.
  std::string quoted;
  for (char c : description) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  return "encoder_rgb_pipeline: '" + quoted + "'\n" +
         "encoder_gray_pipeline: '" + quoted + "'\n" +
         "decoder_pipeline: '" + quoted + "'\n";
}

bool Handoff::WaitFor(int count, std::chrono::milliseconds timeout)
{
  std::unique_lock<std::mutex> lock(mutex);
  return cv.wait_for(lock, timeout, [&] {return cv_ready == count;});
}

int Handoff::Ready()
{
  std::lock_guard<std::mutex> lock(mutex);
  return cv_ready;
}

std::vector<std::uint8_t> Handoff::Data()
{
  std::lock_guard<std::mutex> lock(mutex);
  return data;
}

void Handoff::Reset()
{
  std::lock_guard<std::mutex> lock(mutex);
  cv_ready = 0;
}

StdoutCapture::StdoutCapture()
{
  std::fflush(stdout);
  char name[] = "/tmp/kestrova-stdout-XXXXXX";
  file_fd_ = mkstemp(name);
  if (file_fd_ < 0) {
    throw std::runtime_error("mkstemp failed");
  }
  unlink(name);
  saved_fd_ = dup(STDOUT_FILENO);
  dup2(file_fd_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
  Finish();
}

std::string StdoutCapture::Finish()
{
  if (saved_fd_ < 0) {
    return text_;
  }
  std::fflush(stdout);
  dup2(saved_fd_, STDOUT_FILENO);
  close(saved_fd_);
  saved_fd_ = -1;
  lseek(file_fd_, 0, SEEK_SET);
  char chunk[4096];
  ssize_t n = 0;
  while ((n = read(file_fd_, chunk, sizeof(chunk))) > 0) {
    text_.append(chunk, static_cast<std::size_t>(n));
  }
  close(file_fd_);
  file_fd_ = -1;
  return text_;
}

}  // namespace test
}  // namespace kestrova_h264
