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

#include "rclcpp/publisher_base.hpp"

#include <memory>
#include <string>
#include <utility>

#include "rclcpp/context.hpp"
#include "rclcpp/detail/dds.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"

namespace rclcpp
{

PublisherBase::PublisherBase(
  rclcpp::node_interfaces::NodeBaseInterface * node_base, const std::string & topic_name,
  const rosidl_message_type_support_t * type_support, const rclcpp::QoS & qos)
: context_(node_base->get_context()), topic_name_(topic_name), qos_(qos)
{
  writer_ = context_->participant()->create_writer(node_base, topic_name_, type_support, qos_);
}

PublisherBase::~PublisherBase() = default;

const char * PublisherBase::get_topic_name() const
{
  return topic_name_.c_str();
}

size_t PublisherBase::get_subscription_count() const
{
  return writer_->matched_count();
}

void PublisherBase::publish_message(const void * message)
{
  // As in ROS 2, a publish racing with shutdown is dropped rather than reported.
  if (!context_->is_valid()) {
    return;
  }
  writer_->write(message);
}

}  // namespace rclcpp
