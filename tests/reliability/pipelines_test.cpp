// Whole pipelines under stress: many running at once in one process, many
// start/stop cycles, and a decoder whose bitrate changes with every payload.
// Memory is watched through the resident set size; the sanitizer build adds
// LeakSanitizer, which fails the run on any leak at exit.
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

#include "frame/g719_codec.h"

#if defined(__SANITIZE_ADDRESS__)
#define G719_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define G719_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// Only the plugins these pipelines use are loaded, so that nothing else's
// memory use or leaks show up in the measurements.
void init_gstreamer() {
  static bool done = false;
  if (done) return;
  done = true;
  gst_init(nullptr, nullptr);
  for (const char *name : {"libgstcoreelements.so", "libgstaudiotestsrc.so"}) {
    const std::string path = std::string(G719_GST_PLUGINS_DIR) + "/" + name;
    GError *error = nullptr;
    GstPlugin *plugin = gst_plugin_load_file(path.c_str(), &error);
    if (plugin == nullptr) {
      ADD_FAILURE() << "cannot load " << path << ": " << (error ? error->message : "?");
      g_clear_error(&error);
    } else {
      gst_object_unref(plugin);
    }
  }
}

// Resident set size of this process in kB.
long rss_kb() {
  long pages_total = 0, pages_resident = 0;
  FILE *f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return 0;
  if (std::fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2) pages_resident = 0;
  std::fclose(f);
  return pages_resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs a pipeline to EOS and returns the bytes that reached its fakesink
// named "out" (through handoff signals), or an empty vector on error.
std::vector<uint8_t> run_to_eos(const std::string &description, bool *ok) {
  *ok = false;
  GError *error = nullptr;
  GstElement *pipeline = gst_parse_launch(description.c_str(), &error);
  if (pipeline == nullptr || error != nullptr) {
    ADD_FAILURE() << description << ": " << (error ? error->message : "no pipeline");
    g_clear_error(&error);
    if (pipeline != nullptr) gst_object_unref(pipeline);
    return {};
  }
  std::vector<uint8_t> collected;
  GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  if (sink != nullptr) {
    g_object_set(sink, "signal-handoffs", TRUE, NULL);
    g_signal_connect(sink, "handoff",
                     G_CALLBACK(+[](GstElement *, GstBuffer *buf, GstPad *, gpointer user) {
                       auto *out = static_cast<std::vector<uint8_t> *>(user);
                       GstMapInfo map;
                       if (gst_buffer_map(buf, &map, GST_MAP_READ)) {
                         out->insert(out->end(), map.data, map.data + map.size);
                         gst_buffer_unmap(buf, &map);
                       }
                     }),
                     &collected);
    gst_object_unref(sink);
  }
  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    ADD_FAILURE() << "cannot start " << description;
  } else {
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *msg = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (msg != nullptr && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) {
      *ok = true;
    } else {
      ADD_FAILURE() << description << (msg ? ": error message" : ": timeout");
    }
    if (msg != nullptr) gst_message_unref(msg);
    gst_object_unref(bus);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return collected;
}

// Deterministic sources only (the noise waves are randomly seeded).
std::string round_trip_pipeline(int index, int buffers) {
  static const char *waves[] = {"sine", "square", "saw", "triangle", "sine-table", "ticks", "square", "saw"};
  static const int bitrates[] = {32000, 48000, 64000};
  return "audiotestsrc num-buffers=" + std::to_string(buffers) + " samplesperbuffer=960 wave=" +
         waves[index % 8] + " freq=" + std::to_string(200 + 97 * index) +
         " volume=0.6 ! audio/x-raw,format=S16LE,rate=48000,channels=1 ! zebg719enc bitrate=" +
         std::to_string(bitrates[index % 3]) + " ! zebg719dec ! fakesink name=out sync=false";
}

TEST(Pipelines, SixteenAtOnceMatchOneAtATime) {
  init_gstreamer();
  constexpr int kPipelines = 16;
  constexpr int kBuffers = 60;
  std::vector<std::vector<uint8_t>> alone(kPipelines);
  for (int i = 0; i < kPipelines; ++i) {
    bool ok = false;
    alone[i] = run_to_eos(round_trip_pipeline(i, kBuffers), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(alone[i].size(), static_cast<size_t>(kBuffers) * 960 * 2) << i;
  }
  std::vector<std::vector<uint8_t>> together(kPipelines);
  std::vector<int> ok(kPipelines, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kPipelines; ++i) {
    threads.emplace_back([&, i] {
      bool done = false;
      together[i] = run_to_eos(round_trip_pipeline(i, kBuffers), &done);
      ok[i] = done;
    });
  }
  for (auto &t : threads) t.join();
  for (int i = 0; i < kPipelines; ++i) {
    EXPECT_TRUE(ok[i]) << i;
    EXPECT_TRUE(together[i] == alone[i]) << "pipeline " << i << " differs when run concurrently";
  }
}

TEST(Pipelines, ThousandStartStopCyclesDoNotGrowMemory) {
  init_gstreamer();
  const std::string description = round_trip_pipeline(1, 3);
  long rss_after_warmup = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    bool ok = false;
    const std::vector<uint8_t> out = run_to_eos(description, &ok);
    ASSERT_TRUE(ok) << "cycle " << cycle;
    ASSERT_EQ(out.size(), 3u * 960 * 2) << "cycle " << cycle;
    if (cycle == 99) rss_after_warmup = rss_kb();
  }
  const long growth = rss_kb() - rss_after_warmup;
  std::printf("resident set growth over cycles 100..1000: %ld kB\n", growth);
#ifdef G719_UNDER_ADDRESS_SANITIZER
  // The sanitizer's own bookkeeping grows with every streaming thread made
  // (a few kB a cycle); there LeakSanitizer checks for lost memory at exit.
  std::printf("resident set bound not applied under AddressSanitizer\n");
#else
  // An encoder and a decoder instance together hold about 20 kB; losing them
  // on each of the last 900 cycles would add about 18 MB.
  EXPECT_LT(growth, 4096) << "resident set grew by " << growth << " kB over 900 cycles";
#endif
}

TEST(Pipelines, DecoderBitrateChangingEveryPayloadDoesNotGrowMemory) {
  init_gstreamer();
  // Payloads at every table-of-contents length code, from frames of the
  // codec itself, fed in a rotating order so that the decoder replaces its
  // instance on every payload.
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<int16_t> pcm(960);
  for (int i = 0; i < 960; ++i) pcm[i] = static_cast<int16_t>((i * 37 % 200 - 100) * 90);
  for (unsigned code = 8; code <= 27; ++code) {
    const unsigned bytes = code <= 22 ? 10 * code : 20 * code - 220;
    G719EncoderState *enc = g719_encoder_create(static_cast<int32_t>(bytes * 400));
    ASSERT_NE(enc, nullptr) << bytes;
    std::vector<uint8_t> payload(2 + bytes);
    payload[0] = static_cast<uint8_t>(code << 2);
    payload[1] = 1;
    g719_encode(enc, pcm.data(), payload.data() + 2);
    g719_encoder_free(enc);
    payloads.push_back(payload);
  }

  GstHarness *h = gst_harness_new("zebg719dec");
  ASSERT_NE(h, nullptr);
  gst_harness_set_src_caps_str(h, "audio/G719");
  long rss_after_warmup = 0;
  constexpr int kPayloads = 4000;
  for (int i = 0; i < kPayloads; ++i) {
    const auto &p = payloads[(i * 7) % payloads.size()];
    GstBuffer *buf = gst_buffer_new_memdup(p.data(), p.size());
    GST_BUFFER_PTS(buf) = static_cast<GstClockTime>(i) * 20 * GST_MSECOND;
    ASSERT_EQ(gst_harness_push(h, buf), GST_FLOW_OK) << i;
    GstBuffer *out = gst_harness_pull(h);
    ASSERT_NE(out, nullptr) << i;
    EXPECT_EQ(gst_buffer_get_size(out), 960u * 2) << i;
    gst_buffer_unref(out);
    if (i == 399) rss_after_warmup = rss_kb();
  }
  gst_harness_teardown(h);
  const long growth = rss_kb() - rss_after_warmup;
  std::printf("resident set growth over payloads 400..%d: %ld kB\n", kPayloads, growth);
  // Losing one decoder instance (about 13 kB) per payload would add ~47 MB.
  EXPECT_LT(growth, 4096) << "resident set grew by " << growth << " kB over " << kPayloads - 400 << " payloads";
}

}  // namespace
