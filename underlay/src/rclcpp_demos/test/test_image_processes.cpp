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

// Two processes exchange 1280x720 rgb8 images over the middleware: every frame arrives intact,
// on the spinning thread, and SIGINT ends both programs cleanly.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "process.hpp"

namespace
{

TEST(ImageProcesses, EveryFrameArrivesIntactAndSigintEndsBoth)
{
  const std::string topic = "test_images_" + std::to_string(getpid());
  const int frames = 90;
  Process listener(IMAGE_LISTENER, {"--ros-args", "-p", "topic:=" + topic});
  Process talker(
    IMAGE_TALKER,
    {"--ros-args", "-p", "topic:=" + topic, "-p", "count:=" + std::to_string(frames),
      "-p", "width:=1280", "-p", "height:=720", "-p", "rate:=30.0"});

  ASSERT_TRUE(talker.wait_for_output("sent " + std::to_string(frames) + " frames",
    std::chrono::seconds(60))) << talker.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  const auto start = std::chrono::steady_clock::now();
  listener.signal(SIGINT);
  talker.signal(SIGINT);
  const int listener_status = listener.wait_exit(std::chrono::seconds(5));
  const int talker_status = talker.wait_exit(std::chrono::seconds(5));
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  std::printf("both programs ended %.3f s after SIGINT\n", elapsed.count());

  EXPECT_EQ(0, listener_status) << listener.output();
  EXPECT_EQ(0, talker_status) << talker.output();
  const std::string expected = "frames=" + std::to_string(frames) + " intact=" +
    std::to_string(frames) + " corrupt=0 missing=0 other_thread=0";
  EXPECT_NE(std::string::npos, listener.output().find(expected)) << listener.output();
}

TEST(ImageProcesses, SigtermEndsAnIdleProgramWithStatusZero)
{
  Process listener(IMAGE_LISTENER, {"--ros-args", "-p", "topic:=idle_" + std::to_string(getpid())});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  listener.signal(SIGTERM);
  EXPECT_EQ(0, listener.wait_exit(std::chrono::seconds(5))) << listener.output();
  EXPECT_NE(std::string::npos, listener.output().find("frames=0")) << listener.output();
}

}  // namespace
