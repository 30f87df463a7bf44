#include "rclcpp/detail/cdr.hpp"

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace rclcpp
{
namespace detail
{
namespace
{

namespace rti = rosidl_typesupport_introspection_cpp;
using rti::MessageMember;
using rti::MessageMembers;

constexpr bool kHostLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr size_t kHeaderSize = 4;
// Encapsulation identifiers of classic CDR (second byte of the header; the first is 0).
constexpr uint8_t kCdrBigEndian = 0x00;
constexpr uint8_t kCdrLittleEndian = 0x01;

// Bytes of a long double that carry its value: x87 extended precision uses 10 of its 16.
constexpr size_t kLongDoubleValueBytes = (LDBL_MANT_DIG == 64) ? 10 : sizeof(long double);
static_assert(sizeof(long double) <= 16, "long double travels in 16 bytes");

// Failure while walking a message. The path to the field is built while the exception
// travels outwards; the public functions turn it into a CdrError.
struct Fault
{
  std::string path;
  std::string reason;

  void prepend(const std::string & step)
  {
    if (!path.empty() && path.front() != '[') {
      path.insert(path.begin(), '.');
    }
    path.insert(0, step);
  }
};

[[noreturn]] void fail(std::string reason)
{
  throw Fault{std::string(), std::move(reason)};
}

std::string type_name(const MessageMembers * members)
{
  return std::string(members->message_namespace_) + "::" + members->message_name_;
}

CdrError to_error(const char * action, const MessageMembers * members, const Fault & fault)
{
  std::string text = std::string("CDR: cannot ") + action + " " + type_name(members);
  if (!fault.path.empty()) {
    text += " field '" + fault.path + "'";
  }
  return CdrError(text + ": " + fault.reason);
}

const MessageMembers * members_of(const rosidl_message_type_support_t * type_support)
{
  if (type_support == nullptr) {
    throw std::invalid_argument("CDR: null type support handle");
  }
  const char * id = type_support->typesupport_identifier;
  if (id != rti::typesupport_identifier &&
    (id == nullptr || std::strcmp(id, rti::typesupport_identifier) != 0))
  {
    throw std::invalid_argument(
            std::string("CDR: type support '") + (id ? id : "(null)") + "' is not '" +
            rti::typesupport_identifier + "'");
  }
  if (type_support->data == nullptr) {
    throw std::invalid_argument("CDR: type support handle without message members");
  }
  return static_cast<const MessageMembers *>(type_support->data);
}

// ---------------------------------------------------------------------------------------------
// How each primitive C++ type travels. "plain" types have the same bytes in memory on a
// little-endian host as on the wire, so arrays of them are copied in one block.

template<typename T>
struct Wire
{
  static constexpr size_t size = sizeof(T);
  static constexpr size_t align = sizeof(T);
  static constexpr bool plain = true;
};
template<>
struct Wire<bool>
{
  static constexpr size_t size = 1;
  static constexpr size_t align = 1;
  static constexpr bool plain = false;  // validated on input, normalised on output
};
template<>
struct Wire<char16_t>
{
  static constexpr size_t size = 4;  // a wide character is one uint32 on the wire
  static constexpr size_t align = 4;
  static constexpr bool plain = false;
};
template<>
struct Wire<long double>
{
  static constexpr size_t size = 16;
  static constexpr size_t align = 8;
  static constexpr bool plain = false;
};

template<size_t N>
void copy_bytes(uint8_t * dst, const uint8_t * src, bool reverse)
{
  if (reverse) {
    for (size_t i = 0; i < N; ++i) {
      dst[i] = src[N - 1 - i];
    }
  } else {
    std::memcpy(dst, src, N);
  }
}

// Writes v as little-endian wire bytes at p.
template<typename T>
void encode(const T & v, uint8_t * p)
{
  if constexpr (std::is_same_v<T, bool>) {
    // Reads the byte rather than the bool: an uninitialised bool must not become UB here.
    uint8_t byte;
    std::memcpy(&byte, &v, 1);
    *p = byte ? 1 : 0;
  } else if constexpr (std::is_same_v<T, char16_t>) {
    encode<uint32_t>(static_cast<uint32_t>(v), p);
  } else if constexpr (std::is_same_v<T, long double>) {
    uint8_t bytes[16] = {};
    std::memcpy(bytes, &v, kLongDoubleValueBytes);
    copy_bytes<16>(p, bytes, !kHostLittleEndian);
  } else {
    copy_bytes<sizeof(T)>(p, reinterpret_cast<const uint8_t *>(&v), !kHostLittleEndian);
  }
}

// Reads wire bytes at p; swap says the payload's byte order differs from the host's.
template<typename T>
T decode(const uint8_t * p, bool swap)
{
  if constexpr (std::is_same_v<T, bool>) {
    if (*p > 1) {
      fail("boolean byte " + std::to_string(*p) + " is neither 0 nor 1");
    }
    return *p == 1;
  } else if constexpr (std::is_same_v<T, char16_t>) {
    const uint32_t code = decode<uint32_t>(p, swap);
    if (code > 0xFFFF) {
      fail("wide character " + std::to_string(code) + " does not fit in 16 bits");
    }
    return static_cast<char16_t>(code);
  } else if constexpr (std::is_same_v<T, long double>) {
    uint8_t bytes[16];
    copy_bytes<16>(bytes, p, swap);
    long double v;
    std::memcpy(&v, bytes, sizeof(v));
    return v;
  } else {
    T v;
    copy_bytes<sizeof(T)>(reinterpret_cast<uint8_t *>(&v), p, swap);
    return v;
  }
}

// ---------------------------------------------------------------------------------------------
// Output. With a null buffer the writer only counts, so sizing and writing share one walk.

class Writer
{
public:
  Writer(uint8_t * body, size_t capacity)
  : out_(body), capacity_(capacity) {}

  size_t position() const {return position_;}

  void align(size_t alignment)
  {
    const size_t pad = (alignment - position_ % alignment) % alignment;
    if (uint8_t * p = claim(pad)) {
      std::memset(p, 0, pad);
    }
  }

  template<typename T>
  void put(const T & v)
  {
    align(Wire<T>::align);
    if (uint8_t * p = claim(Wire<T>::size)) {
      encode(v, p);
    }
  }

  template<typename T>
  void put_array(const T * data, size_t count)
  {
    if (count == 0) {
      return;
    }
    align(Wire<T>::align);
    uint8_t * p = claim(count * Wire<T>::size);
    if (p == nullptr) {
      return;
    }
    if constexpr (Wire<T>::plain && kHostLittleEndian) {
      std::memcpy(p, data, count * sizeof(T));
    } else {
      for (size_t i = 0; i < count; ++i) {
        encode(data[i], p + i * Wire<T>::size);
      }
    }
  }

  void put_count(size_t count)
  {
    if (count > std::numeric_limits<uint32_t>::max()) {
      fail("length " + std::to_string(count) + " does not fit the 32-bit CDR length");
    }
    put(static_cast<uint32_t>(count));
  }

  void put_bytes(const void * data, size_t count)
  {
    if (uint8_t * p = claim(count)) {
      std::memcpy(p, data, count);
    }
  }

private:
  // Room for count bytes at the current position, or null when only counting.
  uint8_t * claim(size_t count)
  {
    uint8_t * p = nullptr;
    if (out_ != nullptr) {
      if (count > capacity_ - position_) {
        fail(
          "output buffer of " + std::to_string(capacity_ + kHeaderSize) +
          " bytes is too small");
      }
      p = out_ + position_;
    }
    position_ += count;
    return p;
  }

  uint8_t * out_;
  size_t capacity_;
  size_t position_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Input. Every read is checked against the bytes that remain.

class Reader
{
public:
  Reader(const uint8_t * body, size_t size, bool swap)
  : in_(body), size_(size), swap_(swap) {}

  size_t remaining() const {return size_ - position_;}

  void align(size_t alignment)
  {
    take((alignment - position_ % alignment) % alignment);
  }

  const uint8_t * take(size_t count)
  {
    if (count > remaining()) {
      fail(
        "payload truncated: " + std::to_string(count) + " bytes needed at offset " +
        std::to_string(position_ + kHeaderSize) + ", " + std::to_string(remaining()) + " left");
    }
    const uint8_t * p = in_ + position_;
    position_ += count;
    return p;
  }

  template<typename T>
  T get()
  {
    align(Wire<T>::align);
    return decode<T>(take(Wire<T>::size), swap_);
  }

  template<typename T>
  void get_array(T * data, size_t count)
  {
    if (count == 0) {
      return;
    }
    align(Wire<T>::align);
    if (count > remaining() / Wire<T>::size) {
      fail(
        "payload truncated: " + std::to_string(count) + " elements of " +
        std::to_string(Wire<T>::size) + " bytes at offset " +
        std::to_string(position_ + kHeaderSize) + ", " + std::to_string(remaining()) +
        " bytes left");
    }
    const uint8_t * p = take(count * Wire<T>::size);
    if constexpr (Wire<T>::plain) {
      if (!swap_) {
        std::memcpy(data, p, count * sizeof(T));
        return;
      }
    }
    for (size_t i = 0; i < count; ++i) {
      data[i] = decode<T>(p + i * Wire<T>::size, swap_);
    }
  }

  // Reads a sequence length and checks that count elements of at least min_element_size
  // bytes each fit in what remains, before the caller allocates for them.
  size_t get_count(const MessageMember & member, size_t min_element_size)
  {
    const size_t count = get<uint32_t>();
    if (member.is_upper_bound_ && count > member.array_size_) {
      fail(
        "sequence of " + std::to_string(count) + " elements exceeds its bound of " +
        std::to_string(member.array_size_));
    }
    if (count > remaining() / min_element_size) {
      fail(
        "sequence length " + std::to_string(count) + " needs at least " +
        std::to_string(min_element_size) + " bytes per element, " +
        std::to_string(remaining()) + " bytes left");
    }
    return count;
  }

private:
  const uint8_t * in_;
  size_t size_;
  size_t position_ = 0;
  bool swap_;
};

// ---------------------------------------------------------------------------------------------
// Field layout of rosidl C++ messages: a single value T, a fixed array std::array<T, N>
// (contiguous T), or a sequence std::vector<T> (rosidl_runtime_cpp::BoundedVector<T, N> for
// bounded ones, which derives from std::vector<T> and adds no data).

enum class Shape { single, fixed_array, sequence };

Shape shape_of(const MessageMember & member)
{
  if (!member.is_array_) {
    return Shape::single;
  }
  return (member.array_size_ != 0 && !member.is_upper_bound_) ?
         Shape::fixed_array : Shape::sequence;
}

void check_bound(const MessageMember & member, size_t count)
{
  if (member.is_upper_bound_ && count > member.array_size_) {
    fail(
      "sequence of " + std::to_string(count) + " elements exceeds its bound of " +
      std::to_string(member.array_size_));
  }
}

template<typename Fn>
void with_primitive_type(uint8_t type_id, Fn && fn)
{
  switch (type_id) {
    case rti::ROS_TYPE_FLOAT: return fn(static_cast<float *>(nullptr));
    case rti::ROS_TYPE_DOUBLE: return fn(static_cast<double *>(nullptr));
    case rti::ROS_TYPE_LONG_DOUBLE: return fn(static_cast<long double *>(nullptr));
    case rti::ROS_TYPE_CHAR: return fn(static_cast<uint8_t *>(nullptr));
    case rti::ROS_TYPE_WCHAR: return fn(static_cast<char16_t *>(nullptr));
    case rti::ROS_TYPE_BOOLEAN: return fn(static_cast<bool *>(nullptr));
    case rti::ROS_TYPE_OCTET: return fn(static_cast<uint8_t *>(nullptr));
    case rti::ROS_TYPE_UINT8: return fn(static_cast<uint8_t *>(nullptr));
    case rti::ROS_TYPE_INT8: return fn(static_cast<int8_t *>(nullptr));
    case rti::ROS_TYPE_UINT16: return fn(static_cast<uint16_t *>(nullptr));
    case rti::ROS_TYPE_INT16: return fn(static_cast<int16_t *>(nullptr));
    case rti::ROS_TYPE_UINT32: return fn(static_cast<uint32_t *>(nullptr));
    case rti::ROS_TYPE_INT32: return fn(static_cast<int32_t *>(nullptr));
    case rti::ROS_TYPE_UINT64: return fn(static_cast<uint64_t *>(nullptr));
    case rti::ROS_TYPE_INT64: return fn(static_cast<int64_t *>(nullptr));
    default:
      fail("unknown field type id " + std::to_string(type_id));
  }
}

// Smallest number of body bytes one instance of the message can take (alignment ignored).
// Every message has a field and every field takes a byte at least, so this is never 0.
size_t min_wire_size(const MessageMembers * members);

size_t min_element_size(const MessageMember & member)
{
  switch (member.type_id_) {
    case rti::ROS_TYPE_STRING: return 5;  // length + NUL
    case rti::ROS_TYPE_WSTRING: return 4;  // length
    case rti::ROS_TYPE_MESSAGE: return min_wire_size(members_of(member.members_));
    default: {
        size_t size = 0;
        with_primitive_type(member.type_id_, [&](auto * tag) {
            size = Wire<std::remove_pointer_t<decltype(tag)>>::size;
          });
        return size;
      }
  }
}

size_t compute_min_wire_size(const MessageMembers * members)
{
  size_t total = 0;
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const MessageMember & member = members->members_[i];
    switch (shape_of(member)) {
      case Shape::single: total += min_element_size(member); break;
      case Shape::fixed_array: total += member.array_size_ * min_element_size(member); break;
      case Shape::sequence: total += 4; break;
    }
  }
  return total == 0 ? 1 : total;
}

size_t min_wire_size(const MessageMembers * members)
{
  static std::mutex mutex;
  static std::unordered_map<const MessageMembers *, size_t> cache;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(members);
    if (it != cache.end()) {
      return it->second;
    }
  }
  const size_t size = compute_min_wire_size(members);
  std::lock_guard<std::mutex> lock(mutex);
  cache.emplace(members, size);
  return size;
}

// Runs fn and, if it fails, adds the field name or element index to the front of the
// failure's field path. The text is built only on failure: these wrap every field.
template<typename Fn>
void in_field(const char * name, Fn && fn)
{
  try {
    fn();
  } catch (Fault & fault) {
    fault.prepend(name);
    throw;
  }
}

template<typename Fn>
void in_element(size_t index, Fn && fn)
{
  try {
    fn();
  } catch (Fault & fault) {
    fault.prepend("[" + std::to_string(index) + "]");
    throw;
  }
}

// ---------------------------------------------------------------------------------------------
// Encoding walk.

void write_message(Writer & w, const MessageMembers * members, const uint8_t * message);

template<typename T>
void write_primitive_field(Writer & w, const MessageMember & member, const uint8_t * field)
{
  switch (shape_of(member)) {
    case Shape::single:
      w.put(*reinterpret_cast<const T *>(field));
      break;
    case Shape::fixed_array:
      w.put_array(reinterpret_cast<const T *>(field), member.array_size_);
      break;
    case Shape::sequence:
      if constexpr (std::is_same_v<T, bool>) {
        const auto & seq = *reinterpret_cast<const std::vector<bool> *>(field);
        check_bound(member, seq.size());
        w.put_count(seq.size());
        for (const bool b : seq) {
          w.put(b);
        }
      } else {
        const auto & seq = *reinterpret_cast<const std::vector<T> *>(field);
        check_bound(member, seq.size());
        w.put_count(seq.size());
        w.put_array(seq.data(), seq.size());
      }
      break;
  }
}

void write_string(Writer & w, const MessageMember & member, const std::string & s)
{
  if (member.string_upper_bound_ != 0 && s.size() > member.string_upper_bound_) {
    fail(
      "string of " + std::to_string(s.size()) + " characters exceeds its bound of " +
      std::to_string(member.string_upper_bound_));
  }
  w.put_count(s.size() + 1);
  w.put_bytes(s.c_str(), s.size() + 1);  // with its NUL
}

void write_string(Writer & w, const MessageMember & member, const std::u16string & s)
{
  if (member.string_upper_bound_ != 0 && s.size() > member.string_upper_bound_) {
    fail(
      "wide string of " + std::to_string(s.size()) + " characters exceeds its bound of " +
      std::to_string(member.string_upper_bound_));
  }
  w.put_count(s.size());
  w.put_array(s.data(), s.size());
}

template<typename S>
void write_string_field(Writer & w, const MessageMember & member, const uint8_t * field)
{
  switch (shape_of(member)) {
    case Shape::single:
      write_string(w, member, *reinterpret_cast<const S *>(field));
      break;
    case Shape::fixed_array: {
        const S * items = reinterpret_cast<const S *>(field);
        for (size_t i = 0; i < member.array_size_; ++i) {
          in_element(i, [&] {write_string(w, member, items[i]);});
        }
        break;
      }
    case Shape::sequence: {
        const auto & seq = *reinterpret_cast<const std::vector<S> *>(field);
        check_bound(member, seq.size());
        w.put_count(seq.size());
        for (size_t i = 0; i < seq.size(); ++i) {
          in_element(i, [&] {write_string(w, member, seq[i]);});
        }
        break;
      }
  }
}

void write_message_field(Writer & w, const MessageMember & member, const uint8_t * field)
{
  const MessageMembers * sub = members_of(member.members_);
  const auto element = [&](size_t i) {
      return static_cast<const uint8_t *>(member.get_const_function(field, i));
    };
  switch (shape_of(member)) {
    case Shape::single:
      write_message(w, sub, field);
      break;
    case Shape::fixed_array:
      for (size_t i = 0; i < member.array_size_; ++i) {
        in_element(i, [&] {write_message(w, sub, element(i));});
      }
      break;
    case Shape::sequence: {
        const size_t count = member.size_function(field);
        check_bound(member, count);
        w.put_count(count);
        for (size_t i = 0; i < count; ++i) {
          in_element(i, [&] {write_message(w, sub, element(i));});
        }
        break;
      }
  }
}

void write_member(Writer & w, const MessageMember & member, const uint8_t * field)
{
  switch (member.type_id_) {
    case rti::ROS_TYPE_STRING:
      write_string_field<std::string>(w, member, field);
      break;
    case rti::ROS_TYPE_WSTRING:
      write_string_field<std::u16string>(w, member, field);
      break;
    case rti::ROS_TYPE_MESSAGE:
      write_message_field(w, member, field);
      break;
    default:
      with_primitive_type(member.type_id_, [&](auto * tag) {
          write_primitive_field<std::remove_pointer_t<decltype(tag)>>(w, member, field);
        });
  }
}

void write_message(Writer & w, const MessageMembers * members, const uint8_t * message)
{
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const MessageMember & member = members->members_[i];
    in_field(member.name_, [&] {write_member(w, member, message + member.offset_);});
  }
}

// ---------------------------------------------------------------------------------------------
// Decoding walk.

void read_message(Reader & r, const MessageMembers * members, uint8_t * message);

template<typename T>
void read_primitive_field(Reader & r, const MessageMember & member, uint8_t * field)
{
  switch (shape_of(member)) {
    case Shape::single:
      *reinterpret_cast<T *>(field) = r.get<T>();
      break;
    case Shape::fixed_array:
      r.get_array(reinterpret_cast<T *>(field), member.array_size_);
      break;
    case Shape::sequence: {
        const size_t count = r.get_count(member, Wire<T>::size);
        if constexpr (std::is_same_v<T, bool>) {
          auto & seq = *reinterpret_cast<std::vector<bool> *>(field);
          seq.resize(count);
          for (size_t i = 0; i < count; ++i) {
            seq[i] = r.get<bool>();
          }
        } else if constexpr (sizeof(T) == 1 && Wire<T>::plain) {
          // Byte sequences (image data) are copied once, without zero-filling first.
          auto & seq = *reinterpret_cast<std::vector<T> *>(field);
          const T * bytes = reinterpret_cast<const T *>(r.take(count));
          seq.assign(bytes, bytes + count);
        } else {
          auto & seq = *reinterpret_cast<std::vector<T> *>(field);
          seq.resize(count);
          r.get_array(seq.data(), count);
        }
        break;
      }
  }
}

void read_string(Reader & r, const MessageMember & member, std::string & s)
{
  const size_t length = r.get<uint32_t>();
  if (length == 0) {
    fail("string length 0: a CDR string holds at least its terminating NUL");
  }
  if (member.string_upper_bound_ != 0 && length - 1 > member.string_upper_bound_) {
    fail(
      "string of " + std::to_string(length - 1) + " characters exceeds its bound of " +
      std::to_string(member.string_upper_bound_));
  }
  const uint8_t * bytes = r.take(length);
  if (bytes[length - 1] != 0) {
    fail("string is not terminated by a NUL");
  }
  s.assign(reinterpret_cast<const char *>(bytes), length - 1);
}

void read_string(Reader & r, const MessageMember & member, std::u16string & s)
{
  const size_t length = r.get<uint32_t>();
  if (member.string_upper_bound_ != 0 && length > member.string_upper_bound_) {
    fail(
      "wide string of " + std::to_string(length) + " characters exceeds its bound of " +
      std::to_string(member.string_upper_bound_));
  }
  if (length > r.remaining() / Wire<char16_t>::size) {
    fail(
      "wide string length " + std::to_string(length) + " exceeds the " +
      std::to_string(r.remaining()) + " bytes left");
  }
  s.resize(length);
  r.get_array(s.data(), length);
}

template<typename S>
void read_string_field(Reader & r, const MessageMember & member, uint8_t * field)
{
  switch (shape_of(member)) {
    case Shape::single:
      read_string(r, member, *reinterpret_cast<S *>(field));
      break;
    case Shape::fixed_array: {
        S * items = reinterpret_cast<S *>(field);
        for (size_t i = 0; i < member.array_size_; ++i) {
          in_element(i, [&] {read_string(r, member, items[i]);});
        }
        break;
      }
    case Shape::sequence: {
        auto & seq = *reinterpret_cast<std::vector<S> *>(field);
        seq.resize(r.get_count(member, min_element_size(member)));
        for (size_t i = 0; i < seq.size(); ++i) {
          in_element(i, [&] {read_string(r, member, seq[i]);});
        }
        break;
      }
  }
}

void read_message_field(Reader & r, const MessageMember & member, uint8_t * field)
{
  const MessageMembers * sub = members_of(member.members_);
  const auto element = [&](size_t i) {
      return static_cast<uint8_t *>(member.get_function(field, i));
    };
  switch (shape_of(member)) {
    case Shape::single:
      read_message(r, sub, field);
      break;
    case Shape::fixed_array:
      for (size_t i = 0; i < member.array_size_; ++i) {
        in_element(i, [&] {read_message(r, sub, element(i));});
      }
      break;
    case Shape::sequence: {
        const size_t count = r.get_count(member, min_wire_size(sub));
        member.resize_function(field, count);
        for (size_t i = 0; i < count; ++i) {
          in_element(i, [&] {read_message(r, sub, element(i));});
        }
        break;
      }
  }
}

void read_member(Reader & r, const MessageMember & member, uint8_t * field)
{
  switch (member.type_id_) {
    case rti::ROS_TYPE_STRING:
      read_string_field<std::string>(r, member, field);
      break;
    case rti::ROS_TYPE_WSTRING:
      read_string_field<std::u16string>(r, member, field);
      break;
    case rti::ROS_TYPE_MESSAGE:
      read_message_field(r, member, field);
      break;
    default:
      with_primitive_type(member.type_id_, [&](auto * tag) {
          read_primitive_field<std::remove_pointer_t<decltype(tag)>>(r, member, field);
        });
  }
}

void read_message(Reader & r, const MessageMembers * members, uint8_t * message)
{
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const MessageMember & member = members->members_[i];
    in_field(member.name_, [&] {read_member(r, member, message + member.offset_);});
  }
}

