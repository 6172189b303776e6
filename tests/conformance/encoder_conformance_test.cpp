// Encodes every input of the conformance vectors at its listed bitrate and
// compares the frames byte for byte with the listed bitstream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "vector_manifest.h"

namespace {

const std::string kVectorsDir = G719_VECTORS_DIR;

struct EncoderCase {
  VectorRow row;
};

// Rows print as their file names in test reports.
void PrintTo(const EncoderCase &c, std::ostream *os) { *os << c.row.bitstream; }

// One case per distinct (input, bitrate, bitstream): the rows that decode the
// same bitstream with losses encode nothing new. Rows without an input are
// decoder-only.
std::vector<EncoderCase> encoder_cases() {
  std::string error;
  const std::vector<VectorRow> rows = load_vector_manifest(kVectorsDir, &error);
  std::vector<EncoderCase> cases;
  std::set<std::tuple<std::string, int32_t, std::string>> seen;
  for (const VectorRow &row : rows) {
    if (row.input.empty() || row.input == "-") continue;
    if (!seen.insert({row.input, row.bitrate, row.bitstream}).second) continue;
    cases.push_back({row});
  }
  return cases;
}

std::string case_name(const ::testing::TestParamInfo<EncoderCase> &info) {
  std::string name = info.param.row.signal + "_" + std::to_string(info.param.row.bitrate);
  std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

struct EncoderDeleter {
  void operator()(G719EncoderState *e) const { g719_encoder_free(e); }
};
using Encoder = std::unique_ptr<G719EncoderState, EncoderDeleter>;

class EncoderConformance : public ::testing::TestWithParam<EncoderCase> {};

TEST(EncoderConformanceManifest, ListsEncoderRowsAtEveryBitrate) {
  std::string error;
  const std::vector<VectorRow> rows = load_vector_manifest(kVectorsDir, &error);
  ASSERT_FALSE(rows.empty()) << error;
  const std::vector<EncoderCase> cases = encoder_cases();
  std::set<int32_t> bitrates;
  for (const EncoderCase &c : cases) bitrates.insert(c.row.bitrate);
  EXPECT_GE(cases.size(), 40u);
  EXPECT_TRUE(bitrates.count(32000) && bitrates.count(48000) && bitrates.count(64000) && bitrates.count(128000));
}

// Encodes row's input with an encoder on the given kernel set and compares.
void encode_and_compare(const VectorRow &row, KernelSet kernels) {
  bool ok = false;
  const std::vector<uint8_t> input_bytes = read_vector_file(kVectorsDir, row.input, &ok);
  ASSERT_TRUE(ok) << row.input;
  const std::vector<uint8_t> expected = read_vector_file(kVectorsDir, row.bitstream, &ok);
  ASSERT_TRUE(ok) << row.bitstream;
  const std::vector<int16_t> pcm = s16le_samples(input_bytes);

  const int32_t frame_bytes = row.bitrate / 400;
  const size_t frames = pcm.size() / G719_FRAME_SAMPLES;  // a partial last frame is not coded
  ASSERT_EQ(frames, static_cast<size_t>(row.frames));
  ASSERT_EQ(expected.size(), frames * frame_bytes);

  Encoder enc(g719_encoder_create_with_kernels(row.bitrate, kernels));
  ASSERT_NE(enc, nullptr);
  ASSERT_EQ(g719_encoder_frame_bytes(enc.get()), frame_bytes);

  int mismatched = 0;
  std::ostringstream first;
  for (size_t f = 0; f < frames; ++f) {
    uint8_t frame[G719_MAX_FRAME_BYTES];
    g719_encode(enc.get(), pcm.data() + f * G719_FRAME_SAMPLES, frame);
    const uint8_t *want = expected.data() + f * frame_bytes;
    if (std::equal(frame, frame + frame_bytes, want)) continue;
    if (mismatched++ == 0) {
      int bit = 0;
      while (((frame[bit / 8] ^ want[bit / 8]) & (0x80 >> (bit % 8))) == 0) ++bit;
      first << "first differing frame " << f << " (transient flag " << ((want[0] >> 7) & 1) << "), bit " << bit;
    }
  }
  EXPECT_EQ(mismatched, 0) << mismatched << " of " << frames << " frames differ; " << first.str();
}

// Every vector on both kernel sets (the AVX2 one where the processor has it).
TEST_P(EncoderConformance, ReproducesTheBitstream) {
  for (const KernelSet kernels : {KernelSet::kAvx2, KernelSet::kPortable}) {
    if (!g719_kernel_set_supported(kernels)) continue;
    SCOPED_TRACE(kernels == KernelSet::kAvx2 ? "AVX2 kernels" : "portable kernels");
    encode_and_compare(GetParam().row, kernels);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Vectors, EncoderConformance, ::testing::ValuesIn(encoder_cases()), case_name);

}  // namespace
