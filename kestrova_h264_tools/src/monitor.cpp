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

// monitor: watches a camera topic, its H.264 topic and the decoded "_new" topic, and prints one
// status line a second (frame rates, bitrate, compression ratio, end-to-end latency, PSNR,
// frames lost). On exit it writes a PNG of the last matched frame (original | decoded |
// amplified difference) and a summary line.
//
// Frames are matched by header stamp: the encoder and decoder copy the camera's header, so the
// decoded image with stamp S is the camera frame with stamp S after its round trip.

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_stats.hpp"
#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "png_writer.hpp"
#include "program_main.hpp"
#include "rclcpp/rclcpp.hpp"
#include "sensor_msgs/msg/image.hpp"

namespace kestrova_h264_tools
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using sensor_msgs::msg::Image;

int64_t StampNs(const std_msgs::msg::Header & header)
{
  return static_cast<int64_t>(header.stamp.sec) * 1000000000 + header.stamp.nanosec;
}

FrameView ViewOf(const Image & image)
{
  return FrameView{image.data.data(), image.data.size(), image.width, image.height, image.step,
    image.encoding};
}

// Counts and samples over one period (a second, or the whole run).
struct Tally
{
  uint64_t in = 0;
  uint64_t h264 = 0;
  uint64_t out = 0;
  uint64_t h264_bytes = 0;
  uint64_t raw_bytes = 0;        // raw size of the frames behind those H.264 bytes
  uint64_t ratio_bytes = 0;      // H.264 bytes whose raw size is known
  uint64_t lost = 0;
  std::vector<double> latency_ms;
  std::vector<double> psnr_db;   // +inf for identical frames

  std::string Ratio() const
  {
    if (ratio_bytes == 0) {
      return "-";
    }
    // One decimal for small ratios (lossless depth), none for large ones.
    const double ratio = static_cast<double>(raw_bytes) / static_cast<double>(ratio_bytes);
    char text[32];
    std::snprintf(text, sizeof(text), ratio < 10.0 ? "%.1f:1" : "%.0f:1", ratio);
    return text;
  }

  std::string Latency() const
  {
    if (latency_ms.empty()) {
      return "p50 - p99 -";
    }
    char text[64];
    std::snprintf(text, sizeof(text), "p50 %.1f ms p99 %.1f ms",
      Percentile(latency_ms, 50), Percentile(latency_ms, 99));
    return text;
  }

  // Mean and lowest PSNR of the frames that were not identical; "lossless" when all were.
  std::string Psnr(bool with_min) const
  {
    if (psnr_db.empty()) {
      return "-";
    }
    double sum = 0.0;
    double low = std::numeric_limits<double>::infinity();
    size_t finite = 0;
    for (double p : psnr_db) {
      if (std::isfinite(p)) {
        sum += p;
        low = std::min(low, p);
        ++finite;
      }
    }
    if (finite == 0) {
      return "lossless";
    }
    char text[64];
    if (with_min) {
      std::snprintf(text, sizeof(text), "mean %.2f dB min %.2f dB", sum / finite, low);
    } else {
      std::snprintf(text, sizeof(text), "%.2f dB", sum / finite);
    }
    std::string out = text;
    if (finite < psnr_db.size()) {
      out += " (" + std::to_string(psnr_db.size() - finite) + " identical)";
    }
    return out;
  }
};

