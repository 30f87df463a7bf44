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


// Entry point of the coder test binaries: every test runs with a private /etc/kestrova.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "private_config.hpp"

namespace
{

// Set once the namespace exists; death-test children re-executing the binary inherit it.
constexpr char kInsideEnv[] = "KESTROVA_TEST_PRIVATE_ETC";

}  // namespace

int main(int argc, char ** argv)
{
  if (getenv(kInsideEnv) == nullptr) {
    std::string error;
    if (!kestrova_h264::test::EnterPrivateConfigDir(&error)) {
      std::fprintf(stderr, "cannot give the tests a private /etc/kestrova: %s\n", error.c_str());
      return 1;
    }
    setenv(kInsideEnv, "1", 1);
  }
  testing::InitGoogleTest(&argc, argv);
  // Death tests re-execute the binary instead of forking a process that GStreamer threads share.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}
