// zebg719parse in GstHarness (push mode) and behind filesrc (pull mode):
// framing, timestamps, caps, damage handling, duration, seeking, typefind.
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "gst_test_support.h"
#include "payload_stream.h"

namespace {

constexpr GstClockTime kFrame = 20 * GST_MSECOND;

struct HarnessRun {
  std::vector<Taken> buffers;
  std::vector<int> caps_bitrates;  // "bitrate" of every caps event, in order
  std::vector<guint> tag_bitrates;  // nominal bitrate of every tag event that has one
};

/* Pushes `data` in chunks of `chunk` bytes through a fresh zebg719parse,
 * then end of stream, and collects what comes out. */
HarnessRun run_parser(const Bytes &data, std::size_t chunk,
                      const char *input_caps = "audio/G719") {
  ensure_gst();
  HarnessRun run;
  GstHarness *h = gst_harness_new("zebg719parse");
  if (!h) {
    ADD_FAILURE() << "zebg719parse not found";
    return run;
  }
  gst_harness_set_src_caps_str(h, input_caps);
  // A byte stream, as from a file or network source.
  GstSegment segment;
  gst_segment_init(&segment, GST_FORMAT_BYTES);
  EXPECT_TRUE(gst_harness_push_event(h, gst_event_new_segment(&segment)));
  for (std::size_t pos = 0; pos < data.size(); pos += chunk) {
    const std::size_t n = std::min(chunk, data.size() - pos);
    GstBuffer *b = gst_buffer_new_memdup(data.data() + pos, n);
    EXPECT_EQ(gst_harness_push(h, b), GST_FLOW_OK);
  }
  EXPECT_TRUE(gst_harness_push_event(h, gst_event_new_eos()));
  while (GstBuffer *b = gst_harness_try_pull(h)) {
    run.buffers.push_back(take_buffer(b, nullptr));
    gst_buffer_unref(b);
  }
  while (GstEvent *e = gst_harness_try_pull_event(h)) {
    if (GST_EVENT_TYPE(e) == GST_EVENT_CAPS) {
      GstCaps *caps = nullptr;
      gst_event_parse_caps(e, &caps);
      const GstStructure *s = gst_caps_get_structure(caps, 0);
      int bitrate = 0, rate = 0, channels = 0;
      gboolean framed = FALSE;
      EXPECT_TRUE(gst_structure_has_name(s, "audio/G719"));
      EXPECT_TRUE(gst_structure_get_int(s, "bitrate", &bitrate));
      EXPECT_TRUE(gst_structure_get_int(s, "rate", &rate) && rate == 48000);
      EXPECT_TRUE(gst_structure_get_int(s, "channels", &channels) && channels == 1);
      EXPECT_TRUE(gst_structure_get_boolean(s, "framed", &framed) && framed);
      run.caps_bitrates.push_back(bitrate);
    }
    if (GST_EVENT_TYPE(e) == GST_EVENT_TAG) {
      GstTagList *tags = nullptr;
      gst_event_parse_tag(e, &tags);
      guint nominal = 0;
      if (gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &nominal))
        run.tag_bitrates.push_back(nominal);
    }
    gst_event_unref(e);
  }
  gst_harness_teardown(h);
  return run;
}

/* Output buffers are exactly the given payloads of s, back to back in time. */
void expect_framed(const Stream &s, const HarnessRun &run, const std::vector<std::size_t> &kept) {
  ASSERT_EQ(run.buffers.size(), kept.size());
  GstClockTime t = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const Bytes &p = s.payloads[kept[i]];
    EXPECT_EQ(run.buffers[i].bytes, p) << "buffer " << i;
    EXPECT_EQ(run.buffers[i].pts, t) << "buffer " << i;
    EXPECT_EQ(run.buffers[i].duration, p[1] * kFrame) << "buffer " << i;
    t += p[1] * kFrame;
  }
}

std::vector<std::size_t> indices(std::size_t n, std::size_t except = SIZE_MAX) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < n; ++i)
    if (i != except) v.push_back(i);
  return v;
}

