// zebg719enc through GstHarness: metadata, caps, payload layout, messages,
// start/stop/restart and the bitrate property.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "element_test_support.h"
#include "frame/g719_codec.h"

using namespace zeb_test;

namespace {

// The payloads a fresh codec instance produces for samples, one per whole
// block: the table of contents the encoder writes, then the codec's frame.
std::vector<std::vector<uint8_t>> reference_payloads (int bitrate, const std::vector<int16_t> &samples)
{
  G719EncoderState *enc = g719_encoder_create (bitrate);
  EXPECT_NE (enc, nullptr);
  std::vector<std::vector<uint8_t>> payloads;
  for (size_t pos = 0; enc != nullptr && pos + 960 <= samples.size (); pos += 960) {
    std::vector<uint8_t> p (2 + bitrate / 400);
    p[0] = static_cast<uint8_t> ((bitrate / 4000) << 2);
    p[1] = 1;
    g719_encode (enc, samples.data () + pos, p.data () + 2);
    payloads.push_back (p);
  }
  g719_encoder_free (enc);
  return payloads;
}

std::vector<std::vector<uint8_t>> pull_all (GstHarness *h, std::vector<GstClockTime> *durations = nullptr)
{
  std::vector<std::vector<uint8_t>> out;
  while (GstBuffer *b = gst_harness_try_pull (h)) {
    out.push_back (bytes_of (b));
    if (durations != nullptr)
      durations->push_back (GST_BUFFER_DURATION (b));
    gst_buffer_unref (b);
  }
  return out;
}

int output_caps_bitrate (GstHarness *h)
{
  GstCaps *caps = gst_pad_get_current_caps (h->sinkpad);
  if (caps == nullptr)
    return -1;
  int bitrate = -1;
  const GstStructure *s = gst_caps_get_structure (caps, 0);
  EXPECT_STREQ (gst_structure_get_name (s), "audio/G719");
  int rate = 0, channels = 0;
  EXPECT_TRUE (gst_structure_get_int (s, "rate", &rate));
  EXPECT_TRUE (gst_structure_get_int (s, "channels", &channels));
  EXPECT_EQ (rate, 48000);
  EXPECT_EQ (channels, 1);
  gst_structure_get_int (s, "bitrate", &bitrate);
  gst_caps_unref (caps);
  return bitrate;
}

GstFlowReturn push_samples (GstHarness *h, const std::vector<int16_t> &samples, size_t from, size_t count)
{
  const std::vector<int16_t> part (samples.begin () + from, samples.begin () + from + count);
  GstBuffer *buffer = buffer_from_bytes (pcm_bytes (part));
  GST_BUFFER_PTS (buffer) = gst_util_uint64_scale (from, GST_SECOND, 48000);
  GST_BUFFER_DURATION (buffer) = gst_util_uint64_scale (count, GST_SECOND, 48000);
  return gst_harness_push (h, buffer);
}

class EncoderElement : public ::testing::Test {
 protected:
  static void SetUpTestSuite () { init_gstreamer (); }
};

TEST_F (EncoderElement, FactoryMetadataTemplatesAndRank)
{
  GstElementFactory *factory = gst_element_factory_find ("zebg719enc");
  ASSERT_NE (factory, nullptr);
  EXPECT_EQ (gst_plugin_feature_get_rank (GST_PLUGIN_FEATURE (factory)), GST_RANK_NONE);
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_LONGNAME), "G.719 Encoder element");
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_KLASS), "Codec/Encoder/Audio ");
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_DESCRIPTION), "Encode streams with G.719");
  const std::string author = gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_AUTHOR);
  EXPECT_NE (author.find ('\n'), std::string::npos) << "two authors, one per line";
  EXPECT_EQ (std::count (author.begin (), author.end (), '@'), 2);

  GstElement *element = gst_element_factory_create (factory, nullptr);
  ASSERT_NE (element, nullptr);
  EXPECT_STREQ (G_OBJECT_TYPE_NAME (element), "ZebG719Enc");
  EXPECT_TRUE (g_type_is_a (G_OBJECT_TYPE (element), GST_TYPE_AUDIO_ENCODER));

  GList *templates = gst_element_class_get_pad_template_list (GST_ELEMENT_GET_CLASS (element));
  ASSERT_EQ (g_list_length (templates), 2u);
  const char *names[] = {"src", "sink"};
  const GstPadDirection directions[] = {GST_PAD_SRC, GST_PAD_SINK};
  const char *caps_strings[] = {
    "audio/G719, rate = (int) 48000, channels = (int) 1, bitrate = (int) { 32000, 48000, 64000 }",
    kRawCaps,
  };
  int i = 0;
  for (GList *l = templates; l != nullptr; l = l->next, i++) {
    GstPadTemplate *t = GST_PAD_TEMPLATE (l->data);
    EXPECT_STREQ (GST_PAD_TEMPLATE_NAME_TEMPLATE (t), names[i]);
    EXPECT_EQ (GST_PAD_TEMPLATE_DIRECTION (t), directions[i]);
    EXPECT_EQ (GST_PAD_TEMPLATE_PRESENCE (t), GST_PAD_ALWAYS);
    GstCaps *expected = gst_caps_from_string (caps_strings[i]);
    GstCaps *actual = gst_pad_template_get_caps (t);
    EXPECT_TRUE (gst_caps_is_strictly_equal (expected, actual)) << names[i];
    gst_caps_unref (expected);
    gst_caps_unref (actual);
  }
  gst_object_unref (element);
  gst_object_unref (factory);
}