// Encodes the body (everything after the header) into w.
void encode_body(Writer & w, const MessageMembers * members, const void * message)
{
  if (message == nullptr) {
    throw std::invalid_argument("CDR: null message");
  }
  try {
    write_message(w, members, static_cast<const uint8_t *>(message));
  } catch (const Fault & fault) {
    throw to_error("encode", members, fault);
  }
}

}  // namespace

size_t cdr_serialized_size(
  const rosidl_message_type_support_t * type_support, const void * message)
{
  const MessageMembers * members = members_of(type_support);
  Writer counter(nullptr, 0);
  encode_body(counter, members, message);
  return kHeaderSize + counter.position();
}

size_t cdr_serialize(
  const rosidl_message_type_support_t * type_support, const void * message,
  uint8_t * out, size_t capacity)
{
  const MessageMembers * members = members_of(type_support);
  if (out == nullptr && capacity != 0) {
    throw std::invalid_argument("CDR: null output buffer");
  }
  if (capacity < kHeaderSize) {
    throw CdrError(
            "CDR: cannot encode " + type_name(members) + ": output buffer of " +
            std::to_string(capacity) + " bytes is too small");
  }
  out[0] = 0x00;
  out[1] = kCdrLittleEndian;
  out[2] = 0x00;
  out[3] = 0x00;
  Writer writer(out + kHeaderSize, capacity - kHeaderSize);
  encode_body(writer, members, message);
  return kHeaderSize + writer.position();
}

