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

// Parameter values and the node parameter store. Expected behaviour and texts are those of
// rclcpp (Humble): parameter_value.cpp, parameter.cpp and node_parameters.cpp.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "rcl_interfaces/msg/parameter_descriptor.hpp"
#include "rclcpp/detail/node_parameters.hpp"
#include "rclcpp/exceptions.hpp"
#include "rclcpp/parameter.hpp"
#include "rclcpp/parameter_value.hpp"

namespace
{

using rclcpp::ParameterType;
using rclcpp::ParameterValue;
using Descriptor = rcl_interfaces::msg::ParameterDescriptor;

TEST(ParameterValueText, type_names_and_values)
{
  struct Case
  {
    ParameterValue value;
    ParameterType type;
    std::string type_name;
    std::string text;
  };
  const std::vector<Case> cases = {
    {ParameterValue(), rclcpp::PARAMETER_NOT_SET, "not set", "not set"},
    {ParameterValue(true), rclcpp::PARAMETER_BOOL, "bool", "true"},
    {ParameterValue(42), rclcpp::PARAMETER_INTEGER, "integer", "42"},
    {ParameterValue(int64_t{-7}), rclcpp::PARAMETER_INTEGER, "integer", "-7"},
    {ParameterValue(1.5), rclcpp::PARAMETER_DOUBLE, "double", "1.500000"},
    {ParameterValue(2.5f), rclcpp::PARAMETER_DOUBLE, "double", "2.500000"},
    {ParameterValue("abc"), rclcpp::PARAMETER_STRING, "string", "abc"},
    {ParameterValue(std::vector<uint8_t>{1, 255, 0}), rclcpp::PARAMETER_BYTE_ARRAY,
      "byte_array", "[0x1, 0xff, 0]"},
    {ParameterValue(std::vector<bool>{true, false}), rclcpp::PARAMETER_BOOL_ARRAY,
      "bool_array", "[true, false]"},
    {ParameterValue(std::vector<int>{1, -2}), rclcpp::PARAMETER_INTEGER_ARRAY,
      "integer_array", "[1, -2]"},
    {ParameterValue(std::vector<double>{1.5, 2.0}), rclcpp::PARAMETER_DOUBLE_ARRAY,
      "double_array", "[1.5, 2]"},
    {ParameterValue(std::vector<float>{0.5f}), rclcpp::PARAMETER_DOUBLE_ARRAY,
      "double_array", "[0.5]"},
    {ParameterValue(std::vector<std::string>{"a", "b"}), rclcpp::PARAMETER_STRING_ARRAY,
      "string_array", "[a, b]"},
  };
  for (const auto & c : cases) {
    EXPECT_EQ(c.type, c.value.get_type()) << c.text;
    EXPECT_EQ(c.type_name, rclcpp::to_string(c.value.get_type()));
    EXPECT_EQ(c.text, rclcpp::to_string(c.value));
    rclcpp::Parameter parameter("p", c.value);
    EXPECT_EQ(c.type_name, parameter.get_type_name());
    EXPECT_EQ(c.text, parameter.value_to_string());
  }
}

TEST(ParameterValueGet, by_cpp_type_and_by_tag)
{
  const ParameterValue integer(7);
  EXPECT_EQ(7, integer.get<int>());
  EXPECT_EQ(7, integer.get<int64_t>());
  EXPECT_EQ(7, integer.get<rclcpp::PARAMETER_INTEGER>());
  const ParameterValue real(0.25);
  EXPECT_DOUBLE_EQ(0.25, real.get<float>());
  EXPECT_DOUBLE_EQ(0.25, real.get<double>());
  const ParameterValue text(std::string("hi"));
  EXPECT_EQ("hi", text.get<std::string>());
  const ParameterValue ints(std::vector<int64_t>{1, 2});
  EXPECT_EQ((std::vector<int64_t>{1, 2}), ints.get<std::vector<int>>());
  EXPECT_EQ((std::vector<int64_t>{1, 2}), ints.get<std::vector<int64_t>>());
  EXPECT_EQ(ParameterValue(5), ParameterValue(int64_t{5}));
  EXPECT_NE(ParameterValue(5), ParameterValue(5.0));
}

TEST(ParameterValueGet, wrong_type_throws_with_both_type_names)
{
  struct Case
  {
    std::function<void()> get;
    std::string what;
  };
  const ParameterValue integer(3);
  const ParameterValue unset;
  const std::vector<Case> cases = {
    {[&] {integer.get<double>();}, "expected [double] got [integer]"},
    {[&] {integer.get<std::string>();}, "expected [string] got [integer]"},
    {[&] {integer.get<bool>();}, "expected [bool] got [integer]"},
    {[&] {unset.get<int>();}, "expected [integer] got [not set]"},
    {[&] {integer.get<std::vector<int64_t>>();}, "expected [integer_array] got [integer]"},
  };
  for (const auto & c : cases) {
    try {
      c.get();
      ADD_FAILURE() << "no exception for " << c.what;
    } catch (const rclcpp::ParameterTypeException & e) {
      EXPECT_EQ(c.what, e.what());
    }
  }
}

TEST(ParameterAccessors, as_functions)
{
  EXPECT_TRUE(rclcpp::Parameter("b", true).as_bool());
  EXPECT_EQ(9, rclcpp::Parameter("i", 9).as_int());
  EXPECT_DOUBLE_EQ(0.5, rclcpp::Parameter("d", 0.5).as_double());
  EXPECT_EQ("s", rclcpp::Parameter("s", "s").as_string());
  EXPECT_EQ((std::vector<uint8_t>{1}), rclcpp::Parameter("y", std::vector<uint8_t>{1}).as_byte_array());
  EXPECT_EQ(
    (std::vector<int64_t>{3}), rclcpp::Parameter("ia", std::vector<int>{3}).as_integer_array());
  EXPECT_EQ(9, rclcpp::Parameter("i", 9).get_value<int>());
  EXPECT_THROW(rclcpp::Parameter("i", 9).as_double(), rclcpp::ParameterTypeException);
  EXPECT_EQ("i", rclcpp::Parameter("i", 9).get_name());
}

Descriptor dynamic_descriptor()
{
  Descriptor d;
  d.dynamic_typing = true;
  return d;
}

Descriptor integer_range(int64_t from, int64_t to, uint64_t step)
{
  Descriptor d;
  rcl_interfaces::msg::IntegerRange range;
  range.from_value = from;
  range.to_value = to;
  range.step = step;
  d.integer_range.push_back(range);
  return d;
}

Descriptor double_range(double from, double to, double step)
{
  Descriptor d;
  rcl_interfaces::msg::FloatingPointRange range;
  range.from_value = from;
  range.to_value = to;
  range.step = step;
  d.floating_point_range.push_back(range);
  return d;
}

enum class Outcome { value, type_error, value_error };

struct DeclareCase
{
  std::string label;
  ParameterValue default_value;
  std::map<std::string, ParameterValue> overrides;
  Descriptor descriptor;
  bool ignore_override;
  Outcome outcome;
  ParameterValue expected;  // for Outcome::value
  std::string what;         // for the errors
};

TEST(DeclareParameter, overrides_types_and_ranges)
{
  const std::vector<DeclareCase> cases = {
    {"default kept without override", ParameterValue(5), {}, Descriptor(), false,
      Outcome::value, ParameterValue(5), ""},
    {"override replaces default", ParameterValue(5), {{"x", ParameterValue(7)}}, Descriptor(), false,
      Outcome::value, ParameterValue(7), ""},
    {"ignore_override keeps default", ParameterValue(5), {{"x", ParameterValue(7)}}, Descriptor(), true,
      Outcome::value, ParameterValue(5), ""},
    {"override of another name ignored", ParameterValue(5), {{"y", ParameterValue(7)}}, Descriptor(),
      false, Outcome::value, ParameterValue(5), ""},
    {"integer override for a double", ParameterValue(1.0), {{"x", ParameterValue(1)}}, Descriptor(),
      false, Outcome::type_error, {},
      "parameter 'x' has invalid type: Wrong parameter type, parameter {x} is of type "
      "{double}, setting it to {integer} is not allowed."},
    {"string override for an integer", ParameterValue(15), {{"x", ParameterValue("fast")}}, Descriptor(),
      false, Outcome::type_error, {},
      "parameter 'x' has invalid type: Wrong parameter type, parameter {x} is of type "
      "{integer}, setting it to {string} is not allowed."},
    {"wrong override type ignored when told to", ParameterValue(1.0),
      {{"x", ParameterValue(1)}}, Descriptor(), true, Outcome::value, ParameterValue(1.0), ""},
    {"dynamic typing takes any override", ParameterValue(1.0), {{"x", ParameterValue(1)}},
      dynamic_descriptor(), false, Outcome::value, ParameterValue(1), ""},
    {"integer in range on a step", ParameterValue(4), {}, integer_range(0, 10, 2), false,
      Outcome::value, ParameterValue(4), ""},
    {"integer at the upper bound off the step", ParameterValue(9), {},
      integer_range(1, 9, 4), false, Outcome::value, ParameterValue(9), ""},
    {"integer override off the step", ParameterValue(4), {{"x", ParameterValue(7)}},
      integer_range(0, 10, 2), false, Outcome::value_error, {},
      "parameter 'x' could not be set: Parameter {x} doesn't comply with integer range."},
    {"integer above the range", ParameterValue(11), {}, integer_range(0, 10, 0), false,
      Outcome::value_error, {},
      "parameter 'x' could not be set: Parameter {x} doesn't comply with integer range."},
    {"double on a step within rounding", ParameterValue(0.3), {}, double_range(0.0, 1.0, 0.1),
      false, Outcome::value, ParameterValue(0.3), ""},
    {"double outside the range", ParameterValue(1.5), {}, double_range(0.0, 1.0, 0.0), false,
      Outcome::value_error, {},
      "parameter 'x' could not be set: Parameter {x} doesn't comply with floating point range."},
    {"statically typed without any value", ParameterValue(), {}, Descriptor(), false,
      Outcome::type_error, {},
      "parameter 'x' has invalid type: cannot declare a statically typed parameter with an "
      "uninitialized value"},
  };
  for (const auto & c : cases) {
    rclcpp::detail::NodeParameters store(c.overrides, "/node");
    switch (c.outcome) {
      case Outcome::value:
        EXPECT_EQ(
          c.expected,
          store.declare_parameter("x", c.default_value, c.descriptor, c.ignore_override))
          << c.label;
        EXPECT_EQ(c.expected, store.get_parameter("x").get_parameter_value()) << c.label;
        break;
      case Outcome::type_error:
        try {
          store.declare_parameter("x", c.default_value, c.descriptor, c.ignore_override);
          ADD_FAILURE() << c.label << ": no exception";
        } catch (const rclcpp::exceptions::InvalidParameterTypeException & e) {
          EXPECT_EQ(c.what, e.what()) << c.label;
        }
        EXPECT_FALSE(store.has_parameter("x")) << c.label;
        break;
      case Outcome::value_error:
        try {
          store.declare_parameter("x", c.default_value, c.descriptor, c.ignore_override);
          ADD_FAILURE() << c.label << ": no exception";
        } catch (const rclcpp::exceptions::InvalidParameterValueException & e) {
          EXPECT_EQ(c.what, e.what()) << c.label;
        }
        EXPECT_FALSE(store.has_parameter("x")) << c.label;
        break;
    }
  }
}

TEST(DeclareParameter, name_rules)
{
  rclcpp::detail::NodeParameters store({}, "/node");
  try {
    store.declare_parameter("", ParameterValue(1));
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::InvalidParametersException & e) {
    EXPECT_STREQ("parameter name must not be empty", e.what());
  }
  store.declare_parameter("x", ParameterValue(1));
  try {
    store.declare_parameter("x", ParameterValue(2));
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterAlreadyDeclaredException & e) {
    EXPECT_STREQ("parameter 'x' has already been declared", e.what());
  }
  EXPECT_EQ(1, store.get_parameter("x").as_int());
}

TEST(DeclareParameter, statically_typed_without_default)
{
  rclcpp::detail::NodeParameters store({{"given", ParameterValue(3)}}, "/node");
  EXPECT_EQ(3, store.declare_parameter("given", rclcpp::PARAMETER_INTEGER).get<int>());

  const ParameterValue & missing = store.declare_parameter("missing", rclcpp::PARAMETER_DOUBLE);
  EXPECT_EQ(rclcpp::PARAMETER_NOT_SET, missing.get_type());
  EXPECT_TRUE(store.has_parameter("missing"));
  try {
    store.get_parameter("missing");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterUninitializedException & e) {
    EXPECT_STREQ("parameter 'missing' is not initialized", e.what());
  }
  rclcpp::Parameter out;
  EXPECT_FALSE(store.get_parameter("missing", out));
  EXPECT_FALSE(store.set_parameter(rclcpp::Parameter("missing", 1)).successful);
  EXPECT_TRUE(store.set_parameter(rclcpp::Parameter("missing", 2.5)).successful);
  EXPECT_DOUBLE_EQ(2.5, store.get_parameter("missing").as_double());

  EXPECT_THROW(
    store.declare_parameter("unset", rclcpp::PARAMETER_NOT_SET), std::invalid_argument);
  EXPECT_THROW(
    store.declare_parameter("dyn", rclcpp::PARAMETER_INTEGER, dynamic_descriptor()),
    std::invalid_argument);
}

TEST(DeclareParameter, typed_declaration_rejects_override_of_other_type)
{
  rclcpp::detail::NodeParameters store({{"rate", ParameterValue("fast")}}, "/node");
  try {
    store.declare_parameter("rate", rclcpp::PARAMETER_INTEGER);
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::InvalidParameterTypeException & e) {
    EXPECT_STREQ(
      "parameter 'rate' has invalid type: Wrong parameter type, parameter {rate} is of type "
      "{integer}, setting it to {string} is not allowed.", e.what());
  }
}

TEST(GetParameter, undeclared)
{
  rclcpp::detail::NodeParameters store({}, "/node");
  try {
    store.get_parameter("nope");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterNotDeclaredException & e) {
    EXPECT_STREQ("nope", e.what());
  }
  rclcpp::Parameter out;
  EXPECT_FALSE(store.get_parameter("nope", out));
  EXPECT_FALSE(store.has_parameter("nope"));
  EXPECT_THROW(store.describe_parameter("nope"), rclcpp::exceptions::ParameterNotDeclaredException);
}

TEST(SetParameter, rules)
{
  Descriptor read_only;
  read_only.read_only = true;
  rclcpp::detail::NodeParameters store({}, "/node");
  store.declare_parameter("count", ParameterValue(1));
  store.declare_parameter("fixed", ParameterValue(1), read_only);
  store.declare_parameter("any", ParameterValue(1), dynamic_descriptor());

  struct Case
  {
    rclcpp::Parameter parameter;
    bool successful;
    std::string reason;
  };
  const std::vector<Case> cases = {
    {rclcpp::Parameter("count", 2), true, ""},
    {rclcpp::Parameter("count", "two"), false,
      "Wrong parameter type, parameter {count} is of type {integer}, setting it to {string} "
      "is not allowed."},
    {rclcpp::Parameter("fixed", 2), false, "parameter 'fixed' cannot be set because it is "
      "read-only"},
    {rclcpp::Parameter("any", "text"), true, ""},
    {rclcpp::Parameter("count"), false, "cannot undeclare a statically typed parameter"},
  };
  for (const auto & c : cases) {
    const auto result = store.set_parameter(c.parameter);
    EXPECT_EQ(c.successful, result.successful) << c.parameter.get_name();
    EXPECT_EQ(c.reason, result.reason) << c.parameter.get_name();
  }
  EXPECT_EQ(2, store.get_parameter("count").as_int());
  EXPECT_EQ(1, store.get_parameter("fixed").as_int());
  EXPECT_EQ("text", store.get_parameter("any").as_string());
  EXPECT_EQ(rclcpp::PARAMETER_STRING, store.describe_parameter("any").type);

  try {
    store.set_parameter(rclcpp::Parameter("nope", 1));
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterNotDeclaredException & e) {
    EXPECT_STREQ("parameter 'nope' cannot be set because it was not declared", e.what());
  }

  // A dynamically typed parameter set to "not set" is undeclared.
  EXPECT_TRUE(store.set_parameter(rclcpp::Parameter("any")).successful);
  EXPECT_FALSE(store.has_parameter("any"));
}

TEST(SetParameter, atomically_sets_all_or_nothing)
{
  rclcpp::detail::NodeParameters store({}, "/node");
  store.declare_parameter("a", ParameterValue(1));
  store.declare_parameter("b", ParameterValue(1));
  const auto rejected = store.set_parameters_atomically(
    {rclcpp::Parameter("a", 2), rclcpp::Parameter("b", "x")});
  EXPECT_FALSE(rejected.successful);
  EXPECT_EQ(1, store.get_parameter("a").as_int());

  const auto each = store.set_parameters({rclcpp::Parameter("a", 2), rclcpp::Parameter("b", "x")});
  ASSERT_EQ(2u, each.size());
  EXPECT_TRUE(each[0].successful);
  EXPECT_FALSE(each[1].successful);
  EXPECT_EQ(2, store.get_parameter("a").as_int());
}

TEST(UndeclareParameter, rules)
{
  Descriptor read_only = dynamic_descriptor();
  read_only.read_only = true;
  rclcpp::detail::NodeParameters store({}, "/node");
  store.declare_parameter("static", ParameterValue(1));
  store.declare_parameter("dynamic", ParameterValue(1), dynamic_descriptor());
  store.declare_parameter("frozen", ParameterValue(1), read_only);

  try {
    store.undeclare_parameter("nope");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterNotDeclaredException & e) {
    EXPECT_STREQ("cannot undeclare parameter 'nope' which has not yet been declared", e.what());
  }
  try {
    store.undeclare_parameter("frozen");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::ParameterImmutableException & e) {
    EXPECT_STREQ("cannot undeclare parameter 'frozen' because it is read-only", e.what());
  }
  try {
    store.undeclare_parameter("static");
    FAIL() << "no exception";
  } catch (const rclcpp::exceptions::InvalidParameterTypeException & e) {
    EXPECT_STREQ(
      "parameter 'static' has invalid type: cannot undeclare a statically typed parameter",
      e.what());
  }
  store.undeclare_parameter("dynamic");
  EXPECT_FALSE(store.has_parameter("dynamic"));
}

TEST(ParameterStore, queries)
{
  rclcpp::detail::NodeParameters store(
    {{"extra", ParameterValue(true)}, {"x", ParameterValue(9)}}, "/node");
  store.declare_parameter("x", ParameterValue(1));
  store.declare_parameter("group.a", ParameterValue(1));
  store.declare_parameter("group.b", ParameterValue("s"));

  const auto values = store.get_parameters({"x", "group.b"});
  ASSERT_EQ(2u, values.size());
  EXPECT_EQ(9, values[0].as_int());
  EXPECT_EQ("s", values[1].as_string());

  std::map<std::string, rclcpp::Parameter> group;
  EXPECT_TRUE(store.get_parameters_by_prefix("group", group));
  ASSERT_EQ(2u, group.size());
  EXPECT_EQ("group.a", group.at("a").get_name());

  EXPECT_EQ(
    (std::vector<uint8_t>{rclcpp::PARAMETER_INTEGER, rclcpp::PARAMETER_STRING}),
    store.get_parameter_types({"x", "group.b"}));

  const Descriptor described = store.describe_parameter("x");
  EXPECT_EQ("x", described.name);
  EXPECT_EQ(rclcpp::PARAMETER_INTEGER, described.type);

  // Overrides not declared yet get declared, dynamically typed.
  store.declare_parameters_from_overrides();
  EXPECT_TRUE(store.get_parameter("extra").as_bool());
  EXPECT_TRUE(store.describe_parameter("extra").dynamic_typing);
}

TEST(ParameterStore, concurrent_use)
{
  rclcpp::detail::NodeParameters store({}, "/node");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back(
      [&store, t] {
        const std::string name = "p" + std::to_string(t);
        store.declare_parameter(name, ParameterValue(0));
        for (int i = 1; i <= 200; ++i) {
          store.set_parameter(rclcpp::Parameter(name, i));
          store.get_parameter(name);
        }
      });
  }
  for (auto & thread : threads) {
    thread.join();
  }
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(200, store.get_parameter("p" + std::to_string(t)).as_int());
  }
}

}  // namespace
