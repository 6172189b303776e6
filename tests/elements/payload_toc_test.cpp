// The table of contents in both directions: every length code and every
// bitrate the codec holds.
#include <gtest/gtest.h>

#include "payload_toc.h"

namespace {

using namespace zeb_g719;

TEST (PayloadToc, EveryLengthCodeBothWays)
{
  const unsigned bytes[32] = {0, 0, 0, 0, 0, 0, 0, 0, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170,
    180, 190, 200, 210, 220, 240, 260, 280, 300, 320, 0, 0, 0, 0};
  for (unsigned l = 0; l < 32; l++) {
    SCOPED_TRACE (testing::Message () << "L = " << l);
    EXPECT_EQ (frame_bytes_for_length_code (l), bytes[l]);
    EXPECT_EQ (bitrate_for_length_code (l), int32_t (bytes[l] * 400));
    if (bytes[l] != 0) {
      EXPECT_EQ (length_code_for_bitrate (int32_t (bytes[l] * 400)), int (l));
    }
    for (unsigned fr = 0; fr < 8; fr++) {
      // F and L as written, R written as 0 and ignored on reading.
      const bool more = fr & 4;
      const uint8_t byte0 = toc_byte0 (more, l) | (fr & 3);
      EXPECT_EQ (byte0, (fr & 4) << 5 | l << 2 | (fr & 3));
      const PayloadToc t = read_payload_toc (byte0, 7);
      const TocStatus status = more ? TocStatus::more_entries : l == 0 ? TocStatus::empty
          : bytes[l] == 0 ? TocStatus::reserved : TocStatus::valid;
      EXPECT_EQ (t.status, status);
      EXPECT_EQ (t.length_code * 1000 + t.frame_count, l * 1000 + 7);
      EXPECT_EQ (t.payload_bytes, status == TocStatus::valid ? 2 + 7 * bytes[l] : 0u);
    }
  }
  EXPECT_EQ (read_payload_toc (0x40, 0).status, TocStatus::no_frames);
  uint8_t out[2] = {};
  write_toc_entry (out, {true, 27, 255});
  EXPECT_EQ (out[0] << 8 | out[1], 0xECFF);
}

TEST (PayloadToc, EveryBitrateTheCodecHolds)
{
  // Of the multiples of 400 from 32000 to 128000, those of 4000 up to 88000
  // and of 8000 from 96000 have a length code; no other bitrate has one.
  int expressible = 0;
  for (int32_t bitrate = 28000; bitrate <= 132000; bitrate += 400) {
    const bool has_code = (bitrate >= 32000 && bitrate <= 88000 && bitrate % 4000 == 0) ||
        (bitrate >= 96000 && bitrate <= 128000 && bitrate % 8000 == 0);
    const int l = length_code_for_bitrate (bitrate);
    EXPECT_EQ (l >= 0, has_code) << bitrate;
    if (l >= 0) {
      expressible++;
      EXPECT_EQ (bitrate_for_length_code (unsigned (l)), bitrate);
      EXPECT_EQ (payload_bytes_for_bitrate (bitrate, 3), 2u + 3u * unsigned (bitrate / 400));
    }
  }
  EXPECT_EQ (expressible, 20);
  EXPECT_EQ (length_code_for_bitrate (-4000), -1);
}

}  // namespace
