// zebg719enc through GstHarness: payloads against the codec, restart, the
// output bitrate from the property and from downstream, latency, bitrate
// changes while playing, and allocation failure in both elements.
#include <gtest/gtest.h>

#include "element_test_support.h"

using namespace zeb_test;

namespace {

GstFlowReturn push_samples (GstHarness *h, const std::vector<int16_t> &samples, size_t from, size_t count)
{
  const std::vector<int16_t> part (samples.begin () + from, samples.begin () + from + count);
  return gst_harness_push (h, buffer_from_bytes (pcm_bytes (part), gst_util_uint64_scale (from, GST_SECOND, 48000)));
}

TEST (EncoderElement, PayloadsAreTheCodecsFramesBehindTheirTableOfContents)
{
  const struct { int bitrate; size_t size; uint8_t byte0; } layouts[] = {
    {32000, 82, 0x20}, {48000, 122, 0x30}, {64000, 162, 0x40}, {0, 162, 0x40} /* default */,
  };
  const auto samples = test_signal (960 * 6 + 500);
  for (const auto &layout : layouts) {
    SCOPED_TRACE (layout.bitrate);
    GstHarness *h = new_harness ("zebg719enc", kRawCaps, layout.bitrate ? "bitrate" : nullptr, layout.bitrate);
    ASSERT_NE (h, nullptr);
    // Uneven pieces, regrouped into 960-sample blocks; the last 500 samples
    // make no block and are not encoded.
    size_t pos = 0;
    for (size_t n : {1, 959, 961, 1919, 1000, 920, 500}) {
      ASSERT_EQ (push_samples (h, samples, pos, n), GST_FLOW_OK);
      pos += n;
    }
    ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_eos ()));
    const auto out = pull_all (h);
    const auto expected = codec_encode (layout.bitrate ? layout.bitrate : 64000, samples);
    ASSERT_EQ (out.size (), 6u);
    for (size_t i = 0; i < out.size (); i++) {
      EXPECT_EQ (out[i].bytes.size (), layout.size);
      EXPECT_EQ (out[i].bytes[0], layout.byte0);
      EXPECT_EQ (out[i].bytes, expected[i]) << "payload " << i;
      EXPECT_EQ (out[i].duration, kFrame);
    }
    EXPECT_EQ (caps_bitrates (h), std::vector<int> {layout.bitrate ? layout.bitrate : 64000});
    // A restart begins a fresh codec instance: the first block encodes as
    // before, not with the stream's history.
    restart (h, kRawCaps);
    ASSERT_EQ (push_samples (h, samples, 0, 960), GST_FLOW_OK);
    const auto again = pull_all (h);
    ASSERT_EQ (again.size (), 1u);
    EXPECT_EQ (again[0].bytes, expected[0]);
    gst_harness_teardown (h);
  }
}

TEST (EncoderElement, DownstreamCapsChooseTheBitrateNearestTheProperty)
{
  const struct { int property; const char *downstream; int bitrate; } cases[] = {
    {64000, "audio/G719, bitrate = (int) 32000", 32000},
    {32000, "audio/G719, bitrate = (int) { 48000, 64000 }", 48000},
  };
  for (const auto &c : cases) {
    GstHarness *h = new_harness ("zebg719enc", nullptr, "bitrate", c.property);
    ASSERT_NE (h, nullptr);
    gst_harness_set_sink_caps_str (h, c.downstream);
    gst_harness_set_src_caps_str (h, kRawCaps);
    ASSERT_EQ (push_samples (h, test_signal (960), 0, 960), GST_FLOW_OK);
    const auto out = pull_all (h);
    ASSERT_EQ (out.size (), 1u);
    EXPECT_EQ (out[0].bytes, codec_encode (c.bitrate, test_signal (960))[0]) << c.downstream;
    EXPECT_EQ (caps_bitrates (h), std::vector<int> {c.bitrate}) << c.downstream;
    // One block of delay; the harness is a live source of no latency itself.
    EXPECT_EQ (gst_harness_query_latency (h), kFrame);
    gst_harness_teardown (h);
  }
}

TEST (EncoderElement, BitrateSetWhilePlayingAppliesAtTheNextBlock)
{
  const auto samples = test_signal (960 * 10, 4);
  GstHarness *h = new_harness ("zebg719enc", kRawCaps, "bitrate", 64000);
  ASSERT_NE (h, nullptr);
  // The last stretch: downstream comes to accept 32000 bit/s only.
  const struct { int property, bitrate; size_t blocks; } stretches[] = {
    {64000, 64000, 3}, {32000, 32000, 3}, {48000, 48000, 2}, {48000, 32000, 2}};
  std::vector<Bytes> payloads, fresh;
  size_t pos = 0;
  for (const auto &stretch : stretches) {
    SCOPED_TRACE (stretch.bitrate);
    if (stretch.property == stretch.bitrate)
      g_object_set (h->element, "bitrate", stretch.property, nullptr);
    else
      gst_harness_set_sink_caps_str (h, "audio/G719, bitrate = (int) 32000");
    ASSERT_EQ (push_samples (h, samples, pos, 960 * stretch.blocks), GST_FLOW_OK);
    // Each stretch is what a fresh encoder makes of it: payload sizes, table
    // of contents and frames, announced by caps with the new bitrate.
    const std::vector<int16_t> part (samples.begin () + pos, samples.begin () + pos + 960 * stretch.blocks);
    const auto expected = codec_encode (stretch.bitrate, part);
    std::vector<Bytes> out;
    for (const Output &o : pull_all (h))
      out.push_back (o.bytes);
    EXPECT_EQ (out, expected);
    EXPECT_EQ (caps_bitrates (h), std::vector<int> {stretch.bitrate});
    payloads.insert (payloads.end (), out.begin (), out.end ());
    fresh.insert (fresh.end (), expected.begin (), expected.end ());
    pos += 960 * stretch.blocks;
  }
  gst_harness_teardown (h);

  // The decoder takes the stream as it takes the fresh encoders' payloads.
  GstHarness *dec = new_harness ("zebg719dec", "audio/G719");
  ASSERT_NE (dec, nullptr);
  for (const Bytes &p : payloads)
    ASSERT_EQ (gst_harness_push (dec, buffer_from_bytes (p)), GST_FLOW_OK);
  EXPECT_EQ (joined (pull_all (dec)), codec_decode (fresh));
  gst_harness_teardown (dec);
}

TEST (Elements, OutputAllocationFailureIsAFlowError)
{
  GstHarness *enc = new_harness ("zebg719enc", kRawCaps), *dec = new_harness ("zebg719dec", "audio/G719");
  GstBuffer *block = buffer_from_bytes (pcm_bytes (test_signal (960))), *payload = buffer_from_bytes (make_payload (12, 2));
  {
    FailingDefaultAllocator no_memory;
    EXPECT_EQ (gst_harness_push (enc, block), GST_FLOW_ERROR);
    EXPECT_EQ (gst_harness_push (dec, payload), GST_FLOW_ERROR);
  }
  EXPECT_EQ (gst_harness_buffers_in_queue (enc) + gst_harness_buffers_in_queue (dec), 0u);
  gst_harness_teardown (enc);
  gst_harness_teardown (dec);
}

}  // namespace
