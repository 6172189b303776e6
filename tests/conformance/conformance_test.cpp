// Every conformance vector on instances of both kernel sets: each input
// encodes to exactly the listed bitstream, and each bitstream, with the
// listed frames declared lost, decodes to exactly the listed samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "vector_manifest.h"

void PrintTo(const VectorRow &row, std::ostream *os) { *os << row.decoded; }

namespace {

const std::string kDir = G719_VECTORS_DIR;

// The first frame in which a and b differ, -1 when they are equal.
template <class T>
int first_differing_frame(const std::vector<T> &a, const std::vector<T> &b, size_t per_frame) {
  for (size_t f = 0; f * per_frame < a.size(); ++f) {
    if (!std::equal(a.begin() + f * per_frame, a.begin() + (f + 1) * per_frame, b.begin() + f * per_frame)) return f;
  }
  return -1;
}

class Conformance : public ::testing::TestWithParam<VectorRow> {};

TEST_P(Conformance, BothKernelSetsReproduceTheVector) {
  const VectorRow &row = GetParam();
  const std::vector<uint8_t> stream = read_vector_file(kDir, row.bitstream);
  const std::vector<int16_t> decoded = s16le_samples(read_vector_file(kDir, row.decoded));
  const std::vector<int16_t> input = s16le_samples(read_vector_file(kDir, row.input));  // none for "-"
  const size_t bytes = row.bitrate / 400, frames = row.frames;
  ASSERT_EQ(stream.size(), frames * bytes);
  ASSERT_EQ(decoded.size(), frames * G719_FRAME_SAMPLES);
  ASSERT_TRUE(row.input == "-" || input.size() / G719_FRAME_SAMPLES == frames);
  for (const KernelSet set : {KernelSet::kPortable, KernelSet::kAvx2}) {
    if (!g719_kernel_set_supported(set)) continue;
    SCOPED_TRACE(set == KernelSet::kAvx2 ? "AVX2 kernels" : "portable kernels");
    if (!input.empty()) {
      G719EncoderState *enc = g719_encoder_create_with_kernels(row.bitrate, set);
      ASSERT_NE(enc, nullptr);
      std::vector<uint8_t> out(stream.size());
      for (size_t f = 0; f < frames; ++f) g719_encode(enc, &input[f * G719_FRAME_SAMPLES], &out[f * bytes]);
      g719_encoder_free(enc);
      EXPECT_EQ(first_differing_frame(out, stream, bytes), -1) << "first frame that encodes differently";
    }
    G719DecoderState *dec = g719_decoder_create_with_kernels(row.bitrate, set);
    ASSERT_NE(dec, nullptr);
    std::vector<int16_t> pcm(decoded.size());
    for (size_t f = 0; f < frames; ++f) {
      const bool lost = std::count(row.lost_frames.begin(), row.lost_frames.end(), static_cast<int>(f)) != 0;
      g719_decode(dec, &stream[f * bytes], &pcm[f * G719_FRAME_SAMPLES], lost ? 1 : 0);
    }
    g719_decoder_free(dec);
    EXPECT_EQ(first_differing_frame(pcm, decoded, G719_FRAME_SAMPLES), -1) << "first frame that decodes differently";
  }
}

const std::vector<VectorRow> kRows = load_vector_manifest(kDir);

TEST(ConformanceManifest, IsRead) { EXPECT_GE(kRows.size(), 50u); }

INSTANTIATE_TEST_SUITE_P(Vectors, Conformance, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<VectorRow> &info) {
                           std::string name = info.param.decoded.substr(4);  // dec/<name>.pcm
                           name.resize(name.size() - 4);
                           return name;
                         });

}  // namespace
