// Fuzz target: rtpzebg719depay on arbitrary packets through GstHarness. Byte 0:
// bit 0 = interleaved, interleaving = 1 + (byte 0 >> 1) % 16. Then an op byte
// each: op % 4 == 0 a packet (RTP time step in frames, signed, plus op >> 2
// ticks when op's top bit is set; payload size, 2 bytes big-endian, capped;
// payload), 1 a packet-lost report of (op >> 2) x 7 ms, 2 a new SSRC or (top
// bit) a flush, 3 the other mode's caps. Checks: every output is one payload
// as zebg719dec takes it, every GAP whole 20 ms frames; sanitizers watch.
#include <gst/check/gstharness.h>
#include <gst/rtp/gstrtpbuffer.h>

#include <cstring>
#include <string>

#include "gst_fuzz_init.h"
#include "payload_toc.h"
#include "rtpzebg719depay.h"

namespace {

constexpr GstClockTime kFrame = 20 * GST_MSECOND;

void set_caps(GstHarness *h, bool interleaved, unsigned depth) {
  std::string caps = "application/x-rtp, media=audio, clock-rate=48000, encoding-name=G719, payload=96";
  if (interleaved) caps += ", interleaving=(string)" + std::to_string(depth);
  gst_harness_set_src_caps_str(h, caps.c_str());
}

void check_output(GstHarness *h) {
  for (GstBuffer *b; (b = gst_harness_try_pull(h)) != nullptr; gst_buffer_unref(b)) {
    uint8_t toc[2] = {};
    gst_buffer_extract(b, 0, toc, 2);
    const zeb_g719::PayloadToc parsed = zeb_g719::read_payload_toc(toc[0], toc[1]);
    if (parsed.status != zeb_g719::TocStatus::valid || parsed.frame_count != 1 ||
        gst_buffer_get_size(b) != parsed.payload_bytes)
      __builtin_trap();
  }
  for (GstEvent *e; (e = gst_harness_try_pull_event(h)) != nullptr; gst_event_unref(e)) {
    GstClockTime ts, duration = kFrame;
    if (GST_EVENT_TYPE(e) == GST_EVENT_GAP) gst_event_parse_gap(e, &ts, &duration);
    if (duration == 0 || duration % kFrame != 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  gst_fuzz_init();
  gst_element_register(nullptr, "rtpzebg719depay", GST_RANK_NONE, ZEB_TYPE_G719_RTP_DEPAY);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  GstHarness *h = gst_harness_new("rtpzebg719depay");
  bool interleaved = data[0] & 1;
  const unsigned depth = 1 + (data[0] >> 1) % 16;
  set_caps(h, interleaved, depth);
  uint16_t seq = 1;
  uint32_t ssrc = 1, rtp_time = 0;
  GstClockTime pts = 60 * GST_SECOND;  // room to step back
  size_t pos = 1;
  for (int ops = 0; pos < size && ops < 64; ops++, check_output(h)) {
    const uint8_t op = data[pos++];
    if (op % 4 == 0) {
      const int8_t step = pos < size ? static_cast<int8_t>(data[pos++]) : 1;
      rtp_time += step * 960 + ((op & 0x80) ? (op >> 2) : 0);
      pts += step * static_cast<GstClockTimeDiff>(kFrame);
      size_t len = pos + 2 <= size ? (size_t(data[pos]) << 8) | data[pos + 1] : 0;
      pos = pos + 2 <= size ? pos + 2 : size;
      len = len < size - pos ? len : size - pos;
      GstBuffer *b = gst_rtp_buffer_new_allocate(static_cast<guint>(len), 0, 0);
      GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
      gst_rtp_buffer_map(b, GST_MAP_WRITE, &rtp);
      gst_rtp_buffer_set_payload_type(&rtp, 96);
      gst_rtp_buffer_set_seq(&rtp, seq++);
      gst_rtp_buffer_set_timestamp(&rtp, rtp_time);
      gst_rtp_buffer_set_ssrc(&rtp, ssrc);
      if (len > 0) std::memcpy(gst_rtp_buffer_get_payload(&rtp), data + pos, len);
      gst_rtp_buffer_unmap(&rtp);
      pos += len;
      GST_BUFFER_PTS(b) = pts;
      gst_harness_push(h, b);
    } else if (op % 4 == 1) {
      gst_harness_push_event(h, gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
          gst_structure_new("GstRTPPacketLost", "timestamp", G_TYPE_UINT64, pts + kFrame, "duration",
                            G_TYPE_UINT64, guint64(op >> 2) * 7 * GST_MSECOND, nullptr)));
    } else if (op % 4 == 2 && (op & 0x80)) {
      gst_harness_push_event(h, gst_event_new_flush_start());
      gst_harness_push_event(h, gst_event_new_flush_stop(FALSE));
      // A flush removes the segment; upstream (a seeking jitter buffer) sends
      // a new one before the next packet.
      GstSegment segment;
      gst_segment_init(&segment, GST_FORMAT_TIME);
      gst_harness_push_event(h, gst_event_new_segment(&segment));
    } else if (op % 4 == 2) {
      ssrc++;
    } else {
      interleaved = !interleaved;
      set_caps(h, interleaved, depth);
    }
  }
  gst_harness_push_event(h, gst_event_new_eos());
  check_output(h);
  gst_harness_teardown(h);
  return 0;
}
