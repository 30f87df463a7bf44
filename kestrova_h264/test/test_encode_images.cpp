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


// Process tests of encode_all_app's image path, fed and read over DDS: which images are
// selected and published, what each message carries, that the published H.264 decodes (with
// gst-launch-1.0 and avdec_h264, independently of the coding library) into the frames sent, and
// that unusable images are skipped without stopping the encoder.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "kestrova_h264_msgs/msg/dual_compressed_image.hpp"
#include "program_support.hpp"

namespace kestrova_h264
{
namespace test
{
namespace
{

using kestrova_h264_msgs::msg::DualCompressedImage;
using sensor_msgs::msg::Image;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr char kInput[] = "/image_raw";
constexpr char kOutput[] = "/image_raw/h264";

// What the program is expected to do with one image.
enum class Outcome
{
  kDropped,    // not selected, first image of the encoder, or unusable: no message
  kEncoded,    // a message with this image's header and freshly encoded data
  kUnencoded,  // a message with this image's header and the previous message's content
};

struct Step
{
  Image image;
  Outcome outcome;
  std::string format;  // format of a kEncoded message
};

// Runs encode_all_app, publishes the steps' images one by one and returns what it published,
// checked against the steps. The last step must publish, so that once its message is in,
// nothing earlier can still come (the program handles images in order).
class EncoderRun
{
public:
  EncoderRun(const EtcConfig & config, std::vector<std::string> params = {})
  {
    std::vector<std::string> args{"--ros-args"};
    for (const auto & p : params) {
      args.insert(args.end(), {"-p", p});
    }
    const std::string output = OutputTopic(params);
    peer_.Listen<DualCompressedImage>(output);
    program_ = std::make_unique<Program>(ENCODE_ALL_APP, args, config);
    output_ = output;
  }

  static std::string OutputTopic(const std::vector<std::string> & params)
  {
    for (const auto & p : params) {
      if (p.rfind("skip_frame:=", 0) == 0 && p != "skip_frame:=1") {
        return std::string(kInput) + "/h264_skip_frame";
      }
    }
    return kOutput;
  }

  // Publishes every image; after the one that creates the encoder, waits a little so that the
  // pipeline is playing before frames are pushed into it.
  void Feed(const std::vector<Step> & steps, int creating_step)
  {
    ASSERT_TRUE(peer_.WaitForSubscribers<Image>(kInput)) << program_->Transcript();
    ASSERT_TRUE(peer_.WaitForPublisher(output_)) << program_->Transcript();
    for (size_t i = 0; i < steps.size(); ++i) {
      peer_.Publish(kInput, steps[i].image);
      std::this_thread::sleep_for(static_cast<int>(i) == creating_step ? 1000ms : 40ms);
    }
    size_t published = 0;
    for (const auto & s : steps) {
      published += s.outcome != Outcome::kDropped;
    }
    ASSERT_TRUE(peer_.WaitForMessages(output_, published)) << program_->Transcript();
  }

