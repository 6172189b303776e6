// Fuzz target: zebg719parse on arbitrary files, pushed in arbitrary pieces,
// with seeks, through GstHarness.
//
// Input layout: byte 0 gives the number of operations (byte 0 % 8), each
// three bytes: a kind byte and a 16-bit big-endian argument A. The rest of
// the input is the file (at most 16 KiB).
//   kind even: push the next piece of the file; pieces are 1 + A % 2048
//              bytes from here on;
//   kind odd:  seek: flush, a new byte segment at offset A % (size + 1),
//              and the file goes on from there (first buffer DISCONT).
// After the operations the rest of the file is pushed, then EOS.
//
// Checks on every output buffer: it is one whole payload (a valid one-entry
// table of contents and exactly the bytes it announces), copied unchanged
// from the file; its duration is its frames x 20 ms; timestamps do not
// decrease within a segment; and the source caps announce the bitrate of
// the last payload pushed. The sanitizers watch every access, and every
// pushed buffer is an allocation of exactly its size.
#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gst_fuzz_init.h"
#include "payload_toc.h"
#include "zebg719parse.h"

namespace {

constexpr size_t kMaxFileBytes = 16384;

struct Run {
  GstHarness *h;
  const uint8_t *file;
  size_t size;
  GstClockTime last_pts = GST_CLOCK_TIME_NONE;
};

void check_output(Run &run) {
  GstBuffer *out;
  gint32 last_bitrate = 0;
  while ((out = gst_harness_try_pull(run.h)) != nullptr) {
    GstMapInfo map;
    if (!gst_buffer_map(out, &map, GST_MAP_READ)) __builtin_trap();
    if (map.size < zeb_g719::kTocBytes) __builtin_trap();
    const zeb_g719::PayloadToc toc = zeb_g719::read_payload_toc(map.data[0], map.data[1]);
    if (toc.status != zeb_g719::TocStatus::valid || toc.payload_bytes != map.size) __builtin_trap();
    if (memmem(run.file, run.size, map.data, map.size) == nullptr) __builtin_trap();
    gst_buffer_unmap(out, &map);
    if (GST_BUFFER_DURATION(out) != toc.frame_count * zeb_g719::kFrameDurationNs) __builtin_trap();
    const GstClockTime pts = GST_BUFFER_PTS(out);
    if (GST_CLOCK_TIME_IS_VALID(pts)) {
      if (GST_CLOCK_TIME_IS_VALID(run.last_pts) && pts < run.last_pts) __builtin_trap();
      run.last_pts = pts;
    }
    last_bitrate = toc.bitrate;
    gst_buffer_unref(out);
  }
  if (last_bitrate != 0) {
    GstCaps *caps = gst_pad_get_current_caps(run.h->sinkpad);
    gint bitrate = 0;
    if (caps == nullptr || !gst_structure_get_int(gst_caps_get_structure(caps, 0), "bitrate", &bitrate) ||
        bitrate != last_bitrate)
      __builtin_trap();
    gst_caps_unref(caps);
  }
}

void push_piece(Run &run, size_t from, size_t len, bool discont) {
  GstBuffer *buf = gst_buffer_new_memdup(run.file + from, len);
  GST_BUFFER_OFFSET(buf) = from;
  if (discont) GST_BUFFER_FLAG_SET(buf, GST_BUFFER_FLAG_DISCONT);
  gst_harness_push(run.h, buf);
  check_output(run);
}

// A byte segment from offset on, as a file source sends at the start and
// after a seek.
void segment_at(Run &run, size_t offset) {
  GstSegment segment;
  gst_segment_init(&segment, GST_FORMAT_BYTES);
  segment.start = segment.position = segment.time = offset;
  gst_harness_push_event(run.h, gst_event_new_segment(&segment));
}

void seek(Run &run, size_t offset) {
  gst_harness_push_event(run.h, gst_event_new_flush_start());
  gst_harness_push_event(run.h, gst_event_new_flush_stop(TRUE));
  segment_at(run, offset);
  check_output(run);  // a flush discards everything still held
  run.last_pts = GST_CLOCK_TIME_NONE;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  gst_fuzz_init();
  zeb_g719_parse_register(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const size_t ops = data[0] % 8;
  if (size < 1 + 3 * ops) return 0;
  const uint8_t *op = data + 1;
  Run run{gst_harness_new("zebg719parse"), op + 3 * ops, size - 1 - 3 * ops};
  if (run.h == nullptr) __builtin_trap();
  if (run.size > kMaxFileBytes) run.size = kMaxFileBytes;
  gst_harness_set_src_caps_str(run.h, "audio/G719");
  segment_at(run, 0);

  size_t pos = 0;
  size_t piece = 64;
  bool discont = false;
  for (size_t i = 0; i < ops; ++i, op += 3) {
    const size_t arg = (static_cast<size_t>(op[1]) << 8) | op[2];
    if (op[0] % 2 == 0) {
      piece = 1 + arg % 2048;
      const size_t len = piece < run.size - pos ? piece : run.size - pos;
      if (len > 0) push_piece(run, pos, len, discont);
      pos += len;
      discont = discont && len == 0;
    } else {
      pos = arg % (run.size + 1);
      seek(run, pos);
      discont = true;
    }
  }
  while (pos < run.size) {
    const size_t len = piece < run.size - pos ? piece : run.size - pos;
    push_piece(run, pos, len, discont);
    pos += len;
    discont = false;
  }
  gst_harness_push_event(run.h, gst_event_new_eos());
  check_output(run);
  gst_harness_teardown(run.h);
  return 0;
}
