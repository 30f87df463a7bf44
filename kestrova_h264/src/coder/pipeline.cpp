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


#include "pipeline.hpp"

#include <gst/app/gstappsrc.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "kestrova_h264/coder.hpp"

namespace kestrova_h264
{

ConfigError::ConfigError(
  const std::string & file, const std::string & key, const std::string & reason)
: std::runtime_error(file + ": key '" + key + "': " + reason), file_(file), key_(key)
{
}

namespace detail
{

std::string LoadDescription(const char * key)
{
  YAML::Node root;
  try {
    root = YAML::LoadFile(kConfigPath);
  } catch (const YAML::BadFile &) {
    throw ConfigError(kConfigPath, key, "the file is missing or cannot be read");
  } catch (const YAML::Exception & e) {
    throw ConfigError(kConfigPath, key, std::string("the file is not valid YAML: ") + e.what());
  }
  if (!root.IsMap()) {
    throw ConfigError(kConfigPath, key, "the top level of the file is not a mapping");
  }
  // Looked up through a const node so that a missing key is not added to the document.
  const YAML::Node value = static_cast<const YAML::Node &>(root)[key];
  if (!value.IsDefined()) {
    throw ConfigError(kConfigPath, key, "the key is absent");
  }
  if (value.IsSequence() || value.IsMap()) {
    throw ConfigError(
      kConfigPath, key,
      std::string("the value is a ") + (value.IsMap() ? "mapping" : "sequence") +
      ", not a pipeline description");
  }
  try {
    // A null or empty value reads as the text "null", which parses to no pipeline.
    return value.as<std::string>();
  } catch (const YAML::Exception & e) {
    throw ConfigError(kConfigPath, key, e.what());
  }
}

std::string CompleteDescription(
  const std::string & templ, const std::string & caps, const char * key)
{
  std::string out;
  out.reserve(templ.size() + caps.size());
  bool caps_used = false;
  for (std::size_t i = 0; i < templ.size(); ++i) {
    if (templ[i] != '%') {
      out += templ[i];
      continue;
    }
    const char next = i + 1 < templ.size() ? templ[i + 1] : '\0';
    if (next == '%') {
      out += '%';
    } else if (next == 's' && !caps_used) {
      out += caps;
      caps_used = true;
    } else {
      throw ConfigError(
        kConfigPath, key,
        "the description has a conversion other than one %s at offset " + std::to_string(i) +
        " (write a literal percent sign as %%)");
    }
    ++i;
  }
  return out;
}

GstElement * ParseOrExit(const std::string & description)
{
  g_print("%s\n", description.c_str());
  GstElement * pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (pipeline == nullptr) {
    g_print("Bad source\n");
    std::exit(1);
  }
  return pipeline;
}

namespace
{

[[noreturn]] void FailCheck(const char * owner, const char * check)
{
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s failed\n", owner, check);
  std::exit(1);
}

}  // namespace

GstElement * FindByName(GstElement * pipeline, const char * name)
{
  // A description of a single element parses to that element, not to a bin: it has no
  // children to find.
  return GST_IS_BIN(pipeline) ? gst_bin_get_by_name(GST_BIN(pipeline), name) : nullptr;
}

void LookUpEndpoints(Endpoints & endpoints, const char * owner)
{
  endpoints.input = FindByName(endpoints.pipeline, "input");
  if (endpoints.input == nullptr) {
    FailCheck(owner, "input_");
  }
  if (!GST_IS_APP_SRC(endpoints.input)) {
    FailCheck(owner, "GST_IS_APP_SRC(input_)");
  }
  endpoints.output = FindByName(endpoints.pipeline, "output");
  if (endpoints.output == nullptr) {
    FailCheck(owner, "output_");
  }
  if (!GST_IS_APP_SINK(endpoints.output)) {
    FailCheck(owner, "GST_IS_APP_SINK(output_)");
  }
}

void ConnectSink(GstElement * output, GCallback handler, gpointer user_data)
{
  g_object_set(output, "emit-signals", TRUE, "sync", FALSE, nullptr);
  g_signal_connect(output, "new-sample", handler, user_data);
}

void StopAndRelease(Endpoints endpoints)
{
  if (endpoints.pipeline != nullptr) {
    gst_element_set_state(endpoints.pipeline, GST_STATE_NULL);
  }
  for (GstElement * element : {endpoints.input, endpoints.output, endpoints.pipeline}) {
    if (element != nullptr) {
      gst_object_unref(element);
    }
  }
}

bool DrainBus(GstElement * pipeline, std::string * error)
{
  GstBus * bus = gst_element_get_bus(pipeline);
  if (bus == nullptr) {
    return false;
  }
  bool failed = false;
  while (GstMessage * message = gst_bus_pop(bus)) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !failed) {
      failed = true;
      GError * gerror = nullptr;
      gchar * debug = nullptr;
      gst_message_parse_error(message, &gerror, &debug);
      const gchar * source = GST_MESSAGE_SRC_NAME(message);
      *error = std::string(source != nullptr ? source : "pipeline") + ": " +
        (gerror != nullptr ? gerror->message : "unknown error");
      // The last line of the debug text gives the reason, e.g. "streaming stopped, reason
      // not-negotiated (-4)".
      if (debug != nullptr) {
        const std::string text(debug);
        const std::size_t line = text.find_last_of('\n');
        *error += " (" + (line == std::string::npos ? text : text.substr(line + 1)) + ")";
      }
      g_free(debug);
      g_clear_error(&gerror);
    }
    gst_message_unref(message);
  }
  gst_object_unref(bus);
  return failed;
}