/* Collects the parser's WARNING messages while alive. */
class WarningLog {
 public:
  WarningLog() {
    ensure_gst();
    gst_debug_set_threshold_for_name("g719parse", GST_LEVEL_WARNING);
    gst_debug_add_log_function(&WarningLog::log, this, nullptr);
  }
  ~WarningLog() {
    gst_debug_remove_log_function_by_data(this);
    gst_debug_unset_threshold_for_name("g719parse");
  }
  std::vector<std::string> messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 private:
  static void log(GstDebugCategory *category, GstDebugLevel level, const gchar *, const gchar *,
                  gint, GObject *, GstDebugMessage *message, gpointer self_ptr) {
    if (level != GST_LEVEL_WARNING || std::string(gst_debug_category_get_name(category)) != "g719parse")
      return;
    auto *self = static_cast<WarningLog *>(self_ptr);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->messages_.emplace_back(gst_debug_message_get(message));
  }
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

Stream cbr_stream(unsigned l, unsigned n, int count, unsigned seed) {
  std::mt19937 rng(seed);
  Stream s;
  for (int i = 0; i < count; ++i) s.add_payload(make_payload(l, n, rng));
  return s;
}

}  // namespace

TEST(ParseElement, OnePayloadPerBufferWithTimestampsAtEachBitrate) {
  for (unsigned l : {8u, 12u, 16u, 27u}) {
    const Stream s = cbr_stream(l, 1, 12, l);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{100}, s.bytes.size()}) {
      SCOPED_TRACE(testing::Message() << "L=" << l << " chunk=" << chunk);
      const HarnessRun run = run_parser(s.bytes, chunk);
      expect_framed(s, run, indices(12));
      ASSERT_EQ(run.caps_bitrates.size(), 1u);
      EXPECT_EQ(run.caps_bitrates[0], static_cast<int>(zeb_g719::frame_bytes_for_length_code(l) * 400));
    }
  }
}

TEST(ParseElement, MultiFramePayloadsLastNTimes20Ms) {
  const Stream s = cbr_stream(12, 5, 6, 3);
  const HarnessRun run = run_parser(s.bytes, 333);
  expect_framed(s, run, indices(6));
  ASSERT_FALSE(run.buffers.empty());
  EXPECT_EQ(run.buffers.back().pts, 5 * 100 * GST_MSECOND);
}

TEST(ParseElement, CapsFollowTheBitrate) {
  std::mt19937 rng(4);
  Stream s;
  for (unsigned l : {16u, 16u, 8u, 8u, 8u, 12u, 12u, 16u}) s.add_payload(make_payload(l, 1, rng));
  const HarnessRun run = run_parser(s.bytes, 50);
  expect_framed(s, run, indices(8));
  EXPECT_EQ(run.caps_bitrates, (std::vector<int>{64000, 32000, 48000, 64000}));
  // The base class may repeat the tags (for instance at the end of the
  // stream); what matters is that each change is announced.
  std::vector<guint> changes = run.tag_bitrates;
  changes.erase(std::unique(changes.begin(), changes.end()), changes.end());
  EXPECT_EQ(changes, (std::vector<guint>{64000, 32000, 48000, 64000}));
}

TEST(ParseElement, AcceptsAlreadyFramedEncoderOutput) {
  const Stream s = cbr_stream(16, 1, 5, 8);
  ensure_gst();
  GstHarness *h = gst_harness_new("zebg719parse");
  ASSERT_NE(h, nullptr);
  gst_harness_set_src_caps_str(
      h, "audio/G719, rate = (int) 48000, channels = (int) 1, bitrate = (int) 64000");
  for (const Bytes &p : s.payloads)
    EXPECT_EQ(gst_harness_push(h, gst_buffer_new_memdup(p.data(), p.size())), GST_FLOW_OK);
  gst_harness_push_event(h, gst_event_new_eos());
  std::size_t n = 0;
  while (GstBuffer *b = gst_harness_try_pull(h)) {
    ASSERT_LT(n, s.payloads.size());
    EXPECT_EQ(take_buffer(b, nullptr).bytes, s.payloads[n]);
    gst_buffer_unref(b);
    ++n;
  }
  EXPECT_EQ(n, s.payloads.size());
  gst_harness_teardown(h);
}

