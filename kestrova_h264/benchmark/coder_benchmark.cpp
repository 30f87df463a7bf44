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


// Per-frame latency of the coding library against the bare pipeline.
//
// For each frame size, the RGB encoder and the decoder of a profile are timed from PushFrame to
// the moment the waiting thread sees the hand-off (what a node sees), frame by frame. The same
// pipeline texts then run under gst-launch-1.0 on the same frames, with the appsrc replaced by
// a multifilesrc and the appsink by a fakesink, timed by GStreamer's latency tracer (from the
// source's push to the sink). The ratios show what the library adds to the bare pipeline.
//
// The profile is installed as /etc/kestrova/gst.yaml inside a private mount namespace (as for
// the tests), so the machine's own file is neither read nor touched; --system uses it instead.
//
// Usage: coder_benchmark [--frames N] [--profile FILE | --system]

#include <sys/wait.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "frames.hpp"
#include "kestrova_h264/coder.hpp"
#include "private_config.hpp"

namespace
{

using kestrova_h264::Format;
using kestrova_h264::VideoDecoder;
using kestrova_h264::VideoEncoder;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 5;        // frames left out of the figures
constexpr int kDistinct = 10;     // distinct frames, cycled
constexpr int kFramerate = 30;

struct Sink
{
  Bytes data;
  std::condition_variable cv;
  std::mutex mutex;
  int cv_ready = 0;
};

struct Stats
{
  double p50 = 0.0;
  double p99 = 0.0;
};

Stats Percentiles(std::vector<double> ms)
{
  Stats s;
  if (ms.empty()) {
    return s;
  }
  std::sort(ms.begin(), ms.end());
  auto at = [&](double q) {
      return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * (ms.size() - 1) + 0.5))];
    };
  s.p50 = at(0.50);
  s.p99 = at(0.99);
  return s;
}

// Pushes one frame and waits, as a node does, for exactly one sample. Returns milliseconds, or
// a negative value if no single sample came within a second.
template<typename Coder>
double TimedPush(Coder & coder, Sink & sink, const Bytes & frame, Bytes * out)
{
  {
    std::lock_guard<std::mutex> lock(sink.mutex);
    sink.cv_ready = 0;
  }
  const auto start = Clock::now();
  coder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
  std::unique_lock<std::mutex> lock(sink.mutex);
  if (!sink.cv.wait_for(lock, std::chrono::seconds(1), [&] {return sink.cv_ready == 1;})) {
    return -1.0;
  }
  const auto end = Clock::now();
  *out = sink.data;
  return std::chrono::duration<double, std::milli>(end - start).count();
}

std::string ReadFile(const std::string & path)
{
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string & path, const Bytes & bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The pipeline text with its appsrc fed from numbered files and its appsink replaced by a
// fakesink (keeping the appsink's caps, if any, as a caps filter).
std::string BareDescription(
  std::string description, const std::string & caps, const std::string & location, int frames,
  bool loop)
{
  const auto at = description.find("%s");
  if (at != std::string::npos) {
    description.replace(at, 2, caps);
  }
  static const std::regex appsrc(R"(appsrc name=input( format=time)?)");
  static const std::regex appsink(R"(appsink name=output( caps="[^"]*")?)");
  std::string source = "multifilesrc location=" + location + " num-buffers=" +
    std::to_string(frames);
  source += loop ? " loop=true stop-index=" + std::to_string(kDistinct - 1) : "";
  description = std::regex_replace(description, appsrc, source);
  description = std::regex_replace(description, appsink, "capsfilter$1 ! fakesink sync=false");
  return description;
}

// Runs the text with gst-launch-1.0 and the latency tracer; returns the per-buffer latencies.
std::vector<double> RunBare(const std::string & description, const std::string & log_path)
{
  const std::string command = "GST_TRACERS=latency GST_DEBUG=GST_TRACER:7 GST_DEBUG_NO_COLOR=1 "
    "GST_DEBUG_FILE=" + log_path + " gst-launch-1.0 -q " + description + " > /dev/null";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "gst-launch-1.0 failed: %s\n", description.c_str());
  }
  std::vector<double> ms;
  std::ifstream log(log_path);
  static const std::regex time(R"(:: latency, .* time=\(guint64\)([0-9]+))");
  std::smatch m;
  for (std::string line; std::getline(log, line); ) {
    if (std::regex_search(line, m, time)) {
      ms.push_back(std::stod(m[1]) / 1e6);
    }
  }
  return ms;
}

std::vector<double> Measured(const std::vector<double> & all)
{
  return std::vector<double>(all.begin() + std::min<std::size_t>(kWarmUp, all.size()), all.end());
}

void PrintRow(
  FILE * table, const char * stage, const std::vector<double> & lib, const std::vector<double> & bare)
{
  const Stats l = Percentiles(Measured(lib));
  const Stats b = Percentiles(Measured(bare));
  std::fprintf(
    table, "  %-8s library p50 %7.2f ms  p99 %7.2f ms | gst-launch p50 %7.2f ms  p99 %7.2f ms | "
    "ratio p50 %.2f  p99 %.2f\n", stage, l.p50, l.p99, b.p50, b.p99,
    b.p50 > 0 ? l.p50 / b.p50 : 0.0, b.p99 > 0 ? l.p99 / b.p99 : 0.0);
}

}  // namespace

