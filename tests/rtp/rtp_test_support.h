// Helpers of the RTP tests: packets and payloads as bytes, a harness whose
// element posts to a bus we can read.
#pragma once

#include <gst/check/gstharness.h>
#include <gst/rtp/gstrtpbuffer.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace rtp_test {

using Bytes = std::vector<uint8_t>;
inline constexpr GstClockTime kFrame = 20 * GST_MSECOND;

inline void init_gst() {
  static const bool done = (gst_init(nullptr, nullptr), true);
  (void)done;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A frame of `bytes` bytes, every byte `tag`, so frames are recognised at the output.
inline Bytes frame(unsigned bytes, uint8_t tag) { return Bytes(bytes, tag); }

inline Bytes bytes_of(GstBuffer *buffer) {
  Bytes out(gst_buffer_get_size(buffer));
  gst_buffer_extract(buffer, 0, out.data(), out.size());
  return out;
}

inline GstBuffer *rtp_packet(const Bytes &payload, uint16_t seq, uint32_t ts, GstClockTime pts,
                             uint32_t ssrc = 0x1234) {
  GstBuffer *b = gst_rtp_buffer_new_allocate(static_cast<guint>(payload.size()), 0, 0);
  GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
  gst_rtp_buffer_map(b, GST_MAP_WRITE, &rtp);
  gst_rtp_buffer_set_payload_type(&rtp, 96);
  gst_rtp_buffer_set_seq(&rtp, seq);
  gst_rtp_buffer_set_timestamp(&rtp, ts);
  gst_rtp_buffer_set_ssrc(&rtp, ssrc);
  if (!payload.empty())
    std::copy(payload.begin(), payload.end(), static_cast<uint8_t *>(gst_rtp_buffer_get_payload(&rtp)));
  gst_rtp_buffer_unmap(&rtp);
  GST_BUFFER_PTS(b) = pts;
  return b;
}

struct Packet {
  Bytes payload;
  uint32_t ts;
  bool marker;
};

inline Packet read_packet(GstBuffer *buffer) {
  GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
  Packet p{};
  if (!gst_rtp_buffer_map(buffer, GST_MAP_READ, &rtp)) return p;
  const auto *data = static_cast<const uint8_t *>(gst_rtp_buffer_get_payload(&rtp));
  p.payload.assign(data, data + gst_rtp_buffer_get_payload_len(&rtp));
  p.ts = gst_rtp_buffer_get_timestamp(&rtp);
  p.marker = gst_rtp_buffer_get_marker(&rtp);
  gst_rtp_buffer_unmap(&rtp);
  return p;
}

// A harness whose element posts its messages to a bus the test reads.
class Harness {
 public:
  Harness(const char *factory, const char *src_caps, const char *sink_caps = nullptr) {
    init_gst();
    h = gst_harness_new(factory);
    bus = gst_bus_new();
    gst_element_set_bus(h->element, bus);
    if (sink_caps) gst_harness_set_sink_caps_str(h, sink_caps);
    if (src_caps) gst_harness_set_src_caps_str(h, src_caps);
  }
  ~Harness() {
    gst_harness_teardown(h);
    gst_object_unref(bus);
  }
  Harness(const Harness &) = delete;
  Harness &operator=(const Harness &) = delete;

  // Messages of one type posted since the last call.
  int messages(GstMessageType type) {
    int n = 0;
    while (GstMessage *m = gst_bus_pop_filtered(bus, type)) {
      n++;
      gst_message_unref(m);
    }
    return n;
  }
  std::vector<GstBuffer *> buffers() {
    std::vector<GstBuffer *> out;
    while (GstBuffer *b = gst_harness_try_pull(h)) out.push_back(b);
    return out;
  }
  // GAP events as (start, duration); other events are dropped.
  std::vector<std::pair<GstClockTime, GstClockTime>> gaps() {
    std::vector<std::pair<GstClockTime, GstClockTime>> out;
    while (GstEvent *e = gst_harness_try_pull_event(h)) {
      if (GST_EVENT_TYPE(e) == GST_EVENT_GAP) {
        GstClockTime ts, dur;
        gst_event_parse_gap(e, &ts, &dur);
        out.emplace_back(ts, dur);
      }
      gst_event_unref(e);
    }
    return out;
  }
  guint64 stat(const char *name) {
    GstStructure *s = nullptr;
    g_object_get(h->element, "frame-stats", &s, nullptr);
    guint64 v = 0;
    gst_structure_get_uint64(s, name, &v);
    gst_structure_free(s);
    return v;
  }

  GstHarness *h;
  GstBus *bus;
};

inline void unref_all(std::vector<GstBuffer *> &buffers) {
  for (GstBuffer *b : buffers) gst_buffer_unref(b);
  buffers.clear();
}

}  // namespace rtp_test
