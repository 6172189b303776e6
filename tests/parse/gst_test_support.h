/* Shared helpers for the parser's GStreamer tests: GStreamer start-up,
 * temporary files, running a pipeline into an appsink. */
#ifndef ZEB_G719PARSE_TEST_GST_SUPPORT_H
#define ZEB_G719PARSE_TEST_GST_SUPPORT_H

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "payload_stream.h"

/* Initialises GStreamer once per test program. */
inline void ensure_gst() {
  static bool done = [] {
    gst_init(nullptr, nullptr);
    return true;
  }();
  (void)done;
}

/* A file in the temporary directory, removed when the object goes away. */
class TempFile {
 public:
  explicit TempFile(const std::string &suffix) {
    gchar *name = nullptr;
    const std::string tmpl = "zebg719parse-XXXXXX" + suffix;
    const int fd = g_file_open_tmp(tmpl.c_str(), &name, nullptr);
    if (fd >= 0) close_fd(fd);
    path_ = name ? name : "";
    g_free(name);
  }
  ~TempFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;

  const std::string &path() const { return path_; }
  bool write(const Bytes &data) const {
    return g_file_set_contents(path_.c_str(), reinterpret_cast<const gchar *>(data.data()),
                               static_cast<gssize>(data.size()), nullptr);
  }
  Bytes read() const {
    gchar *contents = nullptr;
    gsize len = 0;
    Bytes out;
    if (g_file_get_contents(path_.c_str(), &contents, &len, nullptr)) {
      out.assign(reinterpret_cast<std::uint8_t *>(contents),
                 reinterpret_cast<std::uint8_t *>(contents) + len);
      g_free(contents);
    }
    return out;
  }

 private:
  static void close_fd(int fd);
  std::string path_;
};

/* One buffer taken from a sink: its bytes, timing and flags. */
struct Taken {
  Bytes bytes;
  GstClockTime pts;
  GstClockTime duration;
  bool discont;
  int caps_bitrate;  /* "bitrate" of the caps the buffer came with, 0 if none */
};

Taken take_buffer(GstBuffer *buffer, GstCaps *caps);

/* A pipeline described by gst-launch syntax that ends in an appsink named
 * "sink" (sync=false). */
class AppSinkPipeline {
 public:
  explicit AppSinkPipeline(const std::string &description);
  ~AppSinkPipeline();
  AppSinkPipeline(const AppSinkPipeline &) = delete;
  AppSinkPipeline &operator=(const AppSinkPipeline &) = delete;

  bool ok() const { return pipeline_ != nullptr && sink_ != nullptr; }
  GstElement *pipeline() const { return pipeline_; }
  /* Sets the state and waits for it (or an error) for at most 10 s. */
  bool set_state(GstState state);
  /* The preroll buffer after a PAUSED seek or start. */
  bool pull_preroll(Taken *out);
  /* Pulls buffers until end of stream or `limit`; false on a bus error. */
  bool pull_all(std::vector<Taken> *out, std::size_t limit = SIZE_MAX);
  /* First error message on the bus, or empty. */
  std::string bus_error();

 private:
  GstElement *pipeline_ = nullptr;
  GstElement *sink_ = nullptr;
};

#endif
