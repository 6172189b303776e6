// The RTP payload reader and writer on their own: RFC 5404's worked examples,
// the interleaved fields, every malformed class, and writer/reader agreement.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "rtp_payload.h"
#include "rtp_test_support.h"

using namespace zeb_g719;
using rtp_test::Bytes;
using rtp_test::cat;
using rtp_test::frame;

namespace {

struct Read {
  RtpPayloadError error;
  std::vector<RtpFrameBlock> blocks;
};

Read read(const Bytes &payload, RtpPayloadMode mode = RtpPayloadMode::basic, unsigned channels = 1) {
  std::array<RtpFrameBlock, kMaxBlocksPerPacket> blocks{};
  const RtpPayloadLayout layout = read_rtp_payload(payload, mode, channels, blocks);
  return {layout.error, std::vector<RtpFrameBlock>(blocks.begin(), blocks.begin() + layout.blocks)};
}

// (slot, length code, offset) of each block.
std::vector<std::array<unsigned, 3>> layout_of(const Read &r) {
  std::vector<std::array<unsigned, 3>> out;
  for (const RtpFrameBlock &b : r.blocks) out.push_back({b.slot, b.length_code, b.offset});
  return out;
}

using Layout = std::vector<std::array<unsigned, 3>>;

TEST(RtpPayload, Rfc5404SectionSixExamples) {
  // 6.1: basic mode, two 32 kbit/s frames then one 48 kbit/s frame.
  const Bytes toc61 = {0xA0, 0x02, 0x30, 0x01};
  const std::array<uint8_t, 3> codes61 = {8, 8, 12};
  std::array<uint8_t, 4> written{};
  ASSERT_EQ(write_basic_toc(codes61, written.data()), 4u);
  EXPECT_EQ(Bytes(written.begin(), written.end()), toc61);
  const Read r61 = read(cat({toc61, frame(80, 1), frame(80, 2), frame(120, 3)}));
  EXPECT_EQ(r61.error, RtpPayloadError::none);
  EXPECT_EQ(layout_of(r61), (Layout{{0, 8, 4}, {1, 8, 84}, {2, 12, 164}}));

  // 6.2: stereo, two frame-blocks of L and R frames at 32 kbit/s.
  const Bytes p62 = cat({{0x20, 0x02}, frame(4 * 80, 0)});
  const Read r62 = read(p62, RtpPayloadMode::basic, 2);
  EXPECT_EQ(layout_of(r62), (Layout{{0, 8, 2}, {1, 8, 162}}));
  EXPECT_EQ(read(p62).error, RtpPayloadError::size_mismatch);  // not mono

  // 6.3: interleaved, frames 13, 18, 23 and 28 of the pattern (DIS 0, 4, 4, 4).
  const Bytes p63 = cat({{0x20, 0x04, 0x04, 0x44}, frame(4 * 80, 0)});
  const Read r63 = read(p63, RtpPayloadMode::interleaved);
  EXPECT_EQ(layout_of(r63), (Layout{{0, 8, 4}, {5, 8, 84}, {10, 8, 164}, {15, 8, 244}}));
  // Without the interleaving parameter the DIS bytes are taken for frame data.
  EXPECT_EQ(read(p63).error, RtpPayloadError::size_mismatch);
}

TEST(RtpPayload, InterleavedFieldsAcrossEntries) {
  // Entry 1: L = 8, three frames, DIS 15 (first of the packet: ignored), 1, 2,
  // padding 15 (ignored). Entry 2: no data, one frame, DIS 3, padding 15.
  const Bytes p = cat({{0xA0, 0x03, 0xF1, 0x2F, 0x00, 0x01, 0x3F}, frame(3 * 80, 0)});
  const Read r = read(p, RtpPayloadMode::interleaved);
  ASSERT_EQ(r.error, RtpPayloadError::none);
  EXPECT_EQ(layout_of(r), (Layout{{0, 8, 7}, {2, 8, 87}, {5, 8, 167}, {9, 0, 247}}));
}

TEST(RtpPayload, MalformedPayloadsAreRejectedWhole) {
  const Bytes f80 = frame(80, 0);
  Bytes no_data_chain;  // 5 x 255 empty slots, more than a packet may describe
  for (int i = 0; i < 5; i++) no_data_chain.insert(no_data_chain.end(), {uint8_t(i < 4 ? 0x80 : 0x00), 0xFF});
  const struct {
    Bytes payload;
    RtpPayloadMode mode;
    RtpPayloadError error;
  } cases[] = {
      {{}, RtpPayloadMode::basic, RtpPayloadError::empty},
      {cat({{0x04, 0x01}, f80}), RtpPayloadMode::basic, RtpPayloadError::reserved_length_code},  // L = 1
      {cat({{0x1C, 0x01}, f80}), RtpPayloadMode::basic, RtpPayloadError::reserved_length_code},  // L = 7
      {cat({{0x70, 0x01}, f80}), RtpPayloadMode::basic, RtpPayloadError::reserved_length_code},  // L = 28
      {cat({{0x20, 0x01}, f80, {0}}), RtpPayloadMode::basic, RtpPayloadError::size_mismatch},
      {cat({{0x20, 0x01}, frame(79, 0)}), RtpPayloadMode::basic, RtpPayloadError::size_mismatch},
      {cat({{0x00, 0x01}, {0}}), RtpPayloadMode::basic, RtpPayloadError::size_mismatch},  // no data has no bytes
      {{0xA0, 0x01}, RtpPayloadMode::basic, RtpPayloadError::toc_past_end},
      {{0xA0, 0x01, 0xA0}, RtpPayloadMode::basic, RtpPayloadError::toc_past_end},
      {{0x20}, RtpPayloadMode::basic, RtpPayloadError::toc_past_end},
      {{0x20, 0x04, 0x00}, RtpPayloadMode::interleaved, RtpPayloadError::toc_past_end},  // DIS past the end
      {{0xA0, 0x01, 0x00}, RtpPayloadMode::interleaved, RtpPayloadError::toc_past_end},
      {cat({{0x20, 0x00}, f80}), RtpPayloadMode::basic, RtpPayloadError::entry_without_frames},
      {no_data_chain, RtpPayloadMode::basic, RtpPayloadError::too_many_blocks},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.payload.size()) + " bytes, first " +
                 ::testing::PrintToString(c.payload.empty() ? -1 : c.payload[0]));
    const Read r = read(c.payload, c.mode);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(r.blocks.empty());
  }
}

