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

// The middleware layer: ROS 2 topics on Fast DDS with the conventions of rmw_fastrtps, so that
// our nodes and real ROS 2 nodes see and understand each other.

#include "rclcpp/detail/dds.hpp"

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/DomainParticipantListener.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/dds/topic/TopicDataType.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "rclcpp/detail/cdr.hpp"
#include "rmw_dds_common/msg/participant_entities_info.hpp"
#include "rcutils/logging_macros.h"
#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"

namespace rclcpp
{
namespace detail
{

namespace dds = eprosima::fastdds::dds;
namespace rtps = eprosima::fastrtps::rtps;

namespace
{

// Shared memory segment of each participant. Fast DDS's default (512 KB) makes multi-megabyte
// images fall back to fragmented UDP; a segment of many frames keeps full-HD streams on shared
// memory with room for the reader to lag a few frames behind.
constexpr uint32_t kSharedMemorySegmentSize = 64u * 1024u * 1024u;

// Initial payload size of a sample; payloads grow to the largest message seen.
constexpr uint32_t kInitialPayloadSize = 1024u;

// The topic on which every ROS 2 participant tells which nodes it holds and which readers and
// writers belong to each; a plain DDS topic, without the "rt" prefix of ROS topics.
constexpr char kGraphTopic[] = "ros_discovery_info";

using ParticipantEntitiesInfo = rmw_dds_common::msg::ParticipantEntitiesInfo;

// A middleware GUID as ROS 2 writes it in a Gid: prefix then entity id, the rest zero.
rmw_dds_common::msg::Gid to_gid(const rtps::GUID_t & guid)
{
  rmw_dds_common::msg::Gid gid;
  gid.data.fill(0);
  std::memcpy(gid.data.data(), guid.guidPrefix.value, rtps::GuidPrefix_t::size);
  std::memcpy(
    gid.data.data() + rtps::GuidPrefix_t::size, guid.entityId.value, rtps::EntityId_t::size);
  return gid;
}

// The DDS topic of a ROS topic.
std::string dds_topic_name(const std::string & topic_fqn)
{
  return "rt" + topic_fqn;
}

const rosidl_typesupport_introspection_cpp::MessageMembers * members_of(
  const rosidl_message_type_support_t * type_support)
{
  if (type_support == nullptr ||
    type_support->typesupport_identifier != rosidl_typesupport_introspection_cpp::typesupport_identifier)
  {
    throw std::invalid_argument("type support is not rosidl_typesupport_introspection_cpp's");
  }
  return static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
    type_support->data);
}

// What the writer and reader hand to the type: the message to serialize, or the message to
// fill and the reason it could not be filled.
struct SampleRef
{
  const void * message_in = nullptr;
  void * message_out = nullptr;
  std::string error;
};

// A DDS type for one ROS message type, serialized by the generic CDR code straight into and
// out of the middleware's payload buffers. No key: ROS topics are keyless.
class MessageType : public dds::TopicDataType
{
public:
  explicit MessageType(const rosidl_message_type_support_t * type_support)
  : type_support_(type_support)
  {
    setName(dds_type_name(type_support).c_str());
    m_typeSize = kInitialPayloadSize;
    m_isGetKeyDefined = false;
    // ROS 2 matches on the type name alone.
    auto_fill_type_object(false);
    auto_fill_type_information(false);
  }

  bool serialize(void * data, rtps::SerializedPayload_t * payload) override
  {
    auto * ref = static_cast<SampleRef *>(data);
    try {
      payload->length = static_cast<uint32_t>(
        cdr_serialize(type_support_, ref->message_in, payload->data, payload->max_size));
      payload->encapsulation = CDR_LE;
      return true;
    } catch (const std::exception & e) {
      ref->error = e.what();
      return false;
    }
  }

  bool deserialize(rtps::SerializedPayload_t * payload, void * data) override
  {
    auto * ref = static_cast<SampleRef *>(data);
    if (ref->message_out == nullptr) {
      return false;
    }
    try {
      cdr_deserialize(type_support_, payload->data, payload->length, ref->message_out);
      return true;
    } catch (const std::exception & e) {
      ref->error = e.what();
      return false;
    }
  }

