// rtpzebg719pay and rtpzebg719depay through GstHarness: RFC 5404's examples
// as packets, aggregation, malformed packets, redundancy, interleaving, loss
// and the caps' round trip through SDP.
#include <gst/sdp/gstsdpmessage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "rtp_test_support.h"

using namespace rtp_test;

namespace {

constexpr const char *kRtpCaps =
    "application/x-rtp, media=(string)audio, clock-rate=(int)48000, encoding-name=(string)G719, "
    "payload=(int)96";
constexpr const char *kG719Caps = "audio/G719, rate=(int)48000, channels=(int)1";

Bytes payload_of(uint8_t toc0, unsigned frames, unsigned bytes, uint8_t tag) {
  return cat({{toc0, uint8_t(frames)}, frame(frames * bytes, tag)});
}

GstBuffer *timed(const Bytes &bytes, GstClockTime pts, bool discont = false) {
  GstBuffer *b = gst_buffer_new_memdup(bytes.data(), bytes.size());
  GST_BUFFER_PTS(b) = pts;
  GST_BUFFER_DURATION(b) = kFrame;
  if (discont) GST_BUFFER_FLAG_SET(b, GST_BUFFER_FLAG_DISCONT);
  return b;
}

// The tag (last byte) and PTS of each output frame, checking its form: a
// one-entry table of contents with one frame, 20 ms long.
std::vector<std::pair<int, GstClockTime>> frames_out(Harness &d) {
  std::vector<std::pair<int, GstClockTime>> out;
  auto buffers = d.buffers();
  for (GstBuffer *b : buffers) {
    const Bytes bytes = bytes_of(b);
    EXPECT_EQ(GST_BUFFER_DURATION(b), kFrame);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes.size(), 2u + ((bytes[0] >> 2) < 23 ? 10u * (bytes[0] >> 2) : 20u * (bytes[0] >> 2) - 220));
    out.emplace_back(bytes.back(), GST_BUFFER_PTS(b));
  }
  unref_all(buffers);
  return out;
}

using Frames = std::vector<std::pair<int, GstClockTime>>;
using Gaps = std::vector<std::pair<GstClockTime, GstClockTime>>;

TEST(RtpDepay, Rfc5404BasicExampleGivesOnePayloadPerFrame) {
  Harness d("rtpzebg719depay", kRtpCaps);
  const Bytes f1 = frame(80, 1), f2 = frame(80, 2), f3 = frame(120, 3);
  gst_harness_push(d.h, rtp_packet(cat({{0xA0, 0x02, 0x30, 0x01}, f1, f2, f3}), 7, 4000, 100 * GST_MSECOND));
  auto buffers = d.buffers();
  ASSERT_EQ(buffers.size(), 3u);
  EXPECT_EQ(bytes_of(buffers[0]), cat({{0x20, 0x01}, f1}));
  EXPECT_EQ(bytes_of(buffers[1]), cat({{0x20, 0x01}, f2}));
  EXPECT_EQ(bytes_of(buffers[2]), cat({{0x30, 0x01}, f3}));
  for (int k = 0; k < 3; k++) {
    EXPECT_EQ(GST_BUFFER_PTS(buffers[k]), 100 * GST_MSECOND + k * kFrame);
    EXPECT_EQ(GST_BUFFER_DURATION(buffers[k]), kFrame);
  }
  unref_all(buffers);
  EXPECT_TRUE(d.gaps().empty());
}

TEST(RtpDepay, InterleavedPatternComesOutInDecodingOrder) {
  // RFC 5404 6.3's pattern: packet n - 3 holds frames 1, 6, 11, 16; each
  // later packet starts 4 frames on. Frame 13 is sent after 14, 15, 16, 19,
  // 20 and 24, so 7 slots suffice.
  Harness d("rtpzebg719depay", (std::string(kRtpCaps) + ", interleaving=(string)7").c_str());
  std::vector<int> sent;
  for (int first = 1; first <= 21; first += 4) {
    Bytes p = {0x20, 0x04, 0x04, 0x44};
    for (int k = 0; k < 4; k++) {
      p.resize(p.size() + 80, uint8_t(first + 5 * k));
      sent.push_back(first + 5 * k);
    }
    gst_harness_push(d.h, rtp_packet(p, uint16_t(first), 90000 + (first - 1) * 960, (first - 1) * kFrame));
  }
  gst_harness_push_event(d.h, gst_event_new_eos());

  std::sort(sent.begin(), sent.end());
  Frames expected;
  for (int f : sent) expected.emplace_back(f, (f - 1) * kFrame);
  EXPECT_EQ(frames_out(d), expected);
  // The frames never sent come out as gaps: 2-4, 7-8, 12, 25, 29-30, 33-35.
  const Gaps gaps = {{1 * kFrame, 3 * kFrame}, {6 * kFrame, 2 * kFrame}, {11 * kFrame, kFrame},
                     {24 * kFrame, kFrame}, {28 * kFrame, 2 * kFrame}, {32 * kFrame, 3 * kFrame}};
  EXPECT_EQ(d.gaps(), gaps);
}

