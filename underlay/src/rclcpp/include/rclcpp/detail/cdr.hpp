#ifndef RCLCPP__DETAIL__CDR_HPP_
#define RCLCPP__DETAIL__CDR_HPP_

// Generic CDR encoding of any rosidl C++ message, driven by its introspection type support.
//
// The bytes are what ROS 2 nodes on Fast DDS or Cyclone DDS exchange: classic CDR (XCDR1),
// a 4-byte encapsulation header followed by the fields in declaration order, each primitive
// aligned to its own size counted from the first byte after the header.
//
//  - bool, char, byte, int8, uint8: 1 byte; int16/uint16: 2; int32/uint32/float: 4;
//    int64/uint64/double: 8.
//  - long double: 16 bytes aligned to 8, the host's in-memory representation (as Fast CDR
//    writes it); unused tail bytes are written as zero.
//  - wchar: one uint32. wstring: uint32 character count, then one uint32 per UTF-16 code unit
//    of the std::u16string, no terminator (as rmw_fastrtps does).
//  - string: uint32 length counting a terminating NUL, the bytes, the NUL.
//  - bounded and unbounded sequences: uint32 element count, then the elements.
//    Fixed-size arrays: the elements only. Nested messages: their fields inline.
//
// Output is always little-endian (encapsulation 00 01 00 00); input may be little-endian or
// big-endian (00 00 00 00). Input is treated as untrusted: every length is checked against the
// bytes that remain before anything is allocated, and every failure is a CdrError.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "rosidl_runtime_c/message_type_support_struct.h"

namespace rclcpp
{
namespace detail
{

/// Thrown for bytes that are not a valid CDR encoding of the expected message, for a message
/// that cannot be encoded (a bounded string or sequence over its bound), and for an output
/// buffer that is too small.
class CdrError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// Bytes the message takes as CDR, including the 4-byte encapsulation header.
/// \param type_support the handle of
///   rosidl_typesupport_introspection_cpp::get_message_type_support_handle<T>();
///   a handle of another type support throws std::invalid_argument.
/// \param message a T object.
size_t cdr_serialized_size(
  const rosidl_message_type_support_t * type_support, const void * message);

/// Writes the encapsulation header and the CDR body of the message into out.
/// \return the bytes written (equal to cdr_serialized_size()).
/// \throws CdrError if capacity is too small or a bounded field is over its bound; out may
///   then hold a partial encoding.
/// \throws std::invalid_argument for a null argument or a type support that is not
///   rosidl_typesupport_introspection_cpp's.
size_t cdr_serialize(
  const rosidl_message_type_support_t * type_support, const void * message,
  uint8_t * out, size_t capacity);

/// Returns the encapsulation header and the CDR body of the message as a new vector.
/// \throws as the buffer form.
std::vector<uint8_t> cdr_serialize(
  const rosidl_message_type_support_t * type_support, const void * message);

/// Reads a CDR payload (header included) into an initialised message object of the type.
/// Every field of the message is overwritten. Bytes after the encoded message are ignored
/// (DDS may pad a payload).
/// \throws CdrError for bytes that are not a valid encoding of the type; the text names the
///   field where practical. The message is then valid but holds partly decoded contents.
/// \throws std::invalid_argument for a null argument or a type support that is not
///   rosidl_typesupport_introspection_cpp's.
void cdr_deserialize(
  const rosidl_message_type_support_t * type_support, const uint8_t * data, size_t size,
  void * message);

}  // namespace detail
}  // namespace rclcpp

#endif  // RCLCPP__DETAIL__CDR_HPP_
