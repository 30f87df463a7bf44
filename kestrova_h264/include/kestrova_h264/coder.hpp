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

#ifndef KESTROVA_H264__CODER_HPP_
#define KESTROVA_H264__CODER_HPP_

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrova_h264
{

/// Pipeline configuration file read by every coder object at construction.
inline constexpr char kConfigPath[] = "/etc/kestrova/gst.yaml";

/// Pixel format of a coder object's raw frames.
enum class Format : std::uint8_t
{
  RGB = 0,   ///< 3 bytes per pixel, caps format RGB
  GRAY = 1,  ///< 1 byte per pixel, caps format GRAY8
};

/// The configuration file could not give a pipeline description for a key: the file is missing,
/// unreadable or not YAML, its top level is not a mapping, or the key is absent or does not hold
/// a scalar. what() names the file and the key.
class ConfigError : public std::runtime_error
{
public:
  /// Builds the text "<file>: key '<key>': <reason>".
  ConfigError(const std::string & file, const std::string & key, const std::string & reason);

  /// Path of the configuration file.
  const std::string & file() const noexcept {return file_;}
  /// Key that was being read.
  const std::string & key() const noexcept {return key_;}

private:
  std::string file_;
  std::string key_;
};

/// Encodes raw RGB or 8-bit gray frames to H.264 through the pipeline under
/// `encoder_rgb_pipeline` or `encoder_gray_pipeline` of kConfigPath.
///
/// Frame hand-off: for every sample that reaches the appsink "output", a GStreamer streaming
/// thread locks `*mutex`, adds one to `*cv_ready`, replaces `*data` with the sample's bytes,
/// unlocks, then calls `cv->notify_one()`. The four hand-off objects belong to the caller and
/// must outlive the encoder.
///
/// Construction failures: ConfigError for the configuration file; a description that gives no
/// pipeline prints "Bad source\n" on standard output and exits with status 1; a missing or
/// wrong "input" (appsrc) or "output" (appsink) element prints the failed check on standard
/// error and exits with status 1.
class VideoEncoder
{
public:
  /// Builds and starts the pipeline for frames of `width` x `height` pixels at `framerate`
  /// frames per second. Throws ConfigError, or std::invalid_argument for an unknown format.
  VideoEncoder(
    int width, int height, int framerate, Format format, std::vector<std::uint8_t> * data,
    std::condition_variable * cv, std::mutex * mutex, int * cv_ready);
  /// Prints "free sources" (no line feed), stops the pipeline and releases it.
  ~VideoEncoder();

  VideoEncoder(const VideoEncoder &) = delete;
  VideoEncoder & operator=(const VideoEncoder &) = delete;

  /// Copies one frame into a new buffer and pushes it into "input"; returns at once.
  /// Rows may be packed (width x bytes per pixel) or padded: when `size` is `height` times a
  /// row step at least as long as a packed row, each row is read with that step and laid out
  /// the way GStreamer expects raw video rows. Any other size is pushed unchanged.
  void PushFrame(const std::uint8_t * data, std::uint32_t size);
  /// Current pipeline state (a GstState value); prints "get pipeline state failed\n" when the
  /// query fails.
  int GetState();

private:
  static GstFlowReturn on_new_sample(GstAppSink * sink, gpointer user_data);

  int width_;
  int height_;
  int framerate_;
  GstElement * output_ = nullptr;
  GstElement * input_ = nullptr;
  GstElement * pipeline_ = nullptr;
  std::condition_variable * cv_ = nullptr;
  std::mutex * mutex_ = nullptr;
  int * cv_ready_ = nullptr;
  std::vector<std::uint8_t> * data_ = nullptr;
  // Row layout of the frames the pipeline reads (from the caps text); row_bytes_ is 0 when the
  // caps do not describe a single-plane raw video frame, and frames are then pushed unchanged.
  std::size_t frame_rows_ = 0;
  std::size_t row_bytes_ = 0;
  std::size_t gst_stride_ = 0;
};

/// Decodes H.264 to raw RGB or 8-bit gray frames through the pipeline under `decoder_pipeline`
/// of kConfigPath, and reports the size and pixel format found on the "src" pad of the optional
/// element named "decoder".
///
/// The frame hand-off is that of VideoEncoder. Decoded frames reach `*data` packed: each row is
/// width x bytes per pixel long, whatever row padding GStreamer used.
class VideoDecoder
{
public:
  /// Builds and starts the pipeline; failures as for VideoEncoder.
  VideoDecoder(
    std::vector<std::uint8_t> * data, Format format, std::condition_variable * cv,
    std::mutex * mutex, int * cv_ready);
  /// Prints "free sources\n", stops the pipeline and releases it.
  ~VideoDecoder();

  VideoDecoder(const VideoDecoder &) = delete;
  VideoDecoder & operator=(const VideoDecoder &) = delete;

  /// Copies one encoded frame into a new buffer and pushes it into "input"; returns at once.
  void PushFrame(const std::uint8_t * data, std::uint32_t size);
  /// As VideoEncoder::GetState.
  int GetState();

  /// Frame width from the "decoder" element's output caps; 0 before the first caps.
  int GetWidth() const;
  /// Frame height from the same caps; 0 before the first caps.
  int GetHeight() const;
  /// Name of the caps' first structure (video/x-raw for raw video); empty before the first caps.
  std::string GetPadType() const;
  /// The caps' "format" field (the decoder element's own pixel format); empty before the first
  /// caps or when the caps carry no string "format".
  std::string GetFormat() const;

private:
  static GstFlowReturn on_new_sample(GstAppSink * sink, gpointer user_data);
  static void on_caps_changed(GstPad * pad, GParamSpec * pspec, gpointer user_data);
  static gboolean on_source_message(GstBus * bus, GstMessage * message, gpointer user_data);

  int width_ = 0;
  int height_ = 0;
  std::string pad_type_;
  std::string format_;
  GstElement * output_ = nullptr;
  GstElement * input_ = nullptr;
  GstElement * pipeline_ = nullptr;
  GstElement * decoder_ = nullptr;
  std::condition_variable * cv_ = nullptr;
  std::mutex * mutex_ = nullptr;
  int * cv_ready_ = nullptr;
  std::vector<std::uint8_t> * data_ = nullptr;
  // Guards the four caps members: the caps handler writes them on a streaming thread while the
  // node may read them.
  mutable std::mutex caps_mutex_;
  gulong caps_handler_ = 0;
  guint bus_watch_ = 0;
};

}  // namespace kestrova_h264

#endif  // KESTROVA_H264__CODER_HPP_