class Monitor : public rclcpp::Node
{
public:
  Monitor()
  : rclcpp::Node("monitor")
  {
    const auto topic = declare_parameter<std::string>("topic", "/image_raw");
    auto h264_topic = declare_parameter<std::string>("h264_topic", "");
    auto decoded_topic = declare_parameter<std::string>("decoded_topic", "");
    image_path_ = declare_parameter<std::string>("image", "monitor.png");
    amplify_ = declare_parameter<double>("amplify", 8.0);
    const double window = declare_parameter<double>("window", 1.0);
    if (!(window > 0.0 && window <= 60.0)) {
      throw std::runtime_error("parameter 'window': must be above 0 and at most 60 seconds");
    }
    window_ns_ = static_cast<int64_t>(window * 1e9);
    if (h264_topic.empty()) {
      h264_topic = topic + "/h264";
    }
    if (decoded_topic.empty()) {
      decoded_topic = topic + "_new";
    }

    camera_sub_ = create_subscription<Image>(
      topic, rclcpp::QoS(10), [this](Image::SharedPtr m) {OnCamera(std::move(m));});
    h264_sub_ = create_subscription<DualCompressedImage>(
      h264_topic, rclcpp::QoS(10),
      [this](DualCompressedImage::SharedPtr m) {OnH264(*m);});
    decoded_sub_ = create_subscription<Image>(
      decoded_topic, rclcpp::QoS(10), [this](Image::SharedPtr m) {OnDecoded(std::move(m));});
    timer_ = create_wall_timer(std::chrono::seconds(1), [this] {PrintStatus();});
    started_ns_ = last_status_ns_ = now().nanoseconds();
    RCLCPP_INFO(
      get_logger(), "watching %s, %s and %s", camera_sub_->get_topic_name(),
      h264_sub_->get_topic_name(), decoded_sub_->get_topic_name());
  }

  /// Writes the comparison picture and prints the summary line. Returns false when the
  /// picture could not be written.
  bool Finish()
  {
    Evict(true);
    std::string image = "no decoded frame matched a camera frame, no picture written";
    bool ok = true;
    if (last_original_ && last_decoded_) {
      uint32_t width = 0;
      uint32_t height = 0;
      const auto picture = ComparisonPicture(
        ViewOf(*last_original_), ViewOf(*last_decoded_), amplify_, &width, &height);
      try {
        WritePngRgb(image_path_, width, height, picture);
        image = "picture " + std::filesystem::absolute(image_path_).string();
      } catch (const std::exception & e) {
        RCLCPP_ERROR(get_logger(), "%s", e.what());
        image = "picture not written";
        ok = false;
      }
    }
    const double seconds = static_cast<double>(now().nanoseconds() - started_ns_) / 1e9;
    const double mbits = seconds > 0.0 ? total_.h264_bytes * 8.0 / seconds / 1e6 : 0.0;
    std::printf(
      "monitor summary: %" PRIu64 " frames in, %" PRIu64 " h264, %" PRIu64 " out, %" PRIu64
      " lost in %.1f s; h264 %.2f Mbit/s ratio %s; latency %s; PSNR %s; %s\n",
      total_.in, total_.h264, total_.out, total_.lost, seconds, mbits, total_.Ratio().c_str(),
      total_.Latency().c_str(), total_.Psnr(true).c_str(), image.c_str());
    std::fflush(stdout);
    return ok;
  }

private:
  struct Original
  {
    Image::SharedPtr image;
    int64_t arrival_ns;
  };

  void OnCamera(Image::SharedPtr image)
  {
    const int64_t stamp = StampNs(image->header);
    ++second_.in;
    ++total_.in;
    last_raw_size_ = image->data.size();
    newest_stamp_ = std::max(newest_stamp_, stamp);
    originals_[stamp] = Original{std::move(image), now().nanoseconds()};
    Evict(false);
  }

  void OnH264(const DualCompressedImage & message)
  {
    ++second_.h264;
    ++total_.h264;
    second_.h264_bytes += message.data.size();
    total_.h264_bytes += message.data.size();
    // Raw size of the frame: the camera frame with the same stamp, else the latest one.
    const auto found = originals_.find(StampNs(message.header));
    const uint64_t raw = found != originals_.end() ? found->second.image->data.size() :
      last_raw_size_;
    if (raw > 0) {
      for (Tally * t : {&second_, &total_}) {
        t->raw_bytes += raw;
        t->ratio_bytes += message.data.size();
      }
    }
  }

