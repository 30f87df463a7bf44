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

#ifndef RCLCPP__QOS_HPP_
#define RCLCPP__QOS_HPP_

#include <cstddef>

#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// History policy, with rmw's values.
enum class HistoryPolicy
{
  SystemDefault = 0,
  KeepLast = 1,
  KeepAll = 2,
  Unknown = 3,
};

/// Reliability policy, with rmw's values.
enum class ReliabilityPolicy
{
  SystemDefault = 0,
  Reliable = 1,
  BestEffort = 2,
  Unknown = 3,
};

/// Durability policy, with rmw's values.
enum class DurabilityPolicy
{
  SystemDefault = 0,
  TransientLocal = 1,
  Volatile = 2,
  Unknown = 3,
};

/// How a QoS starts out: its history policy and depth.
struct RCLCPP_PUBLIC QoSInitialization
{
  HistoryPolicy history_policy;
  size_t depth;

  QoSInitialization(HistoryPolicy history_policy_arg, size_t depth_arg);
};

/// Keep all samples.
struct RCLCPP_PUBLIC KeepAll : public QoSInitialization
{
  KeepAll();
};

/// Keep the last `depth` samples.
struct RCLCPP_PUBLIC KeepLast : public QoSInitialization
{
  explicit KeepLast(size_t depth);
};

/// Quality of service of a publisher or subscription. Starts from the ROS 2 default profile
/// (reliable, volatile) with the given history.
class RCLCPP_PUBLIC QoS
{
public:
  explicit QoS(const QoSInitialization & qos_initialization);

  /// Keep last `history_depth` samples, reliable, volatile.
  // cppcheck-suppress noExplicitConstructor
  QoS(size_t history_depth);  // NOLINT(runtime/explicit): a depth is a QoS, as in ROS 2

  QoS & history(HistoryPolicy history);
  QoS & keep_last(size_t depth);
  QoS & keep_all();
  QoS & reliability(ReliabilityPolicy reliability);
  QoS & reliable();
  QoS & best_effort();
  QoS & durability(DurabilityPolicy durability);
  QoS & durability_volatile();
  QoS & transient_local();

  HistoryPolicy history() const {return history_;}
  size_t depth() const {return depth_;}
  ReliabilityPolicy reliability() const {return reliability_;}
  DurabilityPolicy durability() const {return durability_;}

  bool operator==(const QoS & other) const;
  bool operator!=(const QoS & other) const {return !(*this == other);}

private:
  HistoryPolicy history_;
  size_t depth_;
  ReliabilityPolicy reliability_;
  DurabilityPolicy durability_;
};

/// QoS for sensor streams: keep last 5, best effort, volatile.
class RCLCPP_PUBLIC SensorDataQoS : public QoS
{
public:
  explicit SensorDataQoS(const QoSInitialization & qos_initialization = KeepLast(5));
};

/// QoS of parameter services: keep last 1000, reliable, volatile.
class RCLCPP_PUBLIC ParametersQoS : public QoS
{
public:
  explicit ParametersQoS(const QoSInitialization & qos_initialization = KeepLast(1000));
};

/// QoS of services: keep last 10, reliable, volatile.
class RCLCPP_PUBLIC ServicesQoS : public QoS
{
public:
  explicit ServicesQoS(const QoSInitialization & qos_initialization = KeepLast(10));
};

/// QoS of /rosout: keep last 1000, reliable, transient local.
class RCLCPP_PUBLIC RosoutQoS : public QoS
{
public:
  explicit RosoutQoS(const QoSInitialization & rosout_qos_initialization = KeepLast(1000));
};

/// The middleware's own defaults for every policy.
class RCLCPP_PUBLIC SystemDefaultsQoS : public QoS
{
public:
  explicit SystemDefaultsQoS(
    const QoSInitialization & qos_initialization = QoSInitialization(
      HistoryPolicy::SystemDefault, 0));
};

}  // namespace rclcpp

#endif  // RCLCPP__QOS_HPP_
