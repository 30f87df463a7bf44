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


#include <gst/app/gstappsrc.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "kestrova_h264/coder.hpp"
#include "pipeline.hpp"

namespace kestrova_h264
{

VideoEncoder::VideoEncoder(
  int width, int height, int framerate, Format format, std::vector<std::uint8_t> * data,
  std::condition_variable * cv, std::mutex * mutex, int * cv_ready)
: width_(width), height_(height), framerate_(framerate), cv_(cv), mutex_(mutex),
  cv_ready_(cv_ready), data_(data)
{
  const char * key = nullptr;
  const char * caps_template = nullptr;
  switch (format) {
    case Format::RGB:
      key = "encoder_rgb_pipeline";
      caps_template = "video/x-raw, width=%d, height=%d, format=(string)RGB, "
        "framerate=(fraction)%d/1";
      break;
    case Format::GRAY:
      key = "encoder_gray_pipeline";
      caps_template = "video/x-raw, width=%d, height=%d, format=(string)GRAY8, "
        "framerate=(fraction)%d/1";
      break;
    default:
      throw std::invalid_argument(
              "VideoEncoder: unknown Format value " + std::to_string(static_cast<int>(format)));
  }
  const std::string description_template = detail::LoadDescription(key);

  // 128 bytes hold the longest possible text (107 characters, three times INT_MIN).
  char caps[128] = {};
  std::snprintf(caps, sizeof(caps), caps_template, width_, height_, framerate_);

  gst_init(nullptr, nullptr);
  detail::Endpoints endpoints;
  endpoints.pipeline = detail::ParseOrExit(
    detail::CompleteDescription(description_template, caps, key));
  pipeline_ = endpoints.pipeline;
  detail::LookUpEndpoints(endpoints, "VideoEncoder");
  input_ = endpoints.input;
  output_ = endpoints.output;

  // Frames are laid out for the caps the appsrc announces; when the description sets none on
  // it, the caps text describes them.
  GstCaps * input_caps = gst_app_src_get_caps(GST_APP_SRC(input_));
  if (input_caps == nullptr && width_ > 0 && height_ > 0 && framerate_ >= 0) {
    input_caps = gst_caps_from_string(caps);
  }
  const detail::RowLayout layout = detail::SinglePlaneLayout(input_caps);
  if (input_caps != nullptr) {
    gst_caps_unref(input_caps);
  }
  frame_rows_ = layout.rows;
  row_bytes_ = layout.row_bytes;
  gst_stride_ = layout.gst_stride;

  detail::ConnectSink(output_, G_CALLBACK(&VideoEncoder::on_new_sample), this);
  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

VideoEncoder::~VideoEncoder()
{
  g_print("free sources");
  detail::StopAndRelease({pipeline_, input_, output_});
}

void VideoEncoder::PushFrame(const std::uint8_t * data, std::uint32_t size)
{
  detail::RowLayout layout;
  layout.rows = frame_rows_;
  layout.row_bytes = row_bytes_;
  layout.gst_stride = gst_stride_;
  detail::PushFrameBytes(input_, data, size, layout);
}

int VideoEncoder::GetState()
{
  return detail::QueryState(pipeline_);
}

GstFlowReturn VideoEncoder::on_new_sample(GstAppSink * sink, gpointer user_data)
{
  auto * self = static_cast<VideoEncoder *>(user_data);
  return detail::DeliverSample(sink, {self->data_, self->cv_, self->mutex_, self->cv_ready_});
}

}  // namespace kestrova_h264
