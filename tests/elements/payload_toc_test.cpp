// The table of contents' arithmetic and the bitrate enum type, tested without
// GStreamer pipelines.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "payload_toc.h"
#include "zeb_g719_bitrate.h"

namespace {

using namespace zeb_g719;

// Every length code 0..31, read and written: its class, frame size, bitrate,
// the inverse mappings and the one-entry payload status.
TEST (PayloadToc, EveryLengthCodeBothWays)
{
  const unsigned bytes[32] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200, 210, 220,
    240, 260, 280, 300, 320,
    0, 0, 0, 0,
  };
  for (unsigned l = 0; l < 32; l++) {
    SCOPED_TRACE (testing::Message () << "L = " << l);
    const LengthCodeKind kind = l == 0 ? LengthCodeKind::no_data
        : bytes[l] != 0 ? LengthCodeKind::frames : LengthCodeKind::reserved;
    EXPECT_EQ (length_code_kind (l), kind);
    EXPECT_EQ (frame_bytes_for_length_code (l), bytes[l]);
    EXPECT_EQ (bitrate_for_length_code (l), int32_t (bytes[l] * 400));
    if (bytes[l] != 0) {
      EXPECT_EQ (length_code_for_frame_bytes (bytes[l]), int (l));
      EXPECT_EQ (length_code_for_bitrate (int32_t (bytes[l] * 400)), int (l));
    }

    for (bool more : {false, true}) {
      for (unsigned r = 0; r < 4; r++) {
        // R is written as 0 and ignored on reading.
        const uint8_t byte0 = toc_byte0 (more, l) | r;
        EXPECT_EQ (toc_byte0 (more, l) & 3, 0);
        const TocEntry e = read_toc_entry (byte0, 7);
        EXPECT_EQ (e.more_entries, more);
        EXPECT_EQ (e.length_code, l);
        EXPECT_EQ (e.frame_count, 7u);

        const PayloadToc t = read_payload_toc (byte0, 7);
        const TocStatus status = more ? TocStatus::more_entries
            : kind == LengthCodeKind::no_data ? TocStatus::empty
            : kind == LengthCodeKind::reserved ? TocStatus::reserved : TocStatus::valid;
        EXPECT_EQ (t.status, status);
        EXPECT_EQ (t.frame_bytes, bytes[l]);
        EXPECT_EQ (t.payload_bytes, status == TocStatus::valid ? 2 + 7 * bytes[l] : 0u);
      }
    }
  }
  EXPECT_EQ (read_payload_toc (0x40, 0).status, TocStatus::no_frames);
  EXPECT_EQ (read_payload_toc (27 << 2, 255).payload_bytes, kMaxPayloadBytes);

  uint8_t out[2] = {};
  write_toc_entry (out, {true, 27, 255});
  EXPECT_EQ (out[0], 0xEC);
  EXPECT_EQ (out[1], 0xFF);
}

// Of the 241 bitrates the codec holds (multiples of 400 from 32000 to
// 128000), exactly the 20 of the length codes have a table of contents.
TEST (PayloadToc, EveryBitrateTheCodecHolds)
{
  int expressible = 0;
  for (int32_t bitrate = 32000; bitrate <= 128000; bitrate += 400) {
    const int l = length_code_for_bitrate (bitrate);
    const bool has_code = (bitrate <= 88000 && bitrate % 4000 == 0) || (bitrate >= 96000 && bitrate % 8000 == 0);
    EXPECT_EQ (l >= 0, has_code) << bitrate;
    if (l >= 0) {
      expressible++;
      EXPECT_EQ (bitrate_for_length_code (unsigned (l)), bitrate);
    }
  }
  EXPECT_EQ (expressible, 20);
  for (int32_t bitrate : {0, -4000, 28000, 92000, 132000, 32001})
    EXPECT_EQ (length_code_for_bitrate (bitrate), -1) << bitrate;
  for (unsigned b : {0u, 70u, 85u, 230u, 250u, 340u})
    EXPECT_EQ (length_code_for_frame_bytes (b), -1) << b;

  // The encoder's payloads: 0x20/0x30/0x40, then one frame.
  EXPECT_EQ (toc_byte0 (false, unsigned (length_code_for_bitrate (32000))), 0x20);
  EXPECT_EQ (toc_byte0 (false, unsigned (length_code_for_bitrate (48000))), 0x30);
  EXPECT_EQ (toc_byte0 (false, unsigned (length_code_for_bitrate (64000))), 0x40);
  EXPECT_EQ (payload_bytes_for_bitrate (48000), 122u);
  EXPECT_EQ (payload_bytes_for_bitrate (128000, 3), 962u);
}

TEST (BitrateEnum, RegisteredOnceAcrossThreads)
{
  std::vector<GType> ids (8, 0);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < ids.size (); i++)
    threads.emplace_back ([&ids, i] { ids[i] = zeb_g719_bitrate_get_type (); });
  for (auto &t : threads)
    t.join ();
  for (GType id : ids)
    EXPECT_EQ (id, ids[0]);
  ASSERT_TRUE (G_TYPE_IS_ENUM (ids[0]));
  EXPECT_STREQ (g_type_name (ids[0]), "ZebG719Bitrate");

  GEnumClass *klass = G_ENUM_CLASS (g_type_class_ref (ids[0]));
  ASSERT_EQ (klass->n_values, 3u);
  EXPECT_EQ (klass->values[0].value, 32000);
  EXPECT_EQ (klass->values[1].value, 48000);
  EXPECT_EQ (klass->values[2].value, 64000);
  EXPECT_NE (g_enum_get_value (klass, 64000), nullptr) << "the property's default is a member";
  EXPECT_EQ (g_enum_get_value (klass, 56000), nullptr);
  g_type_class_unref (klass);
}

}  // namespace
