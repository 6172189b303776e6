// zebg719dec through GstHarness: metadata, table-of-contents handling for
// every class of byte 0 and payload size, messages, bitrate changes,
// start/stop and packet-loss concealment.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "element_test_support.h"
#include "frame/g719_codec.h"

using namespace zeb_test;

namespace {

// Bytes per frame of a valid length code.
int frame_bytes_for (int length_code)
{
  return length_code <= 22 ? 10 * length_code : 20 * length_code - 220;
}

// A payload of n frames with length code L (byte 0 = L << 2 | low), each frame
// filled with varied bytes, and extra trailing bytes.
std::vector<uint8_t> make_payload (int length_code, int n, uint8_t low_bits = 0,
    size_t trailing = 0, uint32_t seed = 7)
{
  const int b = (length_code >= 8 && length_code <= 27) ? frame_bytes_for (length_code) : 0;
  std::vector<uint8_t> p (2 + static_cast<size_t> (n) * b + trailing);
  p[0] = static_cast<uint8_t> ((length_code << 2) | low_bits);
  p[1] = static_cast<uint8_t> (n);
  uint32_t x = seed;
  for (size_t i = 2; i < p.size (); i++) {
    x = x * 1103515245u + 12345u;
    p[i] = static_cast<uint8_t> (x >> 16);
  }
  return p;
}

// What a fresh codec decoder at the payload's bitrate makes of its frames,
// continuing `decoder` when given.
std::vector<uint8_t> reference_pcm (const std::vector<std::vector<uint8_t>> &payloads)
{
  std::vector<int16_t> pcm;
  G719DecoderState *dec = nullptr;
  int bitrate = 0;
  for (const auto &p : payloads) {
    const int b = frame_bytes_for ((p[0] >> 2) & 31);
    if (b * 400 != bitrate) {
      g719_decoder_free (dec);
      bitrate = b * 400;
      dec = g719_decoder_create (bitrate);
      EXPECT_NE (dec, nullptr);
      if (dec == nullptr)
        return {};
    }
    for (int i = 0; i < p[1]; i++) {
      int16_t out[960];
      g719_decode (dec, p.data () + 2 + static_cast<size_t> (i) * b, out, 0);
      pcm.insert (pcm.end (), out, out + 960);
    }
  }
  g719_decoder_free (dec);
  return pcm_bytes (pcm);
}

class DecoderElement : public ::testing::Test {
 protected:
  static void SetUpTestSuite () { init_gstreamer (); }

  void SetUp () override
  {
    h_ = new_started_harness ("zebg719dec");
    ASSERT_NE (h_, nullptr);
    gst_harness_set_src_caps_str (h_, "audio/G719");
  }
  void TearDown () override
  {
    if (h_ != nullptr)
      gst_harness_teardown (h_);
  }

  GstFlowReturn push (const std::vector<uint8_t> &payload)
  {
    return gst_harness_push (h_, buffer_from_bytes (payload));
  }

