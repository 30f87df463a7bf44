// Shared by the CDR tests: message fillers, a hand byte builder and type-erased samples.
#ifndef TEST_CDR_FIXTURES_HPP_
#define TEST_CDR_FIXTURES_HPP_

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "rclcpp/detail/cdr.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"
#include "sensor_msgs/msg/image.hpp"
#include "test_msgs/msg/arrays.hpp"
#include "test_msgs/msg/basic_types.hpp"
#include "test_msgs/msg/bounded_plain_sequences.hpp"
#include "test_msgs/msg/bounded_sequences.hpp"
#include "test_msgs/msg/constants.hpp"
#include "test_msgs/msg/defaults.hpp"
#include "test_msgs/msg/empty.hpp"
#include "test_msgs/msg/multi_nested.hpp"
#include "test_msgs/msg/nested.hpp"
#include "test_msgs/msg/strings.hpp"
#include "test_msgs/msg/unbounded_sequences.hpp"
#include "test_msgs/msg/w_strings.hpp"

namespace cdr_test
{

template<typename T>
const rosidl_message_type_support_t * ts()
{
  return rosidl_typesupport_introspection_cpp::get_message_type_support_handle<T>();
}

// Declared first so that the container fillers below find the message fillers.
inline void fill(test_msgs::msg::BasicTypes & m, int k);
inline void fill(test_msgs::msg::Defaults & m, int k);
inline void fill(test_msgs::msg::Constants & m, int k);
inline void fill(test_msgs::msg::Arrays & m, int k);
inline void fill(test_msgs::msg::BoundedSequences & m, int k);
inline void fill(test_msgs::msg::UnboundedSequences & m, int k);
inline void fill(std::string & s, int k);
inline void fill(std::u16string & s, int k);

// ---- Fillers: every field gets a value derived from a seed k, so that two seeds give two
// different messages, sequences get lengths 0..3 and integers reach their extremes.

template<typename T>
std::enable_if_t<std::is_arithmetic_v<T>> fill(T & v, int k)
{
  if constexpr (std::is_same_v<T, bool>) {
    v = (k % 2) == 1;
  } else if constexpr (std::is_floating_point_v<T>) {
    v = static_cast<T>(k) * static_cast<T>(1.5) - static_cast<T>(7.25);
  } else {
    switch (k % 3) {
      case 0: v = std::numeric_limits<T>::max(); break;
      case 1: v = std::numeric_limits<T>::lowest(); break;
      default: v = static_cast<T>(k * 37 + 11);
    }
  }
}

inline void fill(std::string & s, int k)
{
  s = std::string(static_cast<size_t>(k % 7), static_cast<char>('a' + k % 26));
  if (k % 3 == 1) {
    s += "\xc3\xbc";  // a two-byte UTF-8 character
  }
}

inline void fill(std::u16string & s, int k)
{
  s = std::u16string(static_cast<size_t>(k % 5), static_cast<char16_t>(u'A' + k % 26));
  if (k % 2 == 1) {
    s += u"\u00e4\U0001F600";  // a BMP character and a surrogate pair
  }
}

template<typename T, size_t N>
void fill(std::array<T, N> & a, int k)
{
  for (size_t i = 0; i < N; ++i) {
    fill(a[i], k + static_cast<int>(i) * 5);
  }
}

// std::vector and rosidl_runtime_cpp::BoundedVector (whose bounds in test_msgs are all 3).
template<typename Seq, typename = decltype(std::declval<Seq &>().resize(size_t{}))>
void fill(Seq & seq, int k)
{
  seq.resize(static_cast<size_t>(k % 4));
  for (size_t i = 0; i < seq.size(); ++i) {
    typename Seq::value_type item{};
    fill(item, k + static_cast<int>(i) * 3);
    seq[i] = item;  // through a value: std::vector<bool> hands out proxies
  }
}

template<typename... Fields>
void fill_fields(int k, Fields &... fields)
{
  int i = 0;
  (fill(fields, k + 11 * i++), ...);
}

template<typename M>
void fill_basic(M & m, int k)
{
  fill_fields(
    k, m.bool_value, m.byte_value, m.char_value, m.float32_value, m.float64_value,
    m.int8_value, m.uint8_value, m.int16_value, m.uint16_value, m.int32_value,
    m.uint32_value, m.int64_value, m.uint64_value);
}

inline void fill(test_msgs::msg::BasicTypes & m, int k) {fill_basic(m, k);}
inline void fill(test_msgs::msg::Defaults & m, int k) {fill_basic(m, k);}
inline void fill(test_msgs::msg::Constants & m, int k)
{
  m.structure_needs_at_least_one_member = static_cast<uint8_t>(k + 1);
}
inline void fill(test_msgs::msg::Empty & m, int k)
{
  m.structure_needs_at_least_one_member = static_cast<uint8_t>(k + 1);
}
inline void fill(test_msgs::msg::Nested & m, int k) {fill(m.basic_types_value, k);}

inline void fill(test_msgs::msg::Strings & m, int k)
{
  fill_fields(
    k, m.string_value, m.string_value_default1, m.string_value_default2,
    m.string_value_default3, m.string_value_default4, m.string_value_default5,
    m.bounded_string_value, m.bounded_string_value_default1, m.bounded_string_value_default2,
    m.bounded_string_value_default3, m.bounded_string_value_default4,
    m.bounded_string_value_default5);
}

inline void fill(test_msgs::msg::WStrings & m, int k)
{
  fill_fields(
    k, m.wstring_value, m.wstring_value_default1, m.wstring_value_default2,
    m.wstring_value_default3, m.array_of_wstrings, m.bounded_sequence_of_wstrings,
    m.unbounded_sequence_of_wstrings);
}

// Arrays, BoundedSequences, UnboundedSequences and BoundedPlainSequences share their field
// names; BoundedPlainSequences has no string fields.
template<typename M, typename = void>
struct has_strings : std::false_type {};
template<typename M>
struct has_strings<M, std::void_t<decltype(std::declval<M &>().string_values)>>
  : std::true_type {};

template<typename M>
void fill_collections(M & m, int k)
{
  fill_fields(
    k, m.bool_values, m.byte_values, m.char_values, m.float32_values, m.float64_values,
    m.int8_values, m.uint8_values, m.int16_values, m.uint16_values, m.int32_values,
    m.uint32_values, m.int64_values, m.uint64_values, m.basic_types_values,
    m.constants_values, m.defaults_values, m.bool_values_default, m.byte_values_default,
    m.char_values_default, m.float32_values_default, m.float64_values_default,
    m.int8_values_default, m.uint8_values_default, m.int16_values_default,
    m.uint16_values_default, m.int32_values_default, m.uint32_values_default,
    m.int64_values_default, m.uint64_values_default, m.alignment_check);
  if constexpr (has_strings<M>::value) {
    fill_fields(k + 3, m.string_values, m.string_values_default);
  }
}

inline void fill(test_msgs::msg::Arrays & m, int k) {fill_collections(m, k);}
inline void fill(test_msgs::msg::BoundedSequences & m, int k) {fill_collections(m, k);}
inline void fill(test_msgs::msg::UnboundedSequences & m, int k) {fill_collections(m, k);}
inline void fill(test_msgs::msg::BoundedPlainSequences & m, int k) {fill_collections(m, k);}

inline void fill(test_msgs::msg::MultiNested & m, int k)
{
  fill_fields(
    k, m.array_of_arrays, m.array_of_bounded_sequences, m.array_of_unbounded_sequences,
    m.bounded_sequence_of_arrays, m.bounded_sequence_of_bounded_sequences,
    m.bounded_sequence_of_unbounded_sequences, m.unbounded_sequence_of_arrays,
    m.unbounded_sequence_of_bounded_sequences, m.unbounded_sequence_of_unbounded_sequences);
}

template<typename T>
T filled(int k)
{
  T m;
  fill(m, k);
  return m;
}

// A small rgb8 image whose frame_id and encoding have odd encoded lengths (7 and 5 bytes),
// so both strings are followed by padding.
inline sensor_msgs::msg::Image small_image()
{
  sensor_msgs::msg::Image image;
  image.header.stamp.sec = -5;
  image.header.stamp.nanosec = 123456789;
  image.header.frame_id = "camera";
  image.height = 2;
  image.width = 3;
  image.encoding = "rgb8";
  image.is_bigendian = 1;
  image.step = 9;
  for (uint8_t i = 0; i < 18; ++i) {
    image.data.push_back(static_cast<uint8_t>(0xA0 + i));
  }
  return image;
}

// ---- Payloads written by hand: values go in the chosen byte order, and padding is written
// explicitly by the test (pad), never computed, so the layout in a test is the one its
// author worked out.
class Bytes
{
public:
  explicit Bytes(bool little_endian = true)
  : little_(little_endian), bytes_{0x00, static_cast<uint8_t>(little_endian ? 0x01 : 0x00), 0, 0}
  {}

