// CDR encoding of rosidl messages: round trips of every test_msgs message, exact bytes
// against layouts worked out by hand (what ROS 2 nodes put on the wire), and the argument
// checks of the API. Hostile payloads are in test_cdr_hostile.cpp.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "test_cdr_fixtures.hpp"

using rclcpp::detail::CdrError;
using rclcpp::detail::cdr_deserialize;
using rclcpp::detail::cdr_serialize;
using rclcpp::detail::cdr_serialized_size;
using namespace cdr_test;  // NOLINT

namespace
{

template<typename T>
T decode(const std::vector<uint8_t> & bytes)
{
  T message;
  cdr_deserialize(ts<T>(), bytes.data(), bytes.size(), &message);
  return message;
}

template<typename T>
std::vector<uint8_t> encode(const T & message)
{
  return cdr_serialize(ts<T>(), &message);
}

// ---- Every message of test_interface_files survives a round trip.

template<typename T>
class RoundTrip : public ::testing::Test {};

using AllTestMessages = ::testing::Types<
  test_msgs::msg::Arrays, test_msgs::msg::BasicTypes, test_msgs::msg::BoundedPlainSequences,
  test_msgs::msg::BoundedSequences, test_msgs::msg::Constants, test_msgs::msg::Defaults,
  test_msgs::msg::Empty, test_msgs::msg::MultiNested, test_msgs::msg::Nested,
  test_msgs::msg::Strings, test_msgs::msg::UnboundedSequences, test_msgs::msg::WStrings>;
TYPED_TEST_SUITE(RoundTrip, AllTestMessages);

TYPED_TEST(RoundTrip, FilledMessagesComeBackEqual)
{
  // Several seeds give different sequence lengths (0..3), characters and extremes.
  for (int seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const TypeParam original = filled<TypeParam>(seed);
    ASSERT_FALSE(original == TypeParam()) << "the filler left the message at its defaults";

    const std::vector<uint8_t> bytes = encode(original);
    EXPECT_EQ(bytes.size(), cdr_serialized_size(ts<TypeParam>(), &original));

    // Decoding overwrites whatever the target held, including longer sequences.
    TypeParam decoded = filled<TypeParam>(seed + 1);
    cdr_deserialize(ts<TypeParam>(), bytes.data(), bytes.size(), &decoded);
    EXPECT_TRUE(decoded == original);
    EXPECT_EQ(encode(decoded), bytes);
  }
}

TYPED_TEST(RoundTrip, BufferFormWritesTheSameBytesAndChecksCapacity)
{
  const TypeParam original = filled<TypeParam>(3);
  const std::vector<uint8_t> expected = encode(original);

  std::vector<uint8_t> buffer(expected.size() + 8, 0xEE);
  ASSERT_EQ(
    cdr_serialize(ts<TypeParam>(), &original, buffer.data(), buffer.size()), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
  EXPECT_EQ(buffer[expected.size()], 0xEE) << "wrote past the encoding";

  // One byte short, and shorter than the header.
  EXPECT_THROW(
    cdr_serialize(ts<TypeParam>(), &original, buffer.data(), expected.size() - 1), CdrError);
  EXPECT_THROW(cdr_serialize(ts<TypeParam>(), &original, buffer.data(), 3), CdrError);
}

// ---- Exact bytes.

TEST(CdrBytes, ImageMatchesTheHandLayoutBothWays)
{
  const sensor_msgs::msg::Image image = small_image();
  const std::vector<uint8_t> expected = small_image_bytes().bytes();
  ASSERT_EQ(expected.size(), 4u + 66u);
  EXPECT_EQ(encode(image), expected);
  EXPECT_TRUE(decode<sensor_msgs::msg::Image>(expected) == image);
  // Big-endian senders (encapsulation 00 00) are read as well.
  EXPECT_TRUE(decode<sensor_msgs::msg::Image>(small_image_bytes(false).bytes()) == image);
}

TEST(CdrBytes, BasicTypesPrimitivesAlignToTheirSize)
{
  test_msgs::msg::BasicTypes m;
  m.bool_value = true;
  m.byte_value = 0xAB;
  m.char_value = 'z';
  m.float32_value = 1.25f;
  m.float64_value = -2.5;
  m.int8_value = -3;
  m.uint8_value = 250;
  m.int16_value = -1234;
  m.uint16_value = 54321;
  m.int32_value = -123456789;
  m.uint32_value = 4000000000u;
  m.int64_value = -1234567890123LL;
  m.uint64_value = 18000000000000000000ULL;

  for (const bool little : {true, false}) {
    SCOPED_TRACE(little ? "little-endian" : "big-endian");
    Bytes b(little);
    b.put<uint8_t>(1).put<uint8_t>(0xAB).put<uint8_t>('z').pad(1);  // 0, 1, 2, pad to 4
    b.put(1.25f);                                                   // 4
    b.put(-2.5);                                                    // 8
    b.put<int8_t>(-3).put<uint8_t>(250).put<int16_t>(-1234);        // 16, 17, 18
    b.put<uint16_t>(54321).pad(2);                                  // 20, pad to 24
    b.put<int32_t>(-123456789).put<uint32_t>(4000000000u);          // 24, 28
    b.put<int64_t>(-1234567890123LL);                               // 32
    b.put<uint64_t>(18000000000000000000ULL);                       // 40
    ASSERT_EQ(b.body_size(), 48u);
    if (little) {
      EXPECT_EQ(encode(m), b.bytes());
    }
    EXPECT_TRUE(decode<test_msgs::msg::BasicTypes>(b.bytes()) == m);
  }
}

TEST(CdrBytes, StringsSequencesAndNestedMessagesLayout)
{
  // A nested message is inlined with no alignment of its own; an empty sequence is its count
  // alone, with no padding for the element type.
  test_msgs::msg::UnboundedSequences m;
  m.bool_values = {true, false};
  m.float64_values = {};
  m.int16_values = {7};
  m.string_values = {"", "ab"};
  m.basic_types_values.resize(1);
  m.basic_types_values[0].bool_value = true;
  m.basic_types_values[0].uint64_value = 5;
  m.alignment_check = 42;
  // Fields this test leaves at their defaults are cleared so the layout stays short.
  m.bool_values_default.clear();
  m.byte_values_default.clear();
  m.char_values_default.clear();
  m.float32_values_default.clear();
  m.float64_values_default.clear();
  m.int8_values_default.clear();
  m.uint8_values_default.clear();
  m.int16_values_default.clear();
  m.uint16_values_default.clear();
  m.int32_values_default.clear();
  m.uint32_values_default.clear();
  m.int64_values_default.clear();
  m.uint64_values_default.clear();
  m.string_values_default.clear();

  Bytes b;
  b.put<uint32_t>(2).put<uint8_t>(1).put<uint8_t>(0).pad(2);  // bool_values 0..5, pad to 8
  b.put<uint32_t>(0);                                        // byte_values at 8
  b.put<uint32_t>(0);                                        // char_values at 12
  b.put<uint32_t>(0);                                        // float32_values at 16
  b.put<uint32_t>(0);                                        // float64_values at 20, no pad
  b.put<uint32_t>(0).put<uint32_t>(0);                       // int8_values, uint8_values
  b.put<uint32_t>(1).put<int16_t>(7).pad(2);                 // int16_values at 32..37, pad
  for (int i = 0; i < 5; ++i) {
    b.put<uint32_t>(0);                                      // uint16 .. uint64 values, 40..59
  }
  b.put<uint32_t>(2);                                        // string_values at 60
  b.str("").pad(3);                                          // 64..68, pad to 72
  b.str("ab").pad(1);                                        // 72..78, pad to 80
  b.put<uint32_t>(1);                                        // basic_types_values at 80
  // The BasicTypes element starts at 84; its float64 aligns to 8 counted from the body start.
  b.put<uint8_t>(1).pad(2).pad(1);                           // bool, byte, char, pad to 88
  b.pad(4).pad(4).pad(8);                                    // float32 88, pad, float64 96
  b.pad(1).pad(1).pad(2).pad(2).pad(2);                      // int8 .. uint16, pad to 112
  b.pad(4).pad(4).pad(8);                                    // int32, uint32, int64 at 120
  b.put<uint64_t>(5);                                        // uint64 at 128
  b.put<uint32_t>(0).put<uint32_t>(0);                       // constants_ and defaults_values
  for (int i = 0; i < 14; ++i) {
    b.put<uint32_t>(0);                                      // the *_default sequences
  }
  b.put<int32_t>(42);                                        // alignment_check at 200
  ASSERT_EQ(b.body_size(), 204u);
  EXPECT_EQ(encode(m), b.bytes());
  EXPECT_TRUE(decode<test_msgs::msg::UnboundedSequences>(b.bytes()) == m);
}

TEST(CdrBytes, WideStringsAreFourBytesPerCodeUnit)
{
  test_msgs::msg::WStrings m;
  m.wstring_value = u"A\u00e9";
  m.wstring_value_default1 = u"";
  m.wstring_value_default2 = u"";
  m.wstring_value_default3 = u"\U0001F600";  // two UTF-16 code units
  m.array_of_wstrings = {u"", u"x", u""};
  m.bounded_sequence_of_wstrings = {u"y"};
  m.unbounded_sequence_of_wstrings = {};

  Bytes b;
  b.put<uint32_t>(2).put<uint32_t>(0x41).put<uint32_t>(0xE9);
  b.put<uint32_t>(0).put<uint32_t>(0);
  b.put<uint32_t>(2).put<uint32_t>(0xD83D).put<uint32_t>(0xDE00);
  b.wstr(u"").wstr(u"x").wstr(u"");
  b.put<uint32_t>(1).wstr(u"y");
  b.put<uint32_t>(0);
  ASSERT_EQ(b.body_size(), 64u);
  EXPECT_EQ(encode(m), b.bytes());
  EXPECT_TRUE(decode<test_msgs::msg::WStrings>(b.bytes()) == m);
}

// ---- long double and wchar: no .msg file can declare them, so the test describes a C++
// struct through hand-written introspection data, as rosidl would generate it.

struct Exotic
{
  uint8_t flag = 0;
  long double precise = 0;
  char16_t letter = 0;
  std::vector<long double> precise_values;
  std::vector<char16_t> letters;
  std::array<char16_t, 2> letter_pair{};
};

namespace rti = rosidl_typesupport_introspection_cpp;

rti::MessageMember exotic_member(
  const char * name, uint8_t type, uint32_t offset, bool is_array = false, size_t size = 0)
{
  return rti::MessageMember{
    name, type, 0, nullptr, is_array, size, false, offset, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

const rosidl_message_type_support_t * exotic_type_support()
{
  static const rti::MessageMember members[] = {
    exotic_member("flag", rti::ROS_TYPE_UINT8, offsetof(Exotic, flag)),
    exotic_member("precise", rti::ROS_TYPE_LONG_DOUBLE, offsetof(Exotic, precise)),
    exotic_member("letter", rti::ROS_TYPE_WCHAR, offsetof(Exotic, letter)),
    exotic_member(
      "precise_values", rti::ROS_TYPE_LONG_DOUBLE, offsetof(Exotic, precise_values), true),
    exotic_member("letters", rti::ROS_TYPE_WCHAR, offsetof(Exotic, letters), true),
    exotic_member("letter_pair", rti::ROS_TYPE_WCHAR, offsetof(Exotic, letter_pair), true, 2),
  };
  static const rti::MessageMembers message{
    "cdr_test::msg", "Exotic", 6, sizeof(Exotic), members,
    [](void * p, rosidl_runtime_cpp::MessageInitialization) {new (p) Exotic();},
    [](void * p) {static_cast<Exotic *>(p)->~Exotic();}};
  static const rosidl_message_type_support_t handle{
    rti::typesupport_identifier, &message, nullptr};
  return &handle;
}

TEST(CdrBytes, LongDoubleAndWideCharMatchFastCdr)
{
  if (LDBL_MANT_DIG != 64) {
    GTEST_SKIP() << "the expected bytes are x87 extended precision";
  }
  Exotic m;
  m.flag = 1;
  m.precise = 1.5L;
  m.letter = u'\u00e9';
  m.precise_values = {-2.0L};
  m.letters = {u'a', u'\uffff'};
  m.letter_pair = {u'b', 0};

  // long double: 16 bytes aligned to 8, the 10 value bytes then zeros.
  Bytes b;
  b.put<uint8_t>(1).pad(7);
  b.raw({0, 0, 0, 0, 0, 0, 0, 0xc0, 0xff, 0x3f}).pad(6);  // 1.5 at 8
  b.put<uint32_t>(0xE9);                                  // wchar at 24
  b.put<uint32_t>(1).pad(0);                              // count at 28; 32 is 8-aligned
  b.raw({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xc0}).pad(6);  // -2.0 at 32
  b.put<uint32_t>(2).put<uint32_t>('a').put<uint32_t>(0xFFFF);
  b.put<uint32_t>('b').put<uint32_t>(0);
  ASSERT_EQ(b.body_size(), 68u);

  EXPECT_EQ(cdr_serialize(exotic_type_support(), &m), b.bytes());
  Exotic decoded;
  cdr_deserialize(exotic_type_support(), b.bytes().data(), b.bytes().size(), &decoded);
  EXPECT_EQ(decoded.flag, m.flag);
  EXPECT_EQ(decoded.precise, m.precise);
  EXPECT_EQ(decoded.letter, m.letter);
  EXPECT_EQ(decoded.precise_values, m.precise_values);
  EXPECT_EQ(decoded.letters, m.letters);
  EXPECT_EQ(decoded.letter_pair, m.letter_pair);
}

// ---- API checks.

TEST(CdrApi, RejectsForeignTypeSupportAndNullArguments)
{
  const rosidl_message_type_support_t foreign{
    "rosidl_typesupport_fastrtps_cpp", ts<test_msgs::msg::Empty>()->data, nullptr};
  test_msgs::msg::Empty m;
  const std::vector<uint8_t> bytes = encode(m);
  uint8_t out[16];

  EXPECT_THROW(cdr_serialized_size(&foreign, &m), std::invalid_argument);
  EXPECT_THROW(cdr_serialize(&foreign, &m), std::invalid_argument);
  EXPECT_THROW(cdr_serialize(&foreign, &m, out, sizeof(out)), std::invalid_argument);
  EXPECT_THROW(
    cdr_deserialize(&foreign, bytes.data(), bytes.size(), &m), std::invalid_argument);
  EXPECT_THROW(cdr_serialized_size(nullptr, &m), std::invalid_argument);
  EXPECT_THROW(cdr_serialize(ts<test_msgs::msg::Empty>(), nullptr), std::invalid_argument);
  EXPECT_THROW(
    cdr_deserialize(ts<test_msgs::msg::Empty>(), bytes.data(), bytes.size(), nullptr),
    std::invalid_argument);
}

TEST(CdrApi, OverBoundFieldsAreNotEncoded)
{
  test_msgs::msg::Strings strings;
  strings.bounded_string_value = std::string(23, 'x');  // bound 22
  try {
    encode(strings);
    FAIL() << "encoded a string over its bound";
  } catch (const CdrError & e) {
    EXPECT_NE(std::string(e.what()).find("bounded_string_value"), std::string::npos) << e.what();
  }
  strings.bounded_string_value = std::string(22, 'x');
  EXPECT_NO_THROW(encode(strings));

  // A BoundedVector refuses to grow past its bound, so the only way to hold too many
  // elements is through the type-erased resize, as a decoder without checks would.
  test_msgs::msg::MultiNested nested;
  const auto * members =
    static_cast<const rti::MessageMembers *>(ts<test_msgs::msg::MultiNested>()->data);
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const auto & member = members->members_[i];
    if (std::string(member.name_) == "bounded_sequence_of_arrays") {
      member.resize_function(reinterpret_cast<uint8_t *>(&nested) + member.offset_, 4);
    }
  }
  try {
    encode(nested);
    FAIL() << "encoded a sequence over its bound";
  } catch (const CdrError & e) {
    EXPECT_NE(
      std::string(e.what()).find("'bounded_sequence_of_arrays': sequence of 4 elements"),
      std::string::npos) << e.what();
  }
}

TEST(CdrApi, FullHdImageRoundTrip)
{
  // The size the transport carries: a 1920x1080 rgb8 frame.
  sensor_msgs::msg::Image image = small_image();
  image.width = 1920;
  image.height = 1080;
  image.step = 1920 * 3;
  image.data.resize(size_t{1920} * 1080 * 3);
  for (size_t i = 0; i < image.data.size(); ++i) {
    image.data[i] = static_cast<uint8_t>(i * 131 + (i >> 11));
  }
  const std::vector<uint8_t> bytes = encode(image);
  EXPECT_EQ(bytes.size(), 4u + 48u + image.data.size());
  EXPECT_TRUE(decode<sensor_msgs::msg::Image>(bytes) == image);
}

}  // namespace
