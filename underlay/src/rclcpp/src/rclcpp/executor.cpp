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

#include "rclcpp/executor.hpp"

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

#include "rclcpp/detail/wait_signal.hpp"
#include "rclcpp/executors.hpp"
#include "rclcpp/utilities.hpp"

namespace rclcpp
{

Executor::Executor(const rclcpp::ExecutorOptions & options)
: context_(options.context ? options.context : contexts::get_global_default_context()) {}

Executor::~Executor()
{
  std::lock_guard<std::mutex> lock(nodes_mutex_);
  for (const auto & weak : nodes_) {
    if (auto node = weak.lock()) {
      node->get_associated_with_executor_atomic().store(false);
    }
  }
}

void Executor::add_node(
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify)
{
  if (node_ptr->get_associated_with_executor_atomic().exchange(true)) {
    throw std::runtime_error("Node '" + std::string(node_ptr->get_fully_qualified_name()) +
            "' has already been added to an executor.");
  }
  {
    std::lock_guard<std::mutex> lock(nodes_mutex_);
    nodes_.push_back(node_ptr);
  }
  if (notify) {
    context_->wait_signal().notify();
  }
}

void Executor::add_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify)
{
  add_node(node_ptr->get_node_base_interface(), notify);
}

void Executor::remove_node(
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr, bool notify)
{
  bool found = false;
  {
    std::lock_guard<std::mutex> lock(nodes_mutex_);
    auto it = std::find_if(
      nodes_.begin(), nodes_.end(),
      [&node_ptr](const auto & weak) {return weak.lock() == node_ptr;});
    if (it != nodes_.end()) {
      nodes_.erase(it);
      found = true;
    }
  }
  if (!found) {
    throw std::runtime_error("Node needs to be associated with this executor.");
  }
  node_ptr->get_associated_with_executor_atomic().store(false);
  if (notify) {
    context_->wait_signal().notify();
  }
}

void Executor::remove_node(std::shared_ptr<rclcpp::Node> node_ptr, bool notify)
{
  remove_node(node_ptr->get_node_base_interface(), notify);
}

void Executor::spin_node_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node)
{
  add_node(node, false);
  try {
    spin_some();
  } catch (...) {
    remove_node(node, false);
    throw;
  }
  remove_node(node, false);
}

void Executor::spin_node_some(std::shared_ptr<rclcpp::Node> node)
{
  spin_node_some(node->get_node_base_interface());
}

Executor::SpinGuard::SpinGuard(Executor & executor)
: executor_(executor)
{
  if (executor_.spinning_.exchange(true)) {
    throw std::runtime_error("spin() called while already spinning");
  }
}

Executor::SpinGuard::~SpinGuard()
{
  executor_.spinning_.store(false);
}

void Executor::cancel()
{
  spinning_.store(false);
  context_->wait_signal().notify();
}

void Executor::collect()
{
  subscriptions_.clear();
  timers_.clear();
  std::lock_guard<std::mutex> lock(nodes_mutex_);
  for (const auto & weak : nodes_) {
    if (auto node = weak.lock()) {
      node->collect_entities(subscriptions_, timers_);
    }
  }
}

std::chrono::steady_clock::time_point Executor::next_timer_deadline()
{
  auto deadline = std::chrono::steady_clock::time_point::max();
  for (const auto & timer : timers_) {
    deadline = std::min(deadline, timer->next_call_time());
  }
  return deadline;
}

bool Executor::run_ready_one()
{
  collect();
  for (const auto & timer : timers_) {
    if (timer->is_ready()) {
      timer->execute();
      return true;
    }
  }
  // Round robin over the subscriptions, so that a busy topic does not starve the others.
  const size_t count = subscriptions_.size();
  for (size_t i = 0; i < count; ++i) {
    const size_t index = (next_subscription_ + i) % count;
    if (subscriptions_[index]->has_data()) {
      next_subscription_ = index + 1;
      if (subscriptions_[index]->take_and_dispatch()) {
        return true;
      }
    }
  }
  return false;
}

bool Executor::run_one(std::chrono::nanoseconds timeout)
{
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = timeout < std::chrono::nanoseconds::zero() ?
    std::chrono::steady_clock::time_point::max() : start + timeout;
  detail::WaitSignal & signal = context_->wait_signal();
  for (;;) {
    if (!rclcpp::ok(context_) || !spinning_) {
      return false;
    }
    // Take the generation before looking, so that data arriving in between wakes the wait.
    const uint64_t generation = signal.generation();
    if (run_ready_one()) {
      return true;
    }
    const auto wake = std::min(deadline, next_timer_deadline());
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    signal.wait_until(generation, wake);
  }
}

void Executor::spin_once(std::chrono::nanoseconds timeout)
{
  SpinGuard guard(*this);
  run_one(timeout);
}

void Executor::spin_some(std::chrono::nanoseconds max_duration)
{
  // The work that is ready when called, and what becomes ready while it runs, up to the limit.
  SpinGuard guard(*this);
  const auto start = std::chrono::steady_clock::now();
  while (rclcpp::ok(context_) && spinning_) {
    if (max_duration > std::chrono::nanoseconds::zero() &&
      std::chrono::steady_clock::now() - start >= max_duration)
    {
      return;
    }
    if (!run_ready_one()) {
      return;
    }
  }
}

void Executor::spin_all(std::chrono::nanoseconds max_duration)
{
  if (max_duration < std::chrono::nanoseconds::zero()) {
    throw std::invalid_argument("max_duration must be greater than or equal to 0");
  }
  spin_some(max_duration);
}

namespace executors
{

SingleThreadedExecutor::SingleThreadedExecutor(const rclcpp::ExecutorOptions & options)
: rclcpp::Executor(options) {}

void SingleThreadedExecutor::spin()
{
  SpinGuard guard(*this);
  while (rclcpp::ok(context_) && spinning_) {
    run_one(std::chrono::nanoseconds(-1));
  }
}

}  // namespace executors

void spin(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr)
{
  rclcpp::ExecutorOptions options;
  options.context = node_ptr->get_context();
  rclcpp::executors::SingleThreadedExecutor executor(options);
  executor.add_node(node_ptr);
  executor.spin();
  executor.remove_node(node_ptr);
}

void spin(rclcpp::Node::SharedPtr node_ptr)
{
  spin(node_ptr->get_node_base_interface());
}

void spin_some(rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_ptr)
{
  rclcpp::ExecutorOptions options;
  options.context = node_ptr->get_context();
  rclcpp::executors::SingleThreadedExecutor executor(options);
  executor.spin_node_some(node_ptr);
}

void spin_some(rclcpp::Node::SharedPtr node_ptr)
{
  spin_some(node_ptr->get_node_base_interface());
}

}  // namespace rclcpp
