// Whole pipelines: many start/stop cycles, and concealment behind a jitter
// buffer that loses packets. Memory is watched through the resident set; the
// sanitizer build adds LeakSanitizer, which fails on any leak (a codec
// instance lost at a bitrate change, say).
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// Only the plugins these pipelines use are loaded, so that nothing else's
// memory or leaks show up.
void init_gstreamer() {
  static const bool done = [] {
    gst_init(nullptr, nullptr);
    for (const char *name : {"coreelements", "audiotestsrc", "rtp", "rtpmanager"}) {
      const std::string path = std::string(G719_GST_PLUGINS_DIR) + "/libgst" + name + ".so";
      GstPlugin *plugin = gst_plugin_load_file(path.c_str(), nullptr);
      EXPECT_NE(plugin, nullptr) << path;
      if (plugin != nullptr) gst_object_unref(plugin);
    }
    return true;
  }();
  (void)done;
}

long rss_kb() {
  long total = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> total >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Collected {
  size_t bytes = 0;                      // reaching the element "out"
  std::vector<GstClockTime> pts, end;    // of each buffer there
  std::set<unsigned> drop;               // buffers the element "loss" never gets
  unsigned seen = 0;                     // buffers offered to "loss"
  unsigned payloads_and_gaps = 0;        // what the element "dec" receives
};

void add_probe(GstElement *pipeline, const char *element, int type, GstPadProbeCallback callback, Collected *c) {
  if (GstElement *e = gst_bin_get_by_name(GST_BIN(pipeline), element)) {
    GstPad *pad = gst_element_get_static_pad(e, "sink");
    gst_pad_add_probe(pad, static_cast<GstPadProbeType>(type), callback, c, nullptr);
    gst_object_unref(pad);
    gst_object_unref(e);
  }
}

// Runs a pipeline to EOS, watching the elements named above.
bool run_to_eos(const std::string &description, Collected *c) {
  GstElement *pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (pipeline == nullptr) return false;
  add_probe(pipeline, "out", GST_PAD_PROBE_TYPE_BUFFER, [](GstPad *, GstPadProbeInfo *info, gpointer data) {
    auto *c = static_cast<Collected *>(data);
    GstBuffer *b = GST_PAD_PROBE_INFO_BUFFER(info);
    c->bytes += gst_buffer_get_size(b);
    c->pts.push_back(GST_BUFFER_PTS(b));
    c->end.push_back(GST_BUFFER_PTS(b) + GST_BUFFER_DURATION(b));
    return GST_PAD_PROBE_OK;
  }, c);
  add_probe(pipeline, "loss", GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST, [](GstPad *, GstPadProbeInfo *, gpointer data) {
    auto *c = static_cast<Collected *>(data);
    return c->drop.count(c->seen++) ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
  }, c);
  add_probe(pipeline, "dec", GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, [](GstPad *, GstPadProbeInfo *info, gpointer data) {
    if (GST_IS_BUFFER(info->data) || GST_EVENT_TYPE(info->data) == GST_EVENT_GAP)
      static_cast<Collected *>(data)->payloads_and_gaps++;
    return GST_PAD_PROBE_OK;
  }, c);
  bool ok = false;
  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
    GstMessage *msg = gst_bus_timed_pop_filtered(GST_ELEMENT_BUS(pipeline), 60 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ok = msg != nullptr && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg != nullptr) gst_message_unref(msg);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

TEST(Pipelines, ThousandStartStopCyclesDoNotGrowMemory) {
  init_gstreamer();
  long rss_after_warmup = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    Collected c;
    ASSERT_TRUE(run_to_eos("audiotestsrc num-buffers=3 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=1 ! "
                           "zebg719enc ! zebg719dec ! fakesink name=out", &c)) << cycle;
    ASSERT_EQ(c.bytes, 3u * 1920) << cycle;
    if (cycle == 99) rss_after_warmup = rss_kb();
  }
  const long growth = rss_kb() - rss_after_warmup;
  std::printf("resident set growth over cycles 100..1000: %ld kB\n", growth);
#ifndef __SANITIZE_ADDRESS__
  // The sanitizer's own bookkeeping grows with every streaming thread; there
  // LeakSanitizer checks instead. Losing an encoder and a decoder instance
  // (about 20 kB) on each of 900 cycles would add about 18 MB.
  EXPECT_LT(growth, 4096);
#endif
}

TEST(Pipelines, ConcealmentBehindAJitterBufferKeepsTimeWhole) {
  init_gstreamer();
  // 100 frames over RTP (rtpgstpay carries the encoder's payloads) with five
  // packets lost, which rtpjitterbuffer reports as gaps of about 20 ms.
  Collected c;
  c.drop = {10, 11, 12, 40, 77};
  ASSERT_TRUE(run_to_eos("audiotestsrc num-buffers=100 samplesperbuffer=960 ! audio/x-raw,format=S16LE,rate=48000,"
                         "channels=1 ! zebg719enc ! rtpgstpay ! rtpjitterbuffer name=loss do-lost=true ! "
                         "rtpgstdepay ! zebg719dec name=dec plc=true ! fakesink name=out", &c));
  // One frame out for every payload and every gap in (the depayloader may
  // drop the very first packet), each buffer where the one before ended.
  EXPECT_GE(c.payloads_and_gaps, 99u);
  EXPECT_EQ(c.bytes, c.payloads_and_gaps * 1920);
  for (size_t i = 1; i < c.pts.size(); ++i)
    EXPECT_LE(std::llabs(GST_CLOCK_DIFF(c.end[i - 1], c.pts[i])), GST_MSECOND) << i;
}

}  // namespace
