// zebg719parse together with the codec elements: encoder files parse back
// into the encoder's buffers, parse + decode equals decoding the payloads
// directly, and the discoverer reports the duration. Skipped when the codec
// plugin is not built.
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gst_test_support.h"
#include "payload_stream.h"

namespace {

constexpr GstClockTime kFrame = 20 * GST_MSECOND;

bool have_codec_elements() {
  ensure_gst();
  for (const char *name : {"zebg719enc", "zebg719dec"}) {
    GstElementFactory *f = gst_element_factory_find(name);
    if (!f) return false;
    gst_object_unref(f);
  }
  return true;
}

#define REQUIRE_CODEC()                                                        \
  do {                                                                         \
    if (!have_codec_elements()) GTEST_SKIP() << "codec plugin not available"; \
  } while (0)

/* Encodes `frames` frames of a test signal at `bitrate`; returns the
 * encoder's buffers. */
std::vector<Taken> encode(int bitrate, int frames, const char *wave) {
  AppSinkPipeline p("audiotestsrc num-buffers=" + std::to_string(frames) +
                    " samplesperbuffer=960 wave=" + wave +
                    " ! audio/x-raw,format=S16LE,rate=48000,channels=1,layout=interleaved"
                    " ! zebg719enc bitrate=" + std::to_string(bitrate) +
                    " ! appsink name=sink sync=false");
  std::vector<Taken> out;
  if (!p.ok() || !p.set_state(GST_STATE_PLAYING)) {
    ADD_FAILURE() << "encoder pipeline did not start";
    return out;
  }
  EXPECT_TRUE(p.pull_all(&out)) << p.bus_error();
  return out;
}

Bytes concat(const std::vector<Taken> &buffers) {
  Bytes all;
  for (const Taken &t : buffers) all.insert(all.end(), t.bytes.begin(), t.bytes.end());
  return all;
}

std::vector<Taken> parse_file(const TempFile &f) {
  AppSinkPipeline p("filesrc location=\"" + f.path() +
                    "\" ! zebg719parse ! appsink name=sink sync=false");
  std::vector<Taken> out;
  if (!p.ok() || !p.set_state(GST_STATE_PLAYING)) {
    ADD_FAILURE() << "parser pipeline did not start";
    return out;
  }
  EXPECT_TRUE(p.pull_all(&out)) << p.bus_error();
  return out;
}

/* Decodes payloads one per buffer with zebg719dec; returns the PCM bytes. */
Bytes decode_payloads(const std::vector<Taken> &payloads) {
  GstHarness *h = gst_harness_new("zebg719dec");
  gst_harness_set_src_caps_str(h, "audio/G719");
  Bytes pcm;
  for (const Taken &t : payloads) {
    EXPECT_EQ(gst_harness_push(h, gst_buffer_new_memdup(t.bytes.data(), t.bytes.size())),
              GST_FLOW_OK);
    while (GstBuffer *b = gst_harness_try_pull(h)) {
      const Taken out = take_buffer(b, nullptr);
      pcm.insert(pcm.end(), out.bytes.begin(), out.bytes.end());
      gst_buffer_unref(b);
    }
  }
  gst_harness_push_event(h, gst_event_new_eos());
  while (GstBuffer *b = gst_harness_try_pull(h)) {
    const Taken out = take_buffer(b, nullptr);
    pcm.insert(pcm.end(), out.bytes.begin(), out.bytes.end());
    gst_buffer_unref(b);
  }
  gst_harness_teardown(h);
  return pcm;
}

/* The samples of a RIFF/WAVE file's "data" chunk. */
Bytes wav_data(const Bytes &wav) {
  std::size_t pos = 12;
  while (pos + 8 <= wav.size()) {
    const std::uint32_t len = wav[pos + 4] | (wav[pos + 5] << 8) | (wav[pos + 6] << 16) |
                              (static_cast<std::uint32_t>(wav[pos + 7]) << 24);
    if (std::memcmp(&wav[pos], "data", 4) == 0) {
      const std::size_t end = std::min(wav.size(), pos + 8 + len);
      return Bytes(wav.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                   wav.begin() + static_cast<std::ptrdiff_t>(end));
    }
    pos += 8 + len + (len & 1);
  }
  ADD_FAILURE() << "no data chunk";
  return {};
}

}  // namespace

