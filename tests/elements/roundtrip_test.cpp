// zebg719enc ! zebg719dec in one harness: the decoded audio equals, sample
// for sample, what the codec API makes of the same input, at every bitrate
// and through a bitrate change.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "element_test_support.h"
#include "frame/g719_codec.h"

using namespace zeb_test;

namespace {

// decode(encode(samples)) through the codec API with fresh instances, whole
// blocks only.
std::vector<int16_t> api_roundtrip (int bitrate, const std::vector<int16_t> &samples)
{
  G719EncoderState *enc = g719_encoder_create (bitrate);
  G719DecoderState *dec = g719_decoder_create (bitrate);
  EXPECT_NE (enc, nullptr);
  EXPECT_NE (dec, nullptr);
  std::vector<int16_t> out;
  if (enc != nullptr && dec != nullptr) {
    std::vector<uint8_t> frame (bitrate / 400);
    int16_t pcm[960];
    for (size_t pos = 0; pos + 960 <= samples.size (); pos += 960) {
      g719_encode (enc, samples.data () + pos, frame.data ());
      g719_decode (dec, frame.data (), pcm, 0);
      out.insert (out.end (), pcm, pcm + 960);
    }
  }
  g719_encoder_free (enc);
  g719_decoder_free (dec);
  return out;
}

std::vector<int16_t> element_roundtrip (int bitrate, const std::vector<int16_t> &samples, size_t piece)
{
  const std::string launch = "zebg719enc bitrate=" + std::to_string (bitrate) + " ! zebg719dec";
  GstHarness *h = gst_harness_new_parse (launch.c_str ());
  EXPECT_NE (h, nullptr);
  if (h == nullptr)
    return {};
  gst_harness_set_src_caps_str (h, kRawCaps);
  for (size_t pos = 0; pos < samples.size (); pos += piece) {
    const size_t n = std::min (piece, samples.size () - pos);
    const std::vector<int16_t> part (samples.begin () + pos, samples.begin () + pos + n);
    GstBuffer *b = buffer_from_bytes (pcm_bytes (part));
    GST_BUFFER_PTS (b) = gst_util_uint64_scale (pos, GST_SECOND, 48000);
    EXPECT_EQ (gst_harness_push (h, b), GST_FLOW_OK);
  }
  EXPECT_TRUE (gst_harness_push_event (h, gst_event_new_eos ()));
  const auto out = pcm_samples (drain_output (h));
  gst_harness_teardown (h);
  return out;
}

class RoundTrip : public ::testing::Test {
 protected:
  static void SetUpTestSuite () { init_gstreamer (); }
};

TEST_F (RoundTrip, DecodedAudioEqualsTheCodecApiAtEveryBitrate)
{
  const auto samples = test_signal (960 * 40 + 123, 5);
  for (int bitrate : {32000, 48000, 64000}) {
    SCOPED_TRACE (bitrate);
    const auto expected = api_roundtrip (bitrate, samples);
    ASSERT_EQ (expected.size (), 960u * 40u);
    const auto actual = element_roundtrip (bitrate, samples, 1234);
    ASSERT_EQ (actual.size (), expected.size ());
    EXPECT_TRUE (actual == expected);
    // The codec reproduces a real signal, not silence.
    double energy = 0;
    for (int16_t s : actual)
      energy += static_cast<double> (s) * s;
    EXPECT_GT (energy / static_cast<double> (actual.size ()), 1e5);
  }
}

TEST_F (RoundTrip, DecoderFollowsTheEncodersBitrateAcrossRestarts)
{
  // Payloads of two encoder runs at different bitrates, back to back into one
  // decoder: it restarts its codec at the change, like the API with a new
  // instance.
  const auto first = test_signal (960 * 5, 8);
  const auto second = test_signal (960 * 5, 9);
  std::vector<std::vector<uint8_t>> payloads;
  for (const auto &[bitrate, samples] : {std::pair {64000, first}, std::pair {32000, second}}) {
    GstHarness *enc = new_started_harness ("zebg719enc", "bitrate", bitrate);
    ASSERT_NE (enc, nullptr);
    gst_harness_set_src_caps_str (enc, kRawCaps);
    ASSERT_EQ (gst_harness_push (enc, buffer_from_bytes (pcm_bytes (samples))), GST_FLOW_OK);
    while (GstBuffer *b = gst_harness_try_pull (enc)) {
      payloads.push_back (bytes_of (b));
      gst_buffer_unref (b);
    }
    gst_harness_teardown (enc);
  }
  ASSERT_EQ (payloads.size (), 10u);

  GstHarness *dec = gst_harness_new ("zebg719dec");
  ASSERT_NE (dec, nullptr);
  gst_harness_set_src_caps_str (dec, "audio/G719");
  for (const auto &p : payloads)
    ASSERT_EQ (gst_harness_push (dec, buffer_from_bytes (p)), GST_FLOW_OK);
  const auto decoded = pcm_samples (drain_output (dec));
  gst_harness_teardown (dec);

  auto expected = api_roundtrip (64000, first);
  const auto tail = api_roundtrip (32000, second);
  expected.insert (expected.end (), tail.begin (), tail.end ());
  ASSERT_EQ (decoded.size (), expected.size ());
  EXPECT_TRUE (decoded == expected);
}

}  // namespace
