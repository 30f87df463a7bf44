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


// Pieces shared by VideoEncoder and VideoDecoder: reading the configuration, building the
// pipeline from a description, pushing frames and delivering samples through the hand-off.

#ifndef CODER__PIPELINE_HPP_
#define CODER__PIPELINE_HPP_

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova_h264
{
namespace detail
{

/// Reads the pipeline description template stored under `key` in kConfigPath.
/// Throws ConfigError naming the file and the key.
std::string LoadDescription(const char * key);

/// Replaces the template's single "%s" with `caps` and each "%%" with "%". A template without
/// "%s" is used as written. Any other conversion, a second "%s" or a lone '%' throws
/// ConfigError for `key`: the text is never handed to a printf-style formatter.
std::string CompleteDescription(
  const std::string & templ, const std::string & caps, const char * key);

/// The pipeline of a coder object and its two required elements; one reference each.
struct Endpoints
{
  GstElement * pipeline = nullptr;
  GstElement * input = nullptr;
  GstElement * output = nullptr;
};

/// Prints the description and parses it. A description that gives no pipeline prints
/// "Bad source\n" and ends the process with status 1.
GstElement * ParseOrExit(const std::string & description);

/// The element called `name` in the pipeline (one reference), or null.
GstElement * FindByName(GstElement * pipeline, const char * name);

/// Looks up "input" (must be an appsrc), then "output" (must be an appsink). A failed check
/// prints "<owner>: <check> failed" on standard error and ends the process with status 1.
void LookUpEndpoints(Endpoints & endpoints, const char * owner);

/// Sets "emit-signals" and "sync" on the appsink and connects `handler` to "new-sample".
void ConnectSink(GstElement * output, GCallback handler, gpointer user_data);

/// Stops the pipeline and releases input, output and pipeline, in that order.
void StopAndRelease(Endpoints endpoints);

/// Takes every pending message off the pipeline's bus and discards it. Nothing dispatches the
/// bus watch of a coder object, so without this the bus would keep every message (tags,
/// warnings, state changes) for the life of the pipeline. Returns true when one of them was an
/// error, which means the pipeline has stopped streaming; `error` then holds the first error's
/// text and the name of the element that posted it.
bool DrainBus(GstElement * pipeline, std::string * error);

/// Queries the pipeline state with a 1 us timeout; prints "get pipeline state failed\n" when
/// the query fails.
int QueryState(GstElement * pipeline);

/// Layout of single-plane raw frames: packed row length and the row stride GStreamer uses.
struct RowLayout
{
  std::size_t rows = 0;
  std::size_t row_bytes = 0;  // 0: not a single-plane format with whole-byte pixels
  std::size_t gst_stride = 0;
};
RowLayout SinglePlaneLayout(const GstCaps * caps);

/// Copies `size` bytes into a new buffer and pushes it into the appsrc. When `layout` is known
/// and `size` is rows times a row step of at least row_bytes, the rows are re-laid with
/// GStreamer's stride.
void PushFrameBytes(
  GstElement * input, const std::uint8_t * data, std::uint32_t size, const RowLayout & layout);

/// The caller-owned objects of the frame hand-off.
struct Handoff
{
  std::vector<std::uint8_t> * data;
  std::condition_variable * cv;
  std::mutex * mutex;
  int * cv_ready;
};

/// Pulls one sample from the appsink and hands its bytes over: under the mutex it adds one to
/// the ready flag and replaces the vector's content, then notifies after unlocking. Raw video
/// samples are copied packed (rows without padding). A sample whose buffer cannot be read is
/// skipped and the hand-off is left untouched. Always returns GST_FLOW_OK.
GstFlowReturn DeliverSample(GstAppSink * sink, const Handoff & handoff);

}  // namespace detail
}  // namespace kestrova_h264

#endif  // CODER__PIPELINE_HPP_
