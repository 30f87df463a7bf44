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

#ifndef RCLCPP__DETAIL__DDS_HPP_
#define RCLCPP__DETAIL__DDS_HPP_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rclcpp/qos.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace rclcpp
{
namespace detail
{

class WaitSignal;

/// Settings of one DDS participant.
struct DdsParticipantOptions
{
  size_t domain_id = 0;
  /// Keep discovery and data on loopback and shared memory.
  bool localhost_only = false;
  /// Participant user data; ROS 2 puts the enclave there.
  std::string enclave = "/";
};

/// A writer of one topic. Messages are serialized with the ROS 2 wire conventions.
class DdsWriter
{
public:
  virtual ~DdsWriter() = default;
  /// Serializes and sends one message of the writer's type.
  virtual void write(const void * message) = 0;
  /// Number of readers matched with this writer.
  virtual size_t matched_count() const = 0;
};

/// A reader of one topic.
class DdsReader
{
public:
  virtual ~DdsReader() = default;
  /// True when a sample waits to be taken.
  virtual bool has_data() const = 0;
  /// Takes the next sample into an initialised message of the reader's type.
  /// \return false when there was none, or it could not be read (the reason is logged).
  virtual bool take(void * message) = 0;
  /// Number of writers matched with this reader.
  virtual size_t matched_count() const = 0;
};

/// One DDS domain participant, shared by every node of a context. The interface keeps Fast DDS
/// out of the client library's headers.
class DdsParticipant
{
public:
  virtual ~DdsParticipant() = default;

  /// Announces a node on ros_discovery_info; `node` is the key its endpoints are created with.
  virtual void register_node(
    const void * node, const std::string & name, const std::string & namespace_) = 0;

  /// Withdraws the node from ros_discovery_info.
  virtual void unregister_node(const void * node) = 0;

  /// A writer on the DDS topic of `topic_fqn` ("rt" + name), owned by `node` in the graph.
  virtual std::unique_ptr<DdsWriter> create_writer(
    const void * node, const std::string & topic_fqn,
    const rosidl_message_type_support_t * type_support, const QoS & qos) = 0;

  /// A reader on the DDS topic of `topic_fqn`, owned by `node` in the graph; `on_data` runs on
  /// a middleware thread whenever data arrives, and must only signal.
  virtual std::unique_ptr<DdsReader> create_reader(
    const void * node, const std::string & topic_fqn,
    const rosidl_message_type_support_t * type_support, const QoS & qos,
    std::function<void()> on_data) = 0;

  /// Fully qualified names of the nodes in the graph, this participant's own included, as the
  /// participants announce them on ros_discovery_info.
  virtual std::vector<std::string> node_names() const = 0;

  /// Writers on the topic in the whole graph, this participant's own included.
  virtual size_t count_writers(const std::string & topic_fqn) const = 0;
  /// Readers on the topic in the whole graph, this participant's own included.
  virtual size_t count_readers(const std::string & topic_fqn) const = 0;
};

/// Creates a participant on Fast DDS. Throws std::runtime_error when the middleware refuses.
std::shared_ptr<DdsParticipant> create_dds_participant(const DdsParticipantOptions & options);

/// The DDS type name of a message: "<pkg>::msg::dds_::<Name>_".
std::string dds_type_name(const rosidl_message_type_support_t * type_support);

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__DDS_HPP_