  GstHarness *h_ = nullptr;
};

TEST_F (DecoderElement, FactoryMetadataTemplatesAndRank)
{
  GstElementFactory *factory = gst_element_factory_find ("zebg719dec");
  ASSERT_NE (factory, nullptr);
  EXPECT_EQ (gst_plugin_feature_get_rank (GST_PLUGIN_FEATURE (factory)), GST_RANK_NONE);
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_LONGNAME), "G.719 Decoder element");
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_KLASS), "Codec/Decoder/Audio ");
  EXPECT_STREQ (gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_DESCRIPTION), "Decode streams encoded with G.719");
  const std::string author = gst_element_factory_get_metadata (factory, GST_ELEMENT_METADATA_AUTHOR);
  EXPECT_EQ (author.find ('\n'), std::string::npos) << "one author";
  EXPECT_NE (author.find ('@'), std::string::npos);

  GstElement *element = h_->element;
  EXPECT_STREQ (G_OBJECT_TYPE_NAME (element), "ZebG719Dec");
  EXPECT_TRUE (g_type_is_a (G_OBJECT_TYPE (element), GST_TYPE_AUDIO_DECODER));

  GList *templates = gst_element_class_get_pad_template_list (GST_ELEMENT_GET_CLASS (element));
  ASSERT_EQ (g_list_length (templates), 2u);
  const char *names[] = {"src", "sink"};
  const char *caps_strings[] = {kRawCaps, "audio/G719"};
  int i = 0;
  for (GList *l = templates; l != nullptr; l = l->next, i++) {
    GstPadTemplate *t = GST_PAD_TEMPLATE (l->data);
    EXPECT_STREQ (GST_PAD_TEMPLATE_NAME_TEMPLATE (t), names[i]);
    EXPECT_EQ (GST_PAD_TEMPLATE_PRESENCE (t), GST_PAD_ALWAYS);
    GstCaps *expected = gst_caps_from_string (caps_strings[i]);
    GstCaps *actual = gst_pad_template_get_caps (t);
    EXPECT_TRUE (gst_caps_is_strictly_equal (expected, actual)) << names[i];
    gst_caps_unref (expected);
    gst_caps_unref (actual);
  }

  // No properties of its own beyond those of the base classes.
  guint n = 0;
  GParamSpec **own = g_object_class_list_properties (G_OBJECT_GET_CLASS (element), &n);
  for (guint k = 0; k < n; k++)
    EXPECT_NE (own[k]->owner_type, G_OBJECT_TYPE (element)) << own[k]->name;
  g_free (own);
  gst_object_unref (factory);
}

TEST_F (DecoderElement, SingleFrameAtEachEncoderBitrate)
{
  for (int length_code : {8, 12, 16}) {
    SCOPED_TRACE (length_code);
    const auto payload = make_payload (length_code, 1);
    ASSERT_EQ (push (payload), GST_FLOW_OK);
    GstBuffer *out = gst_harness_pull (h_);
    ASSERT_NE (out, nullptr);
    EXPECT_EQ (gst_buffer_get_size (out), 1920u);
    EXPECT_EQ (bytes_of (out), reference_pcm ({payload}));
    gst_buffer_unref (out);
  }
  GstCaps *caps = gst_pad_get_current_caps (h_->sinkpad);
  ASSERT_NE (caps, nullptr);
  GstCaps *expected = gst_caps_from_string (kRawCaps);
  EXPECT_TRUE (gst_caps_is_equal (caps, expected));
  gst_caps_unref (expected);
  gst_caps_unref (caps);
}

TEST_F (DecoderElement, MultiFramePayloadReadsFramesAtTheirOffsets)
{
  const auto payload = make_payload (12, 3);
  ASSERT_EQ (payload.size (), 362u);
  ASSERT_EQ (push (payload), GST_FLOW_OK);
  GstBuffer *out = gst_harness_pull (h_);
  ASSERT_NE (out, nullptr);
  EXPECT_EQ (gst_buffer_get_size (out), 5760u);
  EXPECT_EQ (GST_BUFFER_DURATION (out), 60 * GST_MSECOND);
  // The same three frames as three single-frame payloads.
  std::vector<std::vector<uint8_t>> singles;
  for (int i = 0; i < 3; i++) {
    std::vector<uint8_t> p = {0x30, 0x01};
    p.insert (p.end (), payload.begin () + 2 + 120 * i, payload.begin () + 2 + 120 * (i + 1));
    singles.push_back (p);
  }
  EXPECT_EQ (bytes_of (out), reference_pcm (singles));
  gst_buffer_unref (out);
}

TEST_F (DecoderElement, EveryValidLengthCodeDecodes)
{
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<uint8_t> output;
  for (int length_code = 8; length_code <= 27; length_code++) {
    SCOPED_TRACE (length_code);
    payloads.push_back (make_payload (length_code, 2, 0, 0, length_code));
    ASSERT_EQ (push (payloads.back ()), GST_FLOW_OK);
    int buffers = 0;
    const auto out = drain_output (h_, &buffers);
    EXPECT_EQ (buffers, 1);
    EXPECT_EQ (out.size (), 3840u);
    output.insert (output.end (), out.begin (), out.end ());
  }
  // Each change of length code starts a fresh decoder at B x 400 bit/s, up to
  // 320-byte frames at 128000 bit/s for L = 27.
  EXPECT_EQ (output, reference_pcm (payloads));
}

