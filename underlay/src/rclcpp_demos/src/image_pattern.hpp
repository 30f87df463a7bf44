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

#ifndef IMAGE_PATTERN_HPP_
#define IMAGE_PATTERN_HPP_

#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of frame `sequence`: every byte depends on the frame and its position, so a
// frame that arrives shifted, truncated or mixed with another does not pass the check.
inline uint8_t pattern_byte(uint64_t sequence, size_t index)
{
  return static_cast<uint8_t>((sequence * 131u) ^ (index * 7u) ^ (index >> 9));
}

inline void fill_pattern(uint64_t sequence, std::vector<uint8_t> & data)
{
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = pattern_byte(sequence, i);
  }
}

inline bool check_pattern(uint64_t sequence, const std::vector<uint8_t> & data)
{
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != pattern_byte(sequence, i)) {
      return false;
    }
  }
  return true;
}

#endif  // IMAGE_PATTERN_HPP_
