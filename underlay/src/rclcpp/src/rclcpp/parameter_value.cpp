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

#include "rclcpp/parameter_value.hpp"

#include <ios>
#include <sstream>
#include <string>
#include <vector>

namespace rclcpp
{

std::string
to_string(const ParameterType type)
{
  switch (type) {
    case ParameterType::PARAMETER_NOT_SET:
      return "not set";
    case ParameterType::PARAMETER_BOOL:
      return "bool";
    case ParameterType::PARAMETER_INTEGER:
      return "integer";
    case ParameterType::PARAMETER_DOUBLE:
      return "double";
    case ParameterType::PARAMETER_STRING:
      return "string";
    case ParameterType::PARAMETER_BYTE_ARRAY:
      return "byte_array";
    case ParameterType::PARAMETER_BOOL_ARRAY:
      return "bool_array";
    case ParameterType::PARAMETER_INTEGER_ARRAY:
      return "integer_array";
    case ParameterType::PARAMETER_DOUBLE_ARRAY:
      return "double_array";
    case ParameterType::PARAMETER_STRING_ARRAY:
      return "string_array";
  }
  return "unknown type";
}

std::ostream &
operator<<(std::ostream & os, const ParameterType type)
{
  os << to_string(type);
  return os;
}

namespace
{

// "[a, b, c]" with the stream set up as rclcpp does: the given base or boolalpha flag, and
// showbase (so bytes print as 0x1f, zero as 0).
template<typename ValType, typename PrintType = ValType>
std::string
array_to_string(
  const std::vector<ValType> & array,
  const std::ios::fmtflags format_flags = std::ios::dec)
{
  std::stringstream out;
  out << "[";
  out.setf(format_flags, std::ios_base::basefield | std::ios::boolalpha);
  out << std::showbase;
  bool first = true;
  for (const ValType & value : array) {
    if (!first) {
      out << ", ";
    }
    first = false;
    out << static_cast<PrintType>(value);
  }
  out << "]";
  return out.str();
}

}  // namespace

std::string
to_string(const ParameterValue & value)
{
  switch (value.get_type()) {
    case ParameterType::PARAMETER_NOT_SET:
      return "not set";
    case ParameterType::PARAMETER_BOOL:
      return value.get<bool>() ? "true" : "false";
    case ParameterType::PARAMETER_INTEGER:
      return std::to_string(value.get<int64_t>());
    case ParameterType::PARAMETER_DOUBLE:
      return std::to_string(value.get<double>());
    case ParameterType::PARAMETER_STRING:
      return value.get<std::string>();
    case ParameterType::PARAMETER_BYTE_ARRAY:
      return array_to_string<uint8_t, int>(value.get<std::vector<uint8_t>>(), std::ios::hex);
    case ParameterType::PARAMETER_BOOL_ARRAY:
      return array_to_string(value.get<std::vector<bool>>(), std::ios::boolalpha);
    case ParameterType::PARAMETER_INTEGER_ARRAY:
      return array_to_string(value.get<std::vector<int64_t>>());
    case ParameterType::PARAMETER_DOUBLE_ARRAY:
      return array_to_string(value.get<std::vector<double>>());
    case ParameterType::PARAMETER_STRING_ARRAY:
      return array_to_string(value.get<std::vector<std::string>>());
  }
  return "unknown type";
}

ParameterValue::ParameterValue() = default;

ParameterValue::ParameterValue(const bool bool_value)
: type_(PARAMETER_BOOL), bool_value_(bool_value)
{}

ParameterValue::ParameterValue(const int int_value)
: type_(PARAMETER_INTEGER), integer_value_(int_value)
{}

ParameterValue::ParameterValue(const int64_t int_value)
: type_(PARAMETER_INTEGER), integer_value_(int_value)
{}

ParameterValue::ParameterValue(const float double_value)
: type_(PARAMETER_DOUBLE), double_value_(static_cast<double>(double_value))
{}

ParameterValue::ParameterValue(const double double_value)
: type_(PARAMETER_DOUBLE), double_value_(double_value)
{}

ParameterValue::ParameterValue(const std::string & string_value)
: type_(PARAMETER_STRING), string_value_(string_value)
{}

ParameterValue::ParameterValue(const char * string_value)
: ParameterValue(std::string(string_value))
{}

ParameterValue::ParameterValue(const std::vector<uint8_t> & byte_array_value)
: type_(PARAMETER_BYTE_ARRAY), byte_array_value_(byte_array_value)
{}

ParameterValue::ParameterValue(const std::vector<bool> & bool_array_value)
: type_(PARAMETER_BOOL_ARRAY), bool_array_value_(bool_array_value)
{}

ParameterValue::ParameterValue(const std::vector<int> & int_array_value)
: type_(PARAMETER_INTEGER_ARRAY),
  integer_array_value_(int_array_value.cbegin(), int_array_value.cend())
{}

ParameterValue::ParameterValue(const std::vector<int64_t> & int_array_value)
: type_(PARAMETER_INTEGER_ARRAY), integer_array_value_(int_array_value)
{}

ParameterValue::ParameterValue(const std::vector<float> & float_array_value)
: type_(PARAMETER_DOUBLE_ARRAY),
  double_array_value_(float_array_value.cbegin(), float_array_value.cend())
{}

ParameterValue::ParameterValue(const std::vector<double> & double_array_value)
: type_(PARAMETER_DOUBLE_ARRAY), double_array_value_(double_array_value)
{}

ParameterValue::ParameterValue(const std::vector<std::string> & string_array_value)
: type_(PARAMETER_STRING_ARRAY), string_array_value_(string_array_value)
{}

ParameterType
ParameterValue::get_type() const
{
  return type_;
}

bool
ParameterValue::operator==(const ParameterValue & rhs) const
{
  // Field-by-field, as the equality of the message this class mirrors.
  return type_ == rhs.type_ &&
         bool_value_ == rhs.bool_value_ &&
         integer_value_ == rhs.integer_value_ &&
         double_value_ == rhs.double_value_ &&
         string_value_ == rhs.string_value_ &&
         byte_array_value_ == rhs.byte_array_value_ &&
         bool_array_value_ == rhs.bool_array_value_ &&
         integer_array_value_ == rhs.integer_array_value_ &&
         double_array_value_ == rhs.double_array_value_ &&
         string_array_value_ == rhs.string_array_value_;
}

bool
ParameterValue::operator!=(const ParameterValue & rhs) const
{
  return !(*this == rhs);
}

}  // namespace rclcpp