  std::vector<DualCompressedImage> Messages() {return peer_.Received<DualCompressedImage>(output_);}
  Program & program() {return *program_;}

private:
  Peer peer_;
  std::unique_ptr<Program> program_;
  std::string output_;
};

// Checks the messages against the steps: one message per publishing step, in order, with that
// image's header; encoded ones with the step's format, fresh data and (with original_frame) the
// image's bytes in raw_data; unencoded ones repeating the previous message's content.
void CheckMessages(
  const std::vector<Step> & steps, const std::vector<DualCompressedImage> & messages,
  bool original_frame)
{
  DualCompressedImage previous;  // the node's message starts empty
  size_t m = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step & s = steps[i];
    if (s.outcome == Outcome::kDropped) {
      continue;
    }
    ASSERT_LT(m, messages.size()) << "no message for image " << i;
    const DualCompressedImage & msg = messages[m++];
    SCOPED_TRACE("image " + std::to_string(i) + " (" + s.image.encoding + ")");
    EXPECT_EQ(msg.header, s.image.header);
    EXPECT_TRUE(msg.extra_data.empty());
    if (s.outcome == Outcome::kEncoded) {
      EXPECT_EQ(msg.format, s.format);
      EXPECT_FALSE(msg.data.empty());
      EXPECT_NE(msg.data, previous.data);
      EXPECT_EQ(msg.raw_data, original_frame ? s.image.data : Bytes{});
    } else {
      EXPECT_EQ(msg.format, previous.format);
      EXPECT_EQ(msg.data, previous.data);
      EXPECT_EQ(msg.raw_data, previous.raw_data);
    }
    previous = msg;
  }
  EXPECT_EQ(m, messages.size()) << "messages for images that should leave no trace";
}

Image Rgb(int t, uint32_t width = 32, uint32_t height = 16)
{
  return MakeImage("rgb8", width, height, 3, t);
}

Image Other(const std::string & encoding, int t)
{
  return MakeImage(encoding, 32, 16, encoding == "bgr8" || encoding == "RGB8" || encoding == "rgb8" ? 3 : 2, t);
}

struct SelectionCase
{
  const char * label;
  std::vector<std::string> params;
  std::vector<Step> steps;
  int creating_step;  // index of the image that creates the encoder
};

void PrintTo(const SelectionCase & c, std::ostream * os) {*os << c.label;}

class EncoderSelection : public testing::TestWithParam<SelectionCase> {};

TEST_P(EncoderSelection, PublishesWhatWasSelected)
{
  const SelectionCase & c = GetParam();
  EncoderRun run(EtcConfig::Profile("gst.yaml"), c.params);
  run.Feed(c.steps, c.creating_step);
  const bool original_frame =
    std::find(c.params.begin(), c.params.end(), "original_frame:=true") != c.params.end();
  CheckMessages(c.steps, run.Messages(), original_frame);
  EXPECT_EQ(run.program().Stderr().find("encode timeout"), std::string::npos)
    << run.program().Transcript();
}

std::vector<Step> EveryImage()
{
  std::vector<Step> steps{{Rgb(1), Outcome::kDropped, ""}};
  for (int t = 2; t <= 6; ++t) {
    steps.push_back({Rgb(t), Outcome::kEncoded, "h264_rgb"});
  }
  return steps;
}

std::vector<Step> EveryThirdImage()
{
  std::vector<Step> steps;
  for (int t = 1; t <= 12; ++t) {
    const bool encoded = t % 3 == 0 && t > 3;
    steps.push_back({Rgb(t), encoded ? Outcome::kEncoded : Outcome::kDropped, "h264_rgb"});
  }
  return steps;
}

// bgr8 before the first encoded image goes out empty and leaves the encoder to the next rgb8;
// bgr8 after encoded images repeats the last encoded content under its own header.
std::vector<Step> OtherEncodingsAround()
{
  return {
    {Other("bgr8", 1), Outcome::kUnencoded, ""},
    {Rgb(2), Outcome::kDropped, ""},
    {Rgb(3), Outcome::kEncoded, "h264_rgb"},
    {Other("bgr8", 4), Outcome::kUnencoded, ""},
    {Rgb(5), Outcome::kEncoded, "h264_rgb"},
    {Other("bgr8", 6), Outcome::kUnencoded, ""},
  };
}

// Encodings are compared exactly: other spellings are not encoded.
std::vector<Step> NearMissEncodings()
{
  return {
    {Other("RGB8", 1), Outcome::kUnencoded, ""},
    {Other("Mono16", 2), Outcome::kUnencoded, ""},
    {Other("16uc1", 3), Outcome::kUnencoded, ""},
    {Other("", 4), Outcome::kUnencoded, ""},
    {Rgb(5), Outcome::kDropped, ""},
    {Rgb(6), Outcome::kEncoded, "h264_rgb"},
    {Other("Mono16", 7), Outcome::kUnencoded, ""},
  };
}

// 16-bit images take the gray path whichever of the two names they carry.
std::vector<Step> Depth()
{
  return {
    {Other("mono16", 1), Outcome::kDropped, ""},
    {Other("16UC1", 2), Outcome::kEncoded, "h264_gray"},
    {Other("mono16", 3), Outcome::kEncoded, "h264_gray"},
    {Other("bgr8", 4), Outcome::kUnencoded, ""},
    {Other("16UC1", 5), Outcome::kEncoded, "h264_gray"},
  };
}

// Unusable images among good ones: not encoded, no message, and the encoder keeps working.
// An unusable first image does not create the encoder.
std::vector<Step> BadImagesMixedIn()
{
  Image short_data = Rgb(4);
  short_data.data.resize(short_data.data.size() - 1);
  Image too_short_step = Rgb(9);
  too_short_step.step = 10;  // rows are then taken as packed
  return {
    {Rgb(1, 0, 0), Outcome::kDropped, ""},
    {Rgb(2), Outcome::kDropped, ""},
    {Rgb(3), Outcome::kEncoded, "h264_rgb"},
    {short_data, Outcome::kDropped, ""},
    {Rgb(5, 0, 16), Outcome::kDropped, ""},
    {Rgb(6, 31, 16), Outcome::kDropped, ""},
    {Rgb(7, 16, 32), Outcome::kDropped, ""},
    {Other("mono16", 8), Outcome::kDropped, ""},
    {too_short_step, Outcome::kEncoded, "h264_rgb"},
    {Rgb(10), Outcome::kEncoded, "h264_rgb"},
  };
}

INSTANTIATE_TEST_SUITE_P(
  Cases, EncoderSelection, testing::Values(
    SelectionCase{"every_image", {}, EveryImage(), 0},
    SelectionCase{"every_third_image", {"skip_frame:=3"}, EveryThirdImage(), 2},
    SelectionCase{"other_encodings_around", {"original_frame:=true"}, OtherEncodingsAround(), 1},
    SelectionCase{"other_encodings_no_raw", {"original_frame:=false"}, OtherEncodingsAround(), 1},
    SelectionCase{"near_miss_encodings", {}, NearMissEncodings(), 4},
    SelectionCase{"depth", {"original_frame:=true"}, Depth(), 0},
    SelectionCase{"bad_images_mixed_in", {"original_frame:=true"}, BadImagesMixedIn(), 1}),
  [](const testing::TestParamInfo<SelectionCase> & info) {return std::string(info.param.label);});

// ---------------------------------------------------------------------------------------------

// Decodes a concatenated H.264 byte stream with gst-launch-1.0 and avdec_h264 into packed
// frames of `row_bytes` x `height` (gst-launch writes rows padded to 4 bytes).
std::vector<Bytes> DecodeIndependently(
  const Bytes & stream, const std::string & format, size_t row_bytes, size_t height)
{
  char dir[] = "/tmp/kestrova-decode-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    ADD_FAILURE() << "mkdtemp";
    return {};
  }
  const std::string in = std::string(dir) + "/in.h264";
  const std::string out = std::string(dir) + "/out.raw";
  std::ofstream(in, std::ios::binary).write(
    reinterpret_cast<const char *>(stream.data()), static_cast<std::streamsize>(stream.size()));
  const std::string command = "gst-launch-1.0 -q filesrc location=" + in +
    " ! h264parse ! avdec_h264 ! videoconvert matrix-mode=none ! video/x-raw,format=" + format +
    " ! filesink location=" + out + " > " + dir + "/log 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream raw(out, std::ios::binary);
  const Bytes all((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0) << command;

  const size_t stride = (row_bytes + 3) / 4 * 4;
  std::vector<Bytes> frames;
  for (size_t at = 0; at + stride * height <= all.size(); at += stride * height) {
    Bytes frame;
    for (size_t y = 0; y < height; ++y) {
      const auto row = all.begin() + static_cast<std::ptrdiff_t>(at + y * stride);
      frame.insert(frame.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

// The pixel bytes of an image without its row padding.
Bytes Packed(const Image & image, size_t row_bytes)
{
  Bytes packed;
  for (size_t y = 0; y < image.height; ++y) {
    const auto row = image.data.begin() + static_cast<std::ptrdiff_t>(y * image.step);
    packed.insert(packed.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
  }
  return packed;
}

struct RoundTripCase
{
  const char * label;
  const char * profile;
  std::string encoding;
  uint32_t width;
  uint32_t height;
  uint32_t bytes_per_pixel;
  uint32_t step;  // 0: packed
};

void PrintTo(const RoundTripCase & c, std::ostream * os) {*os << c.label;}

class EncoderRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Everything published during a run, decoded as one stream by an independent decoder, gives back
// exactly the frames sent (the profiles used are lossless for these frames), and a gray stream is
// one of 8-bit frames twice as wide as the 16-bit images.
TEST_P(EncoderRoundTrip, PublishedStreamDecodesToTheFramesSent)
{
  const RoundTripCase & c = GetParam();
  std::vector<Step> steps;
  const std::string format = c.encoding == "rgb8" ? "h264_rgb" : "h264_gray";
  for (int t = 1; t <= 12; ++t) {
    Image image = MakeImage(c.encoding, c.width, c.height, c.bytes_per_pixel, t, c.step);
    steps.push_back({image, t == 1 ? Outcome::kDropped : Outcome::kEncoded, format});
  }
  EncoderRun run(EtcConfig::Profile(c.profile));
  run.Feed(steps, 0);
  const auto messages = run.Messages();
  CheckMessages(steps, messages, false);

  const bool gray = c.encoding != "rgb8";
  const std::string caps = std::string("width=") +
    std::to_string(gray ? 2 * c.width : c.width) + ", height=" + std::to_string(c.height) +
    ", format=(string)" + (gray ? "GRAY8" : "RGB") + ", framerate=(fraction)10/1";
  EXPECT_NE(run.program().Stdout().find(caps), std::string::npos) << run.program().Transcript();

  Bytes stream;
  for (const auto & m : messages) {
    stream.insert(stream.end(), m.data.begin(), m.data.end());
  }
  const size_t row_bytes = static_cast<size_t>(c.width) * c.bytes_per_pixel;
  const auto frames = DecodeIndependently(stream, gray ? "GRAY8" : "RGB", row_bytes, c.height);
  ASSERT_EQ(frames.size(), steps.size() - 1);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(frames[i] == Packed(steps[i + 1].image, row_bytes)) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
  Cases, EncoderRoundTrip, testing::Values(
    RoundTripCase{"rgb_lossless", "gst-lossless.yaml", "rgb8", 64, 48, 3, 0},
    RoundTripCase{"rgb_padded_rows", "gst-lossless.yaml", "rgb8", 30, 20, 3, 96},
    RoundTripCase{"mono16_lossless", "gst-lossless.yaml", "mono16", 32, 24, 2, 0},
    RoundTripCase{"depth_default_profile", "gst.yaml", "16UC1", 40, 30, 2, 0}),
  [](const testing::TestParamInfo<RoundTripCase> & info) {return std::string(info.param.label);});

// ---------------------------------------------------------------------------------------------

// A pipeline that swallows every frame: each pushed image ends in the timeout log with 0, on
// both paths, and publishes nothing; an unsupported image afterwards still goes out (empty).
TEST(EncoderTimeout, NothingDeliveredLogsAndPublishesNothing)
{
  const std::string swallow =
    "appsrc name=input caps=\"%s\" ! identity drop-probability=1.0 ! appsink name=output";
  const std::string config = "encoder_rgb_pipeline: '" + swallow + "'\n" +
    "encoder_gray_pipeline: '" + swallow + "'\ndecoder_pipeline: 'x'\n";
  for (const std::string encoding : {"rgb8", "mono16"}) {
    SCOPED_TRACE(encoding);
    std::vector<Step> steps;
    for (int t = 1; t <= 3; ++t) {
      steps.push_back({Other(encoding, t), Outcome::kDropped, ""});
    }
    steps.push_back({Other("bgr8", 4), Outcome::kUnencoded, ""});
    EncoderRun run(EtcConfig::Text(config));
    run.Feed(steps, 0);
    CheckMessages(steps, run.Messages(), false);
    EXPECT_NE(
      run.program().Stderr().find("[h264encoder_image_raw]: encode timeout, cv_ready is 0"),
      std::string::npos) << run.program().Transcript();
  }
}

// The warning about an unusable image names the sizes expected and received, and the node that
// logs it.
TEST(EncoderBadImage, WarningNamesExpectedAndReceivedSizes)
{
  Image narrow = Rgb(3, 31, 16);
  std::vector<Step> steps{
    {Rgb(1), Outcome::kDropped, ""},
    {Rgb(2), Outcome::kEncoded, "h264_rgb"},
    {narrow, Outcome::kDropped, ""},
    {Rgb(4), Outcome::kEncoded, "h264_rgb"},
  };
  EncoderRun run(EtcConfig::Profile("gst.yaml"));
  run.Feed(steps, 0);
  CheckMessages(steps, run.Messages(), false);
  const std::string err = run.program().Stderr();
  const auto warn = err.find("[WARN]");
  ASSERT_NE(warn, std::string::npos) << run.program().Transcript();
  const std::string line = err.substr(warn, err.find('\n', warn) - warn);
  EXPECT_NE(line.find("[h264encoder_image_raw]"), std::string::npos) << line;
  EXPECT_NE(line.find("expected rgb8 32x16 (1536 bytes)"), std::string::npos) << line;
  EXPECT_NE(line.find("received rgb8 31x16 step 93 (1488 bytes)"), std::string::npos) << line;
}

}  // namespace
}  // namespace test
}  // namespace kestrova_h264

int main(int argc, char ** argv)
{
  return kestrova_h264::test::ProcessTestMain(argc, argv);
}
