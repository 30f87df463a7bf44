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


#ifndef PRIVATE_CONFIG_HPP_
#define PRIVATE_CONFIG_HPP_

#include <string>

namespace kestrova_h264
{
namespace test
{

/// Moves the process into a private mount namespace whose /etc/kestrova is an empty tmpfs, so
/// that /etc/kestrova/gst.yaml can be written without touching the machine's file. Needs root.
/// On failure returns false with the reason in `error`.
bool EnterPrivateConfigDir(std::string * error);

}  // namespace test
}  // namespace kestrova_h264

#endif  // PRIVATE_CONFIG_HPP_