TEST_F (DecoderElement, LowBitsOfByteZeroAreIgnored)
{
  auto payload = make_payload (8, 1, 0);
  ASSERT_EQ (push (payload), GST_FLOW_OK);
  const auto plain = drain_output (h_);
  gst_harness_teardown (h_);
  h_ = new_started_harness ("zebg719dec");
  ASSERT_NE (h_, nullptr);
  gst_harness_set_src_caps_str (h_, "audio/G719");
  payload[0] = 0x23;
  ASSERT_EQ (push (payload), GST_FLOW_OK);
  const auto flagged = drain_output (h_);
  EXPECT_EQ (plain.size (), 1920u);
  EXPECT_EQ (flagged, plain);
}

TEST_F (DecoderElement, TrailingBytesAfterTheFramesAreIgnored)
{
  const auto exact = make_payload (16, 2);
  auto longer = exact;
  longer.insert (longer.end (), 57, 0xA5);
  ASSERT_EQ (push (longer), GST_FLOW_OK);
  EXPECT_EQ (drain_output (h_), reference_pcm ({exact}));
}

TEST_F (DecoderElement, MoreThanOneEntryIsAFlowError)
{
  LogRecorder log;
  for (uint8_t byte0 : {0x80, 0xC0, 0xFF}) {
    auto payload = make_payload (16, 1);
    payload[0] = byte0;
    EXPECT_EQ (push (payload), GST_FLOW_ERROR);
  }
  EXPECT_EQ (log.count ("Oh NO! More then one ToC. Not supported!", GST_LEVEL_ERROR), 3);
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);
  EXPECT_EQ (log.count ("Creating decoder", GST_LEVEL_DEBUG), 0);
}

TEST_F (DecoderElement, EmptyAndReservedLengthCodesAreDroppedWithoutOutput)
{
  LogRecorder log;
  const struct { int l; const char *message; GstDebugLevel level; } cases[] = {
    {0, "ToC L: 0 -> No data", GST_LEVEL_INFO},
    {1, "ToC L: 1-7 -> N/A (reserved)", GST_LEVEL_WARNING},
    {7, "ToC L: 1-7 -> N/A (reserved)", GST_LEVEL_WARNING},
    {28, "ToC L: 28-31 -> N/A (reserved)", GST_LEVEL_WARNING},
    {31, "ToC L: 28-31 -> N/A (reserved)", GST_LEVEL_WARNING},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE (c.l);
    log.clear ();
    // Frames of 80 bytes follow, as if the code were valid: none is read.
    std::vector<uint8_t> payload (2 + 80, 0x55);
    payload[0] = static_cast<uint8_t> (c.l << 2);
    payload[1] = 1;
    EXPECT_EQ (push (payload), GST_FLOW_OK);
    EXPECT_EQ (log.count (c.message, c.level), 1);
    EXPECT_EQ (log.count ("Parsed ToC", GST_LEVEL_DEBUG), 0);
    EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);
  }
  EXPECT_EQ (log.count ("Creating decoder", GST_LEVEL_DEBUG), 0);

  // The stream goes on decoding afterwards, with a fresh decoder.
  const auto good = make_payload (8, 1);
  ASSERT_EQ (push (good), GST_FLOW_OK);
  EXPECT_EQ (drain_output (h_), reference_pcm ({good}));
}

