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

#ifndef RCLCPP__NODE_HPP_
#define RCLCPP__NODE_HPP_

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rcl_interfaces/msg/set_parameters_result.hpp"
#include "rclcpp/callback_group.hpp"
#include "rclcpp/clock.hpp"
#include "rclcpp/context.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/logger.hpp"
#include "rclcpp/macros.hpp"
#include "rclcpp/node_interfaces/node_base_interface.hpp"
#include "rclcpp/node_options.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"
#include "rclcpp/publisher.hpp"
#include "rclcpp/qos.hpp"
#include "rclcpp/subscription.hpp"
#include "rclcpp/time.hpp"
#include "rclcpp/timer.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

namespace detail
{
class Arguments;
class DdsParticipant;
class NodeParameters;
}  // namespace detail

/// A ROS 2 node: a name in the graph, with publishers, subscriptions, timers and parameters.
class Node : public std::enable_shared_from_this<Node>
{
public:
  RCLCPP_SMART_PTR_DEFINITIONS(Node)

  /// A node in the root namespace (or the one a `__ns` remapping gives).
  /// Throws InvalidNodeNameError, InvalidNamespaceError, or the argument errors of its options.
  RCLCPP_PUBLIC
  explicit Node(const std::string & node_name, const NodeOptions & options = NodeOptions());

  RCLCPP_PUBLIC
  Node(
    const std::string & node_name, const std::string & namespace_,
    const NodeOptions & options = NodeOptions());

  RCLCPP_PUBLIC
  virtual ~Node();

  RCLCPP_PUBLIC
  const char * get_name() const;

  RCLCPP_PUBLIC
  const char * get_namespace() const;

  RCLCPP_PUBLIC
  const char * get_fully_qualified_name() const;

  RCLCPP_PUBLIC
  rclcpp::Logger get_logger() const;

  /// The node's clock (ROS time, which is system time without a simulated clock).
  RCLCPP_PUBLIC
  rclcpp::Clock::SharedPtr get_clock();

  RCLCPP_PUBLIC
  rclcpp::Clock::ConstSharedPtr get_clock() const;

  RCLCPP_PUBLIC
  Time now() const;

  RCLCPP_PUBLIC
  const rclcpp::NodeOptions & get_node_options() const {return node_options_;}

  RCLCPP_PUBLIC
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr get_node_base_interface();

  RCLCPP_PUBLIC
  rclcpp::CallbackGroup::SharedPtr create_callback_group(
    rclcpp::CallbackGroupType group_type, bool automatically_add_to_executor_with_node = true);

  /// A publisher on the topic, resolved in the node's namespace and remapped.
  template<
    typename MessageT, typename AllocatorT = std::allocator<void>,
    typename PublisherT = rclcpp::Publisher<MessageT, AllocatorT>>
  std::shared_ptr<PublisherT> create_publisher(
    const std::string & topic_name, const rclcpp::QoS & qos,
    const PublisherOptionsWithAllocator<AllocatorT> & options =
    PublisherOptionsWithAllocator<AllocatorT>())
  {
    return std::make_shared<PublisherT>(
      node_base_.get(), resolve_topic_name(topic_name), qos, options);
  }

  /// A subscription to the topic, resolved in the node's namespace and remapped; the executor
  /// that spins this node runs the callback.
  template<
    typename MessageT, typename CallbackT, typename AllocatorT = std::allocator<void>,
    typename SubscriptionT = rclcpp::Subscription<MessageT, AllocatorT>>
  std::shared_ptr<SubscriptionT> create_subscription(
    const std::string & topic_name, const rclcpp::QoS & qos, CallbackT && callback,
    const SubscriptionOptionsWithAllocator<AllocatorT> & options =
    SubscriptionOptionsWithAllocator<AllocatorT>())
  {
    auto subscription = std::make_shared<SubscriptionT>(
      node_base_.get(), resolve_topic_name(topic_name), qos, std::forward<CallbackT>(callback),
      options);
    node_base_->add_subscription(subscription);
    return subscription;
  }

