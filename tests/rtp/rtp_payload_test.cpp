// The RTP payload reader and writer: RFC 5404's worked examples, the interleaved fields,
// writer/reader agreement. Malformed payloads: rtp_elements_test, through the depayloader.
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

using Layout = std::vector<std::array<unsigned, 3>>;  // (slot, length code, offset) of each block

// The blocks read, none on an error.
Layout read(const Bytes &payload, RtpPayloadMode mode = RtpPayloadMode::basic, unsigned channels = 1) {
  std::array<RtpFrameBlock, kMaxBlocksPerPacket> blocks{};
  const RtpPayloadLayout layout = read_rtp_payload(payload, mode, channels, blocks);
  Layout out;
  for (std::size_t i = 0; i < layout.blocks; i++) out.push_back({blocks[i].slot, blocks[i].length_code, blocks[i].offset});
  EXPECT_EQ(layout.error == RtpPayloadError::none, !out.empty());
  return out;
}

TEST(RtpPayload, Rfc5404SectionSixExamples) {
  // 6.1: basic mode, two 32 kbit/s frames then one 48 kbit/s frame (the
  // elements' tests send and receive it whole).
  const Bytes p61 = cat({{0xA0, 0x02, 0x30, 0x01}, frame(80, 1), frame(80, 2), frame(120, 3)});
  EXPECT_EQ(read(p61), (Layout{{0, 8, 4}, {1, 8, 84}, {2, 12, 164}}));

  // 6.2: stereo, two frame-blocks of L and R frames at 32 kbit/s.
  const Bytes p62 = cat({{0x20, 0x02}, frame(4 * 80, 0)});
  EXPECT_EQ(read(p62, RtpPayloadMode::basic, 2), (Layout{{0, 8, 2}, {1, 8, 162}}));
  EXPECT_TRUE(read(p62).empty());  // not mono: the frames do not fill the packet

  // 6.3: interleaved, frames 13, 18, 23 and 28 of the pattern (DIS 0, 4, 4, 4).
  const Bytes p63 = cat({{0x20, 0x04, 0x04, 0x44}, frame(4 * 80, 0)});
  EXPECT_EQ(read(p63, RtpPayloadMode::interleaved), (Layout{{0, 8, 4}, {5, 8, 84}, {10, 8, 164}, {15, 8, 244}}));
  // Without the interleaving parameter the DIS bytes are taken for frame data.
  EXPECT_TRUE(read(p63).empty());
}

TEST(RtpPayload, InterleavedFieldsAcrossEntries) {
  // Entry 1: L = 8, three frames, DIS 15 (first of the packet: ignored), 1, 2,
  // padding 15 (ignored). Entry 2: no data, one frame, DIS 3, padding 15.
  const Bytes p = cat({{0xA0, 0x03, 0xF1, 0x2F, 0x00, 0x01, 0x3F}, frame(3 * 80, 0)});
  EXPECT_EQ(read(p, RtpPayloadMode::interleaved), (Layout{{0, 8, 7}, {2, 8, 87}, {5, 8, 167}, {9, 0, 247}}));
}

TEST(RtpPayload, WriterAndReaderAgreeOnRunsAndLongRuns) {
  // A run longer than one entry holds is cut at 255 frames.
  std::vector<uint8_t> codes(300, 8);
  for (uint8_t c : {12, 12, 0, 27, 8}) codes.push_back(c);
  const std::size_t toc_bytes = basic_toc_bytes(codes);
  EXPECT_EQ(toc_bytes, 2u * 6);
  Bytes payload(toc_bytes);
  ASSERT_EQ(write_basic_toc(codes, payload.data()), toc_bytes);
  EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 4), (Bytes{0xA0, 0xFF, 0xA0, 0x2D}));
  std::array<unsigned, 28> payload_sizes{};
  payload_sizes[8] = 80, payload_sizes[12] = 120, payload_sizes[27] = 320;
  for (uint8_t c : codes) payload.resize(payload.size() + payload_sizes[c], c);

  Layout expected;
  for (std::size_t i = 0, offset = toc_bytes; i < codes.size(); offset += payload_sizes[codes[i]], i++)
    expected.push_back({unsigned(i), codes[i], unsigned(offset)});
  EXPECT_EQ(read(payload), expected);
}

}  // namespace
