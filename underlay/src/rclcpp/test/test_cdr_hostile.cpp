// Hostile payloads: every malformed input ends in a CdrError that names the problem, never a
// crash, an out-of-bounds read (this file also runs under AddressSanitizer) or an allocation
// larger than the payload could justify.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "test_cdr_fixtures.hpp"

// ---- Allocation watch: the largest single allocation made while tracking is on.
namespace
{
thread_local bool g_tracking = false;
thread_local size_t g_largest_allocation = 0;
}  // namespace

// The replacements pair malloc with free; GCC cannot see that through inlining.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void * operator new(size_t size)
{
  if (g_tracking && size > g_largest_allocation) {
    g_largest_allocation = size;
  }
  if (void * p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void * p) noexcept {std::free(p);}
void operator delete(void * p, size_t) noexcept {std::free(p);}
#pragma GCC diagnostic pop

using rclcpp::detail::CdrError;
using namespace cdr_test;  // NOLINT

namespace
{

// Decoding may allocate a few times the payload (a std::string takes 32 bytes of memory for 5
// bytes of CDR), plus room for the error text.
size_t allocation_allowance(size_t payload_size)
{
  return 8 * payload_size + 1024;
}

// Runs decode on a heap copy of exactly size bytes, so that any read past the end is caught
// by AddressSanitizer, and records the largest allocation it makes.
template<typename Fn>
void on_exact_copy(const uint8_t * data, size_t size, size_t * largest, Fn && decode)
{
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
  if (size != 0) {
    std::memcpy(copy.get(), data, size);
  }
  g_largest_allocation = 0;
  g_tracking = true;
  try {
    decode(copy.get(), size);
  } catch (...) {
    g_tracking = false;
    *largest = g_largest_allocation;
    throw;
  }
  g_tracking = false;
  *largest = g_largest_allocation;
}

template<typename T>
std::function<void(const uint8_t *, size_t)> decode_as()
{
  return [](const uint8_t * data, size_t size) {
           T message;
           rclcpp::detail::cdr_deserialize(ts<T>(), data, size, &message);
         };
}

std::vector<uint8_t> patch_u32(std::vector<uint8_t> bytes, size_t offset, uint32_t value)
{
  std::memcpy(bytes.data() + offset, &value, 4);
  return bytes;
}

std::vector<uint8_t> with_header(std::vector<uint8_t> bytes, uint8_t b0, uint8_t b1)
{
  bytes[0] = b0;
  bytes[1] = b1;
  return bytes;
}

template<typename T>
std::vector<uint8_t> encoded(const T & message)
{
  return rclcpp::detail::cdr_serialize(ts<T>(), &message);
}

struct HostileCase
{
  const char * name;
  std::vector<uint8_t> bytes;
  std::function<void(const uint8_t *, size_t)> decode;
  const char * field;   // expected field path in the text, or "" for header problems
  const char * reason;  // expected part of the text
};

std::vector<HostileCase> hostile_cases()
{
  using sensor_msgs::msg::Image;
  using namespace test_msgs::msg;  // NOLINT
  // Absolute offsets in small_image_bytes(): header 0..3, frame_id length at 12 and its NUL
  // at 22, data count at 48, 70 bytes in all.
  const std::vector<uint8_t> image = small_image_bytes().bytes();
  std::vector<uint8_t> image_no_nul = image;
  image_no_nul[22] = 'x';

  std::vector<uint8_t> over_bound_string;
  {
    Bytes b;
    for (int i = 0; i < 6; ++i) {
      b.str("").pad(3);
    }
    b.str(std::string(23, 'x'));  // bounded_string_value, bound 22
    for (int i = 0; i < 5; ++i) {
      b.pad(3).str("");
    }
    over_bound_string = b.bytes();
  }

  BoundedSequences one_basic;
  one_basic.basic_types_values.resize(1);
  std::vector<uint8_t> bad_nested_bool = encoded(one_basic);
  // 14 empty sequences, the count of basic_types_values, then its bool at body 60.
  bad_nested_bool[4 + 60] = 2;

  std::vector<uint8_t> bad_bool = encoded(BasicTypes());
  bad_bool[4] = 7;

  std::vector<uint8_t> huge_strings;
  {
    Bytes b;
    for (int i = 0; i < 13; ++i) {
      b.put<uint32_t>(0);  // the empty primitive sequences
    }
    b.put<uint32_t>(1u << 28).pad(64);  // string_values
    huge_strings = b.bytes();
  }

  MultiNested empty_nested;
  const std::vector<uint8_t> nested = encoded(empty_nested);

  WStrings wide;
  wide.wstring_value = u"a";
  const std::vector<uint8_t> wide_bytes = encoded(wide);

  return {
    {"empty payload", {}, decode_as<Image>(), "", "no 4-byte encapsulation header"},
    {"cut header", {0x00, 0x01, 0x00}, decode_as<Image>(), "", "no 4-byte encapsulation"},
    {"parameter-list encapsulation", with_header(image, 0x00, 0x03), decode_as<Image>(), "",
      "unsupported encapsulation 00 03"},
    {"XCDR2 encapsulation", with_header(image, 0x00, 0x07), decode_as<Image>(), "",
      "unsupported encapsulation 00 07"},
    {"non-zero first header byte", with_header(image, 0x01, 0x01), decode_as<Image>(), "",
      "unsupported encapsulation 01 01"},
    {"header without body", {0x00, 0x01, 0x00, 0x00}, decode_as<Image>(), "header.stamp.sec",
      "payload truncated"},
    {"string length 0", patch_u32(image, 12, 0), decode_as<Image>(), "header.frame_id",
      "string length 0"},
    {"string length past the end", patch_u32(image, 12, 0xFFFFFFFF), decode_as<Image>(),
      "header.frame_id", "payload truncated"},
    {"string without NUL", image_no_nul, decode_as<Image>(), "header.frame_id",
      "not terminated by a NUL"},
    {"byte sequence one longer than the payload", patch_u32(image, 48, 19), decode_as<Image>(),
      "data", "sequence length 19"},
    {"byte sequence of 2^32-1", patch_u32(image, 48, 0xFFFFFFFF), decode_as<Image>(), "data",
      "sequence length 4294967295"},
    {"last data byte missing", std::vector<uint8_t>(image.begin(), image.end() - 1),
      decode_as<Image>(), "data", "sequence length 18"},
    {"big-endian header on a little-endian body", with_header(image, 0x00, 0x00),
      decode_as<Image>(), "header.frame_id", "payload truncated"},
    {"bounded sequence over its bound", patch_u32(encoded(BoundedSequences()), 4, 4),
      decode_as<BoundedSequences>(), "bool_values", "4 elements exceeds its bound of 3"},
    {"bounded string over its bound", over_bound_string, decode_as<Strings>(),
      "bounded_string_value", "23 characters exceeds its bound of 22"},
    {"boolean neither 0 nor 1", bad_bool, decode_as<BasicTypes>(), "bool_value",
      "boolean byte 7"},
    {"boolean inside a sequence element", bad_nested_bool, decode_as<BoundedSequences>(),
      "basic_types_values[0].bool_value", "boolean byte 2"},
    {"2^28 strings in a few bytes", huge_strings, decode_as<UnboundedSequences>(),
      "string_values", "sequence length 268435456"},
    {"message sequence longer than the bytes left", patch_u32(nested, nested.size() - 12, 1000),
      decode_as<MultiNested>(), "unbounded_sequence_of_arrays", "sequence length 1000"},
    {"wide character beyond 16 bits", patch_u32(wide_bytes, 8, 0x110000),
      decode_as<WStrings>(), "wstring_value", "does not fit in 16 bits"},
    {"wide string past the end", patch_u32(wide_bytes, 4, 0x40000000), decode_as<WStrings>(),
      "wstring_value", "wide string length 1073741824"},
  };
}

TEST(CdrHostile, MalformedPayloadsFailWithAClearError)
{
  for (const HostileCase & c : hostile_cases()) {
    SCOPED_TRACE(c.name);
    size_t largest = 0;
    try {
      on_exact_copy(c.bytes.data(), c.bytes.size(), &largest, c.decode);
      ADD_FAILURE() << "decoded without error";
    } catch (const CdrError & e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(c.reason), std::string::npos) << text;
      if (*c.field != '\0') {
        EXPECT_NE(text.find(std::string("field '") + c.field + "'"), std::string::npos) << text;
      }
    }
    EXPECT_LE(largest, allocation_allowance(c.bytes.size()));
  }
}

TEST(CdrHostile, EveryStrictPrefixOfAValidPayloadIsRejected)
{
  for (const Sample & s : all_samples()) {
    SCOPED_TRACE(s.name);
    for (size_t length = 0; length < s.bytes.size(); ++length) {
      size_t largest = 0;
      EXPECT_THROW(on_exact_copy(s.bytes.data(), length, &largest, s.reencode), CdrError)
        << "prefix of " << length << " of " << s.bytes.size() << " bytes";
      EXPECT_LE(largest, allocation_allowance(s.bytes.size()));
    }
  }
}

TEST(CdrHostile, RandomCorruptionIsRejectedOrDecodesConsistently)
{
  std::mt19937 random(20240611);
  for (const Sample & s : all_samples()) {
    SCOPED_TRACE(s.name);
    for (int round = 0; round < 400; ++round) {
      std::vector<uint8_t> bytes = s.bytes;
      const int flips = 1 + static_cast<int>(random() % 4);
      for (int f = 0; f < flips; ++f) {
        const size_t at = random() % bytes.size();
        if (random() % 4 == 0) {
          bytes[at] = (random() % 2) ? 0xFF : 0x00;  // reaches length fields' high bytes
        } else {
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
      }
      std::vector<uint8_t> again;
      size_t largest = 0;
      try {
        on_exact_copy(
          bytes.data(), bytes.size(), &largest, [&](const uint8_t * data, size_t size) {
            again = s.reencode(data, size);
          });
      } catch (const CdrError &) {
        EXPECT_LE(largest, allocation_allowance(bytes.size()));
        continue;
      }
      EXPECT_LE(largest, allocation_allowance(bytes.size()));
      // Whatever was accepted is a message that encodes and decodes to itself.
      EXPECT_EQ(s.reencode(again.data(), again.size()), again) << "round " << round;
    }
  }
}

}  // namespace
