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

#include "rclcpp/qos.hpp"

namespace rclcpp
{

QoSInitialization::QoSInitialization(HistoryPolicy history_policy_arg, size_t depth_arg)
: history_policy(history_policy_arg), depth(depth_arg) {}

KeepAll::KeepAll()
: QoSInitialization(HistoryPolicy::KeepAll, 0) {}

KeepLast::KeepLast(size_t depth)
: QoSInitialization(HistoryPolicy::KeepLast, depth) {}

QoS::QoS(const QoSInitialization & qos_initialization)
: history_(qos_initialization.history_policy),
  depth_(qos_initialization.depth),
  reliability_(ReliabilityPolicy::Reliable),
  durability_(DurabilityPolicy::Volatile) {}

QoS::QoS(size_t history_depth)
: QoS(KeepLast(history_depth)) {}

QoS & QoS::history(HistoryPolicy history)
{
  history_ = history;
  return *this;
}

QoS & QoS::keep_last(size_t depth)
{
  history_ = HistoryPolicy::KeepLast;
  depth_ = depth;
  return *this;
}

QoS & QoS::keep_all()
{
  history_ = HistoryPolicy::KeepAll;
  depth_ = 0;
  return *this;
}

QoS & QoS::reliability(ReliabilityPolicy reliability)
{
  reliability_ = reliability;
  return *this;
}

QoS & QoS::reliable() {return reliability(ReliabilityPolicy::Reliable);}

QoS & QoS::best_effort() {return reliability(ReliabilityPolicy::BestEffort);}

QoS & QoS::durability(DurabilityPolicy durability)
{
  durability_ = durability;
  return *this;
}

QoS & QoS::durability_volatile() {return durability(DurabilityPolicy::Volatile);}

QoS & QoS::transient_local() {return durability(DurabilityPolicy::TransientLocal);}

bool QoS::operator==(const QoS & other) const
{
  return history_ == other.history_ && depth_ == other.depth_ &&
         reliability_ == other.reliability_ && durability_ == other.durability_;
}

SensorDataQoS::SensorDataQoS(const QoSInitialization & qos_initialization)
: QoS(qos_initialization)
{
  best_effort();
}

ParametersQoS::ParametersQoS(const QoSInitialization & qos_initialization)
: QoS(qos_initialization) {}

ServicesQoS::ServicesQoS(const QoSInitialization & qos_initialization)
: QoS(qos_initialization) {}

RosoutQoS::RosoutQoS(const QoSInitialization & rosout_qos_initialization)
: QoS(rosout_qos_initialization)
{
  transient_local();
}

SystemDefaultsQoS::SystemDefaultsQoS(const QoSInitialization & qos_initialization)
: QoS(qos_initialization)
{
  reliability(ReliabilityPolicy::SystemDefault);
  durability(DurabilityPolicy::SystemDefault);
}

}  // namespace rclcpp