  std::function<uint32_t()> getSerializedSizeProvider(void * data) override
  {
    auto * ref = static_cast<SampleRef *>(data);
    return [this, ref]() -> uint32_t {
             try {
               return static_cast<uint32_t>(cdr_serialized_size(type_support_, ref->message_in));
             } catch (const std::exception & e) {
               ref->error = e.what();
               return 0u;
             }
           };
  }

  void * createData() override {return new SampleRef();}

  void deleteData(void * data) override {delete static_cast<SampleRef *>(data);}

  bool getKey(void *, rtps::InstanceHandle_t *, bool) override {return false;}

private:
  const rosidl_message_type_support_t * type_support_;
};

void apply_history(dds::HistoryQosPolicy & history, const QoS & qos)
{
  switch (qos.history()) {
    case HistoryPolicy::KeepAll:
      history.kind = dds::KEEP_ALL_HISTORY_QOS;
      break;
    case HistoryPolicy::KeepLast:
      history.kind = dds::KEEP_LAST_HISTORY_QOS;
      history.depth = static_cast<int32_t>(qos.depth() > 0 ? qos.depth() : 1);
      break;
    default:
      break;
  }
}

void apply_reliability(dds::ReliabilityQosPolicy & reliability, const QoS & qos)
{
  switch (qos.reliability()) {
    case ReliabilityPolicy::Reliable:
      reliability.kind = dds::RELIABLE_RELIABILITY_QOS;
      break;
    case ReliabilityPolicy::BestEffort:
      reliability.kind = dds::BEST_EFFORT_RELIABILITY_QOS;
      break;
    default:
      break;
  }
}

void apply_durability(dds::DurabilityQosPolicy & durability, const QoS & qos)
{
  switch (qos.durability()) {
    case DurabilityPolicy::TransientLocal:
      durability.kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
      break;
    case DurabilityPolicy::Volatile:
      durability.kind = dds::VOLATILE_DURABILITY_QOS;
      break;
    default:
      break;
  }
}

class FastDdsParticipant;

class FastDdsWriter : public DdsWriter
{
public:
  FastDdsWriter(
    std::shared_ptr<FastDdsParticipant> participant, dds::DataWriter * writer,
    dds::Topic * topic, std::string topic_fqn);
  ~FastDdsWriter() override;

  void write(const void * message) override;
  size_t matched_count() const override;

private:
  std::shared_ptr<FastDdsParticipant> participant_;
  dds::DataWriter * writer_;
  dds::Topic * topic_;
  std::string topic_fqn_;
};

// Forwards "data available" to the owner of the reader; nothing else runs on the middleware's
// thread.
class ReaderListener : public dds::DataReaderListener
{
public:
  explicit ReaderListener(std::function<void()> on_data)
  : on_data_(std::move(on_data)) {}

  void on_data_available(dds::DataReader *) override
  {
    if (on_data_) {
      on_data_();
    }
  }

private:
  std::function<void()> on_data_;
};

class FastDdsReader : public DdsReader
{
public:
  FastDdsReader(
    std::shared_ptr<FastDdsParticipant> participant, std::unique_ptr<ReaderListener> listener,
    dds::Topic * topic, std::string topic_fqn);
  ~FastDdsReader() override;

  void attach(dds::DataReader * reader) {reader_ = reader;}
  bool has_data() const override;
  bool take(void * message) override;
  size_t matched_count() const override;

private:
  std::shared_ptr<FastDdsParticipant> participant_;
  std::unique_ptr<ReaderListener> listener_;
  dds::DataReader * reader_ = nullptr;
  dds::Topic * topic_;
  std::string topic_fqn_;
};

// Reads what the other participants announce on ros_discovery_info.
class GraphListener : public dds::DataReaderListener
{
public:
  explicit GraphListener(std::function<void(dds::DataReader *)> on_data)
  : on_data_(std::move(on_data)) {}