int QueryState(GstElement * pipeline)
{
  GstState state = GST_STATE_VOID_PENDING;
  if (gst_element_get_state(pipeline, &state, nullptr, 1000) == GST_STATE_CHANGE_FAILURE) {
    g_print("get pipeline state failed\n");
  }
  return state;
}

namespace
{

// Packed length of one row of `plane`, or 0 when the format has no whole-byte pixel stride
// there (tiled and other complex layouts).
std::size_t PackedRowBytes(const GstVideoInfo & info, guint plane)
{
  const GstVideoFormatInfo * finfo = info.finfo;
  if (GST_VIDEO_FORMAT_INFO_IS_TILED(finfo)) {
    return 0;
  }
  gint comps[GST_VIDEO_MAX_COMPONENTS];
  gst_video_format_info_component(finfo, plane, comps);
  if (comps[0] < 0) {
    return 0;
  }
  const gint pstride = GST_VIDEO_FORMAT_INFO_PSTRIDE(finfo, comps[0]);
  if (pstride <= 0) {
    return 0;
  }
  return static_cast<std::size_t>(GST_VIDEO_INFO_COMP_WIDTH(&info, comps[0])) *
         static_cast<std::size_t>(pstride);
}

std::size_t PlaneRows(const GstVideoInfo & info, guint plane)
{
  gint comps[GST_VIDEO_MAX_COMPONENTS];
  gst_video_format_info_component(info.finfo, plane, comps);
  return static_cast<std::size_t>(GST_VIDEO_INFO_COMP_HEIGHT(&info, comps[0]));
}

void CopyRows(
  std::uint8_t * dst, std::size_t dst_stride, const std::uint8_t * src, std::size_t src_stride,
  std::size_t row_bytes, std::size_t rows)
{
  if (dst_stride == row_bytes && src_stride == row_bytes) {
    std::memcpy(dst, src, row_bytes * rows);
    return;
  }
  for (std::size_t r = 0; r < rows; ++r) {
    std::memcpy(dst + r * dst_stride, src + r * src_stride, row_bytes);
    // Row padding is zeroed so that what the pipeline reads is always defined.
    std::memset(dst + r * dst_stride + row_bytes, 0, dst_stride - row_bytes);
  }
}

}  // namespace

RowLayout SinglePlaneLayout(const GstCaps * caps)
{
  RowLayout layout;
  GstVideoInfo info;
  if (caps == nullptr || !gst_video_info_from_caps(&info, caps) ||
    GST_VIDEO_INFO_N_PLANES(&info) != 1)
  {
    return layout;
  }
  layout.row_bytes = PackedRowBytes(info, 0);
  layout.rows = PlaneRows(info, 0);
  layout.gst_stride = static_cast<std::size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
  if (layout.gst_stride < layout.row_bytes) {
    layout.row_bytes = 0;
  }
  return layout;
}

