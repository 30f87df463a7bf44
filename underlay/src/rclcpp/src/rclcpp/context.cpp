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

#include "rclcpp/context.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/detail/arguments.hpp"
#include "rclcpp/detail/dds.hpp"
#include "rclcpp/detail/wait_signal.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/init_options.hpp"
#include "rcutils/logging.h"

namespace rclcpp
{

namespace
{

constexpr int32_t kRclRetError = 1;
constexpr int32_t kRclRetNotInit = 101;

// Every context that has been initialised, for the signal handlers.
std::mutex & registry_mutex()
{
  static std::mutex mutex;
  return mutex;
}

std::vector<std::weak_ptr<Context>> & registry()
{
  static std::vector<std::weak_ptr<Context>> contexts;
  return contexts;
}

// ROS_DOMAIN_ID as rcl reads it: unset or empty is domain 0.
size_t default_domain_id()
{
  const char * value = std::getenv("ROS_DOMAIN_ID");
  if (value == nullptr || value[0] == '\0') {
    return 0;
  }
  char * end = nullptr;
  errno = 0;
  const unsigned long number = std::strtoul(value, &end, 0);  // NOLINT(runtime/int)
  if (number == 0UL && *end != '\0') {
    throw exceptions::RCLError(
            kRclRetError, "ROS_DOMAIN_ID is not an integral number", "failed to initialize rcl");
  }
  if ((number == ULONG_MAX && errno == ERANGE) || number > SIZE_MAX) {
    throw exceptions::RCLError(
            kRclRetError, "ROS_DOMAIN_ID is out of range", "failed to initialize rcl");
  }
  return static_cast<size_t>(number);
}

bool localhost_only()
{
  const char * value = std::getenv("ROS_LOCALHOST_ONLY");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void configure_logging(const detail::Arguments & arguments)
{
  if (rcutils_logging_initialize() != RCUTILS_RET_OK) {
    throw std::runtime_error("failed to initialize logging");
  }
  if (arguments.default_log_level()) {
    rcutils_logging_set_default_logger_level(*arguments.default_log_level());
  }
  for (const auto & logger_level : arguments.logger_log_levels()) {
    if (rcutils_logging_set_logger_level(logger_level.first.c_str(), logger_level.second) !=
      RCUTILS_RET_OK)
    {
      throw std::runtime_error("failed to set the level of logger '" + logger_level.first + "'");
    }
  }
}

}  // namespace

size_t InitOptions::get_domain_id() const
{
  return domain_id_set_ ? domain_id_ : default_domain_id();
}

Context::Context()
: global_arguments_(std::make_unique<detail::Arguments>()),
  wait_signal_(std::make_unique<detail::WaitSignal>()) {}

Context::~Context()
{
  // Nodes and their entities hold the participant too; it goes with the last of them.
  std::lock_guard<std::mutex> lock(mutex_);
  participant_.reset();
}

void Context::init(int argc, char const * const * argv, const rclcpp::InitOptions & init_options)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (valid_) {
    throw ContextAlreadyInitialized();
  }
  auto arguments = std::make_unique<detail::Arguments>(
    detail::Arguments::parse(argc, argv, "failed to initialize rcl"));
  domain_id_ = init_options.get_domain_id();
  if (init_options.auto_initialize_logging()) {
    configure_logging(*arguments);
  }
  arguments->throw_if_unknown_ros_arguments();

  global_arguments_ = std::move(arguments);
  init_options_ = init_options;
  shutdown_reason_.clear();
  valid_ = true;
  {
    std::lock_guard<std::mutex> sleep_lock(sleep_mutex_);
    interrupt_sleep_ = false;
  }
  std::lock_guard<std::mutex> registry_lock(registry_mutex());
  auto & contexts = registry();
  contexts.erase(
    std::remove_if(
      contexts.begin(), contexts.end(),
      [](const std::weak_ptr<Context> & c) {return c.expired();}),
    contexts.end());
  contexts.push_back(weak_from_this());
}

bool Context::is_valid() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return valid_;
}

const rclcpp::InitOptions & Context::get_init_options() const
{
  return init_options_;
}

rclcpp::InitOptions Context::get_init_options()
{
  std::lock_guard<std::mutex> lock(mutex_);
  return init_options_;
}

size_t Context::get_domain_id() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return domain_id_;
}

std::string Context::shutdown_reason() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return shutdown_reason_;
}

bool Context::shutdown(const std::string & reason)
{
  std::vector<OnShutdownCallback> callbacks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!valid_) {
      return false;
    }
    valid_ = false;
    shutdown_reason_ = reason;
    callbacks = on_shutdown_callbacks_;
    // Entities that are still alive keep the participant; new ones cannot be made.
    participant_.reset();
  }
  for (const auto & callback : callbacks) {
    callback();
  }
  interrupt_all_sleep_for();
  wait_signal_->notify();
  return true;
}

Context::OnShutdownCallback Context::on_shutdown(OnShutdownCallback callback)
{
  std::lock_guard<std::mutex> lock(mutex_);
  on_shutdown_callbacks_.push_back(callback);
  return callback;
}

std::vector<Context::OnShutdownCallback> Context::get_on_shutdown_callbacks() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return on_shutdown_callbacks_;
}

bool Context::sleep_for(const std::chrono::nanoseconds & nanoseconds)
{
  const auto deadline = std::chrono::steady_clock::now() + nanoseconds;
  std::unique_lock<std::mutex> lock(sleep_mutex_);
  sleep_cv_.wait_until(lock, deadline, [this] {return interrupt_sleep_;});
  return !interrupt_sleep_ && std::chrono::steady_clock::now() >= deadline;
}

void Context::interrupt_all_sleep_for()
{
  {
    std::lock_guard<std::mutex> lock(sleep_mutex_);
    interrupt_sleep_ = true;
  }
  sleep_cv_.notify_all();
}

detail::WaitSignal & Context::wait_signal()
{
  return *wait_signal_;
}

std::shared_ptr<detail::DdsParticipant> Context::participant()
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (!valid_) {
    throw exceptions::RCLError(
            kRclRetNotInit,
            "the given context is not valid, either rcl_init() was not called or "
            "rcl_shutdown() was called.",
            "context is not valid");
  }
  if (!participant_) {
    detail::DdsParticipantOptions options;
    options.domain_id = domain_id_;
    options.localhost_only = localhost_only();
    if (global_arguments_->enclave()) {
      options.enclave = *global_arguments_->enclave();
    }
    participant_ = detail::create_dds_participant(options);
  }
  return participant_;
}

const detail::Arguments & Context::global_arguments() const
{
  return *global_arguments_;
}

std::vector<Context::SharedPtr> get_contexts()
{
  std::lock_guard<std::mutex> lock(registry_mutex());
  std::vector<Context::SharedPtr> contexts;
  for (const auto & weak : registry()) {
    if (auto context = weak.lock()) {
      contexts.push_back(context);
    }
  }
  return contexts;
}

namespace contexts
{

DefaultContext::SharedPtr get_global_default_context()
{
  static DefaultContext::SharedPtr default_context = DefaultContext::make_shared();
  return default_context;
}

}  // namespace contexts

}  // namespace rclcpp