  void on_data_available(dds::DataReader * reader) override {on_data_(reader);}

private:
  std::function<void(dds::DataReader *)> on_data_;
};

class FastDdsParticipant
  : public DdsParticipant,
  public dds::DomainParticipantListener,
  public std::enable_shared_from_this<FastDdsParticipant>
{
public:
  explicit FastDdsParticipant(const DdsParticipantOptions & options)
  : factory_(dds::DomainParticipantFactory::get_shared_instance())
  {
    dds::DomainParticipantQos qos = factory_->get_default_participant_qos();
    qos.name(options.enclave.c_str());
    const std::string user_data = "enclave=" + options.enclave + ";";
    qos.user_data().data_vec(std::vector<rtps::octet>(user_data.begin(), user_data.end()));

    // Our own transports only: a shared memory segment sized for camera frames, and UDPv4
    // (loopback only when asked), so that Fast DDS keeps no second, small segment.
    qos.transport().use_builtin_transports = false;
    auto shm = std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>();
    shm->segment_size(kSharedMemorySegmentSize);
    qos.transport().user_transports.push_back(shm);
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    if (options.localhost_only) {
      udp->interfaceWhiteList.emplace_back("127.0.0.1");
    }
    qos.transport().user_transports.push_back(udp);

    qos.wire_protocol().builtin.readerHistoryMemoryPolicy =
      rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    qos.wire_protocol().builtin.writerHistoryMemoryPolicy =
      rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;

    // Only discovery callbacks reach the participant listener; data goes to the readers' own.
    dds::StatusMask mask = dds::StatusMask::none();
    participant_ = factory_->create_participant(
      static_cast<dds::DomainId_t>(options.domain_id), qos, this, mask);
    if (participant_ == nullptr) {
      throw std::runtime_error(
              "failed to create a DDS participant on domain " +
              std::to_string(options.domain_id));
    }
    publisher_ = participant_->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
    subscriber_ = participant_->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
    if (publisher_ == nullptr || subscriber_ == nullptr) {
      factory_->delete_participant(participant_);
      throw std::runtime_error("failed to create the DDS publisher and subscriber");
    }
    create_graph_writer();
  }

  ~FastDdsParticipant() override
  {
    // Entities hold a reference to the participant, so none are left here but the topics'
    // types; the participant's listener must stop before this object goes.
    participant_->set_listener(nullptr);
    if (graph_reader_ != nullptr) {
      graph_reader_->set_listener(nullptr);
    }
    participant_->delete_contained_entities();
    factory_->delete_participant(participant_);
  }

  void register_node(
    const void * node, const std::string & name, const std::string & namespace_) override
  {
    update_graph(
      [&]() {
        NodeEntry & entry = nodes_[node];
        entry.name = name;
        entry.namespace_ = namespace_;
        return true;
      });
  }

  void unregister_node(const void * node) override
  {
    update_graph([&]() {return nodes_.erase(node) > 0;});
  }

  std::unique_ptr<DdsWriter> create_writer(
    const void * node, const std::string & topic_fqn,
    const rosidl_message_type_support_t * type_support, const QoS & qos) override
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    dds::Topic * topic = acquire_topic(topic_fqn, type_support);
    dds::DataWriterQos writer_qos = publisher_->get_default_datawriter_qos();
    apply_history(writer_qos.history(), qos);
    apply_reliability(writer_qos.reliability(), qos);
    apply_durability(writer_qos.durability(), qos);
    writer_qos.publish_mode().kind = dds::SYNCHRONOUS_PUBLISH_MODE;
    writer_qos.endpoint().history_memory_policy = rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    writer_qos.data_sharing().off();
    dds::DataWriter * writer = publisher_->create_datawriter(topic, writer_qos, nullptr);
    if (writer == nullptr) {
      release_topic(topic_fqn);
      throw std::runtime_error("failed to create a DDS writer for topic '" + topic_fqn + "'");
    }
    add_local_endpoint(local_writers_, node, true, writer->guid(), topic_fqn);
    return std::make_unique<FastDdsWriter>(shared_from_this(), writer, topic, topic_fqn);
  }