void PushFrameBytes(
  GstElement * input, const std::uint8_t * data, std::uint32_t size, const RowLayout & layout)
{
  if (data == nullptr && size != 0) {
    return;
  }
  std::size_t src_stride = 0;
  if (layout.row_bytes != 0 && layout.rows != 0 && size % layout.rows == 0) {
    src_stride = size / layout.rows;
  }
  // Re-lay the rows only when the caller's row step differs from GStreamer's.
  const bool relay = src_stride >= layout.row_bytes && src_stride != layout.gst_stride &&
    layout.row_bytes != 0;
  const std::size_t out_size = relay ? layout.gst_stride * layout.rows : size;

  GstBuffer * buffer = gst_buffer_new_allocate(nullptr, out_size, nullptr);
  if (buffer == nullptr) {
    return;
  }
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
    gst_buffer_unref(buffer);
    return;
  }
  if (relay) {
    CopyRows(map.data, layout.gst_stride, data, src_stride, layout.row_bytes, layout.rows);
  } else if (size != 0) {
    std::memcpy(map.data, data, size);
  }
  gst_buffer_unmap(buffer, &map);
  gst_app_src_push_buffer(GST_APP_SRC(input), buffer);
}

namespace
{

struct SampleDeleter
{
  void operator()(GstSample * sample) const {gst_sample_unref(sample);}
};
using SamplePtr = std::unique_ptr<GstSample, SampleDeleter>;

// Copies a mapped raw video frame into the vector with packed rows. Returns false when the
// format has planes without a plain row layout.
bool CopyPacked(GstVideoFrame & frame, const Handoff & handoff)
{
  const GstVideoInfo & info = frame.info;
  const guint planes = GST_VIDEO_INFO_N_PLANES(&info);
  std::size_t total = 0;
  for (guint p = 0; p < planes; ++p) {
    const std::size_t row_bytes = PackedRowBytes(info, p);
    if (row_bytes == 0 ||
      row_bytes > static_cast<std::size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p)))
    {
      return false;
    }
    total += row_bytes * PlaneRows(info, p);
  }
  {
    std::lock_guard<std::mutex> lock(*handoff.mutex);
    ++*handoff.cv_ready;
    handoff.data->resize(total);
    std::uint8_t * dst = handoff.data->data();
    for (guint p = 0; p < planes; ++p) {
      const std::size_t row_bytes = PackedRowBytes(info, p);
      const std::size_t rows = PlaneRows(info, p);
      CopyRows(
        dst, row_bytes, static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, p)),
        static_cast<std::size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p)), row_bytes, rows);
      dst += row_bytes * rows;
    }
  }
  handoff.cv->notify_one();
  return true;
}

}  // namespace

GstFlowReturn DeliverSample(GstAppSink * sink, const Handoff & handoff)
{
  SamplePtr sample(gst_app_sink_pull_sample(sink));
  if (!sample) {
    return GST_FLOW_OK;
  }
  GstBuffer * buffer = gst_sample_get_buffer(sample.get());
  if (buffer == nullptr) {
    return GST_FLOW_OK;
  }

  // Raw video goes through a video frame map, which honours the row strides and plane offsets
  // of any video meta on the buffer.
  GstVideoInfo info;
  GstCaps * caps = gst_sample_get_caps(sample.get());
  if (caps != nullptr && gst_caps_get_size(caps) != 0 &&
    gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw") &&
    gst_video_info_from_caps(&info, caps))
  {
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
      const bool copied = CopyPacked(frame, handoff);
      gst_video_frame_unmap(&frame);
      if (copied) {
        return GST_FLOW_OK;
      }
    }
  }

  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    return GST_FLOW_OK;
  }
  const auto size = static_cast<std::uint32_t>(map.size);
  {
    std::lock_guard<std::mutex> lock(*handoff.mutex);
    ++*handoff.cv_ready;
    handoff.data->resize(size);
    if (size != 0) {
      std::memcpy(handoff.data->data(), map.data, size);
    }
  }
  handoff.cv->notify_one();
  gst_buffer_unmap(buffer, &map);
  return GST_FLOW_OK;
}

}  // namespace detail
}  // namespace kestrova_h264