TEST(ParseElement, DamageIsSkippedLoggedAndFlaggedDiscont) {
  std::mt19937 rng(21);
  Stream s;
  for (int i = 0; i < 4; ++i) s.add_payload(make_payload(16, 1, rng));
  s.add_garbage(make_garbage(163, rng, 16, 1));  // inserted bytes
  for (int i = 0; i < 4; ++i) s.add_payload(make_payload(16, 1, rng));
  s.bytes[s.offsets[6]] = 0x7C;  // reserved L = 31 in payload 6
  const Bytes last = make_payload(16, 1, rng);
  s.add_payload(last);
  s.bytes.resize(s.bytes.size() - 60);  // truncated tail

  WarningLog log;
  const HarnessRun run = run_parser(s.bytes, 77);
  const std::vector<std::size_t> kept = {0, 1, 2, 3, 4, 5, 7};
  ASSERT_EQ(run.buffers.size(), kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(run.buffers[i].bytes, s.payloads[kept[i]]);
  // The buffers after each skip start a discontinuity; the others do not.
  EXPECT_FALSE(run.buffers[1].discont);
  EXPECT_TRUE(run.buffers[4].discont);
  EXPECT_FALSE(run.buffers[5].discont);
  EXPECT_TRUE(run.buffers[6].discont);
  // Timestamps stay monotonic and gap-free over what was kept.
  for (std::size_t i = 1; i < run.buffers.size(); ++i)
    EXPECT_EQ(run.buffers[i].pts, run.buffers[i - 1].pts + kFrame);

  const std::vector<std::string> warnings = log.messages();
  auto logged = [&](const std::string &needle) {
    return std::any_of(warnings.begin(), warnings.end(),
                       [&](const std::string &m) { return m.find(needle) != std::string::npos; });
  };
  const std::string offset_after_garbage = std::to_string(s.offsets[4]);
  EXPECT_TRUE(logged("resynchronised at offset " + offset_after_garbage + ": skipped 163 bytes"))
      << "inserted bytes not reported";
  EXPECT_TRUE(logged("resynchronised at offset " + std::to_string(s.offsets[7]) +
                     ": skipped 162 bytes from offset " + std::to_string(s.offsets[6])))
      << "damaged payload not reported";
  EXPECT_TRUE(logged("reserved length code")) << "reason not reported";
  EXPECT_TRUE(logged("skipping 102 bytes at offset " + std::to_string(s.offsets[8]) +
                     ": payload truncated"))
      << "truncated tail not reported";
}

TEST(ParseElement, FlushForgetsThePayloadBoundary) {
  // After a flushing seek the data may restart inside a payload. Bytes there
  // that happen to look like the stream's own table of contents must not be
  // taken on trust.
  Stream s = cbr_stream(16, 1, 7, 12);
  const std::size_t resume = s.offsets[4] - 50;  // 50 bytes before payload 4
  s.bytes[resume] = 0x40;
  s.bytes[resume + 1] = 0x01;
  ensure_gst();
  GstHarness *h = gst_harness_new("zebg719parse");
  ASSERT_NE(h, nullptr);
  gst_harness_set_src_caps_str(h, "audio/G719");
  GstSegment segment;
  gst_segment_init(&segment, GST_FORMAT_BYTES);
  gst_harness_push_event(h, gst_event_new_segment(&segment));
  // Payloads 0..2, then the seek.
  EXPECT_EQ(gst_harness_push(h, gst_buffer_new_memdup(s.bytes.data(), s.offsets[3])), GST_FLOW_OK);
  gst_harness_push_event(h, gst_event_new_flush_start());
  gst_harness_push_event(h, gst_event_new_flush_stop(TRUE));
  segment.start = segment.position = segment.time = resume;
  gst_harness_push_event(h, gst_event_new_segment(&segment));
  GstBuffer *rest = gst_buffer_new_memdup(s.bytes.data() + resume, s.bytes.size() - resume);
  GST_BUFFER_FLAG_SET(rest, GST_BUFFER_FLAG_DISCONT);
  EXPECT_EQ(gst_harness_push(h, rest), GST_FLOW_OK);
  gst_harness_push_event(h, gst_event_new_eos());

  std::vector<Bytes> out;
  while (GstBuffer *b = gst_harness_try_pull(h)) {
    out.push_back(take_buffer(b, nullptr).bytes);
    gst_buffer_unref(b);
  }
  gst_harness_teardown(h);
  // Payloads 0..2 may or may not have been pushed before the flush; after it
  // only whole payloads 4..6 come out.
  ASSERT_GE(out.size(), 3u);
  const std::vector<Bytes> tail(out.end() - 3, out.end());
  EXPECT_EQ(tail[0], s.payloads[4]);
  EXPECT_EQ(tail[1], s.payloads[5]);
  EXPECT_EQ(tail[2], s.payloads[6]);
  for (const Bytes &b : out) {
    const bool is_payload = std::find(s.payloads.begin(), s.payloads.end(), b) != s.payloads.end();
    EXPECT_TRUE(is_payload) << "a buffer that is not one of the stream's payloads was pushed";
  }
}

TEST(ParseElement, ArbitraryInputNeverYieldsABrokenPayload) {
  for (unsigned seed = 1; seed <= 25; ++seed) {
    std::mt19937 rng(seed);
    Bytes data;
    for (int piece = 0; piece < 10; ++piece) {
      Bytes p = rng() % 2 ? make_payload(8 + rng() % 20, 1 + rng() % 3, rng)
                          : make_garbage(rng() % 400, rng, 99, 99);
      if (rng() % 3 == 0 && !p.empty()) p.resize(rng() % p.size());
      data.insert(data.end(), p.begin(), p.end());
    }
    const HarnessRun run = run_parser(data, 1 + rng() % 1000);
    std::size_t total = 0;
    for (const Taken &t : run.buffers) {
      ASSERT_GE(t.bytes.size(), 2u);
      const zeb_g719::PayloadToc toc = zeb_g719::read_payload_toc(t.bytes[0], t.bytes[1]);
      EXPECT_EQ(toc.status, zeb_g719::TocStatus::valid) << "seed " << seed;
      EXPECT_EQ(toc.payload_bytes, t.bytes.size()) << "seed " << seed;
      EXPECT_EQ(t.duration, toc.frame_count * kFrame);
      total += t.bytes.size();
    }
    EXPECT_LE(total, data.size());
  }
}

// --- behind filesrc: pull mode, duration, seeking, type finding ----------

namespace {

/* With push_mode, a queue in front of the parser makes it work on pushed
 * buffers (as behind a network source) instead of pulling from the file. */
std::string file_pipeline(const TempFile &f, bool push_mode = false) {
  return "filesrc location=\"" + f.path() + "\" ! " + (push_mode ? "queue ! " : "") +
         "zebg719parse ! appsink name=sink sync=false";
}

}  // namespace

TEST(ParseFile, ReadsAFileIntoPayloads) {
  const Stream s = cbr_stream(12, 1, 40, 5);
  TempFile f(".g719");
  ASSERT_TRUE(f.write(s.bytes));
  AppSinkPipeline p(file_pipeline(f));
  ASSERT_TRUE(p.ok());
  ASSERT_TRUE(p.set_state(GST_STATE_PLAYING));
  std::vector<Taken> out;
  ASSERT_TRUE(p.pull_all(&out)) << p.bus_error();
  ASSERT_EQ(out.size(), 40u);
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(out[i].bytes, s.payloads[i]);
    EXPECT_EQ(out[i].pts, i * kFrame);
    EXPECT_EQ(out[i].duration, kFrame);
    EXPECT_EQ(out[i].caps_bitrate, 48000);
  }
}

