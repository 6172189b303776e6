// Many streams on many threads give exactly the bytes and samples that the
// same streams give one after another on one thread: instances share no
// state, and the operators' Overflow/Carry flags, which the transient
// detector clears and reads around single operators, are per thread. (The
// flags' separation itself is pinned by the operator tests, with a hand-off
// between threads that fails when the flags are shared.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "frame/codec_state.h"
#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "signal_files.h"
#include "vector_manifest.h"

namespace {

struct StreamResult {
  std::vector<uint8_t> bitstream;
  std::vector<int16_t> decoded;
  bool operator==(const StreamResult &) const = default;
};

// Encodes every whole frame of pcm and decodes the result, losing every
// seventh frame so that concealment runs too.
StreamResult run_stream(const std::vector<int16_t> &pcm, int32_t bitrate) {
  StreamResult r;
  G719EncoderState *enc = g719_encoder_create(bitrate);
  G719DecoderState *dec = g719_decoder_create(bitrate);
  if (enc == nullptr || dec == nullptr) {
    g719_encoder_free(enc);
    g719_decoder_free(dec);
    return r;
  }
  const int32_t bytes = g719_encoder_frame_bytes(enc);
  const size_t frames = pcm.size() / G719_FRAME_SAMPLES;
  r.bitstream.resize(frames * bytes);
  r.decoded.resize(frames * G719_FRAME_SAMPLES);
  for (size_t f = 0; f < frames; ++f) {
    uint8_t *frame = r.bitstream.data() + f * bytes;
    g719_encode(enc, pcm.data() + f * G719_FRAME_SAMPLES, frame);
    g719_decode(dec, frame, r.decoded.data() + f * G719_FRAME_SAMPLES, f % 7 == 6 ? 1 : 0);
  }
  g719_encoder_free(enc);
  g719_decoder_free(dec);
  return r;
}

TEST(Concurrency, EightThreadsMatchOneThread) {
  const int32_t bitrates[] = {32000, 48000, 64000, 128000, 40000, 96000, 64000, 32000};
  std::vector<std::vector<int16_t>> signals;
  for (const auto &name : test_signals::names()) {
    signals.push_back(test_signals::load(name));
    ASSERT_GE(signals.back().size(), 20u * G719_FRAME_SAMPLES) << name;
  }
  ASSERT_EQ(signals.size(), 8u);

  std::vector<StreamResult> expected;
  for (size_t i = 0; i < signals.size(); ++i) {
    expected.push_back(run_stream(signals[i], bitrates[i]));
    ASSERT_FALSE(expected.back().bitstream.empty());
  }

  for (int round = 0; round < 3; ++round) {
    std::vector<StreamResult> got(signals.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < signals.size(); ++i) {
      // Each thread runs its stream twice so that streams overlap in time
      // even when threads start unevenly.
      threads.emplace_back([&, i] {
        got[i] = run_stream(signals[i], bitrates[i]);
        if (!(run_stream(signals[i], bitrates[i]) == got[i])) got[i].bitstream.clear();
      });
    }
    for (auto &t : threads) t.join();
    for (size_t i = 0; i < signals.size(); ++i) {
      EXPECT_TRUE(got[i].bitstream == expected[i].bitstream) << test_signals::names()[i] << " round " << round;
      EXPECT_TRUE(got[i].decoded == expected[i].decoded) << test_signals::names()[i] << " round " << round;
    }
  }
}

// A conformance row loaded: the input (empty for decoder-only rows), the
// bitstream, the decoded samples and the frames decoded as lost.
struct VectorCase {
  VectorRow row;
  std::vector<int16_t> input;
  std::vector<uint8_t> bitstream;
  std::vector<int16_t> decoded;
};

// Encodes and decodes every case with instances on one kernel set; returns
// the cases (as "<file>: <what>") whose bytes or samples differ from the
// vectors, or whose instances did not record the set.
std::vector<std::string> run_vectors(const std::vector<VectorCase> &cases, KernelSet kernels) {
  std::vector<std::string> wrong;
  for (const VectorCase &c : cases) {
    const int32_t bytes = c.row.bitrate / 400;
    const size_t frames = static_cast<size_t>(c.row.frames);
    if (!c.input.empty()) {
      G719EncoderState *enc = g719_encoder_create_with_kernels(c.row.bitrate, kernels);
      if (enc == nullptr || enc->kernels != kernels) wrong.push_back(c.row.bitstream + ": encoder set");
      std::vector<uint8_t> out(frames * bytes);
      for (size_t f = 0; enc != nullptr && f < frames; ++f) {
        g719_encode(enc, c.input.data() + f * G719_FRAME_SAMPLES, out.data() + f * bytes);
      }
      if (out != c.bitstream) wrong.push_back(c.row.bitstream + ": bitstream");
      g719_encoder_free(enc);
    }
    G719DecoderState *dec = g719_decoder_create_with_kernels(c.row.bitrate, kernels);
    if (dec == nullptr || dec->kernels != kernels) wrong.push_back(c.row.decoded + ": decoder set");
    std::vector<int16_t> pcm(frames * G719_FRAME_SAMPLES);
    for (size_t f = 0; dec != nullptr && f < frames; ++f) {
      const bool lost = std::count(c.row.lost_frames.begin(), c.row.lost_frames.end(), static_cast<int>(f)) != 0;
      g719_decode(dec, c.bitstream.data() + f * bytes, pcm.data() + f * G719_FRAME_SAMPLES, lost ? 1 : 0);
    }
    if (pcm != c.decoded) wrong.push_back(c.row.decoded + ": samples");
    g719_decoder_free(dec);
  }
  return wrong;
}

// Two instances on different kernel sets, each on its own thread and both
// at once, each give the conformance vectors' bytes and samples: a frame
// runs on its instance's set alone, and no state is shared between them.
TEST(Concurrency, InstancesOnTheTwoKernelSetsRunSideBySide) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2: one kernel set only";
  std::string error;
  std::vector<VectorCase> cases;
  for (const VectorRow &row : load_vector_manifest(G719_VECTORS_DIR, &error)) {
    // The 64000 bit/s rows of every signal and the rows with lost frames.
    if (row.bitrate != 64000 && row.lost_frames.empty()) continue;
    VectorCase c{row, {}, {}, {}};
    bool ok = true;
    if (row.input != "-") c.input = s16le_samples(read_vector_file(G719_VECTORS_DIR, row.input, &ok));
    c.bitstream = read_vector_file(G719_VECTORS_DIR, row.bitstream, &ok);
    c.decoded = s16le_samples(read_vector_file(G719_VECTORS_DIR, row.decoded, &ok));
    ASSERT_TRUE(ok) << row.decoded;
    c.input.resize(std::min(c.input.size(), static_cast<size_t>(row.frames) * G719_FRAME_SAMPLES));
    cases.push_back(c);
  }
  ASSERT_GE(cases.size(), 10u) << error;

  std::vector<std::string> portable_wrong, avx2_wrong;
  std::latch start(2);
  std::thread portable([&] {
    start.arrive_and_wait();
    for (int round = 0; round < 2; ++round) {
      for (const std::string &w : run_vectors(cases, KernelSet::kPortable)) portable_wrong.push_back(w);
    }
  });
  std::thread avx2([&] {
    start.arrive_and_wait();
    // The AVX2 set is several times faster: more rounds keep it running
    // while the portable thread does.
    for (int round = 0; round < 8; ++round) {
      for (const std::string &w : run_vectors(cases, KernelSet::kAvx2)) avx2_wrong.push_back(w);
    }
  });
  portable.join();
  avx2.join();
  EXPECT_TRUE(portable_wrong.empty()) << "portable set: " << ::testing::PrintToString(portable_wrong);
  EXPECT_TRUE(avx2_wrong.empty()) << "AVX2 set: " << ::testing::PrintToString(avx2_wrong);
}

}  // namespace
