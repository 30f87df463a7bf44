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

#ifndef RCLCPP__EXECUTOR_HPP_
#define RCLCPP__EXECUTOR_HPP_

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "rclcpp/context.hpp"
#include "rclcpp/executor_options.hpp"
#include "rclcpp/future_return_code.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/node.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/utilities.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Runs the callbacks of its nodes (subscriptions and timers) on the thread that spins it, one
/// at a time. Middleware threads only wake it.
class Executor
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS_NOT_COPYABLE(Executor)

  RCLCPP_PUBLIC
  explicit Executor(const rclcpp::ExecutorOptions & options = rclcpp::ExecutorOptions());

  RCLCPP_PUBLIC
  virtual ~Executor();

  /// Runs callbacks until the context shuts down or cancel() is called.
  RCLCPP_PUBLIC
  virtual void spin() = 0;

  /// Adds a node; throws std::runtime_error when it belongs to an executor already.
  RCLCPP_PUBLIC
  virtual void add_node(
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify = true);

  RCLCPP_PUBLIC
  virtual void add_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify = true);

  RCLCPP_PUBLIC
  virtual void remove_node(
    rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify = true);

  RCLCPP_PUBLIC
  virtual void remove_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify = true);

  /// Adds the node, runs the work that is ready, removes the node.
  RCLCPP_PUBLIC
  void spin_node_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node);

  RCLCPP_PUBLIC
  void spin_node_some(std::shared_ptr<rclcpp::Node> node);

  /// Runs the work that is ready now, without waiting; stops after max_duration (0: no limit).
  RCLCPP_PUBLIC
  virtual void spin_some(std::chrono::nanoseconds max_duration = std::chrono::nanoseconds(0));

  /// Runs work until none is left or max_duration has passed.
  RCLCPP_PUBLIC
  virtual void spin_all(std::chrono::nanoseconds max_duration);

  /// Waits up to timeout (negative: forever) for work and runs one callback.
  RCLCPP_PUBLIC
  virtual void spin_once(std::chrono::nanoseconds timeout = std::chrono::nanoseconds(-1));

  /// Spins until the future is ready, the timeout passes (negative: never) or ROS shuts down.
  template<typename FutureT, typename TimeRepT = int64_t, typename TimeT = std::milli>
  FutureReturnCode spin_until_future_complete(
    const FutureT & future,
    std::chrono::duration<TimeRepT, TimeT> timeout = std::chrono::duration<TimeRepT, TimeT>(-1))
  {
    const auto timeout_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout);
    const auto start = std::chrono::steady_clock::now();
    SpinGuard guard(*this);
    while (rclcpp::ok(context_) && spinning_) {
      if (future.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        return FutureReturnCode::SUCCESS;
      }
      auto wait = std::chrono::nanoseconds(std::chrono::milliseconds(10));
      if (timeout_ns >= std::chrono::nanoseconds(0)) {
        const auto left = timeout_ns - (std::chrono::steady_clock::now() - start);
        if (left <= std::chrono::nanoseconds(0)) {
          return FutureReturnCode::TIMEOUT;
        }
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::nanoseconds>(left));
      }
      run_one(wait);
    }
    if (future.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
      return FutureReturnCode::SUCCESS;
    }
    return FutureReturnCode::INTERRUPTED;
  }

  /// Makes spin() return soon; safe from any thread.
  RCLCPP_PUBLIC
  void cancel();

protected:
  /// Marks the executor spinning for one call; throws when it spins already.
  class SpinGuard
  {
  public:
    RCLCPP_PUBLIC
    explicit SpinGuard(Executor & executor);
    RCLCPP_PUBLIC
    ~SpinGuard();

  private:
    Executor & executor_;
  };

  /// Runs one ready callback, waiting for one until the timeout (negative: forever).
  /// \return false when nothing ran.
  RCLCPP_PUBLIC
  bool run_one(std::chrono::nanoseconds timeout);

  /// Runs one callback that is ready now. \return false when none was.
  RCLCPP_PUBLIC
  bool run_ready_one();

  rclcpp::Context::SharedPtr context_;
  std::atomic_bool spinning_{false};

private:
  RCLCPP_DISABLE_COPY(Executor)

  /// When the next timer of the nodes is due, or max() when none is.
  std::chrono::steady_clock::time_point next_timer_deadline();

  void collect();

  std::mutex nodes_mutex_;
  std::vector<rclcpp::node_interfaces::NodeBaseInterface::WeakPtr> nodes_;
  std::vector<rclcpp::SubscriptionBase::SharedPtr> subscriptions_;
  std::vector<rclcpp::TimerBase::SharedPtr> timers_;
  size_t next_subscription_ = 0;
};

namespace executors
{

/// Runs every callback on the thread that calls spin().
class SingleThreadedExecutor : public rclcpp::Executor
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(SingleThreadedExecutor)

  RCLCPP_PUBLIC
  explicit SingleThreadedExecutor(
    const rclcpp::ExecutorOptions & options = rclcpp::ExecutorOptions());

  RCLCPP_PUBLIC
  void spin() override;
};

}  // namespace executors

}  // namespace rclcpp

#endif  // RCLCPP__EXECUTOR_HPP_