  std::unique_ptr<DdsReader> create_reader(
    const void * node, const std::string & topic_fqn,
    const rosidl_message_type_support_t * type_support, const QoS & qos,
    std::function<void()> on_data) override
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    dds::Topic * topic = acquire_topic(topic_fqn, type_support);
    dds::DataReaderQos reader_qos = subscriber_->get_default_datareader_qos();
    apply_history(reader_qos.history(), qos);
    apply_reliability(reader_qos.reliability(), qos);
    apply_durability(reader_qos.durability(), qos);
    reader_qos.endpoint().history_memory_policy = rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    reader_qos.data_sharing().off();
    auto listener = std::make_unique<ReaderListener>(std::move(on_data));
    ReaderListener * raw_listener = listener.get();
    auto result = std::make_unique<FastDdsReader>(
      shared_from_this(), std::move(listener), topic, topic_fqn);
    dds::DataReader * reader = subscriber_->create_datareader(
      topic, reader_qos, raw_listener, dds::StatusMask::data_available());
    if (reader == nullptr) {
      throw std::runtime_error("failed to create a DDS reader for topic '" + topic_fqn + "'");
    }
    add_local_endpoint(local_readers_, node, false, reader->guid(), topic_fqn);
    result->attach(reader);
    return result;
  }

  size_t count_writers(const std::string & topic_fqn) const override
  {
    return count_endpoints(writers_, local_writers_, topic_fqn);
  }

  size_t count_readers(const std::string & topic_fqn) const override
  {
    return count_endpoints(readers_, local_readers_, topic_fqn);
  }

  // Graph bookkeeping from discovery, on middleware threads.

  void on_publisher_discovery(
    dds::DomainParticipant *, rtps::WriterDiscoveryInfo && info) override
  {
    update_endpoint(
      writers_, info.info.guid(), info.info.topicName().to_string(),
      info.status == rtps::WriterDiscoveryInfo::REMOVED_WRITER);
  }

  void on_subscriber_discovery(
    dds::DomainParticipant *, rtps::ReaderDiscoveryInfo && info) override
  {
    update_endpoint(
      readers_, info.info.guid(), info.info.topicName().to_string(),
      info.status == rtps::ReaderDiscoveryInfo::REMOVED_READER);
  }

  void on_participant_discovery(
    dds::DomainParticipant *, rtps::ParticipantDiscoveryInfo && info) override
  {
    if (info.status == rtps::ParticipantDiscoveryInfo::REMOVED_PARTICIPANT ||
      info.status == rtps::ParticipantDiscoveryInfo::DROPPED_PARTICIPANT)
    {
      const rtps::GuidPrefix_t prefix = info.info.m_guid.guidPrefix;
      std::lock_guard<std::mutex> lock(graph_mutex_);
      remote_nodes_.erase(to_gid(info.info.m_guid).data);
      for (auto * endpoints : {&writers_, &readers_}) {
        for (auto it = endpoints->begin(); it != endpoints->end(); ) {
          it = it->first.guidPrefix == prefix ? endpoints->erase(it) : std::next(it);
        }
      }
    }
  }

  // Called by the writers and readers when they go.

  void destroy_writer(dds::DataWriter * writer, const std::string & topic_fqn)
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    remove_local_endpoint(local_writers_, writer->guid(), true);
    publisher_->delete_datawriter(writer);
    release_topic(topic_fqn);
  }

  void destroy_reader(dds::DataReader * reader, const std::string & topic_fqn)
  {
    std::lock_guard<std::mutex> lock(entities_mutex_);
    if (reader != nullptr) {
      remove_local_endpoint(local_readers_, reader->guid(), false);
      reader->set_listener(nullptr);
      subscriber_->delete_datareader(reader);
    }
    release_topic(topic_fqn);
  }