TEST(RtpDepay, MalformedPacketsAreDiscardedWithAWarningAndNothingElse) {
  const Bytes f80 = frame(80, 5);
  const struct {
    bool interleaved;
    Bytes payload;
  } cases[] = {
      {false, cat({{0x04, 0x01}, f80})},           // reserved L = 1
      {false, cat({{0x78, 0x01}, f80})},           // reserved L = 30
      {false, cat({{0x20, 0x01}, f80, {0}})},      // one byte too many
      {false, cat({{0x20, 0x01}, frame(79, 5)})},  // one byte short
      {false, {0xA0, 0x01, 0xA0}},                 // F chain past the end
      {false, {}},                                 // empty
      {false, cat({{0x20, 0x00}, f80})},           // entry without frames
      {true, {0x20, 0x04, 0x04}},                  // DIS fields past the end
      {true, cat({{0x20, 0x02}, frame(160, 5)})},  // no room for the DIS byte
  };
  for (const bool interleaved : {false, true}) {
    Harness d("rtpzebg719depay", interleaved ? (std::string(kRtpCaps) + ", interleaving=(string)1").c_str()
                                             : kRtpCaps);
    const Bytes good = interleaved ? cat({{0x20, 0x01, 0x00}, f80}) : cat({{0x20, 0x01}, f80});
    gst_harness_push(d.h, rtp_packet(good, 1, 0, 0));
    ASSERT_EQ(frames_out(d).size(), 1u);
    uint16_t seq = 2;
    int discarded = 0;
    for (const auto &c : cases) {
      if (c.interleaved != interleaved) continue;
      SCOPED_TRACE(seq);
      EXPECT_EQ(gst_harness_push(d.h, rtp_packet(c.payload, seq++, 960, kFrame)), GST_FLOW_OK);
      EXPECT_EQ(d.messages(GST_MESSAGE_WARNING), 1);
      EXPECT_TRUE(d.buffers().empty());
      discarded++;
    }
    EXPECT_EQ(d.stat("packets-discarded"), guint64(discarded));
    // The stream goes on where it was: no gap, the next frame in its place.
    gst_harness_push(d.h, rtp_packet(good, seq, 960, kFrame));
    EXPECT_EQ(frames_out(d), (Frames{{5, kFrame}}));
    EXPECT_TRUE(d.gaps().empty());
  }
}

TEST(RtpDepay, RedundantCopiesAreDroppedAndTheHighestBitrateKept) {
  {  // Basic mode: a copy of a frame already pushed goes, even at a higher bitrate.
    Harness d("rtpzebg719depay", kRtpCaps);
    gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x02}, frame(80, 1), frame(80, 2)}), 1, 0, 0));
    gst_harness_push(d.h, rtp_packet(cat({{0xB0, 0x01, 0x20, 0x01}, frame(120, 9), frame(80, 3)}), 2, 960, kFrame));
    EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {2, kFrame}, {3, 2 * kFrame}}));
    EXPECT_EQ(d.stat("frames-redundant"), 1u);
  }
  {  // Interleaved: of the copies still waiting, the highest bitrate goes out.
    Harness d("rtpzebg719depay", (std::string(kRtpCaps) + ", interleaving=(string)4").c_str());
    gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x02, 0x01}, frame(80, 1), frame(80, 3)}), 1, 0, 0));
    gst_harness_push(d.h, rtp_packet(cat({{0x30, 0x01, 0x00}, frame(120, 4)}), 2, 1920, 2 * kFrame));
    gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01, 0x00}, frame(80, 5)}), 3, 1920, 2 * kFrame));
    gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01, 0x00}, frame(80, 2)}), 4, 960, kFrame));
    EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {2, kFrame}, {4, 2 * kFrame}}));
    EXPECT_EQ(d.stat("frames-redundant"), 2u);
  }
}

