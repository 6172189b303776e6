// rtpzebg719pay and rtpzebg719depay through GstHarness: RFC 5404's examples, aggregation,
// malformed packets, redundancy, interleaving, loss and the caps' round trip through SDP.
#include <gst/sdp/gstsdpmessage.h>
#include <gtest/gtest.h>

#include <string>

#include "rtp_test_support.h"

using namespace rtp_test;

namespace {

const std::string kRtpCaps =
    "application/x-rtp, media=audio, clock-rate=48000, encoding-name=G719, payload=96";
const std::string kInterleaved = kRtpCaps + ", interleaving=(string)";
constexpr const char *kG719Caps = "audio/G719, rate=(int)48000, channels=(int)1";
using Frames = std::vector<std::pair<int, GstClockTime>>;
using Gaps = std::vector<std::pair<GstClockTime, GstClockTime>>;

GstBuffer *timed(const Bytes &bytes, GstClockTime pts, bool discont = false) {
  GstBuffer *b = gst_buffer_new_memdup(bytes.data(), bytes.size());
  GST_BUFFER_PTS(b) = pts;
  if (discont) GST_BUFFER_FLAG_SET(b, GST_BUFFER_FLAG_DISCONT);
  return b;
}

// (tag, PTS) of each output frame, checking that it is one payload as the
// decoder takes it: one entry, one frame of the entry's size, 20 ms long.
Frames frames_out(Harness &d) {
  Frames out;
  for (const Output &o : d.outputs()) {
    const unsigned l = o.bytes[0] >> 2, bytes = l < 23 ? 10 * l : 20 * l - 220;
    EXPECT_TRUE(o.bytes[0] < 0x80 && o.bytes[1] == 1 && o.bytes.size() == 2 + bytes);
    EXPECT_EQ(o.duration, kFrame);
    out.emplace_back(o.bytes.back(), o.pts);
  }
  return out;
}

TEST(RtpDepay, Rfc5404BasicExampleGivesOnePayloadPerFrame) {
  Harness d("rtpzebg719depay", kRtpCaps.c_str());
  const Bytes f1 = frame(80, 1), f2 = frame(80, 2), f3 = frame(120, 3);
  gst_harness_push(d.h, rtp_packet(cat({{0xA0, 0x02, 0x30, 0x01}, f1, f2, f3}), 7, 4000, 100 * GST_MSECOND));
  const std::vector<Output> out = d.outputs();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].bytes, cat({{0x20, 0x01}, f1}));
  EXPECT_EQ(out[1].bytes, cat({{0x20, 0x01}, f2}));
  EXPECT_EQ(out[2].bytes, cat({{0x30, 0x01}, f3}));
  for (int k = 0; k < 3; k++) EXPECT_EQ(out[k].pts, 100 * GST_MSECOND + k * kFrame);
}

TEST(RtpDepay, InterleavedPatternComesOutInDecodingOrder) {
  // RFC 5404 6.3's pattern: packet n - 3 holds frames 1, 6, 11, 16, each later
  // packet starts 4 frames on. Frame 13 is sent after 14, 15, 16, 19, 20 and
  // 24, so 7 slots suffice.
  Harness d("rtpzebg719depay", (kInterleaved + "7").c_str());
  std::vector<int> sent;
  for (int first = 1; first <= 21; first += 4) {
    Bytes p = {0x20, 0x04, 0x04, 0x44};
    for (int f = first; f < first + 20; f += 5) {
      p.resize(p.size() + 80, uint8_t(f));
      sent.push_back(f);
    }
    gst_harness_push(d.h, rtp_packet(p, uint16_t(first), 90000 + (first - 1) * 960, (first - 1) * kFrame));
  }
  EXPECT_EQ(d.stat("frames-pushed"), 18u);  // frames 26, 27, 28, 31, 32, 36 wait for 7 later ones
  gst_harness_push_event(d.h, gst_event_new_eos());
  std::sort(sent.begin(), sent.end());
  Frames expected;
  for (int f : sent) expected.emplace_back(f, (f - 1) * kFrame);
  EXPECT_EQ(frames_out(d), expected);
  // The frames never sent: 2-4, 7-8, 12, 25, 29-30, 33-35.
  EXPECT_EQ(d.gaps(), (Gaps{{kFrame, 3 * kFrame}, {6 * kFrame, 2 * kFrame}, {11 * kFrame, kFrame},
                            {24 * kFrame, kFrame}, {28 * kFrame, 2 * kFrame}, {32 * kFrame, 3 * kFrame}}));
}

