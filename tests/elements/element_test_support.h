// Shared helpers of the element tests: GStreamer start-up, a recorder of the
// elements' debug messages, and small buffer helpers.
#pragma once

#include <gst/check/gstharness.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zeb_test {

inline constexpr const char *kRawCaps =
    "audio/x-raw, format = S16LE, layout = (string) interleaved, "
    "rate = (int) 48000, channels = (int) 1";

// Initialises GStreamer once; the plugin is found through GST_PLUGIN_PATH.
void init_gstreamer ();

struct LogRecord {
  std::string category;
  GstDebugLevel level;
  std::string message;
  const GObject *object;
};

// Records every message of the debug categories "g719enc" and "g719dec" from
// construction to destruction, at every level. One recorder at a time; those
// categories are never printed.
class LogRecorder {
 public:
  LogRecorder ();
  ~LogRecorder ();
  LogRecorder (const LogRecorder &) = delete;
  LogRecorder &operator= (const LogRecorder &) = delete;

  std::vector<LogRecord> records () const;
  // Number of records whose message starts with prefix, at level.
  int count (const std::string &prefix, GstDebugLevel level) const;
  void clear ();

  static void on_log (GstDebugCategory *category, GstDebugLevel level,
      const gchar *file, const gchar *function, gint line, GObject *object,
      GstDebugMessage *message, gpointer user_data);

 private:
  mutable std::mutex mutex_;
  std::vector<LogRecord> records_;
};

// A buffer holding a copy of bytes.
GstBuffer *buffer_from_bytes (const std::vector<uint8_t> &bytes);
// A copy of a buffer's bytes.
std::vector<uint8_t> bytes_of (GstBuffer *buffer);
// Little-endian bytes of 16-bit samples.
std::vector<uint8_t> pcm_bytes (const std::vector<int16_t> &samples);
// Samples of little-endian bytes.
std::vector<int16_t> pcm_samples (const std::vector<uint8_t> &bytes);
// A deterministic test signal: a sum of tones with a noise burst every 0.3 s,
// so both stationary and transient frames occur.
std::vector<int16_t> test_signal (size_t samples, uint32_t seed = 1);

// Harness around a new element of factory, started with the given properties
// already set (the element is configured before it leaves NULL).
GstHarness *new_started_harness (const char *factory, const char *property = nullptr,
    int value = 0);

// While in scope, every allocation from GStreamer's default allocator fails.
// The base classes fall back to that allocator when the negotiated one fails,
// so this is what makes their output allocation fail. Make the input buffers
// before entering the scope.
class FailingDefaultAllocator {
 public:
  FailingDefaultAllocator ();
  ~FailingDefaultAllocator ();
  FailingDefaultAllocator (const FailingDefaultAllocator &) = delete;
  FailingDefaultAllocator &operator= (const FailingDefaultAllocator &) = delete;

 private:
  GstAllocator *previous_;
};

// Pulls every buffer the harness holds and concatenates their bytes.
std::vector<uint8_t> drain_output (GstHarness *h, int *buffer_count = nullptr);

}  // namespace zeb_test
