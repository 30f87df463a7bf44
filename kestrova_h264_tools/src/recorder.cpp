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

// recorder: writes the H.264 frames of a DualCompressedImage topic into an MP4 file without
// re-encoding (h264parse ! mp4mux). Recording starts at the first keyframe; the file is
// finalised (end-of-stream through the muxer) when the program is stopped by SIGINT or SIGTERM.

#include <gst/app/gstappsrc.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gst_helpers.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_main.hpp"
#include "rclcpp/rclcpp.hpp"

namespace kestrova_h264_tools
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;

constexpr GstClockTime kDefaultFrame = GST_SECOND / 30;

// True when the H.264 byte stream holds an IDR slice (NAL unit type 5) and a sequence parameter
// set (type 7): a frame a player can start decoding at.
bool IsKeyframe(const std::vector<uint8_t> & data)
{
  bool idr = false;
  bool sps = false;
  for (size_t i = 0; i + 3 < data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      const int type = data[i + 3] & 0x1f;
      idr = idr || type == 5;
      sps = sps || type == 7;
      i += 2;
    }
  }
  return idr && sps;
}

int64_t StampNs(const std_msgs::msg::Header & header)
{
  return static_cast<int64_t>(header.stamp.sec) * 1000000000 + header.stamp.nanosec;
}

// The muxing pipeline, created at the first keyframe.
class Mp4Writer
{
public:
  /// Builds the pipeline; nothing is written before Start().
  explicit Mp4Writer(const std::string & path)
  : pipeline_(
      "appsrc name=input format=time "
      "caps=video/x-h264,stream-format=byte-stream,alignment=au ! "
      "h264parse ! mp4mux ! filesink name=file")
  {
    ElementPtr file = pipeline_.Element("file");
    g_object_set(file.get(), "location", path.c_str(), nullptr);
    input_ = pipeline_.Element("input");
  }

  /// Opens the file and starts the pipeline. Throws std::runtime_error on failure.
  void Start() {pipeline_.Play(std::chrono::milliseconds(0));}

  ~Mp4Writer() = default;

  /// Pushes one access unit with presentation time `pts` and `duration`. Throws
  /// std::runtime_error when the pipeline reports an error.
  void Push(const std::vector<uint8_t> & data, GstClockTime pts, GstClockTime duration, bool key)
  {
    GstBuffer * buffer = gst_buffer_new_allocate(nullptr, data.size(), nullptr);
    gst_buffer_fill(buffer, 0, data.data(), data.size());
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = duration;
    if (!key) {
      GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    }
    // appsrc takes the buffer reference.
    const GstFlowReturn flow = gst_app_src_push_buffer(GST_APP_SRC(input_.get()), buffer);
    const std::string error = pipeline_.PopError();
    if (flow != GST_FLOW_OK || !error.empty()) {
      throw std::runtime_error(
              "muxing failed: " + (error.empty() ? gst_flow_get_name(flow) : error));
    }
  }

  /// Ends the stream and waits for the muxer to write the file's index. Returns "" on success,
  /// else the reason.
  std::string Finish()
  {
    gst_app_src_end_of_stream(GST_APP_SRC(input_.get()));
    return pipeline_.WaitForEos(std::chrono::seconds(10));
  }

private:
  Pipeline pipeline_;
  ElementPtr input_;  // released before the pipeline (declared after it)
};

class Recorder : public rclcpp::Node
{
public:
  Recorder()
  : rclcpp::Node("recorder")
  {
    const auto topic = declare_parameter<std::string>("topic", "/image_raw/h264");
    path_ = declare_parameter<std::string>("path", "recording.mp4");
    if (path_.empty()) {
      throw std::runtime_error("parameter 'path': must name a file");
    }
    // Built now, so that the first keyframe does not wait for the plug-ins to load.
    writer_ = std::make_unique<Mp4Writer>(path_);
    subscription_ = create_subscription<DualCompressedImage>(
      topic, rclcpp::QoS(10), [this](DualCompressedImage::SharedPtr m) {OnFrame(*m);});
    RCLCPP_INFO(
      get_logger(), "recording %s into %s from its next keyframe",
      subscription_->get_topic_name(), path_.c_str());
  }

  /// Finalises the file and prints what was recorded. Returns false on failure.
  bool Finish()
  {
    if (!started_) {
      std::printf("recorder: no keyframe received, no file written\n");
      return !failed_;
    }
    const std::string error = writer_->Finish();
    writer_.reset();
    if (!error.empty()) {
      RCLCPP_ERROR(get_logger(), "%s: cannot finish the file: %s", path_.c_str(), error.c_str());
      return false;
    }
    const double seconds = static_cast<double>(last_pts_ + last_duration_) / GST_SECOND;
    std::printf(
      "recorder: wrote %lu frames (%.2f s) to %s\n", static_cast<unsigned long>(frames_),
      seconds, std::filesystem::absolute(path_).c_str());
    std::fflush(stdout);
    return !failed_;
  }

private:
  void OnFrame(const DualCompressedImage & message)
  {
    if (failed_ || message.data.empty()) {
      return;
    }
    try {
      Record(message);
    } catch (const std::exception & e) {
      // The file cannot be continued: stop, and finish what was written so far.
      RCLCPP_ERROR(get_logger(), "%s: %s", path_.c_str(), e.what());
      failed_ = true;
      rclcpp::shutdown();
    }
  }

  void Record(const DualCompressedImage & message)
  {
    const bool key = IsKeyframe(message.data);
    if (!started_) {
      if (!key) {
        ++skipped_;
        RCLCPP_DEBUG(get_logger(), "frame before the first keyframe skipped");
        return;
      }
      writer_->Start();
      started_ = true;
      first_stamp_ = StampNs(message.header);
      RCLCPP_INFO(
        get_logger(), "first keyframe (%lu frames before it skipped)",
        static_cast<unsigned long>(skipped_));
    }
    // Times from the header stamps, relative to the first frame; a stamp that does not move
    // forward gets one frame's duration after the previous frame.
    const int64_t relative = StampNs(message.header) - first_stamp_;
    GstClockTime pts = relative > 0 ? static_cast<GstClockTime>(relative) : 0;
    if (frames_ > 0 && pts <= last_pts_) {
      pts = last_pts_ + last_duration_;
    }
    if (frames_ > 0) {
      last_duration_ = pts - last_pts_;
    }
    writer_->Push(message.data, pts, last_duration_, key);
    last_pts_ = pts;
    ++frames_;
    RCLCPP_DEBUG(get_logger(), "recorded frame %lu", static_cast<unsigned long>(frames_));
  }

  std::string path_;
  std::unique_ptr<Mp4Writer> writer_;
  int64_t first_stamp_ = 0;
  GstClockTime last_pts_ = 0;
  GstClockTime last_duration_ = kDefaultFrame;
  uint64_t frames_ = 0;
  uint64_t skipped_ = 0;
  bool started_ = false;
  bool failed_ = false;
  rclcpp::Subscription<DualCompressedImage>::SharedPtr subscription_;
};

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::RunProgram<kestrova_h264_tools::Recorder>(argc, argv, "recorder");
}