TEST_F (DecoderElement, DroppedPayloadsLeaveNothingBehind)
{
  // Payloads that give no audio (empty and reserved length codes, truncated
  // payloads) are consumed: the next good payload's audio carries its own
  // timestamp, not a dropped payload's, and a long run of them does not
  // accumulate in the element.
  const std::vector<std::vector<uint8_t>> dropped = {
      {0x00, 0x01}, {0x04, 0x01, 0x55}, {0x7C, 0x01}, {0x40, 0x01, 0x00}};
  GstClockTime pts = 0;
  for (int round = 0; round < 2000; round++) {
    for (const auto &p : dropped) {
      GstBuffer *buf = buffer_from_bytes (p);
      GST_BUFFER_PTS (buf) = pts;
      GST_BUFFER_DURATION (buf) = 20 * GST_MSECOND;
      pts += 20 * GST_MSECOND;
      ASSERT_EQ (gst_harness_push (h_, buf), GST_FLOW_OK);
    }
  }
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);

  const auto good = make_payload (16, 1);
  GstBuffer *buf = buffer_from_bytes (good);
  GST_BUFFER_PTS (buf) = pts;
  GST_BUFFER_DURATION (buf) = 20 * GST_MSECOND;
  ASSERT_EQ (gst_harness_push (h_, buf), GST_FLOW_OK);
  GstBuffer *out = gst_harness_pull (h_);
  ASSERT_NE (out, nullptr);
  EXPECT_EQ (GST_BUFFER_PTS (out), pts);
  EXPECT_EQ (bytes_of (out), reference_pcm ({good}));
  gst_buffer_unref (out);
}

TEST_F (DecoderElement, ZeroFramesTakeTheAllocationFailurePath)
{
  LogRecorder log;
  // No buffer of 0 bytes is to be had from the base class.
  EXPECT_EQ (push ({0x40, 0x00}), GST_FLOW_ERROR);
  EXPECT_EQ (log.count ("Parsed ToC: bytes-per-frame: 160, bitrate=64000, frames: 0", GST_LEVEL_DEBUG), 1);
  EXPECT_EQ (log.count ("failed to allocate buffer", GST_LEVEL_WARNING), 1);
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);
  // The decoder created for it stays and serves the next payload.
  const auto good = make_payload (16, 1);
  ASSERT_EQ (push (good), GST_FLOW_OK);
  EXPECT_EQ (log.count ("Creating decoder with bitrate 64000", GST_LEVEL_DEBUG), 1);
  EXPECT_EQ (drain_output (h_), reference_pcm ({good}));
}

TEST_F (DecoderElement, ShortPayloadsAreRejectedWithoutReadingPastThem)
{
  LogRecorder log;
  GstBus *bus = gst_bus_new ();
  gst_element_set_bus (h_->element, bus);

  // Every truncation of a valid payload, from one byte to one byte short, a
  // multi-frame payload missing its last byte and 255 announced frames with
  // none present. (Empty buffers never reach the element: the base class
  // discards them.)
  const auto full = make_payload (16, 1);
  std::vector<std::vector<uint8_t>> cut;
  for (size_t n = 1; n < full.size (); n++)
    cut.emplace_back (full.begin (), full.begin () + n);
  auto three = make_payload (12, 3);
  three.pop_back ();
  cut.push_back (three);
  cut.push_back ({0x20, 0xFF});

  for (const auto &p : cut) {
    SCOPED_TRACE (p.size ());
    // The payload is the whole of its memory, so a read past it is caught by
    // the address sanitizer build.
    EXPECT_EQ (push (p), GST_FLOW_OK) << "max-errors is -1 by default";
  }
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);
  EXPECT_EQ (log.count ("payload of ", GST_LEVEL_WARNING), static_cast<int> (cut.size ()));
  EXPECT_EQ (log.count ("payload of 1 bytes is shorter than the 2 bytes", GST_LEVEL_WARNING), 1);
  EXPECT_EQ (log.count ("payload of 161 bytes is shorter than the 162 bytes", GST_LEVEL_WARNING), 1);
  EXPECT_EQ (log.count ("payload of 361 bytes is shorter than the 362 bytes", GST_LEVEL_WARNING), 1);
  EXPECT_EQ (log.count ("payload of 2 bytes is shorter than the 20402 bytes", GST_LEVEL_WARNING), 1);
  EXPECT_EQ (log.count ("Creating decoder", GST_LEVEL_DEBUG), 0) << "codec untouched";
  EXPECT_EQ (gst_bus_pop_filtered (bus, GST_MESSAGE_ERROR), nullptr);

  // Each bad payload weighs 1 against max-errors: with the count now at
  // cut.size (), one more is tolerated at a limit of cut.size () + 1 and the
  // one after that is fatal.
  const int errors = static_cast<int> (cut.size ());
  g_object_set (h_->element, "max-errors", errors + 1, nullptr);
  EXPECT_EQ (push ({0x40}), GST_FLOW_OK);
  EXPECT_EQ (gst_bus_pop_filtered (bus, GST_MESSAGE_ERROR), nullptr);
  EXPECT_EQ (push ({0x40, 0x01, 0x00}), GST_FLOW_ERROR);
  GstMessage *error = gst_bus_pop_filtered (bus, GST_MESSAGE_ERROR);
  ASSERT_NE (error, nullptr);
  GError *gerror = nullptr;
  gst_message_parse_error (error, &gerror, nullptr);
  EXPECT_TRUE (g_error_matches (gerror, GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE));
  g_error_free (gerror);
  gst_message_unref (error);
  gst_element_set_bus (h_->element, nullptr);
  gst_object_unref (bus);
}

