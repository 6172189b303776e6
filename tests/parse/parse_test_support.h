// Helpers of the parser tests: payload streams with damage, the parser run in
// a harness, files, and pipelines that end in an appsink.
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
  if (size >= 2) {
    const auto t = zeb_g719::read_payload_toc (g[0], g[1]);
    if (t.status == zeb_g719::TocStatus::valid && t.length_code == l && t.frame_count == n)
      g[0] |= 0x80;
  }
  return g;
}

struct Taken : Output {
  bool discont;
  int caps_bitrate;  // of the caps the buffer came with (appsink), else 0
};

// A temporary file holding data.
struct TempFile {
  std::string path;
  explicit TempFile (const Bytes &data)
  {
    gchar *name = nullptr;
    const int fd = g_file_open_tmp ("zebg719-XXXXXX.g719", &name, nullptr);
    path = name;
    g_free (name);
    if (fd >= 0)
      close (fd);
    EXPECT_TRUE (g_file_set_contents (path.c_str (), reinterpret_cast<const gchar *> (data.data ()),
        static_cast<gssize> (data.size ()), nullptr));
  }
  ~TempFile () { std::remove (path.c_str ()); }
};

// A pipeline in gst-launch syntax ending in "appsink name=sink".
class AppSinkPipeline {
 public:
  explicit AppSinkPipeline (const std::string &description)
  {
    init_gstreamer ();
    pipeline_ = gst_parse_launch (description.c_str (), nullptr);
    sink_ = pipeline_ ? gst_bin_get_by_name (GST_BIN (pipeline_), "sink") : nullptr;
    EXPECT_NE (sink_, nullptr) << description;
  }
  ~AppSinkPipeline ()
  {
    gst_element_set_state (pipeline_, GST_STATE_NULL);
    gst_clear_object (&sink_);
    gst_clear_object (&pipeline_);
  }
  GstElement *pipeline () const { return pipeline_; }
  bool set_state (GstState state)
  {
    return sink_ != nullptr && gst_element_set_state (pipeline_, state) != GST_STATE_CHANGE_FAILURE &&
        gst_element_get_state (pipeline_, nullptr, nullptr, 10 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS;
  }
  // Up to `limit` buffers, until end of stream.
  std::vector<Taken> pull (size_t limit = SIZE_MAX)
  {
    std::vector<Taken> out;
    while (out.size () < limit) {
      GstSample *s = gst_app_sink_try_pull_sample (GST_APP_SINK (sink_), 10 * GST_SECOND);
      if (s == nullptr)
        break;
      GstBuffer *b = gst_sample_get_buffer (s);
      Taken t {{bytes_of (b), GST_BUFFER_PTS (b), GST_BUFFER_DURATION (b)}, GST_BUFFER_IS_DISCONT (b), 0};
      gst_structure_get_int (gst_caps_get_structure (gst_sample_get_caps (s), 0), "bitrate", &t.caps_bitrate);
      out.push_back (t);
      gst_sample_unref (s);
    }
    GstMessage *error = gst_bus_pop_filtered (GST_ELEMENT_BUS (pipeline_), GST_MESSAGE_ERROR);
    EXPECT_EQ (error, nullptr) << "error on the bus";
    if (error != nullptr)
      gst_message_unref (error);
    return out;
  }

 private:
  GstElement *pipeline_ = nullptr;
  GstElement *sink_ = nullptr;
};
