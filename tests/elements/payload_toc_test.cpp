// The table of contents' arithmetic and the bitrate enum type, tested without
// GStreamer pipelines.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "payload_toc.h"
#include "zeb_g719_bitrate.h"

namespace {

using namespace zeb_g719;

TEST (PayloadToc, FrameBytesForEveryLengthCode)
{
  // Rows of the length-code table: L = 8..22 gives 10 L bytes, L = 23..27
  // gives 20 L - 220 bytes, everything else carries no frames.
  const struct { unsigned l, bytes; } rows[] = {
    {8, 80}, {9, 90}, {12, 120}, {16, 160}, {21, 210}, {22, 220},
    {23, 240}, {24, 260}, {25, 280}, {26, 300}, {27, 320},
  };
  for (const auto &r : rows)
    EXPECT_EQ (toc_frame_bytes (r.l), r.bytes) << "L = " << r.l;
  for (unsigned l : {0u, 1u, 2u, 5u, 7u, 28u, 29u, 30u, 31u, 32u, 255u})
    EXPECT_EQ (toc_frame_bytes (l), 0u) << "L = " << l;
  // Every decodable length code gives a bitrate the codec holds: a multiple
  // of 400 from 32000 to 128000 bit/s, growing with L.
  unsigned previous = 0;
  for (unsigned l = 8; l <= 27; l++) {
    const unsigned bitrate = toc_frame_bytes (l) * 400;
    EXPECT_GE (bitrate, 32000u);
    EXPECT_LE (bitrate, 128000u);
    EXPECT_GT (bitrate, previous);
    previous = bitrate;
  }
}

TEST (PayloadToc, FieldsOfByteZero)
{
  EXPECT_FALSE (toc_more_entries (0x7F));
  EXPECT_TRUE (toc_more_entries (0x80));
  EXPECT_EQ (toc_length_code (0x20), 8u);
  EXPECT_EQ (toc_length_code (0x23), 8u) << "bits 1..0 are ignored";
  EXPECT_EQ (toc_length_code (0x6C), 27u);
  EXPECT_EQ (toc_length_code (0xFC), 31u) << "F is not part of L";
  EXPECT_EQ (toc_length_code (0x03), 0u);
}

TEST (PayloadToc, EncoderPayloadPerBitrate)
{
  EXPECT_EQ (toc_first_byte_for_bitrate (32000), 0x20);
  EXPECT_EQ (toc_first_byte_for_bitrate (48000), 0x30);
  EXPECT_EQ (toc_first_byte_for_bitrate (64000), 0x40);
  EXPECT_EQ (payload_bytes_for_bitrate (32000), 82u);
  EXPECT_EQ (payload_bytes_for_bitrate (48000), 122u);
  EXPECT_EQ (payload_bytes_for_bitrate (64000), 162u);
  // What the encoder writes, the decoder reads back as the same bitrate.
  for (int bitrate : {32000, 48000, 64000}) {
    const uint8_t byte0 = toc_first_byte_for_bitrate (bitrate);
    EXPECT_FALSE (toc_more_entries (byte0));
    EXPECT_EQ (toc_frame_bytes (toc_length_code (byte0)) * 400, static_cast<unsigned> (bitrate));
  }
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
