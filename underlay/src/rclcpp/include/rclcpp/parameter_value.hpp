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

#ifndef RCLCPP__PARAMETER_VALUE_HPP_
#define RCLCPP__PARAMETER_VALUE_HPP_

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "rcl_interfaces/msg/parameter_type.hpp"
#include "rclcpp/visibility_control.hpp"

namespace rclcpp
{

/// Parameter types, with the numeric values of rcl_interfaces/msg/ParameterType.
enum ParameterType : uint8_t
{
  PARAMETER_NOT_SET = rcl_interfaces::msg::ParameterType::PARAMETER_NOT_SET,
  PARAMETER_BOOL = rcl_interfaces::msg::ParameterType::PARAMETER_BOOL,
  PARAMETER_INTEGER = rcl_interfaces::msg::ParameterType::PARAMETER_INTEGER,
  PARAMETER_DOUBLE = rcl_interfaces::msg::ParameterType::PARAMETER_DOUBLE,
  PARAMETER_STRING = rcl_interfaces::msg::ParameterType::PARAMETER_STRING,
  PARAMETER_BYTE_ARRAY = rcl_interfaces::msg::ParameterType::PARAMETER_BYTE_ARRAY,
  PARAMETER_BOOL_ARRAY = rcl_interfaces::msg::ParameterType::PARAMETER_BOOL_ARRAY,
  PARAMETER_INTEGER_ARRAY = rcl_interfaces::msg::ParameterType::PARAMETER_INTEGER_ARRAY,
  PARAMETER_DOUBLE_ARRAY = rcl_interfaces::msg::ParameterType::PARAMETER_DOUBLE_ARRAY,
  PARAMETER_STRING_ARRAY = rcl_interfaces::msg::ParameterType::PARAMETER_STRING_ARRAY,
};

/// Return the name of a parameter type ("not set", "bool", "integer", ..., "string_array").
RCLCPP_PUBLIC
std::string
to_string(ParameterType type);

RCLCPP_PUBLIC
std::ostream &
operator<<(std::ostream & os, ParameterType type);

/// Indicate the parameter type does not match the expected type.
class ParameterTypeException : public std::runtime_error
{
public:
  /// Text "expected [<expected type>] got [<actual type>]".
  RCLCPP_PUBLIC
  ParameterTypeException(ParameterType expected, ParameterType actual)
  : std::runtime_error("expected [" + to_string(expected) + "] got [" + to_string(actual) + "]")
  {}
};

/// Store the type and value of a parameter.
class ParameterValue
{
public:
  /// Construct a parameter value with type PARAMETER_NOT_SET.
  RCLCPP_PUBLIC
  ParameterValue();
  RCLCPP_PUBLIC
  explicit ParameterValue(const bool bool_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const int int_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const int64_t int_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const float double_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const double double_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::string & string_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const char * string_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<uint8_t> & byte_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<bool> & bool_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<int> & int_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<int64_t> & int_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<float> & double_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<double> & double_array_value);
  RCLCPP_PUBLIC
  explicit ParameterValue(const std::vector<std::string> & string_array_value);

  /// Return an enum indicating the type of the set value.
  RCLCPP_PUBLIC
  ParameterType
  get_type() const;

  RCLCPP_PUBLIC
  bool
  operator==(const ParameterValue & rhs) const;

  RCLCPP_PUBLIC
  bool
  operator!=(const ParameterValue & rhs) const;

  // get() by ParameterType tag: throws ParameterTypeException when the stored type differs.

  template<ParameterType type>
  constexpr
  typename std::enable_if<type == ParameterType::PARAMETER_BOOL, const bool &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_BOOL);
    return bool_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<type == ParameterType::PARAMETER_INTEGER, const int64_t &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_INTEGER);
    return integer_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<type == ParameterType::PARAMETER_DOUBLE, const double &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_DOUBLE);
    return double_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<type == ParameterType::PARAMETER_STRING, const std::string &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_STRING);
    return string_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<
    type == ParameterType::PARAMETER_BYTE_ARRAY, const std::vector<uint8_t> &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_BYTE_ARRAY);
    return byte_array_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<
    type == ParameterType::PARAMETER_BOOL_ARRAY, const std::vector<bool> &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_BOOL_ARRAY);
    return bool_array_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<
    type == ParameterType::PARAMETER_INTEGER_ARRAY, const std::vector<int64_t> &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_INTEGER_ARRAY);
    return integer_array_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<
    type == ParameterType::PARAMETER_DOUBLE_ARRAY, const std::vector<double> &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_DOUBLE_ARRAY);
    return double_array_value_;
  }

  template<ParameterType type>
  constexpr
  typename std::enable_if<
    type == ParameterType::PARAMETER_STRING_ARRAY, const std::vector<std::string> &>::type
  get() const
  {
    check_type(ParameterType::PARAMETER_STRING_ARRAY);
    return string_array_value_;
  }

  // get() by C++ type. Every integral type (other than bool) reads the int64 value and every
  // floating point type reads the double value, so get<int>() returns const int64_t & and
  // get<float>() returns const double &, as in rclcpp.

  template<typename type>
  constexpr
  typename std::enable_if<std::is_same<type, bool>::value, const bool &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_BOOL>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_integral<type>::value && !std::is_same<type, bool>::value, const int64_t &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_INTEGER>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<std::is_floating_point<type>::value, const double &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_DOUBLE>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<std::is_convertible<type, std::string>::value, const std::string &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_STRING>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<uint8_t> &>::value, const std::vector<uint8_t> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_BYTE_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<bool> &>::value, const std::vector<bool> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_BOOL_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<int> &>::value, const std::vector<int64_t> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_INTEGER_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<int64_t> &>::value, const std::vector<int64_t> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_INTEGER_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<float> &>::value, const std::vector<double> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_DOUBLE_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<double> &>::value, const std::vector<double> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_DOUBLE_ARRAY>();
  }

  template<typename type>
  constexpr
  typename std::enable_if<
    std::is_convertible<
      type, const std::vector<std::string> &>::value, const std::vector<std::string> &>::type
  get() const
  {
    return get<ParameterType::PARAMETER_STRING_ARRAY>();
  }

private:
  constexpr void check_type(ParameterType expected) const
  {
    if (type_ != expected) {
      throw ParameterTypeException(expected, type_);
    }
  }

  // Same fields as rcl_interfaces/msg/ParameterValue; only the one matching type_ is used.
  ParameterType type_ = PARAMETER_NOT_SET;
  bool bool_value_ = false;
  int64_t integer_value_ = 0;
  double double_value_ = 0.0;
  std::string string_value_;
  std::vector<uint8_t> byte_array_value_;
  std::vector<bool> bool_array_value_;
  std::vector<int64_t> integer_array_value_;
  std::vector<double> double_array_value_;
  std::vector<std::string> string_array_value_;
};

/// Return the value of a parameter as a string (rclcpp's format: "true", "42", "1.500000",
/// "[1, 2]", "[0x1, 0xff]" for bytes).
RCLCPP_PUBLIC
std::string
to_string(const ParameterValue & type);

}  // namespace rclcpp

#endif  // RCLCPP__PARAMETER_VALUE_HPP_