TEST(RtpDepay, MalformedPacketsAreDiscardedWithAWarningAndNothingElse) {
  const Bytes f80 = frame(80, 5);
  Bytes many;  // 5 x 255 slots of no data: more than a packet may describe
  for (int i = 0; i < 5; i++) many.insert(many.end(), {uint8_t(i < 4 ? 0x80 : 0), 0xFF});
  const std::vector<Bytes> basic = {
      {0x04, 0x01}, {0x1C, 0x01}, {0x70, 0x01}, {0x7C, 0x01},                          // reserved L = 1, 7, 28, 31
      cat({{0x20, 0x01}, f80, {0}}), cat({{0x20, 0x01}, frame(79, 5)}), {0x00, 0x01, 0},  // size + 1, - 1
      {0xA0, 0x01}, {0xA0, 0x01, 0xA0}, {0x20}, {}, {0x20, 0x00}, many};               // F past the end, N = 0
  const std::vector<Bytes> interleaved = {{0x20, 0x04, 0x04}, cat({{0x20, 0x02}, frame(160, 5)}),  // DIS past
                                          {0xA0, 0x01, 0x00}, cat({{0x20, 0x04, 0x04, 0x44}, frame(319, 5)})};
  for (const bool inter : {false, true}) {
    Harness d("rtpzebg719depay", inter ? (kInterleaved + "1").c_str() : kRtpCaps.c_str());
    const Bytes good = inter ? cat({{0x20, 0x01, 0x00}, f80}) : cat({{0x20, 0x01}, f80});
    gst_harness_push(d.h, rtp_packet(good, 1, 0, 0));
    ASSERT_EQ(frames_out(d).size(), 1u);
    uint16_t seq = 2;
    for (const Bytes &bad : inter ? interleaved : basic) {
      SCOPED_TRACE(seq);
      EXPECT_EQ(gst_harness_push(d.h, rtp_packet(bad, seq++, 960, kFrame)), GST_FLOW_OK);
      EXPECT_EQ(d.messages(GST_MESSAGE_WARNING), 1);
      EXPECT_TRUE(d.outputs().empty());
    }
    EXPECT_EQ(d.stat("packets-discarded"), seq - 2u);
    // The stream goes on where it was: no gap, the next frame in its place.
    gst_harness_push(d.h, rtp_packet(good, seq, 960, kFrame));
    EXPECT_EQ(frames_out(d), (Frames{{5, kFrame}}));
    EXPECT_TRUE(d.gaps().empty());
  }
}

TEST(RtpDepay, RedundantCopiesAreDroppedAndTheHighestBitrateKept) {
  {  // Basic mode: a copy of a frame already pushed goes, even at a higher bitrate.
    Harness d("rtpzebg719depay", kRtpCaps.c_str());
    gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x02}, frame(80, 1), frame(80, 2)}), 1, 0, 0));
    gst_harness_push(d.h, rtp_packet(cat({{0xB0, 0x01, 0x20, 0x01}, frame(120, 9), frame(80, 3)}), 2, 960, kFrame));
    EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {2, kFrame}, {3, 2 * kFrame}}));
    EXPECT_EQ(d.stat("frames-redundant"), 1u);
  }
  // Interleaved: of the copies still waiting, the highest bitrate goes out.
  Harness d("rtpzebg719depay", (kInterleaved + "4").c_str());
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x02, 0x01}, frame(80, 1), frame(80, 3)}), 1, 0, 0));
  gst_harness_push(d.h, rtp_packet(cat({{0x30, 0x01, 0x00}, frame(120, 4)}), 2, 1920, 2 * kFrame));
  gst_harness_push(d.h, rtp_packet(cat({{0x2C, 0x01, 0x00}, frame(110, 5)}), 3, 1920, 2 * kFrame));
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01, 0x00}, frame(80, 2)}), 4, 960, kFrame));
  EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {2, kFrame}, {4, 2 * kFrame}}));
  EXPECT_EQ(d.stat("frames-redundant"), 2u);
}

