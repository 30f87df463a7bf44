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


// The coder objects read the fixed path /etc/kestrova/gst.yaml. Tests and the benchmark must
// never touch the machine's own file, so they move into a private mount namespace in which
// /etc/kestrova is an empty tmpfs. When /etc/kestrova does not exist, /etc is first covered by
// an overlay whose upper layer lives in memory, so that the mount point can be made without
// creating anything in the real /etc. Child processes inherit the namespace.

#include "private_config.hpp"

#include <errno.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace kestrova_h264
{
namespace test
{

namespace
{

bool Fail(const std::string & what, std::string * error)
{
  *error = what + ": " + std::strerror(errno);
  return false;
}

bool IsDirectory(const char * path)
{
  struct stat st{};
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Covers /etc with an overlay whose writable layer is a tmpfs, then creates /etc/kestrova in it.
bool MakeMountPoint(std::string * error)
{
  char scratch[] = "/tmp/kestrova-etc-XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    return Fail("mkdtemp", error);
  }
  const std::string dir(scratch);
  bool ok = mount("tmpfs", scratch, "tmpfs", 0, "mode=0755") == 0;
  if (!ok) {
    Fail("mount tmpfs on " + dir, error);
  } else {
    const std::string options = "lowerdir=/etc,upperdir=" + dir + "/upper,workdir=" + dir + "/work";
    ok = mkdir((dir + "/upper").c_str(), 0755) == 0 && mkdir((dir + "/work").c_str(), 0755) == 0 &&
      mount("overlay", "/etc", "overlay", 0, options.c_str()) == 0;
    if (!ok) {
      Fail("mount overlay on /etc", error);
    }
    // The overlay keeps the tmpfs alive; detaching it lets the scratch directory go.
    umount2(scratch, MNT_DETACH);
  }
  rmdir(scratch);
  if (ok && mkdir("/etc/kestrova", 0755) != 0) {
    return Fail("mkdir /etc/kestrova", error);
  }
  return ok;
}

}  // namespace

bool EnterPrivateConfigDir(std::string * error)
{
  if (unshare(CLONE_NEWNS) != 0) {
    return Fail("unshare(CLONE_NEWNS) (the coder tests need root)", error);
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return Fail("make / private", error);
  }
  if (!IsDirectory("/etc/kestrova") && !MakeMountPoint(error)) {
    return false;
  }
  if (mount("tmpfs", "/etc/kestrova", "tmpfs", 0, "mode=0755") != 0) {
    return Fail("mount tmpfs on /etc/kestrova", error);
  }
  return true;
}

}  // namespace test
}  // namespace kestrova_h264