TEST(ParseWithCodec, EncoderFilesParseIntoTheEncodersBuffers) {
  REQUIRE_CODEC();
  for (int bitrate : {32000, 48000, 64000}) {
    SCOPED_TRACE(testing::Message() << bitrate << " bit/s");
    const std::vector<Taken> enc = encode(bitrate, 60, "pink-noise");
    ASSERT_EQ(enc.size(), 60u);
    TempFile f(".g719");
    ASSERT_TRUE(f.write(concat(enc)));
    const std::vector<Taken> parsed = parse_file(f);
    ASSERT_EQ(parsed.size(), enc.size());
    for (std::size_t i = 0; i < enc.size(); ++i) {
      EXPECT_EQ(parsed[i].bytes, enc[i].bytes) << "payload " << i;
      EXPECT_EQ(parsed[i].pts, enc[i].pts) << "payload " << i;
      EXPECT_EQ(parsed[i].duration, enc[i].duration) << "payload " << i;
      EXPECT_EQ(parsed[i].caps_bitrate, bitrate);
    }
  }
}

TEST(ParseWithCodec, MixedBitrateFileSwitchesCaps) {
  REQUIRE_CODEC();
  const std::vector<Taken> a = encode(64000, 10, "sine");
  const std::vector<Taken> b = encode(32000, 10, "sine");
  const std::vector<Taken> c = encode(48000, 10, "sine");
  TempFile f(".g719");
  Bytes all = concat(a);
  const Bytes bb = concat(b), cc = concat(c);
  all.insert(all.end(), bb.begin(), bb.end());
  all.insert(all.end(), cc.begin(), cc.end());
  ASSERT_TRUE(f.write(all));
  const std::vector<Taken> parsed = parse_file(f);
  ASSERT_EQ(parsed.size(), 30u);
  for (std::size_t i = 0; i < 30; ++i) {
    const int expected = i < 10 ? 64000 : (i < 20 ? 32000 : 48000);
    EXPECT_EQ(parsed[i].caps_bitrate, expected) << "payload " << i;
    EXPECT_EQ(parsed[i].pts, i * kFrame);
  }
}

TEST(ParseWithCodec, ParsedFileDecodesLikeThePayloads) {
  REQUIRE_CODEC();
  const std::vector<Taken> enc = encode(48000, 75, "sine");
  ASSERT_EQ(enc.size(), 75u);
  TempFile in(".g719");
  ASSERT_TRUE(in.write(concat(enc)));
  TempFile out(".wav");
  GError *err = nullptr;
  GstElement *pipeline = gst_parse_launch(
      ("filesrc location=\"" + in.path() + "\" ! zebg719parse ! zebg719dec ! wavenc ! "
       "filesink location=\"" + out.path() + "\"").c_str(),
      &err);
  ASSERT_NE(pipeline, nullptr) << (err ? err->message : "");
  ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  GstBus *bus = gst_element_get_bus(pipeline);
  GstMessage *m = gst_bus_timed_pop_filtered(
      bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  EXPECT_NE(m, nullptr);
  if (m) {
    EXPECT_EQ(GST_MESSAGE_TYPE(m), GST_MESSAGE_EOS);
    gst_message_unref(m);
  }
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);

  const Bytes direct = decode_payloads(enc);
  ASSERT_EQ(direct.size(), 75u * 1920u);
  const Bytes samples = wav_data(out.read());
  EXPECT_EQ(samples.size(), direct.size());
  EXPECT_TRUE(samples == direct) << "decoded samples differ";
}

TEST(ParseWithCodec, DiscovererReportsTheDuration) {
  REQUIRE_CODEC();
  // The codec elements register at rank 0 and are never autoplugged; a user
  // raises the decoder's rank (GST_PLUGIN_FEATURE_RANK=zebg719dec:PRIMARY),
  // as this test does in-process.
  GstPluginFeature *dec = gst_registry_lookup_feature(gst_registry_get(), "zebg719dec");
  ASSERT_NE(dec, nullptr);
  const guint old_rank = gst_plugin_feature_get_rank(dec);
  gst_plugin_feature_set_rank(dec, GST_RANK_PRIMARY);

  const std::vector<Taken> enc = encode(64000, 137, "sine");
  TempFile f(".g719");
  ASSERT_TRUE(f.write(concat(enc)));
  gchar *uri = gst_filename_to_uri(f.path().c_str(), nullptr);
  GstDiscoverer *disc = gst_discoverer_new(10 * GST_SECOND, nullptr);
  ASSERT_NE(disc, nullptr);
  GstDiscovererInfo *info = gst_discoverer_discover_uri(disc, uri, nullptr);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(gst_discoverer_info_get_result(info), GST_DISCOVERER_OK);
  EXPECT_EQ(gst_discoverer_info_get_duration(info), 137 * kFrame);
  EXPECT_TRUE(gst_discoverer_info_get_seekable(info));
  GList *audio = gst_discoverer_info_get_audio_streams(info);
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(gst_discoverer_audio_info_get_sample_rate(GST_DISCOVERER_AUDIO_INFO(audio->data)),
            48000u);
  gst_discoverer_stream_info_list_free(audio);
  gst_discoverer_info_unref(info);
  g_object_unref(disc);
  g_free(uri);
  gst_plugin_feature_set_rank(dec, old_rank);
  gst_object_unref(dec);
}