int main(int argc, char ** argv)
{
  int frames = 100;
  std::string profile = KESTROVA_DEFAULT_PROFILE;
  bool system_config = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--frames" && i + 1 < argc) {
      frames = std::max(kWarmUp + 1, std::atoi(argv[++i]));
    } else if (arg == "--profile" && i + 1 < argc) {
      profile = argv[++i];
    } else if (arg == "--system") {
      system_config = true;
    } else {
      std::fprintf(stderr, "usage: %s [--frames N] [--profile FILE | --system]\n", argv[0]);
      return 2;
    }
  }
  if (system_config) {
    profile = kestrova_h264::kConfigPath;
  }

  YAML::Node config;
  try {
    config = YAML::LoadFile(profile);
  } catch (const YAML::Exception & e) {
    std::fprintf(stderr, "cannot read profile %s: %s\n", profile.c_str(), e.what());
    return 1;
  }
  const std::string text = ReadFile(profile);
  if (!system_config) {
    std::string error;
    if (!kestrova_h264::test::EnterPrivateConfigDir(&error)) {
      std::fprintf(stderr, "cannot make a private /etc/kestrova: %s\n", error.c_str());
      return 1;
    }
    std::ofstream(kestrova_h264::kConfigPath) << text;
  }
  const std::string encoder_text = config["encoder_rgb_pipeline"].as<std::string>();
  const std::string decoder_text = config["decoder_pipeline"].as<std::string>();

  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
    ("kestrova-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  // The library's own prints (descriptions, "free sources") go to stderr, away from the table.
  std::fflush(stdout);
  const int table_fd = dup(STDOUT_FILENO);
  FILE * table = fdopen(table_fd, "w");
  dup2(STDERR_FILENO, STDOUT_FILENO);

  std::fprintf(table, "coder_benchmark: profile %s, %d frames per size (%d warm-up left out)\n",
    profile.c_str(), frames, kWarmUp);
  const int sizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}};
  for (const auto & size : sizes) {
    const int w = size[0];
    const int h = size[1];
    std::vector<Bytes> raw;
    for (int i = 0; i < kDistinct; ++i) {
      raw.push_back(kestrova_h264::test::CameraFrame(w, h, 3, i));
      char name[64];
      std::snprintf(name, sizeof(name), "raw%05d.rgb", i);
      WriteFile((dir / name).string(), raw.back());
    }

    // Encoder and decoder are timed in separate passes, as the bare pipelines are and as the
    // two programs run: in separate processes, each with its own caches and threads.
    std::vector<double> enc_ms, dec_ms, sum_ms;
    std::vector<Bytes> h264(frames);
    double psnr_sum = 0.0;
    int lost = 0;
    {
      Sink sink;
      VideoEncoder encoder(w, h, kFramerate, Format::RGB, &sink.data, &sink.cv, &sink.mutex,
        &sink.cv_ready);
      for (int i = 0; i < frames; ++i) {
        enc_ms.push_back(TimedPush(encoder, sink, raw[i % kDistinct], &h264[i]));
      }
    }
    {
      Sink sink;
      VideoDecoder decoder(&sink.data, Format::RGB, &sink.cv, &sink.mutex, &sink.cv_ready);
      Bytes decoded;
      for (int i = 0; i < frames; ++i) {
        const double d = enc_ms[i] < 0 ? -1.0 : TimedPush(decoder, sink, h264[i], &decoded);
        dec_ms.push_back(d);
        if (d < 0) {
          ++lost;
          continue;
        }
        sum_ms.push_back(enc_ms[i] + d);
        psnr_sum += kestrova_h264::test::Psnr(raw[i % kDistinct], decoded);
      }
    }
    const double mean_psnr = sum_ms.empty() ? 0.0 : psnr_sum / sum_ms.size();
    auto delivered = [](std::vector<double> ms) {
        ms.erase(std::remove_if(ms.begin(), ms.end(), [](double v) {return v < 0;}), ms.end());
        return ms;
      };
    enc_ms = delivered(enc_ms);
    dec_ms = delivered(dec_ms);
    for (int i = 0; i < frames; ++i) {
      char name[64];
      std::snprintf(name, sizeof(name), "enc%05d.h264", i);
      WriteFile((dir / name).string(), h264[i]);
    }

    char caps[128];
    std::snprintf(caps, sizeof(caps),
      "video/x-raw, width=%d, height=%d, format=(string)RGB, framerate=(fraction)%d/1", w, h,
      kFramerate);
    // The appsrc's caps stay in the text and become the multifilesrc's.
    const std::string bare_encoder = BareDescription(
      encoder_text, caps, (dir / "raw%05d.rgb").string(), frames, true);
    const std::string bare_decoder = BareDescription(
      decoder_text, "video/x-raw, format=(string)RGB", (dir / "enc%05d.h264").string(), frames,
      false);
    const auto bare_enc_ms = RunBare(bare_encoder, (dir / "enc.log").string());
    const auto bare_dec_ms = RunBare(bare_decoder, (dir / "dec.log").string());

    std::fprintf(table, "%dx%d rgb8: mean PSNR %.2f dB, %d of %d frames without a single sample\n",
      w, h, mean_psnr, lost, frames);
    PrintRow(table, "encode", enc_ms, bare_enc_ms);
    PrintRow(table, "decode", dec_ms, bare_dec_ms);
    const Stats both = Percentiles(Measured(sum_ms));
    std::fprintf(table, "  encode+decode (library) p50 %.2f ms  p99 %.2f ms\n", both.p50, both.p99);
    std::fflush(table);
  }
  std::filesystem::remove_all(dir);
  std::fclose(table);
  return 0;
}
