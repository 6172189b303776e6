// g719-codec decode: vectors as bare frames and as G.192 with erased frames,
// payload files as zebg719enc writes them (several frames, missing frames,
// bitrate changes), piped round trips, and the refused inputs.
#include "tool_test_support.h"

namespace {

using namespace tool_test;
using ToolDecode = ToolTest;

TEST_F(ToolDecode, ErasedG192FramesDecodeAsLostFrames) {
  const VectorRow &r = row("pluck_notes", 32000, true);
  const Bytes expected = vector_file(r.decoded);
  std::string list;
  for (int f : r.lost_frames) list += (list.empty() ? "" : ",") + std::to_string(f);
  ASSERT_EQ(run("$T decode --format=frames --bitrate 32000 --lost " + list + " $V/" + r.bitstream + " out.pcm"), 0)
      << errors_;
  EXPECT_TRUE(file("out.pcm") == expected);
  for (bool bare : {false, true}) {  // erased frames with and without their bits
    put("in.g192", to_g192(vector_file(r.bitstream), 80, {r.lost_frames.begin(), r.lost_frames.end()}, bare));
    ASSERT_EQ(run("$T decode in.g192 out.wav"), 0) << errors_;
    const Bytes wav = file("out.wav");
    EXPECT_TRUE(wav.size() > 44 && Bytes(wav.begin() + 44, wav.end()) == expected);
    EXPECT_EQ(wav[40] | wav[41] << 8 | wav[42] << 16 | wav[43] << 24, int(expected.size()));
  }
}

TEST_F(ToolDecode, PayloadFilesFollowFrameCountsMissingFramesAndBitrateChanges) {
  const Bytes a = vector_file(row("sine1k", 64000).bitstream), b = vector_file(row("sweep_log", 32000).bitstream);
  const Bytes a4(a.begin(), a.begin() + 640), b2(b.begin(), b.begin() + 160);
  // Two 160-byte frames, a missing frame, a payload of none, a frame, then two 80-byte frames.
  put("in.g719", cat({{0x40, 0x02}, Bytes(a4.begin(), a4.begin() + 320), {0x00, 0x01, 0x40, 0x00, 0x40, 0x01},
                      Bytes(a4.begin() + 480, a4.end()), {0x20, 0x02}, b2}));
  put("a.bin", a4);
  put("b.bin", b2);
  ASSERT_EQ(run("$T decode in.g719 out.pcm"), 0) << errors_;
  // As a fresh decoder per bitrate gives them, the missing frame concealed.
  ASSERT_EQ(run("{ $T decode --format frames --bitrate 64000 --lost 2 a.bin - && "
                "$T decode --format frames --bitrate 32000 b.bin -; } > expected.pcm"), 0) << errors_;
  EXPECT_EQ(file("out.pcm"), file("expected.pcm"));
}

TEST_F(ToolDecode, ReadsWhatTheEncoderElementWritesAndPipesBothWays) {
  const VectorRow &r = row("pluck_notes", 48000);  // whole frames only
  put("in.pcm", vector_file(r.input));
  ASSERT_EQ(run("$T encode --bitrate 48000 - - < in.pcm | $T decode - - > out.pcm"), 0) << errors_;
  EXPECT_TRUE(file("out.pcm") == vector_file(r.decoded));
  if (std::string(G719_GST_LAUNCH).empty()) GTEST_SKIP() << "no codec plugin or gst-launch-1.0";
  ASSERT_EQ(run(G719_GST_LAUNCH " filesrc location=in.pcm ! rawaudioparse pcm-format=s16le sample-rate=48000 "
                "num-channels=1 ! zebg719enc bitrate=48000 ! filesink location=element.g719"), 0) << errors_;
  ASSERT_EQ(run("$T decode element.g719 element.pcm"), 0) << errors_;
  EXPECT_TRUE(file("element.pcm") == vector_file(r.decoded));
}

TEST_F(ToolDecode, RefusesDamagedInputAndBadArgumentsWithAMessage) {
  const Bytes frame(160, 0x5A);
  const auto g192 = [&frame](unsigned sync, unsigned bits, unsigned word, size_t cut = 0) {
    Bytes out = to_g192(frame, 160, {}, false);
    out[0] = uint8_t(sync), out[1] = uint8_t(sync >> 8), out[2] = uint8_t(bits), out[3] = uint8_t(bits >> 8);
    out[100] = uint8_t(word), out[101] = uint8_t(word >> 8);
    return Bytes(out.begin(), out.end() - cut);
  };
  const auto payloads = [&frame](uint8_t toc0, size_t cut = 0) {  // a good payload, then one with toc0
    return cat({{0x40, 0x01}, frame, {toc0, 0x01}, Bytes(frame.begin(), frame.end() - cut)});
  };
  put("partial.bin", Bytes(2 * 160 + 17, 0));
  put("f1.g719", payloads(0xC0));
  put("reserved.g719", payloads(0x70));
  put("cut.g719", payloads(0x40, 1));
  put("sync.g192", g192(0x216B, 1280, 0x7F));
  put("length.g192", g192(0x6B21, 3000, 0x7F));
  put("word.g192", g192(0x6B21, 1280, 0x0001));
  put("cut.g192", g192(0x6B21, 1280, 0x7F, 1));
  expect_refusals("decode ", {
      {"--format frames --bitrate 64000 partial.bin out.pcm", 1, "partial frame: 17 bytes after 2 whole frames"},
      {"f1.g719 out.pcm", 1, "payload 1 at byte 162 of 'f1.g719': more than one table-of-contents entry"},
      {"reserved.g719 out.pcm", 1, "payload 1 at byte 162 of 'reserved.g719': reserved length code"},
      {"cut.g719 out.pcm", 1, "ends inside payload 1: the frame at byte 164 has 159 of its 160 bytes"},
      {"sync.g192 out.pcm", 1, "starts with 0x216B, not a sync word"},
      {"length.g192 out.pcm", 1, "is 3000 bits long"},
      {"word.g192 out.pcm", 1, "bit 48 is 0x0001"},
      {"cut.g192 out.pcm", 1, "ends inside G.192 frame 0 (byte 0): 1279 of its 1280 bit words"},
      {"--format frames partial.bin out.pcm", 2, "--bitrate is required for --format frames"},
      {"--bitrate 64000 f1.g719 out.pcm", 2, "--bitrate applies to --format frames only"},
      {"--format frames --bitrate 48100 partial.bin out.pcm", 2, "unsupported bitrate"},
      {"--lost 1,,2 f1.g719 out.pcm", 2, "--lost"},
      {"--lost -3 f1.g719 out.pcm", 2, "--lost"},
      {"f1.g719 f1.g719", 2, "same file"},
  }, "out.pcm");
  EXPECT_EQ(file("f1.g719").size(), 2u * 162);
}

}  // namespace
