// zebg719dec through GstHarness: payloads of every layout against the codec,
// refused and dropped payloads, read bounds, restart, and what concealment
// produces and where it is stamped.
#include <gtest/gtest.h>

#include <string>

#include "element_test_support.h"

using namespace zeb_test;

namespace {

GstHarness *new_decoder (gboolean plc = FALSE)
{
  return new_harness ("zebg719dec", "audio/G719", "plc", plc);
}

GstFlowReturn push (GstHarness *h, const Bytes &payload, GstClockTime pts = GST_CLOCK_TIME_NONE,
    GstClockTime duration = GST_CLOCK_TIME_NONE)
{
  return gst_harness_push (h, buffer_from_bytes (payload, pts, duration));
}

void push_gap (GstHarness *h, GstClockTime start, GstClockTime duration)
{
  ASSERT_TRUE (gst_harness_push_event (h, gst_event_new_gap (start, duration)));
}

// Stands for one lost frame at L in codec_decode.
const Bytes kLost64k = {0x40, 0x00};

TEST (DecoderElement, DecodesEveryPayloadLayoutLikeTheCodec)
{
  // Every length code with two frames (each change of code restarts the
  // codec at B x 400 bit/s), the same code again (the codec goes on), three
  // frames read at their offsets with the ignored low bits of byte 0 set,
  // and a payload followed by bytes that belong to no frame.
  std::vector<Bytes> payloads;
  for (unsigned l = 8; l <= 27; l++)
    payloads.push_back (make_payload (l, 2, l));
  payloads.push_back (make_payload (27, 1, 99));
  payloads.push_back (make_payload (12, 3, 5, 3));
  payloads.push_back (make_payload (12, 1, 6));
  GstHarness *h = new_decoder ();
  ASSERT_NE (h, nullptr);
  Bytes output;
  for (size_t i = 0; i < payloads.size (); i++) {
    Bytes pushed = payloads[i];
    if (i + 1 == payloads.size ())
      pushed.insert (pushed.end (), 57, 0xA5);
    ASSERT_EQ (push (h, pushed), GST_FLOW_OK) << i;
    const auto out = pull_all (h);
    ASSERT_EQ (out.size (), 1u) << i;
    EXPECT_EQ (out[0].bytes.size (), payloads[i][1] * 1920u) << i;
    EXPECT_EQ (out[0].duration, payloads[i][1] * kFrame) << i;
    output.insert (output.end (), out[0].bytes.begin (), out[0].bytes.end ());
  }
  EXPECT_EQ (output, codec_decode (payloads));
  EXPECT_EQ (push (h, {0x40, 0x00}), GST_FLOW_ERROR) << "no frames, no output buffer";
  // A restart begins with a fresh codec, without the stream's history.
  restart (h, "audio/G719");
  ASSERT_EQ (push (h, payloads.back ()), GST_FLOW_OK);
  EXPECT_EQ (joined (pull_all (h)), codec_decode ({payloads.back ()}));
  GstCaps *caps = gst_pad_get_current_caps (h->sinkpad);
  GstCaps *raw = gst_caps_from_string (kRawCaps);
  EXPECT_TRUE (gst_caps_is_equal (caps, raw));
  gst_caps_unref (raw);
  gst_caps_unref (caps);
  gst_harness_teardown (h);
}

TEST (DecoderElement, RefusedInputPostsAnErrorThatSaysWhy)
{
  // A payload announcing a second table-of-contents entry; a byte stream, as
  // from filesrc straight into the decoder without zebg719parse.
  for (bool byte_stream : {false, true}) {
    GstHarness *h = new_decoder (TRUE);
    ASSERT_NE (h, nullptr);
    Bytes payload = make_payload (16, 1);
    GstSegment bytes;
    gst_segment_init (&bytes, GST_FORMAT_BYTES);
    if (byte_stream)
      gst_harness_push_event (h, gst_event_new_segment (&bytes));
    else
      payload[0] |= 0x80;
    EXPECT_EQ (push (h, payload, 0, kFrame), GST_FLOW_ERROR);
    EXPECT_EQ (gst_harness_buffers_in_queue (h), 0u) << "refused, not concealed";
    GError *error = take_bus_error (h);
    ASSERT_NE (error, nullptr);
    EXPECT_TRUE (g_error_matches (error, GST_STREAM_ERROR, byte_stream ? GST_STREAM_ERROR_FORMAT : GST_STREAM_ERROR_DECODE));
    EXPECT_TRUE (!byte_stream || std::string (error->message).find ("zebg719parse") != std::string::npos);
    g_error_free (error);
    gst_harness_teardown (h);
  }
}

TEST (DecoderElement, DroppedPayloadsGiveNoAudioAndLeaveNothingBehind)
{
  // Empty and reserved length codes, and every truncation of a payload (each
  // pushed as the whole of its memory, so that the sanitizer build sees any
  // read past it), down to one byte and 255 announced frames with none there.
  const Bytes full = make_payload (16, 1);
  std::vector<Bytes> dropped = {{0x00, 0x01}, {0x04, 0x01, 0x55}, {0x7C, 0x01}, {0x20, 0xFF}};
  for (size_t n = 1; n < full.size (); n++)
    dropped.emplace_back (full.begin (), full.begin () + n);
  GstHarness *h = new_decoder ();
  ASSERT_NE (h, nullptr);
  GstClockTime pts = 0;
  for (int round = 0; round < 10; round++)
    for (const Bytes &p : dropped) {
      ASSERT_EQ (push (h, p, pts, kFrame), GST_FLOW_OK) << "max-errors is -1 by default";
      pts += kFrame;
    }
  EXPECT_EQ (gst_harness_buffers_in_queue (h), 0u);
  EXPECT_EQ (take_bus_error (h), nullptr);
  // The next payload is stamped with its own time and decoded by a fresh
  // codec: nothing dropped reached it.
  ASSERT_EQ (push (h, full, pts, kFrame), GST_FLOW_OK);
  const auto out = pull_all (h);
  ASSERT_EQ (out.size (), 1u);
  EXPECT_EQ (out[0].pts, pts);
  EXPECT_EQ (out[0].bytes, codec_decode ({full}));
  gst_harness_teardown (h);
  // Truncated payloads count against max-errors: one is tolerated at 1.
  h = new_harness ("zebg719dec", "audio/G719", "max-errors", 1);
  EXPECT_EQ (push (h, dropped.back ()), GST_FLOW_OK);
  EXPECT_EQ (push (h, dropped.back ()), GST_FLOW_ERROR);
  gst_harness_teardown (h);
}

// Output buffers follow each other without gaps or overlaps from 0 on.
void expect_continuous (const std::vector<Output> &out)
{
  GstClockTime t = 0;
  for (size_t i = 0; i < out.size (); i++) {
    EXPECT_EQ (out[i].pts, t) << "buffer " << i;
    t += out[i].duration;
    EXPECT_EQ (out[i].duration, out[i].bytes.size () / 1920 * kFrame) << "buffer " << i;
  }
}

TEST (DecoderConcealment, GapsAndDroppedPayloadsAreFilledFromWhereTheOutputStands)
{
  // Losses as a jitter buffer reports them, 20 ms give or take a microsecond,
  // conceal one frame each; a gap whose time the output already covers
  // conceals nothing; a gap that begins inside covered time is filled from
  // where the output stands, to the nearest frame (35 ms: two).
  const Bytes p0 = make_payload (16, 1, 1), p3 = make_payload (16, 1, 3), p5 = make_payload (16, 1, 5);
  Bytes truncated = make_payload (16, 3);
  truncated.pop_back ();
  GstHarness *h = new_decoder (TRUE);
  ASSERT_NE (h, nullptr);
  ASSERT_EQ (push (h, p0, 0, kFrame), GST_FLOW_OK);
  push_gap (h, 20 * GST_MSECOND, kFrame + GST_USECOND);
  push_gap (h, 40 * GST_MSECOND, kFrame - GST_USECOND);
  ASSERT_EQ (push (h, p3, 60 * GST_MSECOND, kFrame), GST_FLOW_OK);
  push_gap (h, 80 * GST_MSECOND, kFrame + GST_USECOND);
  push_gap (h, 90 * GST_MSECOND, 10 * GST_MSECOND);
  ASSERT_EQ (push (h, p5, 100 * GST_MSECOND, kFrame), GST_FLOW_OK);
  push_gap (h, 110 * GST_MSECOND, 45 * GST_MSECOND);
  // Dropped payloads: an empty length code with N = 2 lasting 40 ms, a
  // reserved code of one frame without a duration, a truncated payload of
  // three frames and a lone byte, both without timestamps.
  ASSERT_EQ (push (h, {0x00, 0x02}, 8 * kFrame, 2 * kFrame), GST_FLOW_OK);
  ASSERT_EQ (push (h, {0x7C, 0x01}, 10 * kFrame), GST_FLOW_OK);
  ASSERT_EQ (push (h, truncated), GST_FLOW_OK);
  ASSERT_EQ (push (h, {0x40}), GST_FLOW_OK);
  ASSERT_EQ (push (h, p0, 15 * kFrame, kFrame), GST_FLOW_OK);
  const auto out = pull_all (h);
  expect_continuous (out);
  std::vector<Bytes> expected = {p0, kLost64k, kLost64k, p3, kLost64k, p5};
  expected.insert (expected.end (), 9, kLost64k);
  expected.push_back (p0);
  EXPECT_EQ (joined (out), codec_decode (expected));
  gst_harness_teardown (h);
}

TEST (DecoderConcealment, SilenceBeforeTheFirstPayloadAndLongGapsInPiecesUpTo60Seconds)
{
  GstHarness *h = new_decoder (TRUE);
  ASSERT_NE (h, nullptr);
  push_gap (h, 0, 2 * kFrame);
  push_gap (h, 2 * kFrame, GST_CLOCK_TIME_NONE);  // one frame
  EXPECT_EQ (joined (pull_all (h)), Bytes (3 * 1920, 0));
  ASSERT_EQ (push (h, make_payload (12, 1), 3 * kFrame, kFrame), GST_FLOW_OK);
  pull_all (h);
  push_gap (h, 4 * kFrame, 2500 * GST_MSECOND);
  const auto pieces = pull_all (h);
  EXPECT_GT (pieces.size (), 1u);
  EXPECT_EQ (joined (pieces).size (), 125u * 1920u);
  for (size_t i = 1; i < pieces.size (); i++)
    EXPECT_EQ (pieces[i].pts, pieces[i - 1].pts + pieces[i - 1].duration);
  // An absurd gap, and one whose end does not fit in a timestamp.
  push_gap (h, 3 * GST_SECOND, 3600000 * GST_SECOND);
  EXPECT_EQ (joined (pull_all (h)).size (), 3000u * 1920u);
  push_gap (h, 3700000 * GST_SECOND, G_MAXUINT64 - 1);
  EXPECT_EQ (joined (pull_all (h)).size (), 3000u * 1920u);
  // After a flush the output stands nowhere: a gap conceals its own length.
  gst_harness_push_event (h, gst_event_new_flush_start ());
  gst_harness_push_event (h, gst_event_new_flush_stop (TRUE));
  push_gap (h, 0, kFrame);
  EXPECT_EQ (joined (pull_all (h)).size (), 1920u);
  gst_harness_teardown (h);
}

}  // namespace