TEST(RtpPayload, WriterAndReaderAgreeOnRunsAndLongRuns) {
  // A run longer than one entry holds is cut at 255 frames.
  std::vector<uint8_t> codes(300, 8);
  codes.insert(codes.end(), {12, 12, 0, 27, 8});
  const std::size_t toc_bytes = basic_toc_bytes(codes);
  EXPECT_EQ(toc_bytes, 2u * 6);
  Bytes payload(toc_bytes);
  ASSERT_EQ(write_basic_toc(codes, payload.data()), toc_bytes);
  EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 4), (Bytes{0xA0, 0xFF, 0xA0, 0x2D}));
  for (uint8_t c : codes) payload.resize(payload.size() + (c == 0 ? 0 : c == 27 ? 320 : 10 * c), c);

  const Read r = read(payload);
  ASSERT_EQ(r.error, RtpPayloadError::none);
  ASSERT_EQ(r.blocks.size(), codes.size());
  for (std::size_t i = 0; i < codes.size(); i++) {
    EXPECT_EQ(r.blocks[i].slot, i);
    EXPECT_EQ(r.blocks[i].length_code, codes[i]);
    if (codes[i] != 0) {
      EXPECT_EQ(payload[r.blocks[i].offset], codes[i]);
    }
  }
}

}  // namespace
