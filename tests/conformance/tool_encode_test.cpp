// g719-codec encode: each coded format from raw, WAV and piped audio, the
// padding of a partial last frame, and the refused inputs and arguments.
#include "tool_test_support.h"

namespace {

using namespace tool_test;
using ToolEncode = ToolTest;

// A WAV file holding `data`, with an odd-sized chunk to skip before fmt.
Bytes wav(const Bytes &data, unsigned tag, unsigned channels, uint32_t rate, unsigned bits, bool with_data = true) {
  Bytes out;
  const auto put = [&out](uint32_t v, int n) { for (int i = 0; i < n; ++i) out.push_back(uint8_t(v >> 8 * i)); };
  const auto id = [&put](const char *t) { put(uint32_t(t[0] | t[1] << 8 | t[2] << 16 | t[3] << 24), 4); };
  id("RIFF"), put(uint32_t(48 + data.size()), 4), id("WAVE"), id("LIST"), put(3, 4), put(0, 4);
  id("fmt "), put(16, 4), put(tag, 2), put(channels, 2), put(rate, 4), put(rate * channels * bits / 8, 4);
  put(channels * bits / 8, 2), put(bits, 2);
  if (with_data) id("data"), put(uint32_t(data.size()), 4), out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST_F(ToolEncode, WritesEachFormatFromRawWavAndPipedAudio) {
  const VectorRow &r = row("sine1k", 48000);  // whole frames only
  const Bytes pcm = vector_file(r.input), frames = vector_file(r.bitstream);
  put("in.pcm", pcm);
  put("in.wav", wav(pcm, 1, 1, 48000, 16));
  ASSERT_EQ(run("$T encode --bitrate 48000 --format frames in.pcm out.bin"), 0) << errors_;
  EXPECT_EQ(file("out.bin"), frames);
  ASSERT_EQ(run("$T encode --bitrate=48000 in.wav out.g719"), 0) << errors_;
  Bytes payloads;  // before each frame F = 0, L = 12 (120 bytes), N = 1
  for (size_t at = 0; at < frames.size(); at += 120)
    payloads = cat({payloads, {0x30, 0x01}, Bytes(frames.begin() + at, frames.begin() + at + 120)});
  EXPECT_EQ(file("out.g719"), payloads);
  ASSERT_EQ(run("cat in.pcm | $T encode - out.g192 --bitrate 48000"), 0) << errors_;
  EXPECT_EQ(file("out.g192"), to_g192(frames, 120, {}, false));
}

TEST_F(ToolEncode, PadsAPartialLastFrameWithSilenceAndSaysSo) {
  Bytes pcm = vector_file(row("sine1k", 32000).input);
  pcm.resize(3 * 1920 + 14);
  put("short.pcm", pcm);
  pcm.resize(4 * 1920, 0);
  put("padded.pcm", pcm);
  ASSERT_EQ(run("$T encode --bitrate 32000 short.pcm short.g719"), 0) << errors_;
  EXPECT_NE(errors_.find("padded with 953 samples of silence"), std::string::npos) << errors_;
  ASSERT_EQ(run("$T encode --bitrate 32000 padded.pcm padded.g719"), 0) << errors_;
  EXPECT_EQ(file("short.g719").size(), 4u * 82);
  EXPECT_EQ(file("short.g719"), file("padded.g719"));
  // A bitrate without a length code, in a format that carries it.
  ASSERT_EQ(run("$T encode --bitrate 100400 --format frames short.pcm short.bin"), 0) << errors_;
  EXPECT_EQ(file("short.bin").size(), 4u * 251);
}

TEST_F(ToolEncode, RefusesBadInputAndArgumentsWithAMessage) {
  const Bytes pcm(1920, 0x11);
  put("in.pcm", pcm);
  put("odd.pcm", Bytes(3 * 1920 + 1, 0));
  put("raw.wav", pcm);
  put("44100.wav", wav(pcm, 1, 1, 44100, 16));
  put("stereo.wav", wav(pcm, 1, 2, 48000, 16));
  put("float.wav", wav(pcm, 3, 1, 48000, 32));
  put("nodata.wav", wav(pcm, 1, 1, 48000, 16, false));
  expect_refusals("", {
      {"", 2, "no command"},
      {"transcode in.pcm out.g719", 2, "unknown command"},
      {"encode in.pcm out.g719", 2, "--bitrate is required"},
      {"encode --bitrate 12k in.pcm out.g719", 2, "not a number"},
      {"encode --bitrate 132000 --format g192 in.pcm out.g719", 2, "unsupported bitrate"},
      {"encode --bitrate 100400 in.pcm out.g719", 2, "payloads carry"},
      {"encode --bitrate 48000 --format mp3 in.pcm out.g719", 2, "unknown format"},
      {"encode --bitrate 48000 in.pcm", 2, "expected an input and an output"},
      {"encode --bitrate 48000 in.pcm in.pcm", 2, "same file"},
      {"encode --bitrate 48000 missing.pcm out.g719", 1, "cannot open input"},
      {"encode --bitrate 48000 in.pcm no/out.g719", 1, "cannot create output"},
      {"encode --bitrate 48000 odd.pcm out.g719", 1, "5761 bytes of audio, an odd number"},
      {"encode --bitrate 48000 raw.wav out.g719", 1, "no RIFF/WAVE header"},
      {"encode --bitrate 48000 44100.wav out.g719", 1, "16-bit integer PCM audio at 44100 Hz in 1 channel;"},
      {"encode --bitrate 48000 stereo.wav out.g719", 1, "at 48000 Hz in 2 channels"},
      {"encode --bitrate 48000 float.wav out.g719", 1, "32-bit floating-point audio"},
      {"encode --bitrate 48000 nodata.wav out.g719", 1, "without a data chunk"},
  }, "out.g719");
  EXPECT_EQ(file("in.pcm"), pcm);
}

}  // namespace
