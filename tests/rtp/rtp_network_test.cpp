// End to end over UDP on 127.0.0.1, in real time:
//   appsrc ! zebg719enc ! rtpzebg719pay ! udpsink   (some packets dropped before udpsink)
//   udpsrc ! rtpjitterbuffer do-lost=true ! rtpzebg719depay ! zebg719dec plc=true ! appsink
// The output lasts exactly as long as the input, and its samples equal the
// codec's own decoding of the encoder's frames with the frames of the dropped
// packets declared lost.
#include <gio/gio.h>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "frame/g719_codec.h"
#include "rtp_test_support.h"

using namespace rtp_test;

namespace {

constexpr int kFrames = 75;  // 1.5 s
constexpr int kBitrate = 48000;

struct Sender {
  std::set<int> drop;          // packet numbers dropped before udpsink
  int packets = 0;
  uint32_t first_ts = 0;
  std::set<long> lost_frames;  // frames of the dropped packets
  std::vector<Bytes> payloads; // the encoder's output, in order
};

GstPadProbeReturn record_payload(GstPad *, GstPadProbeInfo *info, gpointer data) {
  static_cast<Sender *>(data)->payloads.push_back(bytes_of(GST_PAD_PROBE_INFO_BUFFER(info)));
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn drop_packets(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *s = static_cast<Sender *>(data);
  const Packet p = read_packet(GST_PAD_PROBE_INFO_BUFFER(info));
  const int n = s->packets++;
  if (n == 0) s->first_ts = p.ts;
  if (!s->drop.count(n)) return GST_PAD_PROBE_OK;
  const long first = (p.ts - s->first_ts) / 960;
  for (long k = 0; k < p.payload[1]; k++) s->lost_frames.insert(first + k);  // one entry: N frames
  return GST_PAD_PROBE_DROP;
}

GstElement *by_name(GstElement *bin, const char *name) { return gst_bin_get_by_name(GST_BIN(bin), name); }

Bytes read_signal(std::size_t bytes) {
  const std::string path = std::string(g_getenv("ZEB_SIGNALS_DIR")) + "/speech_synth.pcm";
  Bytes pcm(bytes);
  FILE *f = std::fopen(path.c_str(), "rb");
  const bool ok = f != nullptr && std::fread(pcm.data(), 1, bytes, f) == bytes;
  if (f) std::fclose(f);
  EXPECT_TRUE(ok) << path;
  return pcm;
}

TEST(RtpNetwork, LossyLoopbackIsConcealedBitExactly) {
  init_gst();
  // The receiver's socket, bound first so the sender knows the port.
  GSocket *socket = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, nullptr);
  GInetAddress *loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  GSocketAddress *any_port = g_inet_socket_address_new(loopback, 0);
  ASSERT_TRUE(g_socket_bind(socket, any_port, FALSE, nullptr));
  GSocketAddress *bound = g_socket_get_local_address(socket, nullptr);
  const guint16 port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
  g_object_unref(bound);
  g_object_unref(any_port);
  g_object_unref(loopback);

  GstElement *receiver = gst_parse_launch(
      "udpsrc name=net caps=\"application/x-rtp, media=audio, clock-rate=48000, encoding-name=G719, "
      "payload=96\" ! rtpjitterbuffer do-lost=true latency=100 ! rtpzebg719depay ! "
      "zebg719dec plc=true ! appsink name=out sync=false", nullptr);
  GstElement *sender = gst_parse_launch(
      ("appsrc name=in format=time caps=\"audio/x-raw, format=S16LE, layout=interleaved, rate=48000, "
       "channels=1\" ! zebg719enc bitrate=" + std::to_string(kBitrate) + " ! rtpzebg719pay name=pay ! "
       "application/x-rtp, ptime=(uint)40 ! udpsink name=net host=127.0.0.1 sync=true port=" +
       std::to_string(port)).c_str(), nullptr);
  ASSERT_TRUE(receiver && sender);
  GstElement *udpsrc = by_name(receiver, "net"), *appsink = by_name(receiver, "out");
  g_object_set(udpsrc, "socket", socket, nullptr);

  Sender sent;
  sent.drop = {4, 11, 12, 25};  // an isolated loss, a burst of two, another one
  GstElement *pay = by_name(sender, "pay"), *udpsink = by_name(sender, "net");
  GstPad *pay_sink = gst_element_get_static_pad(pay, "sink"), *net_sink = gst_element_get_static_pad(udpsink, "sink");
  gst_pad_add_probe(pay_sink, GST_PAD_PROBE_TYPE_BUFFER, record_payload, &sent, nullptr);
  gst_pad_add_probe(net_sink, GST_PAD_PROBE_TYPE_BUFFER, drop_packets, &sent, nullptr);

  const Bytes pcm = read_signal(kFrames * 960 * 2);
  ASSERT_NE(gst_element_set_state(receiver, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  ASSERT_NE(gst_element_set_state(sender, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  GstElement *appsrc = by_name(sender, "in");
  GstBuffer *input = gst_buffer_new_memdup(pcm.data(), pcm.size());
  GST_BUFFER_PTS(input) = 0;
  gst_app_src_push_buffer(GST_APP_SRC(appsrc), input);
  gst_app_src_end_of_stream(GST_APP_SRC(appsrc));

  // The sender streams for 1.5 s; give it 10 s at most.
  GstBus *bus = gst_element_get_bus(sender);
  GstMessage *end = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
  if (end) gst_message_unref(end);
  gst_object_unref(bus);

  // Collect until the receiver has been quiet for 1 s, then end it.
  Bytes out;
  bool eos_sent = false;
  while (true) {
    GstSample *s = gst_app_sink_try_pull_sample(GST_APP_SINK(appsink), GST_SECOND);
    if (s == nullptr) {
      if (eos_sent) break;
      gst_element_send_event(receiver, gst_event_new_eos());
      eos_sent = true;
      continue;
    }
    const Bytes b = bytes_of(gst_sample_get_buffer(s));
    out.insert(out.end(), b.begin(), b.end());
    gst_sample_unref(s);
  }
  gst_element_set_state(sender, GST_STATE_NULL);
  gst_element_set_state(receiver, GST_STATE_NULL);
  for (GstObject *o : {GST_OBJECT(pay_sink), GST_OBJECT(net_sink), GST_OBJECT(pay), GST_OBJECT(udpsink),
                       GST_OBJECT(appsrc), GST_OBJECT(udpsrc), GST_OBJECT(appsink), GST_OBJECT(sender),
                       GST_OBJECT(receiver)})
    gst_object_unref(o);
  g_object_unref(socket);

  // The codec's own decoding, the dropped packets' frames declared lost.
  ASSERT_EQ(sent.payloads.size(), std::size_t(kFrames));
  EXPECT_EQ(sent.lost_frames, (std::set<long>{8, 9, 22, 23, 24, 25, 50, 51}));
  G719DecoderState *dec = g719_decoder_create(kBitrate);
  Bytes expected(kFrames * 960 * 2);
  for (int f = 0; f < kFrames; f++)
    g719_decode(dec, sent.payloads[f].data() + 2, reinterpret_cast<int16_t *>(expected.data() + f * 1920),
                sent.lost_frames.count(f) ? 1 : 0);
  g719_decoder_free(dec);
  ASSERT_EQ(out.size(), expected.size()) << "output of " << out.size() / 1920.0 << " frames";
  EXPECT_TRUE(out == expected);
}

}  // namespace
