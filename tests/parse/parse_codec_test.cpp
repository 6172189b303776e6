// zebg719parse with the decoder: a file of payloads as zebg719enc writes it
// decodes as its payloads do.
#include "parse_test_support.h"

namespace {

Stream encoder_file (const std::vector<int> &bitrates, size_t frames)
{
  Stream s;
  for (int bitrate : bitrates)
    for (const Bytes &p : codec_encode (bitrate, test_signal (960 * frames, bitrate)))
      s.add (p);
  return s;
}

TEST (ParseWithCodec, FileDecodesLikeItsPayloads)
{
  const Stream s = encoder_file ({64000, 32000, 48000}, 10);
  TempFile f (s.bytes);
  AppSinkPipeline p ("filesrc location=\"" + f.path + "\" ! zebg719parse ! zebg719dec ! appsink name=sink sync=false");
  ASSERT_TRUE (p.set_state (GST_STATE_PLAYING));
  const auto out = p.pull ();
  EXPECT_EQ (joined (out), codec_decode (s.payloads));
  GstClockTime t = 0;
  for (const Output &o : out) {
    EXPECT_EQ (o.pts, t);
    t += o.duration;
  }
  EXPECT_EQ (t, 30 * kFrame);
}

}  // namespace