  template<typename T>
  Bytes & put(T value)
  {
    static_assert(std::is_arithmetic_v<T>);
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T); ++i) {
      bytes_.push_back(raw[little_ ? i : sizeof(T) - 1 - i]);
    }
    return *this;
  }

  Bytes & pad(size_t count) {bytes_.insert(bytes_.end(), count, 0); return *this;}

  Bytes & raw(std::initializer_list<uint8_t> bytes)
  {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }

  // uint32 length counting the NUL, the characters, the NUL.
  Bytes & str(const std::string & s)
  {
    put(static_cast<uint32_t>(s.size() + 1));
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    bytes_.push_back(0);
    return *this;
  }

  // uint32 character count, then one uint32 per UTF-16 code unit.
  Bytes & wstr(const std::u16string & s)
  {
    put(static_cast<uint32_t>(s.size()));
    for (const char16_t c : s) {
      put(static_cast<uint32_t>(c));
    }
    return *this;
  }

  size_t body_size() const {return bytes_.size() - 4;}
  const std::vector<uint8_t> & bytes() const {return bytes_;}

private:
  bool little_;
  std::vector<uint8_t> bytes_;
};

// sensor_msgs/Image from small_image(), laid out by hand.
inline Bytes small_image_bytes(bool little_endian = true)
{
  Bytes b(little_endian);
  b.put<int32_t>(-5).put<uint32_t>(123456789);  // header.stamp (body offsets 0, 4)
  b.str("camera").pad(1);                         // frame_id: 8 + 4 + 7 = 19, pad to 20
  b.put<uint32_t>(2).put<uint32_t>(3);            // height, width
  b.str("rgb8");                                  // encoding: 28 + 4 + 5 = 37
  b.put<uint8_t>(1).pad(2);                       // is_bigendian at 37, pad to 40
  b.put<uint32_t>(9);                             // step
  b.put<uint32_t>(18);                            // data count at 44
  for (uint8_t i = 0; i < 18; ++i) {
    b.put<uint8_t>(static_cast<uint8_t>(0xA0 + i));
  }
  return b;
}