TEST(RtpDepay, LostAndEmptySlotsBecomeExactGaps) {
  Harness d("rtpzebg719depay", kRtpCaps);
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 1)}), 1, 0, 0));
  // rtpjitterbuffer's estimate of two lost packets is a little over 40 ms.
  gst_harness_push_event(d.h, gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
      gst_structure_new("GstRTPPacketLost", "timestamp", G_TYPE_UINT64, kFrame, "duration",
                        G_TYPE_UINT64, 2 * kFrame + 2, "seqnum", G_TYPE_UINT, 2, nullptr)));
  // The next packet arrives a little late; frames take its time.
  const GstClockTime late = 300 * GST_USECOND;
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 4)}), 4, 3 * 960, 3 * kFrame + late));
  // Two frames missing without a report: found from the RTP time.
  gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x01}, frame(80, 7)}), 7, 6 * 960, 6 * kFrame));
  // Two empty slots sent as no data.
  gst_harness_push(d.h, rtp_packet({0x00, 0x02}, 8, 7 * 960, 7 * kFrame));
  EXPECT_EQ(frames_out(d), (Frames{{1, 0}, {4, 3 * kFrame + late}, {7, 6 * kFrame}}));
  EXPECT_EQ(d.gaps(), (Gaps{{kFrame, 2 * kFrame}, {4 * kFrame + late, 2 * kFrame}, {7 * kFrame, 2 * kFrame}}));
  EXPECT_EQ(d.stat("frames-missing"), 6u);
}

TEST(RtpPay, Rfc5404BasicExampleAndMarkerOnTalkSpurts) {
  Harness p("rtpzebg719pay", kG719Caps, "application/x-rtp, ptime=(uint)60");
  const Bytes f1 = frame(80, 1), f2 = frame(80, 2), f3 = frame(120, 3);
  gst_harness_push(p.h, timed(cat({{0x20, 0x01}, f1}), 0));
  gst_harness_push(p.h, timed(cat({{0x20, 0x01}, f2}), kFrame));
  gst_harness_push(p.h, timed(cat({{0x30, 0x01}, f3}), 2 * kFrame));
  for (int k = 3; k < 6; k++) gst_harness_push(p.h, timed(payload_of(0x40, 1, 160, 4), k * kFrame));
  // A discontinuity starts a talk spurt: the packet before it goes out short.
  gst_harness_push(p.h, timed(payload_of(0x40, 1, 160, 5), 6 * kFrame));
  gst_harness_push(p.h, timed(payload_of(0x40, 1, 160, 6), 10 * kFrame, true));
  gst_harness_push_event(p.h, gst_event_new_eos());

  auto buffers = p.buffers();
  ASSERT_EQ(buffers.size(), 4u);
  const Packet first = read_packet(buffers[0]);
  EXPECT_EQ(first.payload, cat({{0xA0, 0x02, 0x30, 0x01}, f1, f2, f3}));
  const uint32_t ts[] = {0, 3 * 960, 6 * 960, 10 * 960};  // from the first packet's
  const bool marker[] = {true, false, false, true};
  for (int k = 0; k < 4; k++) {
    const Packet packet = read_packet(buffers[k]);
    EXPECT_EQ(packet.ts - first.ts, ts[k]);
    EXPECT_EQ(packet.marker, marker[k]);
  }
  EXPECT_EQ(read_packet(buffers[1]).payload, payload_of(0x40, 3, 160, 4));
  unref_all(buffers);
}

TEST(RtpPay, PacketsFollowPtimeMaxPtimeMinPtimeAndMtu) {
  const struct {
    const char *sink_caps;
    gint64 max_ptime;
    guint64 min_ptime;
    guint mtu;
    std::vector<int> frames_per_packet;
  } cases[] = {
      {"application/x-rtp", -1, 0, 1400, {1, 1, 1, 1, 1}},
      {"application/x-rtp, ptime=(uint)60", -1, 0, 1400, {3, 2}},
      {"application/x-rtp, ptime=(uint)100", 40 * GST_MSECOND, 0, 1400, {2, 2, 1}},
      {"application/x-rtp, ptime=(uint)100, maxptime=(uint)40", -1, 0, 1400, {2, 2, 1}},
      {"application/x-rtp", -1, 50 * GST_MSECOND, 1400, {3, 2}},
      {"application/x-rtp, ptime=(uint)100", -1, 0, 12 + 2 + 2 * 160, {2, 2, 1}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sink_caps);
    Harness p("rtpzebg719pay", nullptr, c.sink_caps);
    g_object_set(p.h->element, "max-ptime", c.max_ptime, "min-ptime", c.min_ptime, "mtu", c.mtu, nullptr);
    gst_harness_set_src_caps_str(p.h, kG719Caps);
    for (int k = 0; k < 5; k++) gst_harness_push(p.h, timed(payload_of(0x40, 1, 160, uint8_t(k)), k * kFrame));
    gst_harness_push_event(p.h, gst_event_new_eos());
    std::vector<int> sizes;
    auto buffers = p.buffers();
    for (GstBuffer *b : buffers) sizes.push_back(read_packet(b).payload[1]);
    unref_all(buffers);
    EXPECT_EQ(sizes, c.frames_per_packet);
  }
}

