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


// Reading /etc/kestrova/gst.yaml, completing and parsing descriptions, and the failures of
// construction: exceptions, "Bad source" and the element checks.

#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kestrova_h264/coder.hpp"
#include "test_support.hpp"

namespace kestrova_h264
{
namespace
{

using test::ConfigWithAll;
using test::Handoff;
using test::StdoutCapture;
using test::WriteConfig;

enum class Kind { kRgbEncoder, kGrayEncoder, kRgbDecoder, kGrayDecoder };

const char * KeyOf(Kind kind)
{
  switch (kind) {
    case Kind::kRgbEncoder: return "encoder_rgb_pipeline";
    case Kind::kGrayEncoder: return "encoder_gray_pipeline";
    default: return "decoder_pipeline";
  }
}

// Builds a coder object of the given kind and destroys it at once.
void Build(Kind kind, Handoff & h, int width = 64, int height = 48, int framerate = 30)
{
  switch (kind) {
    case Kind::kRgbEncoder:
    case Kind::kGrayEncoder:
      VideoEncoder(
        width, height, framerate, kind == Kind::kRgbEncoder ? Format::RGB : Format::GRAY,
        &h.data, &h.cv, &h.mutex, &h.cv_ready);
      break;
    case Kind::kRgbDecoder:
    case Kind::kGrayDecoder:
      VideoDecoder(
        &h.data, kind == Kind::kRgbDecoder ? Format::RGB : Format::GRAY, &h.cv, &h.mutex,
        &h.cv_ready);
      break;
  }
}

struct ConfigFailure
{
  const char * name;
  const char * file;  // nullptr: no file at all
  Kind kind;
  const char * reason;
};

const char kPassthrough[] = "appsrc name=input ! appsink name=output";

TEST(PipelineConfig, UnusableConfigurationThrowsNamingFileAndKeyAndPrintsNothing) {
  const std::string good = ConfigWithAll(kPassthrough);
  const std::vector<ConfigFailure> cases = {
    {"missing file", nullptr, Kind::kRgbEncoder, "the file is missing or cannot be read"},
    {"not YAML", "encoder_rgb_pipeline: [unclosed\n", Kind::kRgbEncoder, "not valid YAML"},
    {"empty file", "", Kind::kGrayEncoder, "top level of the file is not a mapping"},
    {"top level sequence", "- appsrc\n- appsink\n", Kind::kRgbDecoder, "not a mapping"},
    {"top level scalar", "appsrc name=input\n", Kind::kGrayDecoder, "not a mapping"},
    {"key absent", "encoder_rgb_pipeline: x\n", Kind::kGrayEncoder, "the key is absent"},
    {"value a sequence", "decoder_pipeline: [a, b]\n", Kind::kRgbDecoder, "value is a sequence"},
    {"value a mapping", "encoder_rgb_pipeline: {a: b}\n", Kind::kRgbEncoder,
      "value is a mapping"},
    {"second %s", "encoder_gray_pipeline: 'appsrc name=input caps=%s ! appsink name=%s'\n",
      Kind::kGrayEncoder, "conversion other than one %s at offset 41"},
    {"%d conversion", "decoder_pipeline: 'appsrc name=input%d ! appsink name=output'\n",
      Kind::kGrayDecoder, "conversion other than one %s at offset 17"},
    {"lone % at the end", "encoder_rgb_pipeline: 'appsrc name=input ! appsink name=output %'\n",
      Kind::kRgbEncoder, "conversion other than one %s"},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    if (c.file == nullptr) {
      test::RemoveConfig();
    } else {
      WriteConfig(c.file);
    }
    Handoff h;
    StdoutCapture out;
    std::unique_ptr<ConfigError> error;
    try {
      Build(c.kind, h);
    } catch (const ConfigError & e) {
      error = std::make_unique<ConfigError>(e);
    }
    EXPECT_EQ(out.Finish(), "");
    ASSERT_TRUE(error) << "no ConfigError";
    const std::string what = error->what();
    EXPECT_EQ(error->file(), kConfigPath);
    EXPECT_EQ(error->key(), KeyOf(c.kind));
    EXPECT_EQ(what.rfind(std::string(kConfigPath) + ": key '" + KeyOf(c.kind) + "': ", 0), 0u)
      << what;
    EXPECT_NE(what.find(c.reason), std::string::npos) << what;
  }
}

TEST(PipelineConfig, OnlyTheObjectsOwnKeyIsNeeded) {
  WriteConfig(std::string("encoder_rgb_pipeline: '") + kPassthrough + "'\n" + "other: 1\n");
  Handoff h;
  StdoutCapture out;
  EXPECT_NO_THROW(Build(Kind::kRgbEncoder, h));
  EXPECT_THROW(Build(Kind::kGrayEncoder, h), ConfigError);
  EXPECT_THROW(Build(Kind::kRgbDecoder, h), ConfigError);
}

TEST(PipelineConfig, UnknownFormatIsRejected) {
  WriteConfig(ConfigWithAll(kPassthrough));
  Handoff h;
  StdoutCapture out;
  const auto bad = static_cast<Format>(7);
  EXPECT_THROW(
    VideoEncoder(4, 4, 30, bad, &h.data, &h.cv, &h.mutex, &h.cv_ready), std::invalid_argument);
  EXPECT_THROW(VideoDecoder(&h.data, bad, &h.cv, &h.mutex, &h.cv_ready), std::invalid_argument);
}

struct Completion
{
  const char * name;
  Kind kind;
  int width, height, framerate;
  std::string templ;
  std::string caps;  // what %s must become
};

// The printed description shows how a template was completed; destruction then prints
// "free sources", with a line feed only for the decoder.
TEST(PipelineConfig, DescriptionIsCompletedPrintedAndBuilt) {
  const std::string in_caps = "appsrc name=input caps=\"%s\" ! appsink name=output";
  const std::string longest =
    "video/x-raw, width=-2147483648, height=-2147483648, format=(string)GRAY8, "
    "framerate=(fraction)-2147483648/1";
  ASSERT_EQ(longest.size(), 107u);
  const std::vector<Completion> cases = {
    {"rgb encoder", Kind::kRgbEncoder, 640, 480, 10, in_caps,
      "video/x-raw, width=640, height=480, format=(string)RGB, framerate=(fraction)10/1"},
    {"gray encoder", Kind::kGrayEncoder, 1280, 480, 30, in_caps,
      "video/x-raw, width=1280, height=480, format=(string)GRAY8, framerate=(fraction)30/1"},
    // Placed in an element name: such sizes make no valid caps, but the text must be whole.
    {"longest caps text", Kind::kGrayEncoder, INT_MIN, INT_MIN, INT_MIN,
      "appsrc name=input ! identity name=\"%s\" ! appsink name=output", longest},
    {"rgb decoder", Kind::kRgbDecoder, 0, 0, 0,
      "appsrc name=input ! appsink name=output caps=\"%s\"", "video/x-raw, format=(string)RGB"},
    {"gray decoder", Kind::kGrayDecoder, 0, 0, 0,
      "appsrc name=input ! appsink name=output caps=\"%s\"",
      "video/x-raw, format=(string)GRAY8"},
    {"no %s: used as written", Kind::kRgbEncoder, 64, 48, 30, kPassthrough, ""},
    {"%% is a percent sign", Kind::kGrayDecoder, 0, 0, 0,
      "appsrc name=input ! identity name=a%%b ! appsink name=output", ""},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    WriteConfig(ConfigWithAll(c.templ));
    std::string expected = c.templ;
    const auto at = expected.find("%s");
    if (at != std::string::npos) {
      expected.replace(at, 2, c.caps);
    }
    const auto percent = expected.find("%%");
    if (percent != std::string::npos) {
      expected.erase(percent, 1);
    }
    const bool decoder = c.kind == Kind::kRgbDecoder || c.kind == Kind::kGrayDecoder;
    Handoff h;
    StdoutCapture out;
    Build(c.kind, h, c.width, c.height, c.framerate);
    EXPECT_EQ(out.Finish(), expected + "\n" + (decoder ? "free sources\n" : "free sources"));
  }
}

// The process ends with status 1; standard output is sent to standard error inside the child so
// that both streams are matched, in order.
struct Fatal
{
  const char * name;
  Kind kind;
  const char * description;  // nullptr: the key holds an empty value
  const char * expected;
};

TEST(PipelineConfigDeathTest, UnbuildableDescriptionsEndTheProcess) {
  const std::vector<Fatal> cases = {
    {"null", Kind::kRgbEncoder, "null", "null\nBad source\n"},
    {"empty value", Kind::kGrayDecoder, nullptr, "null\nBad source\n"},
    {"a single element, not a bin", Kind::kGrayEncoder, "appsrc name=input",
      "appsrc name=input\nVideoEncoder: input_ failed\n"},
    {"input misnamed", Kind::kRgbEncoder, "appsrc name=src ! appsink name=output",
      "appsrc name=src ! appsink name=output\nVideoEncoder: input_ failed\n"},
    {"input not an appsrc", Kind::kGrayEncoder, "fakesrc name=input ! appsink name=output",
      "fakesrc name=input ! appsink name=output\nVideoEncoder: GST_IS_APP_SRC(input_) failed\n"},
    {"output misnamed", Kind::kRgbDecoder, "appsrc name=input ! appsink name=sink",
      "appsrc name=input ! appsink name=sink\nVideoDecoder: output_ failed\n"},
    {"output not an appsink", Kind::kGrayDecoder, "appsrc name=input ! fakesink name=output",
      "appsrc name=input ! fakesink name=output\nVideoDecoder: GST_IS_APP_SINK(output_) failed\n"},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    WriteConfig(
      c.description ? ConfigWithAll(c.description) :
      "encoder_rgb_pipeline:\nencoder_gray_pipeline:\ndecoder_pipeline:\n");
    EXPECT_EXIT(
    {
      dup2(STDERR_FILENO, STDOUT_FILENO);
      Handoff h;
      Build(c.kind, h);
    }, testing::ExitedWithCode(1), testing::Eq(std::string(c.expected)));
  }
}

struct StateCase
{
  const char * name;
  const char * description;
  int state;
  const char * printed;
};

TEST(PipelineConfig, GetStateReportsThePipelineState) {
  const std::vector<StateCase> cases = {
    {"playing", "appsrc name=input ! appsink name=output", GST_STATE_PLAYING, ""},
    // A source that cannot open its file makes the start fail.
    {"failed start",
      "appsrc name=input ! appsink name=output filesrc location=/nonexistent/x ! fakesink",
      GST_STATE_READY, "get pipeline state failed\n"},
  };
  for (const auto & c : cases) {
    SCOPED_TRACE(c.name);
    WriteConfig(ConfigWithAll(c.description));
    Handoff h;
    VideoEncoder encoder(4, 4, 30, Format::GRAY, &h.data, &h.cv, &h.mutex, &h.cv_ready);
    // The sink completes the start with its first buffer, asynchronously: push one and poll
    // until the state has settled, then read it once more under capture.
    const std::vector<std::uint8_t> frame(16, 1);
    encoder.PushFrame(frame.data(), static_cast<std::uint32_t>(frame.size()));
    for (int i = 0; i < 500 && encoder.GetState() != c.state; ++i) {
      usleep(10000);
    }
    StdoutCapture out;
    EXPECT_EQ(encoder.GetState(), c.state);
    EXPECT_EQ(out.Finish(), c.printed);
  }
}

// Every shipped profile and hardware sample is a mapping whose three values are descriptions with
// one %s and the named elements; the hardware samples cannot be run here, so this is their check.
TEST(ShippedProfiles, HaveTheThreeKeysAndNamedElements) {
  const std::string dir = KESTROVA_PROFILE_DIR;
  for (const std::string name : {"gst.yaml", "gst-lossless.yaml", "gst-openh264.yaml",
      "samples/gst-vaapi.yaml", "samples/gst-nvidia.yaml", "samples/gst-v4l2m2m.yaml"})
  {
    SCOPED_TRACE(name);
    const YAML::Node root = YAML::LoadFile(dir + "/" + name);
    ASSERT_TRUE(root.IsMap());
    for (const char * key : {"encoder_rgb_pipeline", "encoder_gray_pipeline", "decoder_pipeline"}) {
      SCOPED_TRACE(key);
      ASSERT_TRUE(root[key].IsScalar());
      const std::string text = root[key].as<std::string>();
      const auto first = text.find("%s");
      EXPECT_NE(first, std::string::npos);
      EXPECT_EQ(text.find('%', first + 1), std::string::npos);
      EXPECT_NE(text.find("appsrc name=input "), std::string::npos);
      EXPECT_NE(text.find("appsink name=output"), std::string::npos);
    }
    EXPECT_NE(root["decoder_pipeline"].as<std::string>().find("name=decoder"), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrova_h264