// ---- Type-erased samples for the checks that run over every message type.
struct Sample
{
  std::string name;
  std::vector<uint8_t> bytes;  // a valid payload
  // Decodes a payload into a fresh message and returns that message encoded again.
  std::function<std::vector<uint8_t>(const uint8_t *, size_t)> reencode;
};

template<typename T>
Sample sample(const std::string & name, const T & message)
{
  return Sample{
    name, rclcpp::detail::cdr_serialize(ts<T>(), &message),
    [](const uint8_t * data, size_t size) {
      T decoded;
      rclcpp::detail::cdr_deserialize(ts<T>(), data, size, &decoded);
      return rclcpp::detail::cdr_serialize(ts<T>(), &decoded);
    }};
}

inline std::vector<Sample> all_samples()
{
  using namespace test_msgs::msg;  // NOLINT
  return {
    sample("Image", small_image()),
    sample("BasicTypes", filled<BasicTypes>(1)),
    sample("Arrays", filled<Arrays>(2)),
    sample("BoundedPlainSequences", filled<BoundedPlainSequences>(3)),
    sample("BoundedSequences", filled<BoundedSequences>(3)),
    sample("Strings", filled<Strings>(4)),
    sample("UnboundedSequences", filled<UnboundedSequences>(5)),
    sample("WStrings", filled<WStrings>(1)),
    sample("MultiNested", filled<MultiNested>(3)),
  };
}

}  // namespace cdr_test

#endif  // TEST_CDR_FIXTURES_HPP_
