// Decodes every bitstream of the conformance vectors, clean and with the
// listed frames declared lost, and compares the output byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "vector_manifest.h"

// Rows print as their file names in test reports.
void PrintTo(const VectorRow &row, std::ostream *os) { *os << row.decoded; }

namespace {

const std::string kVectorsDir = G719_VECTORS_DIR;

std::vector<VectorRow> manifest_rows() {
  std::string error;
  auto rows = load_vector_manifest(kVectorsDir, &error);
  return rows;
}

std::string row_name(const ::testing::TestParamInfo<VectorRow> &info) {
  std::string name = info.param.signal + "_" + std::to_string(info.param.bitrate);
  if (!info.param.lost_frames.empty()) name += "_loss";
  std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

struct DecoderDeleter {
  void operator()(G719DecoderState *d) const { g719_decoder_free(d); }
};

class DecoderConformance : public ::testing::TestWithParam<VectorRow> {};

// Decodes row's bitstream with a decoder on the given kernel set and compares.
void decode_and_compare(const VectorRow &row, KernelSet kernels) {
  bool ok = false;
  const std::vector<uint8_t> stream = read_vector_file(kVectorsDir, row.bitstream, &ok);
  ASSERT_TRUE(ok) << row.bitstream;
  const std::vector<uint8_t> expected_bytes = read_vector_file(kVectorsDir, row.decoded, &ok);
  ASSERT_TRUE(ok) << row.decoded;
  const std::vector<int16_t> expected = s16le_samples(expected_bytes);

  const int frame_bytes = row.bitrate / 400;
  ASSERT_EQ(stream.size(), static_cast<size_t>(row.frames) * frame_bytes);
  ASSERT_EQ(expected.size(), static_cast<size_t>(row.frames) * 960);

  std::unique_ptr<G719DecoderState, DecoderDeleter> dec(g719_decoder_create_with_kernels(row.bitrate, kernels));
  ASSERT_NE(dec, nullptr);
  for (int f = 0; f < row.frames; f++) {
    const bool lost = std::find(row.lost_frames.begin(), row.lost_frames.end(), f) != row.lost_frames.end();
    int16_t pcm[960];
    g719_decode(dec.get(), stream.data() + f * frame_bytes, pcm, lost ? 1 : 0);
    for (int i = 0; i < 960; i++) {
      ASSERT_EQ(pcm[i], expected[f * 960 + i])
          << "first difference in frame " << f << " (" << ((stream[f * frame_bytes] & 0x80) ? "transient" : "stationary")
          << (lost ? ", lost" : "") << ") at sample " << i;
    }
  }
}

// Every vector on both kernel sets (the AVX2 one where the processor has it).
TEST_P(DecoderConformance, ReproducesTheDecodedVector) {
  for (const KernelSet kernels : {KernelSet::kAvx2, KernelSet::kPortable}) {
    if (!g719_kernel_set_supported(kernels)) continue;
    SCOPED_TRACE(kernels == KernelSet::kAvx2 ? "AVX2 kernels" : "portable kernels");
    decode_and_compare(GetParam(), kernels);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Vectors, DecoderConformance, ::testing::ValuesIn(manifest_rows()), row_name);

TEST(DecoderConformanceManifest, CoversCleanLossAndGarbageRowsAtEveryListedBitrate) {
  std::string error;
  const auto rows = load_vector_manifest(kVectorsDir, &error);
  ASSERT_FALSE(rows.empty()) << error;
  int loss = 0, garbage = 0;
  std::vector<int32_t> rates;
  for (const auto &r : rows) {
    loss += !r.lost_frames.empty() && r.signal != "garbage";
    garbage += r.signal == "garbage";
    rates.push_back(r.bitrate);
  }
  EXPECT_GT(loss, 0);
  EXPECT_GT(garbage, 0);
  for (int32_t rate : {32000, 48000, 64000, 128000}) {
    EXPECT_NE(std::find(rates.begin(), rates.end(), rate), rates.end()) << rate;
  }
}

}  // namespace
