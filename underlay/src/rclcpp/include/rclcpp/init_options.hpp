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

#ifndef RCLCPP__INIT_OPTIONS_HPP_
#define RCLCPP__INIT_OPTIONS_HPP_

#include <cstddef>

#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Options of rclcpp::init and Context::init.
class RCLCPP_PUBLIC InitOptions
{
public:
  /// If true, the context is shut down by the signal handlers (when they are installed).
  bool shutdown_on_signal = true;

  InitOptions() = default;

  /// Whether init configures rcutils logging.
  bool auto_initialize_logging() const {return initialize_logging_;}
  InitOptions & auto_initialize_logging(bool initialize_logging)
  {
    initialize_logging_ = initialize_logging;
    return *this;
  }

  /// Uses this domain instead of ROS_DOMAIN_ID.
  void set_domain_id(size_t domain_id)
  {
    domain_id_ = domain_id;
    domain_id_set_ = true;
  }

  /// The domain set with set_domain_id, or the default one (ROS_DOMAIN_ID) when none was set.
  size_t get_domain_id() const;

  /// Forgets a domain set with set_domain_id.
  void use_default_domain_id() {domain_id_set_ = false;}

private:
  bool initialize_logging_ = true;
  size_t domain_id_ = 0;
  bool domain_id_set_ = false;
};

}  // namespace rclcpp

#endif  // RCLCPP__INIT_OPTIONS_HPP_
