#include "element_test_support.h"

#include <cmath>
#include <cstring>

namespace {

struct FailingAllocator {
  GstAllocator parent;
};
struct FailingAllocatorClass {
  GstAllocatorClass parent_class;
};

G_DEFINE_TYPE (FailingAllocator, failing_allocator, GST_TYPE_ALLOCATOR)

GstMemory *failing_alloc (GstAllocator *, gsize, GstAllocationParams *)
{
  return nullptr;
}

void failing_free (GstAllocator *, GstMemory *)
{
}

void failing_allocator_class_init (FailingAllocatorClass *klass)
{
  GST_ALLOCATOR_CLASS (klass)->alloc = failing_alloc;
  GST_ALLOCATOR_CLASS (klass)->free = failing_free;
}

void failing_allocator_init (FailingAllocator *allocator)
{
  GST_ALLOCATOR_CAST (allocator)->mem_type = "ZebTestFailing";
}

}  // namespace

namespace zeb_test {

FailingDefaultAllocator::FailingDefaultAllocator ()
    : previous_ (gst_allocator_find (nullptr))
{
  gst_allocator_set_default (GST_ALLOCATOR_CAST (g_object_new (failing_allocator_get_type (), nullptr)));
}

FailingDefaultAllocator::~FailingDefaultAllocator ()
{
  gst_allocator_set_default (previous_);
}

namespace {

// The recorder in scope, if any. Messages of the elements' categories go to it
// and nowhere else; every other message goes to GStreamer's default output.
std::mutex active_mutex;
LogRecorder *active_recorder = nullptr;

}  // namespace

void init_gstreamer ()
{
  static std::once_flag once;
  std::call_once (once, [] {
    gst_init (nullptr, nullptr);
    gst_debug_set_active (TRUE);
    gst_debug_set_threshold_for_name ("g719enc", GST_LEVEL_LOG);
    gst_debug_set_threshold_for_name ("g719dec", GST_LEVEL_LOG);
    gst_debug_remove_log_function (gst_debug_log_default);
    gst_debug_add_log_function (&LogRecorder::on_log, nullptr, nullptr);
  });
}

LogRecorder::LogRecorder ()
{
  init_gstreamer ();
  std::lock_guard<std::mutex> lock (active_mutex);
  active_recorder = this;
}

LogRecorder::~LogRecorder ()
{
  std::lock_guard<std::mutex> lock (active_mutex);
  active_recorder = nullptr;
}

void LogRecorder::on_log (GstDebugCategory *category, GstDebugLevel level,
    const gchar *file, const gchar *function, gint line, GObject *object,
    GstDebugMessage *message, gpointer)
{
  const std::string name = gst_debug_category_get_name (category);
  if (name != "g719enc" && name != "g719dec") {
    gst_debug_log_default (category, level, file, function, line, object, message, nullptr);
    return;
  }
  std::lock_guard<std::mutex> active_lock (active_mutex);
  LogRecorder *self = active_recorder;
  if (self == nullptr)
    return;
  std::lock_guard<std::mutex> lock (self->mutex_);
  self->records_.push_back ({name, level, gst_debug_message_get (message), object});
}

std::vector<LogRecord> LogRecorder::records () const
{
  std::lock_guard<std::mutex> lock (mutex_);
  return records_;
}

int LogRecorder::count (const std::string &prefix, GstDebugLevel level) const
{
  std::lock_guard<std::mutex> lock (mutex_);
  int n = 0;
  for (const auto &r : records_)
    if (r.level == level && r.message.rfind (prefix, 0) == 0)
      n++;
  return n;
}

void LogRecorder::clear ()
{
  std::lock_guard<std::mutex> lock (mutex_);
  records_.clear ();
}

GstBuffer *buffer_from_bytes (const std::vector<uint8_t> &bytes)
{
  GstBuffer *buffer = gst_buffer_new_allocate (nullptr, bytes.size (), nullptr);
  if (!bytes.empty ())
    gst_buffer_fill (buffer, 0, bytes.data (), bytes.size ());
  return buffer;
}

std::vector<uint8_t> bytes_of (GstBuffer *buffer)
{
  std::vector<uint8_t> bytes (gst_buffer_get_size (buffer));
  if (!bytes.empty ())
    gst_buffer_extract (buffer, 0, bytes.data (), bytes.size ());
  return bytes;
}

std::vector<uint8_t> pcm_bytes (const std::vector<int16_t> &samples)
{
  std::vector<uint8_t> bytes (samples.size () * 2);
  for (size_t i = 0; i < samples.size (); i++) {
    const uint16_t u = static_cast<uint16_t> (samples[i]);
    bytes[2 * i] = static_cast<uint8_t> (u & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t> (u >> 8);
  }
  return bytes;
}

std::vector<int16_t> pcm_samples (const std::vector<uint8_t> &bytes)
{
  std::vector<int16_t> samples (bytes.size () / 2);
  for (size_t i = 0; i < samples.size (); i++)
    samples[i] = static_cast<int16_t> (bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return samples;
}

std::vector<int16_t> test_signal (size_t samples, uint32_t seed)
{
  std::vector<int16_t> out (samples);
  uint32_t noise = seed;
  for (size_t i = 0; i < samples; i++) {
    const double t = static_cast<double> (i) / 48000.0;
    double v = 6000.0 * std::sin (2 * M_PI * 440.0 * t) +
        3000.0 * std::sin (2 * M_PI * (1200.0 + 37.0 * seed) * t) +
        1500.0 * std::sin (2 * M_PI * 5100.0 * t);
    noise = noise * 1664525u + 1013904223u;
    if ((i % 14400) < 400)  // a 400-sample burst every 0.3 s
      v += static_cast<double> (static_cast<int32_t> (noise >> 16) - 32768) * 0.5;
    out[i] = static_cast<int16_t> (std::lround (std::fmax (-32768.0, std::fmin (32767.0, v))));
  }
  return out;
}

GstHarness *new_started_harness (const char *factory, const char *property, int value)
{
  init_gstreamer ();
  GstElement *element = gst_element_factory_make (factory, nullptr);
  if (element == nullptr)
    return nullptr;
  if (property != nullptr)
    g_object_set (element, property, value, nullptr);
  GstHarness *h = gst_harness_new_with_element (element, "sink", "src");
  gst_object_unref (element);  // the harness holds its own reference
  return h;
}

std::vector<uint8_t> drain_output (GstHarness *h, int *buffer_count)
{
  std::vector<uint8_t> all;
  int count = 0;
  while (GstBuffer *b = gst_harness_try_pull (h)) {
    const auto bytes = bytes_of (b);
    all.insert (all.end (), bytes.begin (), bytes.end ());
    gst_buffer_unref (b);
    count++;
  }
  if (buffer_count != nullptr)
    *buffer_count = count;
  return all;
}

}  // namespace zeb_test