TEST(ParseFile, RecoversFromRepeatedDamageInAFile) {
  // Pull mode: inserted noise every 50 payloads and one damaged table of
  // contents; every intact payload comes out, nothing else does.
  std::mt19937 rng(31);
  Stream s;
  for (int i = 0; i < 600; ++i) {
    s.add_payload(make_payload(12, 1, rng));
    if (i % 50 == 25) s.add_garbage(make_garbage(1 + rng() % 700, rng, 12, 1));
  }
  s.bytes[s.offsets[300]] = 0x04;  // reserved L = 1
  TempFile f(".g719");
  ASSERT_TRUE(f.write(s.bytes));
  AppSinkPipeline p(file_pipeline(f));
  ASSERT_TRUE(p.ok());
  ASSERT_TRUE(p.set_state(GST_STATE_PLAYING));
  std::vector<Taken> out;
  ASSERT_TRUE(p.pull_all(&out)) << p.bus_error();
  ASSERT_EQ(out.size(), 599u);
  for (std::size_t i = 0, k = 0; i < out.size(); ++i, ++k) {
    if (k == 300) ++k;
    EXPECT_EQ(out[i].bytes, s.payloads[k]) << "buffer " << i;
  }
}

TEST(ParseFile, ReportsTheDurationOfAConstantBitrateFile) {
  for (unsigned n : {1u, 4u})
  for (bool push_mode : {false, true}) {
    const Stream s = cbr_stream(16, n, 150, 6);  // 150 payloads: 3 s, or 12 s
    TempFile f(".g719");
    ASSERT_TRUE(f.write(s.bytes));
    AppSinkPipeline p(file_pipeline(f, push_mode));
    ASSERT_TRUE(p.ok());
    ASSERT_TRUE(p.set_state(GST_STATE_PAUSED));
    gint64 duration = -1;
    ASSERT_TRUE(gst_element_query_duration(p.pipeline(), GST_FORMAT_TIME, &duration));
    EXPECT_EQ(duration, static_cast<gint64>(150 * n * kFrame))
        << "N = " << n << (push_mode ? ", push mode" : ", pull mode");
  }
}

