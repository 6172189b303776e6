// Frame-erasure concealment and recovery of the decoder frame driver, on real
// frames from the conformance bitstreams.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "frame/codec_state.h"
#include "frame/g719_codec.h"
#include "frame/kernel_sets.h"
#include "transform/inverse_transform.h"

namespace {

struct DecoderDeleter {
  void operator()(G719DecoderState *d) const { g719_decoder_free(d); }
};
using Decoder = std::unique_ptr<G719DecoderState, DecoderDeleter>;

Decoder make_decoder(int32_t rate) { return Decoder(g719_decoder_create(rate)); }

Decoder clone(const G719DecoderState &d) {
  Decoder c = make_decoder(d.bitrate);
  std::memcpy(c.get(), &d, sizeof d);
  return c;
}

std::vector<uint8_t> read_file(const std::string &name) {
  std::ifstream in(std::string(G719_VECTORS_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Stream {
  int32_t rate;
  std::vector<uint8_t> bytes;
  int frame_bytes() const { return rate / 400; }
  int frames() const { return static_cast<int>(bytes.size()) / frame_bytes(); }
  const uint8_t *frame(int i) const { return bytes.data() + i * frame_bytes(); }
  bool transient(int i) const { return (frame(i)[0] & 0x80) != 0; }
};

Stream load(const std::string &name, int32_t rate) {
  Stream s{rate, read_file("enc/" + name)};
  return s;
}

// The synthesis that a frame of saved coefficients must produce: the inverse
// transform of the given spectrum, the block scaling undone, overlap-added
// to the given history.
std::vector<int16_t> synthesize(const Word32 *spectrum, Word16 transient, Word16 shift, Word32 *history) {
  Word32 c[960];
  std::memcpy(c, spectrum, sizeof c);
  Word32 aliased[1920];
  g719_inverse_transform<PortableKernels>(c, aliased, transient);
  for (Word32 &v : aliased) v = L_shr(v, shift);
  std::vector<int16_t> pcm(960);
  g719_scaled_overlap_add(aliased, 0, pcm.data(), history);
  return pcm;
}

std::vector<int16_t> decode(G719DecoderState *d, const uint8_t *frame, int bad) {
  std::vector<int16_t> pcm(960, 12345);
  g719_decode(d, frame, pcm.data(), bad);
  return pcm;
}

// Plays frames 0..last-1 good and returns the decoder, with the first frame at
// or after `last` that has the wanted transient flag as *next.
Decoder decode_until(const Stream &s, int last, bool want_transient_prev, int *at) {
  Decoder d = make_decoder(s.rate);
  int i = 0;
  for (; i < s.frames(); i++) {
    if (i >= last && s.transient(i - 1) == want_transient_prev) break;
    decode(d.get(), s.frame(i), 0);
  }
  *at = i;
  return d;
}

class Concealment : public ::testing::TestWithParam<bool> {};

// After a good frame, the first lost frame repeats its spectrum at full
// level, the second at half level, the third at a quarter; the saved
// transient flag and scaling are kept.
TEST_P(Concealment, RepeatsThenHalvesTheLastGoodSpectrum) {
  const bool after_transient = GetParam();
  const Stream s = load("pluck_notes_64000.g719", 64000);
  ASSERT_GT(s.frames(), 40);
  int at = 0;
  Decoder d = decode_until(s, 10, after_transient, &at);
  ASSERT_LT(at, s.frames()) << "no frame of the wanted kind in the stream";
  ASSERT_EQ(d->prev_transient, after_transient ? 1 : 0);

  Word32 saved[960];
  std::memcpy(saved, d->prev_coefficients, sizeof saved);
  const Word16 shift = d->prev_norm_shift;
  const Word16 transient = d->prev_transient;
  bool any_nonzero = false;
  for (Word32 v : saved) any_nonzero |= (v != 0);
  ASSERT_TRUE(any_nonzero);

  for (int loss = 0; loss < 3; loss++) {
    Decoder expect = clone(*d);
    Word32 level[960];
    for (int i = 0; i < 960; i++) level[i] = saved[i] >> loss;
    const std::vector<int16_t> want = synthesize(level, transient, shift, expect->overlap_history);

    // The lost frame's bytes are garbage: they must not matter.
    std::vector<uint8_t> junk(s.frame_bytes(), static_cast<uint8_t>(0x5A + loss));
    const std::vector<int16_t> got = decode(d.get(), junk.data(), 1);
    ASSERT_EQ(got, want) << "lost frame " << loss + 1;
    for (int i = 0; i < 960; i++) {
      ASSERT_EQ(d->prev_coefficients[i], saved[i] >> (loss + 1)) << "loss " << loss + 1 << " coefficient " << i;
      ASSERT_EQ(d->overlap_history[i], expect->overlap_history[i]);
    }
    EXPECT_EQ(d->prev_norm_shift, shift);
    EXPECT_EQ(d->prev_transient, transient);
  }

  // The concealment must follow the saved frame type: the other transform
  // gives other samples.
  Decoder other = clone(*d);
  Decoder same = clone(*d);
  EXPECT_NE(synthesize(saved, transient ? 0 : 1, shift, other->overlap_history),
            synthesize(saved, transient, shift, same->overlap_history));
}

INSTANTIATE_TEST_SUITE_P(AfterStationaryAndTransientFrames, Concealment, ::testing::Bool());

TEST(ConcealmentRecovery, GoodFrameAfterLossesDependsOnlyOnTheOverlap) {
  const Stream s = load("speech_synth_48000.g719", 48000);
  ASSERT_GT(s.frames(), 30);
  Decoder clean = make_decoder(s.rate);
  Decoder lossy = make_decoder(s.rate);
  for (int i = 0; i < 20; i++) {
    decode(clean.get(), s.frame(i), 0);
    decode(lossy.get(), s.frame(i), (i >= 12 && i < 15) || i == 17 ? 1 : 0);
  }
  // Give the clean decoder the lossy one's overlap: from then on both agree.
  std::memcpy(clean->overlap_history, lossy->overlap_history, sizeof clean->overlap_history);
  for (int i = 20; i < 30; i++) {
    ASSERT_EQ(decode(clean.get(), s.frame(i), 0), decode(lossy.get(), s.frame(i), 0)) << "frame " << i;
  }
  EXPECT_EQ(0, std::memcmp(clean->prev_coefficients, lossy->prev_coefficients, sizeof clean->prev_coefficients));
}

TEST(ConcealmentRecovery, LostFirstFrameIsSilentAndTheNextGoodFrameStartsAfresh) {
  const Stream s = load("pluck_notes_32000.g719", 32000);
  Decoder d = make_decoder(s.rate);
  const std::vector<int16_t> lost = decode(d.get(), s.frame(0), 1);
  EXPECT_EQ(lost, std::vector<int16_t>(960, 0));
  for (int i = 0; i < 960; i++) {
    ASSERT_EQ(d->overlap_history[i], 0);
    ASSERT_EQ(d->prev_coefficients[i], 0);
  }
  EXPECT_EQ(d->prev_norm_shift, 0);
  EXPECT_EQ(d->prev_transient, 0);

  // Frame 1 after the lost frame 0 decodes as it would as a stream's first frame.
  Decoder fresh = make_decoder(s.rate);
  EXPECT_EQ(decode(d.get(), s.frame(1), 0), decode(fresh.get(), s.frame(1), 0));
  EXPECT_EQ(d->prev_transient, fresh->prev_transient);
  EXPECT_EQ(d->prev_norm_shift, fresh->prev_norm_shift);
}

// The saved concealment spectrum is the synthesis input of the good frame:
// concealing right after it reproduces that frame's own synthesis when the
// overlap is the same.
TEST(ConcealmentRecovery, FirstLostFrameRepeatsTheGoodFramesSynthesis) {
  const Stream s = load("sine1k_64000.g719", 64000);
  ASSERT_GT(s.frames(), 12);
  Decoder d = make_decoder(s.rate);
  for (int i = 0; i < 10; i++) decode(d.get(), s.frame(i), 0);
  Decoder before = clone(*d);
  const std::vector<int16_t> good = decode(d.get(), s.frame(10), 0);
  // Rewind the overlap to what frame 10 saw and conceal instead.
  std::memcpy(d->overlap_history, before->overlap_history, sizeof d->overlap_history);
  EXPECT_EQ(decode(d.get(), s.frame(10), 1), good);
}

}  // namespace
