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

#include "gst_helpers.hpp"

#include <stdexcept>

namespace kestrova_h264_tools
{

void InitGstreamer()
{
  static const bool initialised = [] {
      gst_init(nullptr, nullptr);
      return true;
    }();
  (void)initialised;
}

std::string DescribeGstMessage(GstMessage * message)
{
  GError * error = nullptr;
  gchar * debug = nullptr;
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    gst_message_parse_error(message, &error, &debug);
  } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) {
    gst_message_parse_warning(message, &error, &debug);
  } else {
    return GST_MESSAGE_TYPE_NAME(message);
  }
  std::string text = GST_OBJECT_NAME(GST_MESSAGE_SRC(message));
  text += ": ";
  text += error != nullptr ? error->message : "unknown error";
  if (debug != nullptr) {
    text += std::string(" (") + debug + ")";
  }
  g_clear_error(&error);
  g_free(debug);
  // One line: GStreamer's debug details span several.
  for (char & c : text) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  return text;
}

Pipeline::Pipeline(const std::string & description)
{
  InitGstreamer();
  GError * error = nullptr;
  GstElement * element = gst_parse_launch(description.c_str(), &error);
  // gst_parse_launch may return a (floating-sunk) pipeline together with a recoverable error;
  // either way a reported error means the description is not what was asked for.
  if (element != nullptr) {
    pipeline_.reset(element);
  }
  if (error != nullptr || element == nullptr) {
    const std::string reason = error != nullptr ? error->message : "no pipeline";
    g_clear_error(&error);
    throw std::runtime_error("pipeline '" + description + "': " + reason);
  }
}

Pipeline::~Pipeline()
{
  if (pipeline_) {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  }
}

ElementPtr Pipeline::Element(const std::string & name) const
{
  GstElement * element = gst_bin_get_by_name(GST_BIN(pipeline_.get()), name.c_str());
  if (element == nullptr) {
    throw std::runtime_error("pipeline has no element named '" + name + "'");
  }
  return ElementPtr(element);
}

void Pipeline::Play(std::chrono::milliseconds timeout)
{
  GstStateChangeReturn result = gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
  if (result == GST_STATE_CHANGE_ASYNC && timeout.count() > 0) {
    result = gst_element_get_state(
      pipeline_.get(), nullptr, nullptr,
      static_cast<GstClockTime>(timeout.count()) * GST_MSECOND);
  }
  if (result == GST_STATE_CHANGE_FAILURE) {
    const std::string error = PopError(std::chrono::milliseconds(100));
    throw std::runtime_error(
      "pipeline did not start: " + (error.empty() ? std::string("state change failed") : error));
  }
  const std::string error = PopError();
  if (!error.empty()) {
    throw std::runtime_error("pipeline did not start: " + error);
  }
}

std::string Pipeline::PopError(std::chrono::milliseconds timeout)
{
  BusPtr bus(gst_element_get_bus(pipeline_.get()));
  MessagePtr message(gst_bus_timed_pop_filtered(
      bus.get(), static_cast<GstClockTime>(timeout.count()) * GST_MSECOND, GST_MESSAGE_ERROR));
  return message ? DescribeGstMessage(message.get()) : std::string();
}

std::string Pipeline::WaitForEos(std::chrono::milliseconds timeout)
{
  BusPtr bus(gst_element_get_bus(pipeline_.get()));
  MessagePtr message(gst_bus_timed_pop_filtered(
      bus.get(), static_cast<GstClockTime>(timeout.count()) * GST_MSECOND,
      static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  if (!message) {
    return "timed out";
  }
  return GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS ?
         std::string() : DescribeGstMessage(message.get());
}

}  // namespace kestrova_h264_tools