TEST_F (DecoderElement, RandomPayloadsGiveTheirFlowReturnAndOutputSize)
{
  // Random first bytes, frame counts and sizes (mostly near the size the
  // table of contents asks for), random frame bytes. Under the sanitizer
  // build this also shows that nothing is read outside the payload.
  uint32_t x = 12345;
  auto next = [&x] (uint32_t n) {
    x = x * 1664525u + 1013904223u;
    return (x >> 8) % n;
  };
  int decoded = 0;
  for (int iteration = 0; iteration < 400; iteration++) {
    const uint8_t byte0 = static_cast<uint8_t> (next (256));
    const uint8_t n = static_cast<uint8_t> (next (4));
    const int l = (byte0 >> 2) & 31;
    const size_t wanted = 2 + ((l >= 8 && l <= 27) ? static_cast<size_t> (n) * frame_bytes_for (l) : 0);
    const long offset = static_cast<long> (next (9)) - 4;  // -4 .. +4 bytes
    const size_t size = static_cast<size_t> (std::max (1L, static_cast<long> (wanted) + offset));
    std::vector<uint8_t> p = {byte0, n};
    p.resize (size);
    for (size_t i = 2; i < size; i++)
      p[i] = static_cast<uint8_t> (next (256));
    SCOPED_TRACE (::testing::Message () << "byte0 " << int (byte0) << " N " << int (n) << " size " << size);

    GstFlowReturn expected = GST_FLOW_OK;
    size_t output = 0;
    if (size >= 2 && (byte0 & 0x80))
      expected = GST_FLOW_ERROR;
    else if (size >= 2 && l >= 8 && l <= 27 && size >= wanted) {
      expected = n == 0 ? GST_FLOW_ERROR : GST_FLOW_OK;
      output = n * 1920u;
    }
    EXPECT_EQ (push (p), expected);
    EXPECT_EQ (drain_output (h_).size (), output);
    decoded += output > 0;
  }
  EXPECT_GT (decoded, 20) << "the generator must also make decodable payloads";
}

TEST_F (DecoderElement, BitrateChangesRecreateTheDecoderAndLogIt)
{
  LogRecorder log;
  const auto a = make_payload (16, 1, 0, 0, 1);
  const auto b = make_payload (16, 1, 0, 0, 2);
  const auto c = make_payload (8, 1, 0, 0, 3);
  const auto d = make_payload (8, 1, 0, 0, 4);
  for (const auto *p : {&a, &b, &c, &d})
    ASSERT_EQ (push (*p), GST_FLOW_OK);
  EXPECT_EQ (log.count ("Creating decoder with bitrate 64000", GST_LEVEL_DEBUG), 1);
  EXPECT_EQ (log.count ("Creating decoder with bitrate 32000", GST_LEVEL_DEBUG), 1);
  EXPECT_EQ (log.count ("Creating decoder", GST_LEVEL_DEBUG), 2);
  EXPECT_EQ (log.count ("Parsed ToC: bytes-per-frame: 160, bitrate=64000, frames: 1", GST_LEVEL_DEBUG), 2);
  EXPECT_EQ (log.count ("Parsed ToC: bytes-per-frame: 80, bitrate=32000, frames: 1", GST_LEVEL_DEBUG), 2);
  EXPECT_EQ (log.count ("we have 1 frames, 160 in, 1920 out", GST_LEVEL_LOG), 2);
  EXPECT_EQ (log.count ("Decoding frame 1/1", GST_LEVEL_LOG), 4);
  EXPECT_EQ (log.count ("Finished decoding", GST_LEVEL_LOG), 4);
  // b continues a's decoder; c starts afresh.
  EXPECT_EQ (drain_output (h_), reference_pcm ({a, b, c, d}));
}