TEST(RtpPay, TakesMultiFrameAndNoDataPayloadsAndDropsMalformedOnes) {
  Harness p("rtpzebg719pay", kG719Caps, "application/x-rtp, ptime=(uint)100");
  gst_harness_push(p.h, timed(cat({{0x20, 0x01}, frame(79, 0)}), 0));  // one byte short
  gst_harness_push(p.h, timed(payload_of(0x70, 1, 80, 0), 0));          // reserved L
  gst_harness_push(p.h, timed(payload_of(0xA0, 1, 80, 0), 0));          // two entries
  EXPECT_EQ(p.messages(GST_MESSAGE_WARNING), 3);
  gst_harness_push(p.h, timed(payload_of(0x20, 3, 80, 1), 0));
  gst_harness_push(p.h, timed({0x00, 0x02}, 3 * kFrame));
  auto buffers = p.buffers();
  ASSERT_EQ(buffers.size(), 1u);
  EXPECT_EQ(read_packet(buffers[0]).payload, cat({{0xA0, 0x03, 0x00, 0x02}, frame(240, 1)}));
  unref_all(buffers);
}

// Caps of one SDP media, as a receiver configured from SDP gets them.
GstCaps *caps_from_sdp(const std::string &media_lines) {
  const std::string sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n" + media_lines;
  GstSDPMessage *msg = nullptr;
  gst_sdp_message_new_from_text(sdp.c_str(), &msg);
  const GstSDPMedia *media = gst_sdp_message_get_media(msg, 0);
  GstCaps *caps = gst_sdp_media_get_caps_from_media(media, atoi(gst_sdp_media_get_format(media, 0)));
  gst_sdp_media_attributes_to_caps(media, caps);
  gst_structure_set_name(gst_caps_get_structure(caps, 0), "application/x-rtp");
  gst_sdp_message_free(msg);
  return caps;
}

TEST(RtpCaps, RoundTripThroughSdp) {
  // The payloader's caps as SDP.
  Harness p("rtpzebg719pay", kG719Caps);
  gst_harness_push(p.h, timed(payload_of(0x20, 1, 80, 1), 0));
  GstCaps *pay_caps = gst_pad_get_current_caps(p.h->sinkpad);
  GstSDPMedia *media = nullptr;
  gst_sdp_media_new(&media);
  ASSERT_EQ(gst_sdp_media_set_media_from_caps(pay_caps, media), GST_SDP_OK);
  gst_caps_unref(pay_caps);
  EXPECT_STREQ(gst_sdp_media_get_attribute_val(media, "rtpmap"), "96 G719/48000");
  EXPECT_STREQ(gst_sdp_media_get_attribute_val(media, "fmtp"), "96 max-red=0");
  gst_sdp_media_free(media);

  // SDP to caps, and what the depayloader makes of them.
  const struct {
    const char *media;
    bool accepted;
    size_t frames_of_interleaved_packet;  // 6.3's packet: 4 in interleaved mode, 0 (discarded) in basic
  } cases[] = {
      {"m=audio 5004 RTP/AVP 96\r\na=rtpmap:96 G719/48000\r\na=fmtp:96 max-red=0\r\n", true, 0},
      {"m=audio 5004 RTP/AVP 97\r\na=rtpmap:97 G719/48000\r\na=fmtp:97 interleaving=10;max-red=0\r\n", true, 4},
      {"m=audio 5004 RTP/AVP 98\r\na=rtpmap:98 G719/48000/2\r\n", false, 0},
      {"m=audio 5004 RTP/AVP 98\r\na=rtpmap:98 G719/48000\r\na=fmtp:98 channels=6\r\n", false, 0},
      {"m=audio 5004 RTP/AVP 97\r\na=rtpmap:97 G719/48000\r\na=fmtp:97 interleaving=0\r\n", false, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.media);
    Harness d("rtpzebg719depay", nullptr);
    GstCaps *caps = caps_from_sdp(c.media);
    gst_pad_push_event(d.h->srcpad, gst_event_new_stream_start("sdp"));
    gst_pad_push_event(d.h->srcpad, gst_event_new_caps(caps));
    gst_caps_unref(caps);
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(d.h->srcpad, gst_event_new_segment(&segment));
    const GstFlowReturn ret =
        gst_harness_push(d.h, rtp_packet(cat({{0x20, 0x04, 0x04, 0x44}, frame(320, 1)}), 1, 0, 0));
    EXPECT_EQ(ret, c.accepted ? GST_FLOW_OK : GST_FLOW_NOT_NEGOTIATED);
    EXPECT_EQ(d.messages(GST_MESSAGE_ERROR) > 0, !c.accepted);
    gst_harness_push_event(d.h, gst_event_new_eos());
    EXPECT_EQ(frames_out(d).size(), c.frames_of_interleaved_packet);
  }
}

}  // namespace
