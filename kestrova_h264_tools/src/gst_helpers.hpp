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

// Ownership of GStreamer references and the start-up steps the tools share.

#ifndef GST_HELPERS_HPP_
#define GST_HELPERS_HPP_

#include <gst/gst.h>

#include <chrono>
#include <memory>
#include <string>

namespace kestrova_h264_tools
{

/// Releases one GStreamer object reference.
struct GstObjectUnref
{
  void operator()(gpointer object) const {gst_object_unref(object);}
};
/// Releases one sample reference.
struct GstSampleUnref
{
  void operator()(GstSample * sample) const {gst_sample_unref(sample);}
};
/// Releases one bus message reference.
struct GstMessageUnref
{
  void operator()(GstMessage * message) const {gst_message_unref(message);}
};

/// Sole owner of a GstElement reference (a pipeline or an element taken from one).
using ElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
/// Sole owner of a GstBus reference.
using BusPtr = std::unique_ptr<GstBus, GstObjectUnref>;
/// Sole owner of a GstSample reference.
using SamplePtr = std::unique_ptr<GstSample, GstSampleUnref>;
/// Sole owner of a GstMessage reference.
using MessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;

/// A running pipeline: owns the pipeline reference and sets it to NULL before releasing it, so
/// streaming threads have stopped by the time the object is gone.
class Pipeline
{
public:
  /// Parses `description` (gst-launch syntax). Throws std::runtime_error naming the
  /// description and GStreamer's reason when no pipeline results.
  explicit Pipeline(const std::string & description);
  ~Pipeline();

  Pipeline(const Pipeline &) = delete;
  Pipeline & operator=(const Pipeline &) = delete;

  /// The pipeline element (borrowed).
  GstElement * get() const {return pipeline_.get();}

  /// The element called `name` (a new reference). Throws std::runtime_error when absent.
  ElementPtr Element(const std::string & name) const;

  /// Sets the pipeline PLAYING and waits up to `timeout` for the change to complete (a zero
  /// timeout does not wait: a pipeline fed through an appsrc completes it only once data
  /// arrives). Throws std::runtime_error carrying the first error on the bus when the change
  /// fails.
  void Play(std::chrono::milliseconds timeout);

  /// Removes and returns the text of the first error waiting on the bus ("" when none), waiting
  /// up to `timeout` for one.
  std::string PopError(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

  /// Waits up to `timeout` for end-of-stream or an error on the bus. Returns "" after
  /// end-of-stream, the error text after an error, "timed out" otherwise.
  std::string WaitForEos(std::chrono::milliseconds timeout);

private:
  ElementPtr pipeline_;
};

/// Initialises GStreamer once per process (without touching the program's arguments).
void InitGstreamer();

/// "element-name: message (debug details)" of an error or warning message.
std::string DescribeGstMessage(GstMessage * message);

}  // namespace kestrova_h264_tools

#endif  // GST_HELPERS_HPP_