TEST_F (EncoderElement, BitratePropertyIsTheBitrateEnum)
{
  GstElement *element = gst_element_factory_make ("zebg719enc", nullptr);
  ASSERT_NE (element, nullptr);
  GParamSpec *pspec = g_object_class_find_property (G_OBJECT_GET_CLASS (element), "bitrate");
  ASSERT_NE (pspec, nullptr);
  ASSERT_TRUE (G_IS_PARAM_SPEC_ENUM (pspec));
  EXPECT_STREQ (g_param_spec_get_nick (pspec), "Bitrate");
  EXPECT_STREQ (g_param_spec_get_blurb (pspec), "The bitrate to decode");
  EXPECT_EQ (static_cast<int> (pspec->flags), 231);
  EXPECT_EQ (G_PARAM_SPEC_ENUM (pspec)->default_value, 64000);
  EXPECT_STREQ (g_type_name (pspec->value_type), "ZebG719Bitrate");

  GEnumClass *enum_class = G_PARAM_SPEC_ENUM (pspec)->enum_class;
  ASSERT_EQ (enum_class->n_values, 3u);
  const int expected[] = {32000, 48000, 64000};
  for (guint i = 0; i < 3; i++) {
    EXPECT_EQ (enum_class->values[i].value, expected[i]);
    EXPECT_NE (std::string (enum_class->values[i].value_name).find (std::to_string (expected[i])), std::string::npos);
    EXPECT_EQ (g_enum_get_value_by_nick (enum_class, std::to_string (expected[i]).c_str ()), &enum_class->values[i]);
  }

  int bitrate = 0;
  g_object_get (element, "bitrate", &bitrate, nullptr);
  EXPECT_EQ (bitrate, 64000) << "construct-time default";
  g_object_set (element, "bitrate", 32000, nullptr);
  g_object_get (element, "bitrate", &bitrate, nullptr);
  EXPECT_EQ (bitrate, 32000);
  gst_object_unref (element);
}

struct CapturedWarning {
  std::string text;
  int count = 0;
};

void capture_warning (const gchar *, GLogLevelFlags, const gchar *message, gpointer user_data)
{
  auto *w = static_cast<CapturedWarning *> (user_data);
  w->text = message;
  w->count++;
}

TEST_F (EncoderElement, InvalidPropertyIdWarnsAndChangesNothing)
{
  GstElement *element = gst_element_factory_make ("zebg719enc", nullptr);
  ASSERT_NE (element, nullptr);
  g_object_set (element, "bitrate", 48000, nullptr);
  GObjectClass *klass = G_OBJECT_GET_CLASS (element);
  GParamSpec *pspec = g_object_class_find_property (klass, "bitrate");

  CapturedWarning warning;
  GLogFunc old = g_log_set_default_handler (capture_warning, &warning);
  GValue value = G_VALUE_INIT;
  g_value_init (&value, pspec->value_type);
  g_value_set_enum (&value, 32000);
  klass->set_property (G_OBJECT (element), 7, &value, pspec);
  EXPECT_EQ (warning.count, 1);
  klass->get_property (G_OBJECT (element), 9, &value, pspec);
  EXPECT_EQ (warning.count, 2);
  g_log_set_default_handler (old, nullptr);

  EXPECT_EQ (warning.text.rfind ("src/audio/g719/zebg719enc:", 0), 0u) << warning.text;
  EXPECT_NE (warning.text.find ("invalid property id 9 for \"bitrate\" of type 'GParamEnum' in 'ZebG719Enc'"),
      std::string::npos) << warning.text;
  EXPECT_EQ (g_value_get_enum (&value), 32000) << "an invalid id reads nothing";
  int bitrate = 0;
  g_object_get (element, "bitrate", &bitrate, nullptr);
  EXPECT_EQ (bitrate, 48000) << "an invalid id writes nothing";
  g_value_unset (&value);
  gst_object_unref (element);
}

