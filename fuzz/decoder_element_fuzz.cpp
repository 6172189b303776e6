// Fuzz target: zebg719dec's payload handling through GstHarness.
//
// The input is a script of operations, each starting with an op byte:
//   op % 4 == 0: push a buffer; the next two bytes give its size (capped by
//                what is left), the following bytes are the payload;
//   op % 4 == 1: push a GAP event of 1..8 frame durations;
//   op % 4 == 2: toggle the decoder's plc property;
//   op % 4 == 3: push a buffer with no data.
// At most kMaxOps operations run per input, so every input stays cheap.
//
// Checks: every output buffer holds a whole, non-zero number of 960-sample
// frames, and nothing the decoder does reads or writes outside a buffer
// (the sanitizers watch).
#include <gst/audio/audio.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <cstddef>
#include <cstdint>

#include "gst_fuzz_init.h"

extern "C" void gst_plugin_zebg719_avx2_register(void);

namespace {

constexpr int kMaxOps = 16;

void drain(GstHarness *h) {
  GstBuffer *out;
  while ((out = gst_harness_try_pull(h)) != nullptr) {
    const gsize size = gst_buffer_get_size(out);
    if (size == 0 || size % (960 * 2) != 0) __builtin_trap();
    gst_buffer_unref(out);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  gst_fuzz_init();
  gst_plugin_zebg719_avx2_register();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  GstHarness *h = gst_harness_new("zebg719dec");
  if (h == nullptr) __builtin_trap();
  // Keep decoding through any number of bad payloads.
  g_object_set(h->element, "max-errors", -1, NULL);
  gst_harness_set_src_caps_str(h, "audio/G719");
  gboolean plc = FALSE;
  GstClockTime ts = 0;
  size_t pos = 0;
  int ops = 0;
  while (pos < size && ops++ < kMaxOps) {
    const uint8_t op = data[pos++];
    switch (op % 4) {
      case 0: {
        size_t len = 0;
        if (pos + 2 <= size) len = (static_cast<size_t>(data[pos]) << 8) | data[pos + 1];
        pos = pos + 2 <= size ? pos + 2 : size;
        if (len > size - pos) len = size - pos;
        GstBuffer *buf = len > 0 ? gst_buffer_new_memdup(data + pos, len) : gst_buffer_new();
        pos += len;
        GST_BUFFER_PTS(buf) = ts;
        ts += 20 * GST_MSECOND;
        gst_harness_push(h, buf);
        break;
      }
      case 1: {
        const GstClockTime dur = (1 + (op >> 2) % 8) * 20 * GST_MSECOND;
        gst_harness_push_event(h, gst_event_new_gap(ts, dur));
        ts += dur;
        break;
      }
      case 2:
        plc = !plc;
        g_object_set(h->element, "plc", plc, NULL);
        break;
      default: {
        GstBuffer *buf = gst_buffer_new();
        GST_BUFFER_PTS(buf) = ts;
        GST_BUFFER_DURATION(buf) = 20 * GST_MSECOND;
        ts += 20 * GST_MSECOND;
        gst_harness_push(h, buf);
        break;
      }
    }
    drain(h);
  }
  gst_harness_push_event(h, gst_event_new_eos());
  drain(h);
  gst_harness_teardown(h);
  return 0;
}
