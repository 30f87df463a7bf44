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

#ifndef RCLCPP__DETAIL__WAIT_SIGNAL_HPP_
#define RCLCPP__DETAIL__WAIT_SIGNAL_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace rclcpp
{
namespace detail
{

/// Wakes threads that wait for work: middleware threads notify it when data arrives, shutdown
/// and executor cancellation notify it too. A generation counter makes a notification that
/// comes between "looked for work" and "started waiting" impossible to lose.
class WaitSignal
{
public:
  /// The current generation; take it before looking for work.
  uint64_t generation() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
  }

  /// Starts a new generation and wakes every waiter.
  void notify()
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++generation_;
    }
    cv_.notify_all();
  }

  /// Waits until the generation differs from `seen` or the deadline passes.
  /// \return true when a notification came.
  bool wait_until(uint64_t seen, std::chrono::steady_clock::time_point deadline)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_until(lock, deadline, [this, seen] {return generation_ != seen;});
  }

private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  uint64_t generation_ = 0;
};

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__WAIT_SIGNAL_HPP_