TEST_F (EncoderElement, PayloadsAtEveryBitrateMatchTheCodec)
{
  // The size and first byte of each bitrate's payloads, written out.
  const struct { int bitrate; size_t size; uint8_t byte0; } layouts[] = {
    {32000, 82, 0x20}, {48000, 122, 0x30}, {64000, 162, 0x40},
  };
  const auto samples = test_signal (960 * 6);
  for (const auto &layout : layouts) {
    const int bitrate = layout.bitrate;
    SCOPED_TRACE (bitrate);
    GstHarness *h = new_started_harness ("zebg719enc", "bitrate", bitrate);
    ASSERT_NE (h, nullptr);
    gst_harness_set_src_caps_str (h, kRawCaps);
    // Uneven pieces: the base class must regroup them into 960-sample blocks.
    const size_t pieces[] = {1, 959, 961, 1919, 1000, 920};
    size_t pos = 0;
    for (size_t n : pieces) {
      ASSERT_EQ (push_samples (h, samples, pos, n), GST_FLOW_OK);
      pos += n;
    }
    ASSERT_EQ (pos, samples.size ());
    EXPECT_EQ (output_caps_bitrate (h), bitrate);

    std::vector<GstClockTime> durations;
    const auto payloads = pull_all (h, &durations);
    const auto expected = reference_payloads (bitrate, samples);
    ASSERT_EQ (payloads.size (), 6u);
    for (size_t i = 0; i < payloads.size (); i++) {
      EXPECT_EQ (payloads[i].size (), layout.size);
      EXPECT_EQ (payloads[i][0], layout.byte0);
      EXPECT_EQ (payloads[i][1], 0x01);
      EXPECT_EQ (payloads[i], expected[i]) << "payload " << i;
      EXPECT_EQ (durations[i], 20 * GST_MSECOND);
    }
    gst_harness_teardown (h);
  }
}

TEST_F (EncoderElement, DefaultBitrateIs64000)
{
  GstHarness *h = new_started_harness ("zebg719enc");
  ASSERT_NE (h, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);
  ASSERT_EQ (push_samples (h, test_signal (960), 0, 960), GST_FLOW_OK);
  EXPECT_EQ (output_caps_bitrate (h), 64000);
  const auto payloads = pull_all (h);
  ASSERT_EQ (payloads.size (), 1u);
  EXPECT_EQ (payloads[0], reference_payloads (64000, test_signal (960))[0]);
  gst_harness_teardown (h);
}

TEST_F (EncoderElement, PartialFinalBlockIsNotEncoded)
{
  const auto samples = test_signal (960 * 2 + 500);
  GstHarness *h = new_started_harness ("zebg719enc", "bitrate", 32000);
  ASSERT_NE (h, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);
  ASSERT_EQ (push_samples (h, samples, 0, samples.size ()), GST_FLOW_OK);
  ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_eos ()));
  const auto payloads = pull_all (h);
  EXPECT_EQ (payloads.size (), 2u);
  EXPECT_EQ (payloads, reference_payloads (32000, samples));
  gst_harness_teardown (h);
}

