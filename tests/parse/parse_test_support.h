// Helpers of the parser tests: payload streams with damage, files, and
// pipelines that end in an appsink.
#pragma once

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "../elements/element_test_support.h"
#include "payload_toc.h"

using namespace zeb_test;

// Payloads back to back, where each starts, and bytes of damage between them.
struct Stream {
  Bytes bytes;
  std::vector<size_t> offsets;
  std::vector<Bytes> payloads;
  void add (const Bytes &p) { offsets.push_back (bytes.size ()), payloads.push_back (p), append (p); }
  void append (const Bytes &b) { bytes.insert (bytes.end (), b.begin (), b.end ()); }
};

inline Stream cbr_stream (unsigned l, unsigned n, int count, uint32_t seed)
{
  Stream s;
  for (int i = 0; i < count; i++)
    s.add (make_payload (l, n, seed + i));
  return s;
}

// Random bytes that do not start with a table of contents of layout (l, n):
// such a run would be a real payload.
inline Bytes make_garbage (size_t size, std::mt19937 &rng, unsigned l = 99, unsigned n = 99)
{
  Bytes g (size);
  for (uint8_t &b : g)
    b = static_cast<uint8_t> (rng ());
  const auto t = size >= 2 ? zeb_g719::read_payload_toc (g[0], g[1]) : zeb_g719::PayloadToc {};
  if (t.status == zeb_g719::TocStatus::valid && t.length_code == l && t.frame_count == n)
    g[0] |= 0x80;
  return g;
}

// A file holding data, removed at the end of the scope.
struct TempFile {
  std::string path = std::string (g_get_tmp_dir ()) + "/zebg719parse-" + std::to_string (getpid ()) + ".g719";
  explicit TempFile (const Bytes &data)
  {
    EXPECT_TRUE (g_file_set_contents (path.c_str (), reinterpret_cast<const gchar *> (data.data ()),
        static_cast<gssize> (data.size ()), nullptr));
  }
  ~TempFile () { std::remove (path.c_str ()); }
};

// A pipeline in gst-launch syntax ending in "appsink name=sink sync=false".
struct AppSinkPipeline {
  GstElement *pipeline, *sink;
  explicit AppSinkPipeline (const std::string &description)
      : pipeline ((gst_init (nullptr, nullptr), gst_parse_launch (description.c_str (), nullptr))),
        sink (gst_bin_get_by_name (GST_BIN (pipeline), "sink")) {}
  ~AppSinkPipeline ()
  {
    gst_element_set_state (pipeline, GST_STATE_NULL);
    gst_object_unref (sink);
    gst_object_unref (pipeline);
  }
  bool set_state (GstState state)
  {
    return gst_element_set_state (pipeline, state) != GST_STATE_CHANGE_FAILURE &&
        gst_element_get_state (pipeline, nullptr, nullptr, 10 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS;
  }
  // Up to `limit` buffers, until end of stream; no error may be posted.
  std::vector<Output> pull (size_t limit = SIZE_MAX)
  {
    std::vector<Output> out;
    while (out.size () < limit)
      if (GstSample *s = gst_app_sink_try_pull_sample (GST_APP_SINK (sink), 10 * GST_SECOND)) {
        GstBuffer *b = gst_sample_get_buffer (s);
        out.push_back ({bytes_of (b), GST_BUFFER_PTS (b), GST_BUFFER_DURATION (b), GST_BUFFER_IS_DISCONT (b)});
        gst_structure_get_int (gst_caps_get_structure (gst_sample_get_caps (s), 0), "bitrate", &out.back ().caps_bitrate);
        gst_sample_unref (s);
      } else {
        break;
      }
    GstMessage *error = gst_bus_pop_filtered (GST_ELEMENT_BUS (pipeline), GST_MESSAGE_ERROR);
    EXPECT_EQ (error, nullptr);
    if (error != nullptr)
      gst_message_unref (error);
    return out;
  }
};
