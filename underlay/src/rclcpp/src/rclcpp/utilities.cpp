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

#include "rclcpp/utilities.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "rclcpp/context.hpp"
#include "rclcpp/detail/arguments.hpp"
#include "rclcpp/future_return_code.hpp"

namespace rclcpp
{

namespace
{

// Signal handling: the handler itself only writes the signal number into a pipe (which is
// async-signal-safe); a thread reads it and shuts the contexts down, which wakes the executors.
struct SignalState
{
  std::mutex mutex;
  bool installed = false;
  SignalHandlerOptions options = SignalHandlerOptions::None;
  struct sigaction old_sigint{};
  struct sigaction old_sigterm{};
  int pipe_fds[2] = {-1, -1};
  std::thread thread;
};

// Never destroyed: the handler may run while the process exits.
SignalState & signal_state()
{
  static SignalState * state = new SignalState();
  return *state;
}

volatile sig_atomic_t g_write_fd = -1;

void call_previous_handler(int signum, siginfo_t * info, void * context)
{
  const struct sigaction & old =
    signum == SIGINT ? signal_state().old_sigint : signal_state().old_sigterm;
  if (old.sa_flags & SA_SIGINFO) {
    if (old.sa_sigaction != nullptr) {
      old.sa_sigaction(signum, info, context);
    }
  } else if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN && old.sa_handler != nullptr) {
    old.sa_handler(signum);
  }
}

extern "C" void on_signal(int signum, siginfo_t * info, void * context)
{
  const int saved_errno = errno;
  const int fd = g_write_fd;
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signum);
    ssize_t written = write(fd, &byte, 1);
    (void)written;
  }
  call_previous_handler(signum, info, context);
  errno = saved_errno;
}

void handle_signals(int read_fd)
{
  unsigned char byte = 0;
  for (;;) {
    const ssize_t n = read(read_fd, &byte, 1);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0 || byte == 0) {
      // Write end closed, or the stop byte of uninstall_signal_handlers.
      return;
    }
    for (const auto & context : get_contexts()) {
      if (context->get_init_options().shutdown_on_signal) {
        context->shutdown("signal handler");
      }
    }
  }
}

}  // namespace

bool install_signal_handlers(SignalHandlerOptions signal_handler_options)
{
  SignalState & state = signal_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.installed || signal_handler_options == SignalHandlerOptions::None) {
    return false;
  }
  if (pipe2(state.pipe_fds, O_CLOEXEC) != 0) {
    throw std::runtime_error(std::string("failed to create the signal pipe: ") + strerror(errno));
  }
  g_write_fd = state.pipe_fds[1];
  state.thread = std::thread(handle_signals, state.pipe_fds[0]);

  struct sigaction action{};
  action.sa_sigaction = on_signal;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  if (signal_handler_options == SignalHandlerOptions::All ||
    signal_handler_options == SignalHandlerOptions::SigInt)
  {
    sigaction(SIGINT, &action, &state.old_sigint);
  }
  if (signal_handler_options == SignalHandlerOptions::All ||
    signal_handler_options == SignalHandlerOptions::SigTerm)
  {
    sigaction(SIGTERM, &action, &state.old_sigterm);
  }
  state.options = signal_handler_options;
  state.installed = true;
  return true;
}

bool signal_handlers_installed()
{
  SignalState & state = signal_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.installed;
}

SignalHandlerOptions get_current_signal_handler_options()
{
  SignalState & state = signal_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.options;
}

bool uninstall_signal_handlers()
{
  SignalState & state = signal_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.installed) {
    return false;
  }
  if (state.options == SignalHandlerOptions::All || state.options == SignalHandlerOptions::SigInt) {
    sigaction(SIGINT, &state.old_sigint, nullptr);
  }
  if (state.options == SignalHandlerOptions::All || state.options == SignalHandlerOptions::SigTerm) {
    sigaction(SIGTERM, &state.old_sigterm, nullptr);
  }
  g_write_fd = -1;
  const unsigned char stop = 0;
  ssize_t written = write(state.pipe_fds[1], &stop, 1);
  (void)written;
  if (state.thread.get_id() == std::this_thread::get_id()) {
    // Called from a shutdown callback on the signal thread itself.
    state.thread.detach();
  } else {
    state.thread.join();
  }
  close(state.pipe_fds[0]);
  close(state.pipe_fds[1]);
  state.pipe_fds[0] = state.pipe_fds[1] = -1;
  state.options = SignalHandlerOptions::None;
  state.installed = false;
  return true;
}

void init(
  int argc, char const * const * argv, const InitOptions & init_options,
  SignalHandlerOptions signal_handler_options)
{
  contexts::get_global_default_context()->init(argc, argv, init_options);
  install_signal_handlers(signal_handler_options);
}

std::vector<std::string> init_and_remove_ros_arguments(
  int argc, char const * const * argv, const InitOptions & init_options)
{
  init(argc, argv, init_options);
  return remove_ros_arguments(argc, argv);
}

bool ok(Context::SharedPtr context)
{
  if (context == nullptr) {
    context = contexts::get_global_default_context();
  }
  return context->is_valid();
}

bool shutdown(Context::SharedPtr context, const std::string & reason)
{
  auto default_context = contexts::get_global_default_context();
  if (context == nullptr) {
    context = default_context;
  }
  const bool result = context->shutdown(reason);
  if (context == default_context) {
    uninstall_signal_handlers();
  }
  return result;
}

void on_shutdown(std::function<void()> callback, Context::SharedPtr context)
{
  if (context == nullptr) {
    context = contexts::get_global_default_context();
  }
  context->on_shutdown(std::move(callback));
}

bool sleep_for(const std::chrono::nanoseconds & nanoseconds, Context::SharedPtr context)
{
  if (context == nullptr) {
    context = contexts::get_global_default_context();
  }
  if (nanoseconds < std::chrono::nanoseconds::zero()) {
    throw std::invalid_argument("time must be positive");
  }
  return context->sleep_for(nanoseconds);
}

std::string to_string(const FutureReturnCode & future_return_code)
{
  switch (future_return_code) {
    case FutureReturnCode::SUCCESS:
      return "SUCCESS (0)";
    case FutureReturnCode::INTERRUPTED:
      return "INTERRUPTED (1)";
    case FutureReturnCode::TIMEOUT:
      return "TIMEOUT (2)";
  }
  return "UNKNOWN";
}

}  // namespace rclcpp