private:
  using EndpointMap = std::map<rtps::GUID_t, std::string>;

  struct TopicEntry
  {
    dds::Topic * topic;
    size_t users;
  };

  // Topics are created once per participant and shared by its writers and readers; a topic
  // name carries one type.
  dds::Topic * acquire_topic(
    const std::string & topic_fqn, const rosidl_message_type_support_t * type_support)
  {
    const std::string type_name = dds_type_name(type_support);
    auto found = topics_.find(topic_fqn);
    if (found != topics_.end()) {
      if (found->second.topic->get_type_name() != type_name) {
        throw std::runtime_error(
                "topic '" + topic_fqn + "' already has type '" +
                found->second.topic->get_type_name() + "', not '" + type_name + "'");
      }
      ++found->second.users;
      return found->second.topic;
    }
    if (types_.count(type_name) == 0) {
      dds::TypeSupport type(new MessageType(type_support));
      if (type.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
        throw std::runtime_error("failed to register DDS type '" + type_name + "'");
      }
      types_.emplace(type_name, type);
    }
    dds::Topic * topic = participant_->create_topic(
      dds_topic_name(topic_fqn), type_name, dds::TOPIC_QOS_DEFAULT);
    if (topic == nullptr) {
      throw std::runtime_error("failed to create DDS topic for '" + topic_fqn + "'");
    }
    topics_.emplace(topic_fqn, TopicEntry{topic, 1});
    return topic;
  }

  void release_topic(const std::string & topic_fqn)
  {
    auto found = topics_.find(topic_fqn);
    if (found != topics_.end() && --found->second.users == 0) {
      participant_->delete_topic(found->second.topic);
      topics_.erase(found);
    }
  }

  struct NodeEntry
  {
    std::string name;
    std::string namespace_;
    std::set<rtps::GUID_t> readers;
    std::set<rtps::GUID_t> writers;
  };

  void add_local_endpoint(
    EndpointMap & endpoints, const void * node, bool is_writer, const rtps::GUID_t & guid,
    const std::string & topic)
  {
    update_graph(
      [&]() {
        endpoints[guid] = topic;
        auto found = nodes_.find(node);
        return found != nodes_.end() &&
        (is_writer ? found->second.writers : found->second.readers).insert(guid).second;
      });
  }

  void remove_local_endpoint(EndpointMap & endpoints, const rtps::GUID_t & guid, bool is_writer)
  {
    update_graph(
      [&]() {
        endpoints.erase(guid);
        for (auto & node : nodes_) {
          if ((is_writer ? node.second.writers : node.second.readers).erase(guid) > 0) {
            return true;
          }
        }
        return false;
      });
  }

  // Applies a change to the graph state and, when it changed what this participant announces,
  // publishes the new state. The write happens outside graph_mutex_: the participant's own
  // graph reader receives it on this very thread and takes that mutex. graph_write_mutex_
  // keeps the announcements in the order of the changes.
  template<typename ChangeT>
  void update_graph(ChangeT change)
  {
    std::lock_guard<std::mutex> write_lock(graph_write_mutex_);
    ParticipantEntitiesInfo info;
    {
      std::lock_guard<std::mutex> lock(graph_mutex_);
      if (!change()) {
        return;
      }
      info = graph_state();
    }
    SampleRef ref;
    ref.message_in = &info;
    if (!graph_writer_->write(&ref)) {
      RCUTILS_LOG_WARN_NAMED(
        "rclcpp", "failed to publish on %s: %s", kGraphTopic, ref.error.c_str());
    }
  }

  // A reliable, transient-local writer of depth 1: a participant that starts later still
  // receives the current state.
  void create_graph_writer()
  {
    const rosidl_message_type_support_t * type_support =
      rosidl_typesupport_introspection_cpp::get_message_type_support_handle<
      ParticipantEntitiesInfo>();
    dds::TypeSupport type(new MessageType(type_support));
    if (type.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
      throw std::runtime_error("failed to register the ROS graph type");
    }
    types_.emplace(type.get_type_name(), type);
    graph_topic_ = participant_->create_topic(
      kGraphTopic, type.get_type_name(), dds::TOPIC_QOS_DEFAULT);
    dds::DataWriterQos qos = publisher_->get_default_datawriter_qos();
    qos.history().kind = dds::KEEP_LAST_HISTORY_QOS;
    qos.history().depth = 1;
    qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
    qos.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
    qos.publish_mode().kind = dds::SYNCHRONOUS_PUBLISH_MODE;
    qos.endpoint().history_memory_policy = rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    qos.data_sharing().off();
    graph_writer_ = graph_topic_ == nullptr ?
      nullptr : publisher_->create_datawriter(graph_topic_, qos, nullptr);
    if (graph_writer_ == nullptr) {
      throw std::runtime_error("failed to create the writer of " + std::string(kGraphTopic));
    }
    dds::DataReaderQos reader_qos = subscriber_->get_default_datareader_qos();
    reader_qos.history() = qos.history();
    reader_qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
    reader_qos.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
    reader_qos.endpoint().history_memory_policy = rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    reader_qos.data_sharing().off();
    graph_listener_ = std::make_unique<GraphListener>(
      [this](dds::DataReader * reader) {read_graph(reader);});
    graph_reader_ = subscriber_->create_datareader(
      graph_topic_, reader_qos, graph_listener_.get(), dds::StatusMask::data_available());
    if (graph_reader_ == nullptr) {
      throw std::runtime_error("failed to create the reader of " + std::string(kGraphTopic));
    }
  }

  // Keeps the latest announcement of every other participant.
  void read_graph(dds::DataReader * reader)
  {
    ParticipantEntitiesInfo info;
    SampleRef ref;
    ref.message_out = &info;
    dds::SampleInfo sample_info;
    while (reader->take_next_sample(&ref, &sample_info) == ReturnCode_t::RETCODE_OK) {
      if (!sample_info.valid_data) {
        continue;
      }
      std::vector<std::string> names;
      for (const auto & node : info.node_entities_info_seq) {
        names.push_back(
          node.node_namespace == "/" ? "/" + node.node_name :
          node.node_namespace + "/" + node.node_name);
      }
      std::lock_guard<std::mutex> lock(graph_mutex_);
      remote_nodes_[info.gid.data] = std::move(names);
    }
  }