TEST(ParseFile, SeekingLandsOnThePayloadThatHoldsTheTime) {
  const Stream s = cbr_stream(16, 1, 250, 7);  // 5 s
  TempFile f(".g719");
  ASSERT_TRUE(f.write(s.bytes));
  struct Case {
    GstClockTime target;
    std::size_t payload;
  };
  for (const Case c : {Case{GST_SECOND, 50}, Case{2 * GST_SECOND + 30 * GST_MSECOND, 101},
                       Case{4980 * GST_MSECOND, 249}, Case{170 * GST_MSECOND, 8}}) {
    for (GstSeekFlags mode : {GST_SEEK_FLAG_ACCURATE, GST_SEEK_FLAG_KEY_UNIT})
    for (bool push_mode : {false, true}) {
      SCOPED_TRACE(testing::Message() << "seek to " << c.target / GST_MSECOND << " ms, flags "
                                      << mode << (push_mode ? ", push mode" : ", pull mode"));
      AppSinkPipeline p(file_pipeline(f, push_mode));
      ASSERT_TRUE(p.ok());
      ASSERT_TRUE(p.set_state(GST_STATE_PAUSED));
      ASSERT_TRUE(gst_element_seek_simple(p.pipeline(), GST_FORMAT_TIME,
                                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | mode),
                                          static_cast<gint64>(c.target)));
      ASSERT_TRUE(p.set_state(GST_STATE_PLAYING));
      std::vector<Taken> out;
      ASSERT_TRUE(p.pull_all(&out, 3)) << p.bus_error();
      ASSERT_FALSE(out.empty());
      // The first buffer after the seek is the payload that covers the
      // target time, with that payload's own timestamp.
      EXPECT_EQ(out[0].bytes, s.payloads[c.payload]);
      EXPECT_EQ(out[0].pts, c.payload * kFrame);
      if (out.size() > 1) {
        EXPECT_EQ(out[1].bytes, s.payloads[c.payload + 1]);
      }
    }
  }
}

TEST(ParseFile, TypefindRecognisesAPayloadFile) {
  const Stream s = cbr_stream(8, 1, 20, 9);
  TempFile f(".g719");
  ASSERT_TRUE(f.write(s.bytes));
  AppSinkPipeline p("filesrc location=\"" + f.path() +
                    "\" ! typefind name=tf ! appsink name=sink sync=false");
  ASSERT_TRUE(p.ok());
  ASSERT_TRUE(p.set_state(GST_STATE_PAUSED));
  GstElement *tf = gst_bin_get_by_name(GST_BIN(p.pipeline()), "tf");
  ASSERT_NE(tf, nullptr);
  GstCaps *caps = nullptr;
  g_object_get(tf, "caps", &caps, nullptr);
  gst_object_unref(tf);
  ASSERT_NE(caps, nullptr);
  EXPECT_TRUE(gst_structure_has_name(gst_caps_get_structure(caps, 0), "audio/G719"));
  gst_caps_unref(caps);

  // Autoplugging (decodebin, playbin, the discoverer) looks for a parser
  // of sufficient rank whose sink caps accept the found type.
  GList *parsers = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_PARSER,
                                                          GST_RANK_MARGINAL);
  GstCaps *found = gst_caps_from_string("audio/G719");
  GList *usable = gst_element_factory_list_filter(parsers, found, GST_PAD_SINK, FALSE);
  bool listed = false;
  for (GList *l = usable; l; l = l->next)
    listed = listed || std::string(GST_OBJECT_NAME(l->data)) == "zebg719parse";
  EXPECT_TRUE(listed) << "zebg719parse is not offered to autoplugging for audio/G719";
  gst_plugin_feature_list_free(usable);
  gst_plugin_feature_list_free(parsers);
  gst_caps_unref(found);
}