// Restarts the element in place: NULL and back to PLAYING, then the stream
// events again.
void restart (GstHarness *h)
{
  ASSERT_EQ (gst_element_set_state (h->element, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  ASSERT_NE (gst_element_set_state (h->element, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_stream_start ("restarted")));
  gst_harness_set_src_caps_str (h, kRawCaps);
}

TEST_F (EncoderElement, RestartBeginsAFreshCodecInstance)
{
  const auto block = test_signal (960, 3);
  GstHarness *h = new_started_harness ("zebg719enc", "bitrate", 48000);
  ASSERT_NE (h, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);
  ASSERT_EQ (push_samples (h, block, 0, 960), GST_FLOW_OK);
  ASSERT_EQ (push_samples (h, block, 0, 960), GST_FLOW_OK);
  const auto before = pull_all (h);
  ASSERT_EQ (before.size (), 2u);
  // The same block encodes differently with the first block's history, so
  // comparing with the first payload detects a codec that was not renewed.
  ASSERT_NE (before[0], before[1]);

  restart (h);
  ASSERT_EQ (push_samples (h, block, 0, 960), GST_FLOW_OK);
  const auto after = pull_all (h);
  ASSERT_EQ (after.size (), 1u);
  EXPECT_EQ (after[0], before[0]);
  gst_harness_teardown (h);
}

TEST_F (EncoderElement, BitrateChangeWhileRunningTakesEffectAtNextStart)
{
  const auto samples = test_signal (960 * 2);
  GstHarness *h = new_started_harness ("zebg719enc", "bitrate", 64000);
  ASSERT_NE (h, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);
  ASSERT_EQ (push_samples (h, samples, 0, 960), GST_FLOW_OK);
  g_object_set (h->element, "bitrate", 32000, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);  // renegotiation while running
  ASSERT_EQ (push_samples (h, samples, 960, 960), GST_FLOW_OK);
  const auto running = pull_all (h);
  ASSERT_EQ (running.size (), 2u);
  EXPECT_EQ (running, reference_payloads (64000, samples));
  EXPECT_EQ (output_caps_bitrate (h), 64000) << "caps follow the running codec";

  restart (h);
  ASSERT_EQ (push_samples (h, samples, 0, 960), GST_FLOW_OK);
  const auto restarted = pull_all (h);
  ASSERT_EQ (restarted.size (), 1u);
  EXPECT_EQ (restarted[0], reference_payloads (32000, samples)[0]);
  EXPECT_EQ (output_caps_bitrate (h), 32000);
  gst_harness_teardown (h);
}

TEST_F (EncoderElement, MessagesAtTheirLevels)
{
  LogRecorder log;
  GstHarness *h = new_started_harness ("zebg719enc", "bitrate", 48000);
  ASSERT_NE (h, nullptr);
  EXPECT_EQ (log.count ("Creating encoder with bitrate 48000", GST_LEVEL_DEBUG), 1);
  gst_harness_set_src_caps_str (h, kRawCaps);
  ASSERT_EQ (push_samples (h, test_signal (1920), 0, 1920), GST_FLOW_OK);
  EXPECT_EQ (log.count ("Received buffer of size 1920", GST_LEVEL_LOG), 2);
  EXPECT_EQ (log.count ("Finished encoding", GST_LEVEL_LOG), 2);
  EXPECT_EQ (log.count ("stop", GST_LEVEL_DEBUG), 0);
  GstElement *element = GST_ELEMENT (gst_object_ref (h->element));
  gst_harness_teardown (h);
  EXPECT_EQ (log.count ("stop", GST_LEVEL_DEBUG), 1);
  for (const auto &r : log.records ()) {
    EXPECT_EQ (r.category, "g719enc");
    EXPECT_EQ (r.object, G_OBJECT (element)) << r.message;
  }
  gst_object_unref (element);
}

TEST_F (EncoderElement, OutputAllocationFailureIsAFlowError)
{
  LogRecorder log;
  const auto samples = test_signal (960 * 2);
  GstHarness *h = new_started_harness ("zebg719enc", "bitrate", 32000);
  ASSERT_NE (h, nullptr);
  gst_harness_set_src_caps_str (h, kRawCaps);
  GstBuffer *block = buffer_from_bytes (pcm_bytes (samples));
  {
    FailingDefaultAllocator no_memory;
    EXPECT_EQ (gst_harness_push (h, block), GST_FLOW_ERROR);
  }
  EXPECT_EQ (log.count ("failed to alloc buffer", GST_LEVEL_DEBUG), 1);
  EXPECT_EQ (log.count ("Finished encoding", GST_LEVEL_LOG), 0);
  EXPECT_EQ (gst_harness_buffers_in_queue (h), 0u);
  gst_harness_teardown (h);
}

}  // namespace