public:
  std::vector<std::string> node_names() const override
  {
    std::lock_guard<std::mutex> lock(graph_mutex_);
    const auto own_gid = to_gid(participant_->guid()).data;
    std::vector<std::string> names;
    for (const auto & node : nodes_) {
      names.push_back(
        node.second.namespace_ == "/" ? "/" + node.second.name :
        node.second.namespace_ + "/" + node.second.name);
    }
    for (const auto & participant : remote_nodes_) {
      if (participant.first != own_gid) {
        names.insert(names.end(), participant.second.begin(), participant.second.end());
      }
    }
    return names;
  }

private:

  // This participant's nodes and their endpoints; called with graph_mutex_ held.
  ParticipantEntitiesInfo graph_state() const
  {
    ParticipantEntitiesInfo info;
    info.gid = to_gid(participant_->guid());
    for (const auto & node : nodes_) {
      rmw_dds_common::msg::NodeEntitiesInfo entry;
      entry.node_name = node.second.name;
      entry.node_namespace = node.second.namespace_;
      for (const auto & guid : node.second.readers) {
        entry.reader_gid_seq.push_back(to_gid(guid));
      }
      for (const auto & guid : node.second.writers) {
        entry.writer_gid_seq.push_back(to_gid(guid));
      }
      info.node_entities_info_seq.push_back(std::move(entry));
    }
    return info;
  }

  void update_endpoint(
    EndpointMap & endpoints, const rtps::GUID_t & guid, const std::string & dds_topic,
    bool removed)
  {
    // Only ROS topics ("rt" prefix) count.
    if (dds_topic.compare(0, 2, "rt") != 0) {
      return;
    }
    std::lock_guard<std::mutex> lock(graph_mutex_);
    if (removed) {
      endpoints.erase(guid);
    } else {
      endpoints[guid] = dds_topic.substr(2);
    }
  }

  size_t count_endpoints(
    const EndpointMap & discovered, const EndpointMap & local, const std::string & topic) const
  {
    std::lock_guard<std::mutex> lock(graph_mutex_);
    std::set<rtps::GUID_t> guids;
    for (const auto * endpoints : {&discovered, &local}) {
      for (const auto & entry : *endpoints) {
        if (entry.second == topic) {
          guids.insert(entry.first);
        }
      }
    }
    return guids.size();
  }

  std::shared_ptr<dds::DomainParticipantFactory> factory_;
  dds::DomainParticipant * participant_ = nullptr;
  dds::Publisher * publisher_ = nullptr;
  dds::Subscriber * subscriber_ = nullptr;

  std::mutex entities_mutex_;
  std::map<std::string, dds::TypeSupport> types_;
  std::map<std::string, TopicEntry> topics_;

  dds::Topic * graph_topic_ = nullptr;
  dds::DataWriter * graph_writer_ = nullptr;

  std::mutex graph_write_mutex_;
  mutable std::mutex graph_mutex_;
  std::map<const void *, NodeEntry> nodes_;
  std::unique_ptr<GraphListener> graph_listener_;
  dds::DataReader * graph_reader_ = nullptr;
  // Node names of the other participants, by participant gid.
  std::map<std::array<uint8_t, 24>, std::vector<std::string>> remote_nodes_;
  EndpointMap writers_;
  EndpointMap readers_;
  EndpointMap local_writers_;
  EndpointMap local_readers_;
};