TEST(RtpDepay, LostAndEmptySlotsBecomeExactGaps) {
  Harness d("rtpzebg719depay", kRtpCaps.c_str());
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 1)}), 1, 0, 0));
  // rtpjitterbuffer's reports are estimates a little over or under whole frames.
  for (const auto &[ts, duration] : Gaps{{kFrame, kFrame + 2}, {2 * kFrame + 2, kFrame - 4}})
    gst_harness_push_event(d.h, gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM, gst_structure_new("GstRTPPacketLost",
        "timestamp", G_TYPE_UINT64, ts, "duration", G_TYPE_UINT64, duration, nullptr)));
  EXPECT_EQ(d.gaps(), (Gaps{{kFrame, kFrame}, {2 * kFrame, kFrame}}));  // at once, not at the next packet
  const GstClockTime late = 300 * GST_USECOND;  // the next packet arrives late; its frame takes its time
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 4)}), 4, 3 * 960, 3 * kFrame + late));
  gst_harness_push(d.h, rtp_packet({0x00, 0x02}, 5, 4 * 960, 4 * kFrame));  // two slots of no data
  // Two frames missing without a report: found from the RTP time.
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 9)}), 7, 8 * 960, 8 * kFrame));
  EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {4, 3 * kFrame + late}, {9, 8 * kFrame}}));
  EXPECT_EQ(d.gaps(), (Gaps{{4 * kFrame + late, 2 * kFrame}, {6 * kFrame + late, 2 * kFrame}}));
  EXPECT_EQ(d.stat("frames-missing"), 6u);
}

TEST(RtpPay, Rfc5404BasicExampleAndMarkerOnTalkSpurts) {
  Harness p("rtpzebg719pay", kG719Caps, "application/x-rtp, ptime=(uint)60");
  const Bytes f1 = frame(80, 1), f2 = frame(80, 2), f3 = frame(120, 3), f64 = frame(160, 4);
  const Bytes rfc[] = {cat({{0x20, 0x01}, f1}), cat({{0x20, 0x01}, f2}), cat({{0x30, 0x01}, f3})};
  for (int k = 0; k < 3; k++) gst_harness_push(p.h, timed(rfc[k], k * kFrame));
  for (int k = 3; k < 7; k++) gst_harness_push(p.h, timed(cat({{0x40, 0x01}, f64}), k * kFrame));
  // A discontinuity (flagged, or in time) starts a talk spurt: the packet before it goes out short.
  gst_harness_push(p.h, timed(cat({{0x40, 0x01}, f64}), 7 * kFrame, true));
  gst_harness_push(p.h, timed(cat({{0x40, 0x01}, f64}), 12 * kFrame));
  gst_harness_push_event(p.h, gst_event_new_eos());
  const std::vector<Output> out = p.outputs();
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].packet.payload, cat({{0xA0, 0x02, 0x30, 0x01}, f1, f2, f3}));
  EXPECT_EQ(out[1].packet.payload, cat({{0x40, 0x03}, f64, f64, f64}));
  const uint32_t ts[] = {0, 3 * 960, 6 * 960, 7 * 960, 12 * 960};
  for (int k = 0; k < 5; k++) EXPECT_EQ(out[k].packet.ts - out[0].packet.ts, ts[k]);
  for (int k = 0; k < 5; k++) EXPECT_EQ(out[k].packet.marker, k == 0 || k >= 3);
}

TEST(RtpPay, PacketsFollowPtimeMaxPtimeMinPtimeAndMtu) {
  const struct { const char *sink_caps; gint64 max_ptime; guint64 min_ptime; guint mtu; std::vector<int> sizes; } cases[] = {
      {"application/x-rtp", -1, 0, 1400, {1, 1, 1, 1, 1}},
      {"application/x-rtp, ptime=(uint)60", -1, 0, 1400, {3, 2}},
      {"application/x-rtp, ptime=(uint)100", 40 * GST_MSECOND, 0, 1400, {2, 2, 1}},
      {"application/x-rtp, ptime=(uint)100, maxptime=(uint)40", -1, 0, 1400, {2, 2, 1}},
      {"application/x-rtp", -1, 50 * GST_MSECOND, 1400, {3, 2}},
      {"application/x-rtp, ptime=(uint)100", -1, 0, 12 + 2 + 2 * 160, {2, 2, 1}},  // exactly two fit
      {"application/x-rtp, ptime=(uint)100", -1, 0, 12 + 2 * 160 + 1, {1, 1, 1, 1, 1}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sink_caps);
    Harness p("rtpzebg719pay", nullptr, c.sink_caps);
    g_object_set(p.h->element, "max-ptime", c.max_ptime, "min-ptime", c.min_ptime, "mtu", c.mtu, nullptr);
    gst_harness_set_src_caps_str(p.h, kG719Caps);
    for (int k = 0; k < 5; k++) gst_harness_push(p.h, timed(cat({{0x40, 0x01}, frame(160, 0)}), k * kFrame));
    gst_harness_push_event(p.h, gst_event_new_eos());
    std::vector<int> sizes;
    for (const Output &o : p.outputs()) sizes.push_back(o.packet.payload[1]);
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST(RtpPay, TakesMultiFrameAndNoDataPayloadsAndDropsMalformedOnes) {
  Harness p("rtpzebg719pay", kG719Caps, "application/x-rtp, ptime=(uint)40");
  gst_harness_push(p.h, timed(cat({{0x20, 0x01}, frame(79, 0)}), 0));  // one byte short
  gst_harness_push(p.h, timed(cat({{0x70, 0x01}, frame(80, 0)}), 0));  // reserved L
  gst_harness_push(p.h, timed(cat({{0xA0, 0x01}, frame(80, 0)}), 0));  // two entries
  EXPECT_EQ(p.messages(GST_MESSAGE_WARNING), 3);
  gst_harness_push(p.h, timed(cat({{0x20, 0x03}, frame(240, 1)}), 0));
  gst_harness_push(p.h, timed({0x00, 0x02}, 3 * kFrame));
  const std::vector<Output> out = p.outputs();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].packet.payload, cat({{0xA0, 0x01, 0x00, 0x01}, frame(80, 1)}));
  EXPECT_EQ(out[1].packet.ts - out[0].packet.ts, 2 * 960u);
}