std::vector<uint8_t> cdr_serialize(
  const rosidl_message_type_support_t * type_support, const void * message)
{
  std::vector<uint8_t> bytes(cdr_serialized_size(type_support, message));
  cdr_serialize(type_support, message, bytes.data(), bytes.size());
  return bytes;
}

void cdr_deserialize(
  const rosidl_message_type_support_t * type_support, const uint8_t * data, size_t size,
  void * message)
{
  const MessageMembers * members = members_of(type_support);
  if (message == nullptr) {
    throw std::invalid_argument("CDR: null message");
  }
  if (data == nullptr && size != 0) {
    throw std::invalid_argument("CDR: null payload");
  }
  if (size < kHeaderSize) {
    throw CdrError(
            "CDR: cannot decode " + type_name(members) + ": payload of " + std::to_string(size) +
            " bytes has no 4-byte encapsulation header");
  }
  if (data[0] != 0x00 || (data[1] != kCdrLittleEndian && data[1] != kCdrBigEndian)) {
    char id[8];
    std::snprintf(id, sizeof(id), "%02x %02x", data[0], data[1]);
    throw CdrError(
            "CDR: cannot decode " + type_name(members) + ": unsupported encapsulation " + id +
            " (only plain CDR, 00 00 or 00 01)");
  }
  const bool little_endian = data[1] == kCdrLittleEndian;
  Reader reader(data + kHeaderSize, size - kHeaderSize, little_endian != kHostLittleEndian);
  try {
    read_message(reader, members, static_cast<uint8_t *>(message));
  } catch (const Fault & fault) {
    throw to_error("decode", members, fault);
  }
}

}  // namespace detail
}  // namespace rclcpp