TEST_F (DecoderElement, RestartCreatesANewDecoder)
{
  LogRecorder log;
  const auto p = make_payload (12, 1);
  ASSERT_EQ (push (p), GST_FLOW_OK);
  ASSERT_EQ (push (p), GST_FLOW_OK);
  const auto first = drain_output (h_);

  ASSERT_EQ (gst_element_set_state (h_->element, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  EXPECT_EQ (log.count ("stop", GST_LEVEL_DEBUG), 1);
  ASSERT_NE (gst_element_set_state (h_->element, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_stream_start ("again")));
  gst_harness_set_src_caps_str (h_, "audio/G719");
  ASSERT_EQ (push (p), GST_FLOW_OK);
  const auto again = drain_output (h_);

  EXPECT_EQ (log.count ("Creating decoder with bitrate 48000", GST_LEVEL_DEBUG), 2);
  ASSERT_EQ (first.size (), 3840u);
  EXPECT_EQ (again, std::vector<uint8_t> (first.begin (), first.begin () + 1920));
}

TEST_F (DecoderElement, OutputAllocationFailureIsAFlowErrorAndKeepsTheNewDecoder)
{
  LogRecorder log;
  const auto p = make_payload (12, 2);
  GstBuffer *first = buffer_from_bytes (p);
  GstBuffer *second = buffer_from_bytes (p);
  {
    FailingDefaultAllocator no_memory;
    EXPECT_EQ (gst_harness_push (h_, first), GST_FLOW_ERROR);
    EXPECT_EQ (gst_harness_push (h_, second), GST_FLOW_ERROR);
  }
  EXPECT_EQ (log.count ("failed to allocate buffer", GST_LEVEL_WARNING), 2);
  EXPECT_EQ (log.count ("Creating decoder with bitrate 48000", GST_LEVEL_DEBUG), 1)
      << "the decoder made for the first payload is kept";
  EXPECT_EQ (log.count ("Decoding frame", GST_LEVEL_LOG), 0);
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u);
}

TEST_F (DecoderElement, NoDataBeforeCapsIsProcessed)
{
  GstHarness *h = new_started_harness ("zebg719dec");
  ASSERT_NE (h, nullptr);
  // Stream start and segment but no caps: the element needs a format first.
  ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_stream_start ("no-caps")));
  GstSegment segment;
  gst_segment_init (&segment, GST_FORMAT_TIME);
  ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_segment (&segment)));
  EXPECT_EQ (gst_harness_push (h, buffer_from_bytes (make_payload (8, 1))), GST_FLOW_NOT_NEGOTIATED);
  EXPECT_EQ (gst_harness_buffers_in_queue (h), 0u);
  gst_harness_teardown (h);
}

class DecoderConcealment : public DecoderElement {
 protected:
  void SetUp () override
  {
    DecoderElement::SetUp ();
    g_object_set (h_->element, "plc", TRUE, nullptr);
  }

  GstFlowReturn push_at (const std::vector<uint8_t> &payload, GstClockTime pts, GstClockTime duration)
  {
    GstBuffer *b = buffer_from_bytes (payload);
    GST_BUFFER_PTS (b) = pts;
    GST_BUFFER_DURATION (b) = duration;
    return gst_harness_push (h_, b);
  }
};