  /// A timer on the steady clock.
  template<typename DurationRepT = int64_t, typename DurationT = std::milli, typename CallbackT>
  typename rclcpp::WallTimer<CallbackT>::SharedPtr create_wall_timer(
    std::chrono::duration<DurationRepT, DurationT> period, CallbackT callback,
    rclcpp::CallbackGroup::SharedPtr group = nullptr)
  {
    (void)group;
    auto timer = std::make_shared<rclcpp::WallTimer<CallbackT>>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(period), std::move(callback));
    node_base_->add_timer(timer);
    return timer;
  }

  /// Fully qualified names of the nodes in the graph, this one included.
  RCLCPP_PUBLIC
  std::vector<std::string> get_node_names() const;

  /// Publishers on the topic in the whole graph.
  RCLCPP_PUBLIC
  size_t count_publishers(const std::string & topic_name) const;

  /// Subscriptions to the topic in the whole graph.
  RCLCPP_PUBLIC
  size_t count_subscribers(const std::string & topic_name) const;

  // Parameters.

  RCLCPP_PUBLIC
  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, const rclcpp::ParameterValue & default_value,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false);

  RCLCPP_PUBLIC
  const rclcpp::ParameterValue & declare_parameter(
    const std::string & name, rclcpp::ParameterType type,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false);

  template<typename ParameterT>
  auto declare_parameter(
    const std::string & name, const ParameterT & default_value,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false)
  {
    try {
      return declare_parameter(
        name, rclcpp::ParameterValue(default_value), parameter_descriptor,
        ignore_override).template get<ParameterT>();
    } catch (const ParameterTypeException & ex) {
      throw exceptions::InvalidParameterTypeException(name, ex.what());
    }
  }

  template<typename ParameterT>
  auto declare_parameter(
    const std::string & name,
    const rcl_interfaces::msg::ParameterDescriptor & parameter_descriptor =
    rcl_interfaces::msg::ParameterDescriptor(),
    bool ignore_override = false)
  {
    // Without a default the type comes from ParameterT; the value must come from an override.
    rclcpp::ParameterValue probe{ParameterT{}};
    try {
      return declare_parameter(
        name, probe.get_type(), parameter_descriptor,
        ignore_override).template get<ParameterT>();
    } catch (const ParameterTypeException & ex) {
      throw exceptions::InvalidParameterTypeException(name, ex.what());
    }
  }

  RCLCPP_PUBLIC
  void undeclare_parameter(const std::string & name);

  RCLCPP_PUBLIC
  bool has_parameter(const std::string & name) const;

  RCLCPP_PUBLIC
  rcl_interfaces::msg::SetParametersResult set_parameter(const rclcpp::Parameter & parameter);

  RCLCPP_PUBLIC
  std::vector<rcl_interfaces::msg::SetParametersResult> set_parameters(
    const std::vector<rclcpp::Parameter> & parameters);

  /// The parameter; throws ParameterNotDeclaredException when it was not declared.
  RCLCPP_PUBLIC
  rclcpp::Parameter get_parameter(const std::string & name) const;

  /// \return false when the parameter was not declared.
  RCLCPP_PUBLIC
  bool get_parameter(const std::string & name, rclcpp::Parameter & parameter) const;

  template<typename ParameterT>
  bool get_parameter(const std::string & name, ParameterT & parameter) const
  {
    rclcpp::Parameter parameter_variant;
    bool result = get_parameter(name, parameter_variant);
    if (result) {
      parameter = static_cast<ParameterT>(parameter_variant.get_value<ParameterT>());
    }
    return result;
  }

  template<typename ParameterT>
  bool get_parameter_or(
    const std::string & name, ParameterT & parameter, const ParameterT & alternative_value) const
  {
    bool got_parameter = get_parameter(name, parameter);
    if (!got_parameter) {
      parameter = alternative_value;
    }
    return got_parameter;
  }

  template<typename ParameterT>
  ParameterT get_parameter_or(const std::string & name, const ParameterT & alternative_value) const
  {
    ParameterT parameter;
    get_parameter_or(name, parameter, alternative_value);
    return parameter;
  }

  RCLCPP_PUBLIC
  std::vector<rclcpp::Parameter> get_parameters(const std::vector<std::string> & names) const;

  RCLCPP_PUBLIC
  rcl_interfaces::msg::ParameterDescriptor describe_parameter(const std::string & name) const;

  /// The name a topic of this node resolves to: expanded in the node's namespace, then
  /// remapped by the node's and the global arguments.
  RCLCPP_PUBLIC
  std::string resolve_topic_name(const std::string & topic_name) const;

private:
  RCLCPP_DISABLE_COPY(Node)


  /// The arguments that apply to this node, in the order they are consulted (null: none).
  std::array<const detail::Arguments *, 2> argument_sources() const;

  rclcpp::NodeOptions node_options_;
  rclcpp::Context::SharedPtr context_;
  std::unique_ptr<detail::Arguments> local_arguments_;
  rclcpp::node_interfaces::NodeBaseInterface::SharedPtr node_base_;
  rclcpp::Logger logger_;
  rclcpp::Clock::SharedPtr clock_;
  std::unique_ptr<detail::NodeParameters> parameters_;
  std::shared_ptr<detail::DdsParticipant> participant_;
};

}  // namespace rclcpp

#endif  // RCLCPP__NODE_HPP_
