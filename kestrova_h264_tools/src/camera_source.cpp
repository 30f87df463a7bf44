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

// camera_source: publishes sensor_msgs/msg/Image frames from a GStreamer source (a moving test
// pattern, a V4L2 device or a video file) or from a synthetic depth scene.
//
// A wall timer at the frame rate takes one frame per tick from the pipeline's appsink, so every
// publication happens on the spin thread. File and test-pattern pipelines are not live: the
// appsink holds the pipeline back until the next tick asks for a frame, so no frame is skipped.
// A V4L2 pipeline is live: the appsink keeps only the newest frame.

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "depth_scene.hpp"
#include "gst_helpers.hpp"
#include "program_main.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264_tools
{
namespace
{

constexpr std::chrono::seconds kStartTimeout{10};

struct SourceOptions
{
  std::string topic;
  std::string frame_id;
  std::string encoding;
  int64_t width = 0;
  int64_t height = 0;
  double rate = 0.0;
  std::string device;
  std::string video;
  bool loop = false;
  std::string pattern;
};

// GStreamer raw format and bytes per pixel of an 8-bit encoding the pipeline can produce.
struct GstLayout
{
  const char * format;
  uint32_t bytes_per_pixel;
};

bool IsDepth(const std::string & encoding)
{
  return encoding == "mono16" || encoding == "16UC1";
}

GstLayout LayoutFor(const std::string & encoding)
{
  if (encoding == "rgb8") {
    return {"RGB", 3};
  }
  if (encoding == "bgr8") {
    return {"BGR", 3};
  }
  if (encoding == "mono8") {
    return {"GRAY8", 1};
  }
  throw std::runtime_error(
          "parameter 'encoding': '" + encoding +
          "' is not one of rgb8, bgr8, mono8, mono16, 16UC1");
}

// Text of a path for a gst-launch description: quoted, with quotes and backslashes escaped.
std::string Quoted(const std::string & text)
{
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

std::string Describe(const SourceOptions & o)
{
  std::string source;
  if (!o.device.empty()) {
    source = "v4l2src device=" + Quoted(o.device);
  } else if (!o.video.empty()) {
    source = "filesrc location=" + Quoted(o.video) + " ! decodebin";
  } else {
    source = "videotestsrc pattern=" + o.pattern + " horizontal-speed=4";
  }
  std::string caps = std::string("video/x-raw,format=") + LayoutFor(o.encoding).format;
  if (o.width > 0 && o.height > 0) {
    caps += ",width=" + std::to_string(o.width) + ",height=" + std::to_string(o.height);
  }
  if (o.rate > 0.0) {
    gint num = 0;
    gint den = 1;
    gst_util_double_to_fraction(o.rate, &num, &den);
    caps += ",framerate=" + std::to_string(num) + "/" + std::to_string(den);
  }
  const bool live = !o.device.empty();
  return source + " ! videoconvert ! videoscale ! videorate ! " + caps +
         " ! appsink name=frames sync=false max-buffers=" + (live ? "1 drop=true" : "2") +
         " enable-last-sample=false";
}

class CameraSource : public rclcpp::Node
{
public:
  CameraSource()
  : rclcpp::Node("camera_source")
  {
    SourceOptions & o = options_;
    o.topic = declare_parameter<std::string>("topic", "/image_raw");
    o.frame_id = declare_parameter<std::string>("frame_id", "camera");
    o.encoding = declare_parameter<std::string>("encoding", "rgb8");
    o.width = declare_parameter<int64_t>("width", 1280);
    o.height = declare_parameter<int64_t>("height", 720);
    o.rate = declare_parameter<double>("rate", 30.0);
    o.device = declare_parameter<std::string>("device", "");
    o.video = declare_parameter<std::string>("video", "");
    o.loop = declare_parameter<bool>("loop", false);
    o.pattern = declare_parameter<std::string>("pattern", "smpte");

    if (o.width < 0 || o.height < 0 || o.width > 16384 || o.height > 16384) {
      throw std::runtime_error("parameters 'width'/'height': must be between 0 and 16384");
    }
    if (!std::isfinite(o.rate) || o.rate < 0.0 || o.rate > 1000.0) {
      throw std::runtime_error("parameter 'rate': must be between 0 and 1000 frames a second");
    }
    if (!o.device.empty() && !o.video.empty()) {
      throw std::runtime_error("parameters 'device' and 'video': give at most one");
    }

    double rate = o.rate;
    std::string what;
    if (IsDepth(o.encoding)) {
      if (o.width == 0 || o.height == 0 || o.rate == 0.0) {
        throw std::runtime_error("a synthetic depth stream needs width, height and rate above 0");
      }
      what = "synthetic depth scene";
    } else {
      if (o.device.empty() && o.video.empty() && (o.width == 0 || o.height == 0)) {
        throw std::runtime_error("the test pattern needs width and height above 0");
      }
      what = !o.device.empty() ? "V4L2 device " + o.device :
        !o.video.empty() ? "video file " + o.video + (o.loop ? " (looping)" : "") :
        "test pattern " + o.pattern;
      try {
        StartPipeline(&rate);
      } catch (const std::exception & e) {
        throw std::runtime_error(what + ": " + e.what());
      }
    }
    if (rate <= 0.0) {
      rate = 30.0;
    }

    publisher_ = create_publisher<sensor_msgs::msg::Image>(o.topic, rclcpp::QoS(10));
    timer_ = create_wall_timer(
      std::chrono::nanoseconds(static_cast<int64_t>(1e9 / rate)), [this] {Tick();});
    RCLCPP_INFO(
      get_logger(), "publishing %s frames from the %s on %s at %.2f Hz", o.encoding.c_str(),
      what.c_str(), publisher_->get_topic_name(), rate);
  }

  /// Called after spinning; false after a pipeline error.
  bool Finish() const {return !failed_;}

private:
  // Builds and starts the pipeline, takes its first frame (so a source that cannot deliver
  // fails at start-up) and reports the frame rate it runs at through `rate`.
  void StartPipeline(double * rate)
  {
    pipeline_ = std::make_unique<Pipeline>(Describe(options_));
    sink_ = pipeline_->Element("frames");
    pipeline_->Play(kStartTimeout);
    pending_.reset(gst_app_sink_try_pull_sample(
        GST_APP_SINK(sink_.get()),
        static_cast<GstClockTime>(kStartTimeout.count()) * GST_SECOND));
    if (!pending_) {
      std::string error = pipeline_->PopError();
      throw std::runtime_error(
              "no frame from the source within 10 s" + (error.empty() ? "" : ": " + error));
    }
    if (*rate <= 0.0) {
      GstVideoInfo info;
      if (gst_video_info_from_caps(&info, gst_sample_get_caps(pending_.get())) &&
        info.fps_n > 0 && info.fps_d > 0)
      {
        *rate = static_cast<double>(info.fps_n) / info.fps_d;
      }
    }
  }

  void Tick()
  {
    auto message = std::make_unique<sensor_msgs::msg::Image>();
    const bool ok = IsDepth(options_.encoding) ? RenderDepth(*message) : TakeFrame(*message);
    if (!ok) {
      return;
    }
    message->header.stamp = now();
    message->header.frame_id = options_.frame_id;
    message->encoding = options_.encoding;
    message->is_bigendian = 0;
    publisher_->publish(std::move(message));
    ++frame_;
  }

  bool RenderDepth(sensor_msgs::msg::Image & message)
  {
    const auto width = static_cast<uint32_t>(options_.width);
    const auto height = static_cast<uint32_t>(options_.height);
    RenderDepthScene(width, height, frame_, depth_);
    message.width = width;
    message.height = height;
    message.step = width * 2;
    message.data.resize(depth_.size() * 2);
    // Little-endian samples whatever the host (is_bigendian stays 0).
    for (size_t i = 0; i < depth_.size(); ++i) {
      message.data[2 * i] = static_cast<uint8_t>(depth_[i] & 0xff);
      message.data[2 * i + 1] = static_cast<uint8_t>(depth_[i] >> 8);
    }
    return true;
  }

  bool TakeFrame(sensor_msgs::msg::Image & message)
  {
    GstAppSink * sink = GST_APP_SINK(sink_.get());
    SamplePtr sample = std::move(pending_);
    if (!sample) {
      // Live sources: wait at most one frame period for a new frame.
      sample.reset(gst_app_sink_try_pull_sample(sink, 0));
    }
    if (!sample && gst_app_sink_is_eos(sink)) {
      if (!options_.loop) {
        RCLCPP_INFO(get_logger(), "end of %s after %lu frames", options_.video.c_str(),
          static_cast<unsigned long>(frame_));
        rclcpp::shutdown();
        return false;
      }
      if (!gst_element_seek_simple(
          pipeline_->get(), GST_FORMAT_TIME,
          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0))
      {
        Fail("cannot seek back to the start of " + options_.video);
        return false;
      }
      sample.reset(gst_app_sink_try_pull_sample(sink, GST_SECOND));
    }
    if (!sample) {
      const std::string error = pipeline_->PopError();
      if (!error.empty()) {
        Fail(error);
      }
      return false;
    }
    return CopyFrame(sample.get(), message);
  }

  // Copies the sample's pixels into `message` with packed rows (GStreamer pads rows to 4 bytes).
  bool CopyFrame(GstSample * sample, sensor_msgs::msg::Image & message)
  {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
      Fail("frame without video caps");
      return false;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
      Fail("cannot map a frame");
      return false;
    }
    const uint32_t width = GST_VIDEO_FRAME_WIDTH(&frame);
    const uint32_t height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const uint32_t row = width * LayoutFor(options_.encoding).bytes_per_pixel;
    const auto * pixels = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const size_t stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    message.width = width;
    message.height = height;
    message.step = row;
    message.data.resize(static_cast<size_t>(row) * height);
    for (uint32_t y = 0; y < height; ++y) {
      std::copy_n(pixels + y * stride, row, message.data.data() + static_cast<size_t>(y) * row);
    }
    gst_video_frame_unmap(&frame);
    return true;
  }

  void Fail(const std::string & error)
  {
    RCLCPP_ERROR(get_logger(), "source failed: %s", error.c_str());
    failed_ = true;
    rclcpp::shutdown();
  }

  SourceOptions options_;
  std::unique_ptr<Pipeline> pipeline_;
  ElementPtr sink_;        // released before the pipeline (declared after it)
  SamplePtr pending_;      // the first frame, taken at start-up
  std::vector<uint16_t> depth_;
  uint64_t frame_ = 0;
  bool failed_ = false;
  rclcpp::Publisher<sensor_msgs::msg::Image>::SharedPtr publisher_;
  rclcpp::TimerBase::SharedPtr timer_;
};

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::RunProgram<kestrova_h264_tools::CameraSource>(argc, argv, "camera_source");
}
