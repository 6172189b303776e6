// End to end over UDP on 127.0.0.1, in real time (2.5 s of audio):
//   filesrc ! rawaudioparse ! zebg719enc ! rtpzebg719pay ! udpsink   (chosen packets dropped before udpsink)
//   udpsrc ! rtpjitterbuffer do-lost=true ! rtpzebg719depay ! zebg719dec plc=true ! appsink
// The output lasts exactly as long as the input, and its samples equal the codec's own
// decoding of the encoder's frames with the frames of the dropped packets declared lost.
#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frame/g719_codec.h"
#include "rtp_test_support.h"

using namespace rtp_test;

namespace {

constexpr int kFrames = 125;  // pluck_notes.pcm: plucked notes, with onsets

struct Sender {
  std::set<int> drop = {4, 11, 12, 25};  // packet numbers: an isolated loss, a burst of two, another
  int packets = 0;
  uint32_t first_ts = 0;
  std::set<long> lost_frames;   // the frames they held
  std::vector<Bytes> payloads;  // the encoder's output, in order
};

GstPadProbeReturn record_payload(GstPad *, GstPadProbeInfo *info, gpointer data) {
  static_cast<Sender *>(data)->payloads.push_back(bytes_of(GST_PAD_PROBE_INFO_BUFFER(info)));
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn drop_packets(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *s = static_cast<Sender *>(data);
  const Packet p = read_packet(GST_PAD_PROBE_INFO_BUFFER(info));
  if (s->packets == 0) s->first_ts = p.ts;
  if (!s->drop.count(s->packets++)) return GST_PAD_PROBE_OK;
  for (long k = 0; k < p.payload[1]; k++) s->lost_frames.insert((p.ts - s->first_ts) / 960 + k);  // one entry
  return GST_PAD_PROBE_DROP;
}

void add_probe(GstElement *bin, const char *element, GstPadProbeCallback callback, Sender *sender) {
  GstElement *e = gst_bin_get_by_name(GST_BIN(bin), element);
  GstPad *pad = gst_element_get_static_pad(e, "sink");
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, callback, sender, nullptr);
  gst_object_unref(pad);
  gst_object_unref(e);
}

TEST(RtpNetwork, LossyLoopbackIsConcealedBitExactly) {
  Harness::init();
  GstElement *receiver = gst_parse_launch(
      "udpsrc name=net address=127.0.0.1 port=0 caps=\"application/x-rtp, media=audio, clock-rate=48000, "
      "encoding-name=G719, payload=96\" ! rtpjitterbuffer do-lost=true latency=500 ! rtpzebg719depay ! "
      "zebg719dec plc=true ! appsink name=out sync=false", nullptr);
  ASSERT_NE(gst_element_set_state(receiver, GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
  GstElement *udpsrc = gst_bin_get_by_name(GST_BIN(receiver), "net");
  int port = 0;  // the one it bound
  g_object_get(udpsrc, "port", &port, nullptr);
  gst_object_unref(udpsrc);
  GstElement *sender = gst_parse_launch(
      ("filesrc location=" + std::string(g_getenv("ZEB_SIGNALS_DIR")) + "/pluck_notes.pcm ! rawaudioparse "
       "use-sink-caps=false format=pcm pcm-format=s16le sample-rate=48000 num-channels=1 ! zebg719enc bitrate=48000 ! rtpzebg719pay name=pay ! application/x-rtp, ptime=(uint)40 ! "
       "udpsink name=udp host=127.0.0.1 sync=true port=" + std::to_string(port)).c_str(), nullptr);
  Sender sent;
  add_probe(sender, "pay", record_payload, &sent);
  add_probe(sender, "udp", drop_packets, &sent);
  gst_element_set_state(receiver, GST_STATE_PLAYING);
  gst_element_set_state(sender, GST_STATE_PLAYING);
  GstMessage *end = gst_bus_timed_pop_filtered(GST_ELEMENT_BUS(sender), 10 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
  gst_clear_message(&end);
  // Collect until the receiver has been quiet for 1 s, end it, collect the rest.
  GstElement *appsink = gst_bin_get_by_name(GST_BIN(receiver), "out");
  Bytes out;
  for (int quiet = 0; quiet < 2;) {
    GstSample *s = gst_app_sink_try_pull_sample(GST_APP_SINK(appsink), GST_SECOND);
    if (s == nullptr) {
      if (quiet++ == 0) gst_element_send_event(receiver, gst_event_new_eos());
      continue;
    }
    const Bytes b = bytes_of(gst_sample_get_buffer(s));
    out.insert(out.end(), b.begin(), b.end());
    gst_sample_unref(s);
  }
  gst_object_unref(appsink);
  for (GstElement *pipeline : {sender, receiver}) {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }

  ASSERT_EQ(sent.payloads.size(), std::size_t(kFrames));
  EXPECT_EQ(sent.lost_frames, (std::set<long>{8, 9, 22, 23, 24, 25, 50, 51}));
  G719DecoderState *dec = g719_decoder_create(48000);
  Bytes expected(kFrames * 1920);
  for (int k = 0; k < kFrames; k++)
    g719_decode(dec, sent.payloads[k].data() + 2, reinterpret_cast<int16_t *>(expected.data() + k * 1920),
                sent.lost_frames.count(k) ? 1 : 0);
  g719_decoder_free(dec);
  ASSERT_EQ(out.size(), expected.size()) << "output of " << out.size() / 1920.0 << " frames";
  EXPECT_TRUE(out == expected);
}

}  // namespace