FastDdsWriter::FastDdsWriter(
  std::shared_ptr<FastDdsParticipant> participant, dds::DataWriter * writer, dds::Topic * topic,
  std::string topic_fqn)
: participant_(std::move(participant)), writer_(writer), topic_(topic),
  topic_fqn_(std::move(topic_fqn)) {}

FastDdsWriter::~FastDdsWriter()
{
  participant_->destroy_writer(writer_, topic_fqn_);
}

void FastDdsWriter::write(const void * message)
{
  SampleRef ref;
  ref.message_in = message;
  if (!writer_->write(&ref)) {
    if (!ref.error.empty()) {
      throw std::runtime_error(
              "failed to publish on topic '" + topic_fqn_ + "': " + ref.error);
    }
    throw std::runtime_error("failed to publish on topic '" + topic_fqn_ + "'");
  }
}

size_t FastDdsWriter::matched_count() const
{
  dds::PublicationMatchedStatus status;
  writer_->get_publication_matched_status(status);
  return static_cast<size_t>(status.current_count);
}

FastDdsReader::FastDdsReader(
  std::shared_ptr<FastDdsParticipant> participant, std::unique_ptr<ReaderListener> listener,
  dds::Topic * topic, std::string topic_fqn)
: participant_(std::move(participant)), listener_(std::move(listener)), topic_(topic),
  topic_fqn_(std::move(topic_fqn)) {}

FastDdsReader::~FastDdsReader()
{
  participant_->destroy_reader(reader_, topic_fqn_);
}

bool FastDdsReader::has_data() const
{
  return reader_->get_unread_count() > 0;
}

bool FastDdsReader::take(void * message)
{
  SampleRef ref;
  ref.message_out = message;
  dds::SampleInfo info;
  while (reader_->take_next_sample(&ref, &info) == ReturnCode_t::RETCODE_OK) {
    if (info.valid_data) {
      return true;
    }
    if (!ref.error.empty()) {
      RCUTILS_LOG_ERROR_NAMED(
        "rclcpp", "dropped a message on topic '%s' that could not be read: %s",
        topic_fqn_.c_str(), ref.error.c_str());
      return false;
    }
    // A sample without data tells of a writer's disposal; look at the next one.
  }
  return false;
}

size_t FastDdsReader::matched_count() const
{
  dds::SubscriptionMatchedStatus status;
  reader_->get_subscription_matched_status(status);
  return static_cast<size_t>(status.current_count);
}

}  // namespace

std::string dds_type_name(const rosidl_message_type_support_t * type_support)
{
  const auto * members = members_of(type_support);
  return std::string(members->message_namespace_) + "::dds_::" + members->message_name_ + "_";
}

std::shared_ptr<DdsParticipant> create_dds_participant(const DdsParticipantOptions & options)
{
  return std::make_shared<FastDdsParticipant>(options);
}

}  // namespace detail
}  // namespace rclcpp
