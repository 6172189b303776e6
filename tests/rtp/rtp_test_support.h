// Helpers of the RTP tests: packets and payloads as bytes, and a harness whose
// element posts to a bus the test reads.
#pragma once

#include <gst/check/gstharness.h>
#include <gst/rtp/gstrtpbuffer.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace rtp_test {

using Bytes = std::vector<uint8_t>;
inline constexpr GstClockTime kFrame = 20 * GST_MSECOND;

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// `bytes` bytes of `tag`, so that a frame is recognised at the output.
inline Bytes frame(unsigned bytes, uint8_t tag) { return Bytes(bytes, tag); }

inline Bytes bytes_of(GstBuffer *buffer) {
  Bytes out(gst_buffer_get_size(buffer));
  return gst_buffer_extract(buffer, 0, out.data(), out.size()), out;
}

inline GstBuffer *rtp_packet(const Bytes &payload, uint16_t seq, uint32_t ts, GstClockTime pts) {
  GstBuffer *b = gst_rtp_buffer_new_allocate(static_cast<guint>(payload.size()), 0, 0);
  GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
  gst_rtp_buffer_map(b, GST_MAP_WRITE, &rtp);
  gst_rtp_buffer_set_payload_type(&rtp, 96);
  gst_rtp_buffer_set_seq(&rtp, seq);
  gst_rtp_buffer_set_timestamp(&rtp, ts);
  std::copy(payload.begin(), payload.end(), static_cast<uint8_t *>(gst_rtp_buffer_get_payload(&rtp)));
  gst_rtp_buffer_unmap(&rtp);
  GST_BUFFER_PTS(b) = pts;
  return b;
}

struct Packet { Bytes payload; uint32_t ts = 0; bool marker = false; };

inline Packet read_packet(GstBuffer *buffer) {  // empty when it is not an RTP packet
  GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
  Packet p;
  if (!gst_rtp_buffer_map(buffer, GST_MAP_READ, &rtp)) return p;
  const auto *data = static_cast<const uint8_t *>(gst_rtp_buffer_get_payload(&rtp));
  p.payload.assign(data, data + gst_rtp_buffer_get_payload_len(&rtp));
  p.ts = gst_rtp_buffer_get_timestamp(&rtp);
  p.marker = gst_rtp_buffer_get_marker(&rtp);
  gst_rtp_buffer_unmap(&rtp);
  return p;
}

struct Output { Bytes bytes; GstClockTime pts, duration; Packet packet; /* for the payloader */ };

class Harness {
 public:
  Harness(const char *factory, const char *src_caps, const char *sink_caps = nullptr)
      : h((init(), gst_harness_new(factory))), bus(gst_bus_new()) {
    gst_element_set_bus(h->element, bus);
    if (sink_caps) gst_harness_set_sink_caps_str(h, sink_caps);
    if (src_caps) gst_harness_set_src_caps_str(h, src_caps);
  }
  ~Harness() { gst_harness_teardown(h), gst_object_unref(bus); }

  int messages(GstMessageType type) {  // posted since the last call
    int n = 0;
    for (GstMessage *m; (m = gst_bus_pop_filtered(bus, type)) != nullptr; n++) gst_message_unref(m);
    return n;
  }
  std::vector<Output> outputs() {
    std::vector<Output> out;
    for (GstBuffer *b; (b = gst_harness_try_pull(h)) != nullptr; gst_buffer_unref(b))
      out.push_back({bytes_of(b), GST_BUFFER_PTS(b), GST_BUFFER_DURATION(b), read_packet(b)});
    return out;
  }
  std::vector<std::pair<GstClockTime, GstClockTime>> gaps() {  // (start, duration)
    std::vector<std::pair<GstClockTime, GstClockTime>> out;
    GstClockTime ts, duration;
    for (GstEvent *e; (e = gst_harness_try_pull_event(h)) != nullptr; gst_event_unref(e))
      if (GST_EVENT_TYPE(e) == GST_EVENT_GAP) gst_event_parse_gap(e, &ts, &duration), out.emplace_back(ts, duration);
    return out;
  }
  guint64 stat(const char *name) {
    GstStructure *s = nullptr;
    guint64 v = 0;
    g_object_get(h->element, "frame-stats", &s, nullptr);
    gst_structure_get_uint64(s, name, &v);
    return gst_structure_free(s), v;
  }

  static void init() { gst_init(nullptr, nullptr); }  // once per process is enough; more is harmless

  GstHarness *h;
  GstBus *bus;
};

}  // namespace rtp_test
