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

#include "rclcpp/node.hpp"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rclcpp/detail/arguments.hpp"
#include "rclcpp/detail/dds.hpp"
#include "rclcpp/detail/names.hpp"
#include "rclcpp/detail/node_parameters.hpp"
#include "rclcpp/expand_topic_or_service_name.hpp"

namespace rclcpp
{

namespace
{

// The logger of a node: the namespace with '/' as '.', without the leading dot, then the name.
std::string node_logger_name(const std::string & namespace_, const std::string & name)
{
  if (namespace_ == "/") {
    return name;
  }
  std::string logger_name = namespace_.substr(1);
  for (char & c : logger_name) {
    if (c == '/') {
      c = '.';
    }
  }
  return logger_name + "." + name;
}

std::unique_ptr<detail::Arguments> parse_local_arguments(const NodeOptions & options)
{
  auto arguments = std::make_unique<detail::Arguments>(
    detail::Arguments::parse(options.arguments(), "failed to parse arguments"));
  arguments->throw_if_unknown_ros_arguments();
  return arguments;
}

rcl_interfaces::msg::SetParametersResult to_message(const detail::SetResult & result)
{
  rcl_interfaces::msg::SetParametersResult message;
  message.successful = result.successful;
  message.reason = result.reason;
  return message;
}

}  // namespace

Node::Node(const std::string & node_name, const NodeOptions & options)
: Node(node_name, "", options) {}

Node::Node(
  const std::string & node_name, const std::string & namespace_, const NodeOptions & options)
: node_options_(options),
  context_(options.context()),
  local_arguments_(parse_local_arguments(options)),
  clock_(std::make_shared<rclcpp::Clock>(RCL_ROS_TIME))
{
  // The given name and namespace must be valid before any remapping, as in rcl.
  detail::validate_node_name(node_name);
  std::string name = node_name;
  std::string ns = detail::normalize_namespace(namespace_);
  detail::validate_namespace(ns);

  for (const detail::Arguments * arguments : argument_sources()) {
    if (arguments == nullptr) {
      continue;
    }
    if (auto remapped = arguments->find_node_name_remap(node_name)) {
      name = *remapped;
      break;
    }
  }
  for (const detail::Arguments * arguments : argument_sources()) {
    if (arguments == nullptr) {
      continue;
    }
    if (auto remapped = arguments->find_namespace_remap(name)) {
      ns = detail::normalize_namespace(*remapped);
      break;
    }
  }
  detail::validate_node_name(name);
  detail::validate_namespace(ns);

  node_base_ = std::make_shared<node_interfaces::NodeBaseInterface>(name, ns, context_);
  logger_ = rclcpp::get_logger(node_logger_name(ns, name));

  const std::string fqn = node_base_->get_fully_qualified_name();
  parameters_ = std::make_unique<detail::NodeParameters>(
    detail::resolve_parameter_overrides(
      fqn, options.parameter_overrides(), argument_sources()[0], argument_sources()[1]),
    fqn);
  if (options.automatically_declare_parameters_from_overrides()) {
    parameters_->declare_parameters_from_overrides();
  }

  // The participant comes with the first node; the node is announced in the ROS graph.
  participant_ = context_->participant();
  participant_->register_node(node_base_.get(), name, ns);
}

Node::~Node()
{
  participant_->unregister_node(node_base_.get());
}

std::array<const detail::Arguments *, 2> Node::argument_sources() const
{
  // The node's own arguments come first, then the global ones unless the node opted out.
  return {
    local_arguments_.get(),
    node_options_.use_global_arguments() ? &context_->global_arguments() : nullptr};
}

const char * Node::get_name() const
{
  return node_base_->get_name();
}

const char * Node::get_namespace() const
{
  return node_base_->get_namespace();
}

const char * Node::get_fully_qualified_name() const
{
  return node_base_->get_fully_qualified_name();
}

rclcpp::Logger Node::get_logger() const
{
  return logger_;
}

rclcpp::Clock::SharedPtr Node::get_clock()
{
  return clock_;
}

rclcpp::Clock::ConstSharedPtr Node::get_clock() const
{
  return clock_;
}

Time Node::now() const
{
  return clock_->now();
}

rclcpp::node_interfaces::NodeBaseInterface::SharedPtr Node::get_node_base_interface()
{
  return node_base_;
}

rclcpp::CallbackGroup::SharedPtr Node::create_callback_group(
  rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node)
{
  return node_base_->create_callback_group(group_type, automatically_add_to_executor_with_node);
}

std::string Node::resolve_topic_name(const std::string & topic_name) const
{
  const std::string expanded =
    expand_topic_or_service_name(topic_name, get_name(), get_namespace());
  for (const detail::Arguments * arguments : argument_sources()) {
    if (arguments == nullptr) {
      continue;
    }
    if (auto remapped = arguments->find_topic_remap(expanded, get_name(), get_namespace())) {
      return *remapped;
    }
  }
  return expanded;
}

std::vector<std::string> Node::get_node_names() const
{
  return participant_->node_names();
}

size_t Node::count_publishers(const std::string & topic_name) const
{
  return participant_->count_writers(
    expand_topic_or_service_name(topic_name, get_name(), get_namespace()));
}

size_t Node::count_subscribers(const std::string & topic_name) const
{
  return participant_->count_readers(
    expand_topic_or_service_name(topic_name, get_name(), get_namespace()));
}

const rclcpp::ParameterValue & Node::declare_parameter(
  const std::string & name, const rclcpp::ParameterValue & default_value,
  const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  return parameters_->declare_parameter(
    name, default_value, parameter_descriptor, ignore_override);
}

const rclcpp::ParameterValue & Node::declare_parameter(
  const std::string & name, rclcpp::ParameterType type,
  const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor, bool ignore_override)
{
  return parameters_->declare_parameter(name, type, parameter_descriptor, ignore_override);
}

void Node::undeclare_parameter(const std::string & name)
{
  parameters_->undeclare_parameter(name);
}

bool Node::has_parameter(const std::string & name) const
{
  return parameters_->has_parameter(name);
}

rcl_interfaces::msg::SetParametersResult Node::set_parameter(const rclcpp::Parameter & parameter)
{
  return to_message(parameters_->set_parameter(parameter));
}

std::vector<rcl_interfaces::msg::SetParametersResult> Node::set_parameters(
  const std::vector<rclcpp::Parameter> & parameters)
{
  std::vector<rcl_interfaces::msg::SetParametersResult> results;
  for (const auto & result : parameters_->set_parameters(parameters)) {
    results.push_back(to_message(result));
  }
  return results;
}

rclcpp::Parameter Node::get_parameter(const std::string & name) const
{
  return parameters_->get_parameter(name);
}

bool Node::get_parameter(const std::string & name, rclcpp::Parameter & parameter) const
{
  return parameters_->get_parameter(name, parameter);
}

std::vector<rclcpp::Parameter> Node::get_parameters(const std::vector<std::string> & names) const
{
  return parameters_->get_parameters(names);
}

rcl_interfaces::msg::ParameterDescriptor Node::describe_parameter(const std::string & name) const
{
  return parameters_->describe_parameter(name);
}

}  // namespace rclcpp