// The codec's lost-frame output for frames lost after `good` payloads.
std::vector<uint8_t> reference_with_losses (const std::vector<std::vector<uint8_t>> &good, int lost,
    const std::vector<uint8_t> &after)
{
  const int b = frame_bytes_for ((good[0][0] >> 2) & 31);
  G719DecoderState *dec = g719_decoder_create (b * 400);
  EXPECT_NE (dec, nullptr);
  std::vector<int16_t> pcm;
  int16_t out[960];
  const std::vector<uint8_t> zeros (b, 0);
  for (const auto &p : good) {
    g719_decode (dec, p.data () + 2, out, 0);
    pcm.insert (pcm.end (), out, out + 960);
  }
  for (int i = 0; i < lost; i++) {
    g719_decode (dec, zeros.data (), out, 1);
    pcm.insert (pcm.end (), out, out + 960);
  }
  if (!after.empty ()) {
    g719_decode (dec, after.data () + 2, out, 0);
    pcm.insert (pcm.end (), out, out + 960);
  }
  g719_decoder_free (dec);
  return pcm_bytes (pcm);
}

TEST_F (DecoderConcealment, GapIsConcealedWithContinuousTimestamps)
{
  const auto a = make_payload (16, 1, 0, 0, 11);
  const auto b = make_payload (16, 1, 0, 0, 12);
  const auto c = make_payload (16, 1, 0, 0, 13);
  ASSERT_EQ (push_at (a, 0, 20 * GST_MSECOND), GST_FLOW_OK);
  ASSERT_EQ (push_at (b, 20 * GST_MSECOND, 20 * GST_MSECOND), GST_FLOW_OK);
  // 50 ms lost: rounded up to three 20 ms frames.
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (40 * GST_MSECOND, 50 * GST_MSECOND)));
  ASSERT_EQ (push_at (c, 100 * GST_MSECOND, 20 * GST_MSECOND), GST_FLOW_OK);

  std::vector<uint8_t> all;
  GstClockTime expected_pts = 0;
  while (GstBuffer *out = gst_harness_try_pull (h_)) {
    EXPECT_EQ (GST_BUFFER_PTS (out), expected_pts);
    expected_pts += GST_BUFFER_DURATION (out);
    const auto bytes = bytes_of (out);
    all.insert (all.end (), bytes.begin (), bytes.end ());
    gst_buffer_unref (out);
  }
  EXPECT_EQ (all, reference_with_losses ({a, b}, 3, c));
}

TEST_F (DecoderConcealment, GapBeforeAnyPayloadIsSilenceAndUnknownDurationIsOneFrame)
{
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (0, 40 * GST_MSECOND)));
  EXPECT_EQ (drain_output (h_), std::vector<uint8_t> (3840, 0));

  const auto a = make_payload (8, 1);
  ASSERT_EQ (push_at (a, 40 * GST_MSECOND, 20 * GST_MSECOND), GST_FLOW_OK);
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (60 * GST_MSECOND, GST_CLOCK_TIME_NONE)));
  EXPECT_EQ (drain_output (h_), reference_with_losses ({a}, 1, {}));
}

TEST_F (DecoderConcealment, LongGapIsPushedInPiecesAndBounded)
{
  const auto a = make_payload (12, 1);
  ASSERT_EQ (push_at (a, 0, 20 * GST_MSECOND), GST_FLOW_OK);
  drain_output (h_);
  // 2.5 s: 125 frames, pushed in several buffers.
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (20 * GST_MSECOND, 2500 * GST_MSECOND)));
  int buffers = 0;
  const auto concealed = drain_output (h_, &buffers);
  EXPECT_EQ (concealed.size (), 125u * 1920u);
  EXPECT_GT (buffers, 1);
  // An absurd duration is capped instead of exhausting memory or time.
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (3 * GST_SECOND, 1000 * GST_SECOND * 3600)));
  EXPECT_EQ (drain_output (h_).size (), 3000u * 1920u);
  // The longest valid duration does not wrap around when rounded up.
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (3700 * GST_SECOND * 1000, G_MAXUINT64 - 1)));
  EXPECT_EQ (drain_output (h_).size (), 3000u * 1920u);
}

TEST_F (DecoderElement, GapWithoutConcealmentIsForwarded)
{
  const auto a = make_payload (8, 1);
  ASSERT_EQ (push (a), GST_FLOW_OK);
  drain_output (h_);
  ASSERT_TRUE (gst_harness_push_event (h_, gst_event_new_gap (20 * GST_MSECOND, 100 * GST_MSECOND)));
  EXPECT_EQ (gst_harness_buffers_in_queue (h_), 0u) << "plc is off by default";
}

}  // namespace