TEST(RtpCaps, RoundTripThroughSdp) {
  Harness p("rtpzebg719pay", kG719Caps);  // the payloader's caps as SDP
  gst_harness_push(p.h, timed(cat({{0x20, 0x01}, frame(80, 1)}), 0));
  GstCaps *pay_caps = gst_pad_get_current_caps(p.h->sinkpad);
  GstSDPMedia *media = nullptr;
  gst_sdp_media_new(&media);
  ASSERT_EQ(gst_sdp_media_set_media_from_caps(pay_caps, media), GST_SDP_OK);
  gst_caps_unref(pay_caps);
  EXPECT_STREQ(gst_sdp_media_get_attribute_val(media, "rtpmap"), "96 G719/48000");
  EXPECT_STREQ(gst_sdp_media_get_attribute_val(media, "fmtp"), "96 max-red=0");
  gst_sdp_media_free(media);

  // SDP to caps, and what the depayloader makes of them and of 6.3's packet.
  const struct { const char *media; bool accepted; size_t frames; } cases[] = {  // of 6.3's packet
      {"m=audio 5004 RTP/AVP 96\r\na=rtpmap:96 G719/48000\r\na=fmtp:96 max-red=0\r\n", true, 0},
      {"m=audio 5004 RTP/AVP 97\r\na=rtpmap:97 G719/48000\r\na=fmtp:97 interleaving=10;max-red=0\r\n", true, 4},
      {"m=audio 5004 RTP/AVP 98\r\na=rtpmap:98 G719/48000/2\r\n", false, 0},
      {"m=audio 5004 RTP/AVP 98\r\na=rtpmap:98 G719/48000\r\na=fmtp:98 channels=6\r\n", false, 0},
      {"m=audio 5004 RTP/AVP 97\r\na=rtpmap:97 G719/48000\r\na=fmtp:97 interleaving=0\r\n", false, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.media);
    const std::string sdp = std::string("v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nt=0 0\r\n") + c.media;
    GstSDPMessage *msg = nullptr;
    gst_sdp_message_new_from_text(sdp.c_str(), &msg);
    const GstSDPMedia *m = gst_sdp_message_get_media(msg, 0);
    GstCaps *caps = gst_sdp_media_get_caps_from_media(m, atoi(gst_sdp_media_get_format(m, 0)));
    gst_sdp_media_attributes_to_caps(m, caps);
    gst_structure_set_name(gst_caps_get_structure(caps, 0), "application/x-rtp");
    gst_sdp_message_free(msg);
    Harness d("rtpzebg719depay", nullptr);
    gst_harness_set_src_caps(d.h, caps);  // pushes a segment even when the caps are refused
    const Bytes packet63 = cat({{0x20, 0x04, 0x04, 0x44}, frame(320, 1)});
    EXPECT_EQ(gst_harness_push(d.h, rtp_packet(packet63, 1, 0, 0)), c.accepted ? GST_FLOW_OK : GST_FLOW_NOT_NEGOTIATED);
    EXPECT_EQ(d.messages(GST_MESSAGE_ERROR) > 0, !c.accepted);
    gst_harness_push_event(d.h, gst_event_new_eos());
    EXPECT_EQ(frames_out(d).size(), c.frames);
  }
}

}  // namespace