  void OnDecoded(Image::SharedPtr decoded)
  {
    const int64_t stamp = StampNs(decoded->header);
    const double latency_ms = static_cast<double>(now().nanoseconds() - stamp) / 1e6;
    ++second_.out;
    ++total_.out;
    second_.latency_ms.push_back(latency_ms);
    total_.latency_ms.push_back(latency_ms);
    if (!first_decoded_stamp_) {
      first_decoded_stamp_ = stamp;
    }
    const auto found = originals_.find(stamp);
    if (found == originals_.end()) {
      return;
    }
    const auto psnr = Psnr(ViewOf(*found->second.image), ViewOf(*decoded));
    if (psnr) {
      second_.psnr_db.push_back(*psnr);
      total_.psnr_db.push_back(*psnr);
      last_original_ = found->second.image;
      last_decoded_ = std::move(decoded);
    } else if (!layout_warned_) {
      layout_warned_ = true;
      RCLCPP_WARN(
        get_logger(), "decoded %ux%u %s cannot be compared with the camera's %ux%u %s",
        decoded->width, decoded->height, decoded->encoding.c_str(), found->second.image->width,
        found->second.image->height, found->second.image->encoding.c_str());
    }
    originals_.erase(found);
  }

  // Drops the camera frames that have waited longer than the window for their decoded image
  // (all of them when `all`). Those that expired, and were taken after the first decoded frame
  // (the pipeline was running), count as lost.
  void Evict(bool all)
  {
    const int64_t now_ns = now().nanoseconds();
    for (auto it = originals_.begin(); it != originals_.end(); ) {
      const bool expired = it->first < newest_stamp_ - window_ns_ ||
        now_ns - it->second.arrival_ns > window_ns_;
      if (!all && !expired) {
        ++it;
        continue;
      }
      // At exit, frames still within the window are in flight rather than lost.
      if (expired && first_decoded_stamp_ && it->first > *first_decoded_stamp_) {
        ++second_.lost;
        ++total_.lost;
      }
      it = originals_.erase(it);
    }
  }

  void PrintStatus()
  {
    Evict(false);
    const int64_t now_ns = now().nanoseconds();
    const double seconds = std::max(1e-3, static_cast<double>(now_ns - last_status_ns_) / 1e9);
    last_status_ns_ = now_ns;
    std::printf(
      "monitor: in %.1f/s  h264 %.1f/s %.2f Mbit/s ratio %s  out %.1f/s  latency %s  PSNR %s  "
      "lost %" PRIu64 "\n",
      second_.in / seconds, second_.h264 / seconds, second_.h264_bytes * 8.0 / seconds / 1e6,
      second_.Ratio().c_str(), second_.out / seconds, second_.Latency().c_str(),
      second_.Psnr(false).c_str(), total_.lost);
    std::fflush(stdout);
    second_ = Tally();
  }

  std::string image_path_;
  double amplify_ = 8.0;
  int64_t window_ns_ = 0;
  int64_t started_ns_ = 0;
  int64_t last_status_ns_ = 0;
  int64_t newest_stamp_ = std::numeric_limits<int64_t>::min() / 2;
  std::optional<int64_t> first_decoded_stamp_;
  uint64_t last_raw_size_ = 0;
  bool layout_warned_ = false;
  std::map<int64_t, Original> originals_;
  Image::SharedPtr last_original_;
  Image::SharedPtr last_decoded_;
  Tally second_;
  Tally total_;
  rclcpp::Subscription<Image>::SharedPtr camera_sub_;
  rclcpp::Subscription<DualCompressedImage>::SharedPtr h264_sub_;
  rclcpp::Subscription<Image>::SharedPtr decoded_sub_;
  rclcpp::TimerBase::SharedPtr timer_;
};

}  // namespace
}  // namespace kestrova_h264_tools

int main(int argc, char ** argv)
{
  return kestrova_h264_tools::RunProgram<kestrova_h264_tools::Monitor>(argc, argv, "monitor");
}
