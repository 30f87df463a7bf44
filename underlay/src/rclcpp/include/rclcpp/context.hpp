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

#ifndef RCLCPP__CONTEXT_HPP_
#define RCLCPP__CONTEXT_HPP_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "rclcpp/init_options.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

namespace detail
{
class Arguments;
class DdsParticipant;
class WaitSignal;
}  // namespace detail

/// Thrown by Context::init on a context that is already initialised.
class ContextAlreadyInitialized : public std::runtime_error
{
public:
  ContextAlreadyInitialized()
  : std::runtime_error("context is already initialized") {}
};

/// The state shared by the nodes of one ROS 2 "session": the parsed global arguments, the
/// middleware participant, and whether ROS is still running.
class Context : public std::enable_shared_from_this<Context>
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(Context)

  RCLCPP_PUBLIC
  Context();

  RCLCPP_PUBLIC
  virtual ~Context();

  /// Parses the ROS arguments of argv (throws on bad ones) and makes the context valid.
  RCLCPP_PUBLIC
  virtual void init(
    int argc, char const * const * argv,
    const rclcpp::InitOptions & init_options = rclcpp::InitOptions());

  /// True between init and shutdown.
  RCLCPP_PUBLIC
  bool is_valid() const;

  RCLCPP_PUBLIC
  const rclcpp::InitOptions & get_init_options() const;

  RCLCPP_PUBLIC
  rclcpp::InitOptions get_init_options();

  /// The DDS domain of the context.
  RCLCPP_PUBLIC
  size_t get_domain_id() const;

  /// The reason given to shutdown, empty while valid.
  RCLCPP_PUBLIC
  std::string shutdown_reason() const;

  /// Invalidates the context, runs the on-shutdown callbacks, wakes every executor and sleeper.
  /// \return false when the context was not valid.
  RCLCPP_PUBLIC
  virtual bool shutdown(const std::string & reason);

  using OnShutdownCallback = std::function<void ()>;

  /// Registers a callback to run at shutdown; returns it.
  RCLCPP_PUBLIC
  virtual OnShutdownCallback on_shutdown(OnShutdownCallback callback);

  RCLCPP_PUBLIC
  std::vector<OnShutdownCallback> get_on_shutdown_callbacks() const;

  /// Sleeps, ending early at shutdown. \return true when the whole time passed.
  RCLCPP_PUBLIC
  bool sleep_for(const std::chrono::nanoseconds & nanoseconds);

  /// Ends every sleep_for of this context early.
  RCLCPP_PUBLIC
  void interrupt_all_sleep_for();

  // The following belong to this client library, not to the ROS 2 API.

  /// Wakes the executors of this context; notified when data arrives and at shutdown.
  RCLCPP_PUBLIC
  detail::WaitSignal & wait_signal();

  /// The context's middleware participant, created on first use.
  RCLCPP_PUBLIC
  std::shared_ptr<detail::DdsParticipant> participant();

  /// The ROS arguments given to init.
  RCLCPP_PUBLIC
  const detail::Arguments & global_arguments() const;

private:
  RCLCPP_DISABLE_COPY(Context)

  mutable std::mutex mutex_;
  bool valid_ = false;
  std::string shutdown_reason_;
  rclcpp::InitOptions init_options_;
  size_t domain_id_ = 0;
  std::unique_ptr<detail::Arguments> global_arguments_;
  std::vector<OnShutdownCallback> on_shutdown_callbacks_;
  std::shared_ptr<detail::DdsParticipant> participant_;
  std::unique_ptr<detail::WaitSignal> wait_signal_;

  std::mutex sleep_mutex_;
  std::condition_variable sleep_cv_;
  bool interrupt_sleep_ = false;
};

/// Every valid context of the process, for the signal handlers.
RCLCPP_PUBLIC
std::vector<Context::SharedPtr> get_contexts();

namespace contexts
{

/// The context that rclcpp::init initialises and nodes use unless told otherwise.
class DefaultContext : public rclcpp::Context
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(DefaultContext)

  RCLCPP_PUBLIC
  DefaultContext() = default;
};

RCLCPP_PUBLIC
DefaultContext::SharedPtr get_global_default_context();

}  // namespace contexts

}  // namespace rclcpp

#endif  // RCLCPP__CONTEXT_HPP_
