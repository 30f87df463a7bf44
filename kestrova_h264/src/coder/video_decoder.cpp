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


#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>

#include "kestrova_h264/coder.hpp"
#include "pipeline.hpp"

namespace kestrova_h264
{

namespace
{

constexpr char kDecoderKey[] = "decoder_pipeline";

// Tells standard error that the pipeline was restarted, at most once a second (a stream of bad
// data can break the pipeline on many frames), with the number of restarts since the last line.
void ReportRestart(const std::string & error)
{
  static std::mutex mutex;
  static std::chrono::steady_clock::time_point last_report;
  static unsigned long unreported = 0;  // NOLINT(runtime/int)
  std::lock_guard<std::mutex> lock(mutex);
  ++unreported;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_report < std::chrono::seconds(1)) {
    return;
  }
  g_printerr(
    "VideoDecoder: the pipeline stopped: %s; restarted it (%lu restart%s since the last "
    "report)\n", error.c_str(), unreported, unreported == 1 ? "" : "s");
  last_report = now;
  unreported = 0;
}

}  // namespace

VideoDecoder::VideoDecoder(
  std::vector<std::uint8_t> * data, Format format, std::condition_variable * cv,
  std::mutex * mutex, int * cv_ready)
: cv_(cv), mutex_(mutex), cv_ready_(cv_ready), data_(data)
{
  gst_init(nullptr, nullptr);
  const char * caps = nullptr;
  switch (format) {
    case Format::RGB:
      caps = "video/x-raw, format=(string)RGB";
      break;
    case Format::GRAY:
      caps = "video/x-raw, format=(string)GRAY8";
      break;
    default:
      throw std::invalid_argument(
              "VideoDecoder: unknown Format value " + std::to_string(static_cast<int>(format)));
  }
  const std::string description_template = detail::LoadDescription(kDecoderKey);

  detail::Endpoints endpoints;
  endpoints.pipeline = detail::ParseOrExit(
    detail::CompleteDescription(description_template, caps, kDecoderKey));
  pipeline_ = endpoints.pipeline;

  // The element named "decoder" is optional; without it (or without a static "src" pad) the
  // caps members are simply never set.
  decoder_ = detail::FindByName(pipeline_, "decoder");
  if (decoder_ != nullptr) {
    GstPad * pad = gst_element_get_static_pad(decoder_, "src");
    if (pad != nullptr) {
      caps_handler_ = g_signal_connect(
        pad, "notify::caps", G_CALLBACK(&VideoDecoder::on_caps_changed), this);
      gst_object_unref(pad);
    }
  }

  detail::LookUpEndpoints(endpoints, "VideoDecoder");
  input_ = endpoints.input;
  output_ = endpoints.output;
  detail::ConnectSink(output_, G_CALLBACK(&VideoDecoder::on_new_sample), this);

  GstBus * bus = gst_element_get_bus(pipeline_);
  bus_watch_ = gst_bus_add_watch(bus, &VideoDecoder::on_source_message, this);
  gst_object_unref(bus);

  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

VideoDecoder::~VideoDecoder()
{
  g_print("free sources\n");
  // The caps handler is disconnected first: stopping the pipeline clears the pad's caps, which
  // would otherwise report "No width/height available" from inside the destructor.
  if (caps_handler_ != 0) {
    GstPad * pad = gst_element_get_static_pad(decoder_, "src");
    if (pad != nullptr) {
      g_signal_handler_disconnect(pad, caps_handler_);
      gst_object_unref(pad);
    }
  }
  // The watch holds a reference to the bus and keeps its messages queued; nothing dispatches
  // it, so it is removed here rather than left behind with a dangling user pointer.
  if (bus_watch_ != 0) {
    GstBus * bus = gst_element_get_bus(pipeline_);
    gst_bus_remove_watch(bus);
    gst_object_unref(bus);
  }
  detail::StopAndRelease({pipeline_, input_, output_});
  if (decoder_ != nullptr) {
    gst_object_unref(decoder_);
  }
}

void VideoDecoder::PushFrame(const std::uint8_t * data, std::uint32_t size)
{
  // The bus is emptied before every push, so that it holds at most the messages of one frame.
  // An error among them (for example a corrupt sequence header that the decoder cannot
  // negotiate) has stopped the pipeline for good: every later frame would be queued in the
  // appsrc and never decoded. The pipeline is restarted instead; decoding resumes at the next
  // keyframe.
  std::string error;
  if (detail::DrainBus(pipeline_, &error)) {
    ReportRestart(error);
    GstPad * pad = caps_handler_ != 0 ? gst_element_get_static_pad(decoder_, "src") : nullptr;
    // The null state resets every element and empties the appsrc queue. It also clears the
    // decoder's caps, which is not a new frame size: the caps handler does not see it, and the
    // last known size stays until the next keyframe.
    if (pad != nullptr) {
      g_signal_handler_block(pad, caps_handler_);
    }
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (pad != nullptr) {
      g_signal_handler_unblock(pad, caps_handler_);
      gst_object_unref(pad);
    }
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  }
  detail::PushFrameBytes(input_, data, size, detail::RowLayout{});
}

int VideoDecoder::GetState()
{
  return detail::QueryState(pipeline_);
}

int VideoDecoder::GetWidth() const
{
  std::lock_guard<std::mutex> lock(caps_mutex_);
  return width_;
}

int VideoDecoder::GetHeight() const
{
  std::lock_guard<std::mutex> lock(caps_mutex_);
  return height_;
}

std::string VideoDecoder::GetPadType() const
{
  std::lock_guard<std::mutex> lock(caps_mutex_);
  return pad_type_;
}

std::string VideoDecoder::GetFormat() const
{
  std::lock_guard<std::mutex> lock(caps_mutex_);
  return format_;
}

GstFlowReturn VideoDecoder::on_new_sample(GstAppSink * sink, gpointer user_data)
{
  auto * self = static_cast<VideoDecoder *>(user_data);
  return detail::DeliverSample(sink, {self->data_, self->cv_, self->mutex_, self->cv_ready_});
}

void VideoDecoder::on_caps_changed(GstPad * pad, GParamSpec * /*pspec*/, gpointer user_data)
{
  auto * self = static_cast<VideoDecoder *>(user_data);
  GstCaps * caps = nullptr;
  g_object_get(pad, "caps", &caps, nullptr);

  const GstStructure * structure =
    (caps != nullptr && gst_caps_get_size(caps) != 0) ? gst_caps_get_structure(caps, 0) : nullptr;
  int width = 0;
  int height = 0;
  if (structure != nullptr && gst_structure_get_int(structure, "width", &width) &&
    gst_structure_get_int(structure, "height", &height))
  {
    // Caps without a string "format" leave the format empty rather than keeping an old one.
    const gchar * format = gst_structure_get_string(structure, "format");
    {
      std::lock_guard<std::mutex> lock(self->caps_mutex_);
      self->pad_type_ = gst_structure_get_name(structure);
      self->format_ = format != nullptr ? format : "";
      self->width_ = width;
      self->height_ = height;
    }
    g_print("Video Resolution: %dx%d\n", width, height);
  } else {
    g_print("No width/height available\n");
  }
  if (caps != nullptr) {
    gst_caps_unref(caps);
  }
}

gboolean VideoDecoder::on_source_message(
  GstBus * /*bus*/, GstMessage * message, gpointer /*user_data*/)
{
  const GstMessageType type = GST_MESSAGE_TYPE(message);
  g_print("on_source_message is called, type is 0x%X\n", static_cast<unsigned>(type));
  if (type == GST_MESSAGE_EOS) {
    g_print("The source got dry\n");
  } else if (type == GST_MESSAGE_ERROR) {
    g_print("Received error\n");
  }
  return TRUE;
}

}  // namespace kestrova_h264
