/* The one-entry table of contents in front of every payload:
 *
 *   byte 0: bit 7 F (another entry follows), bits 6..2 L (frame length code),
 *           bits 1..0 ignored;
 *   byte 1: N, the number of frames that follow, each B bytes.
 *
 * L = 8..22 gives B = 10 L bytes, L = 23..27 gives B = 20 L - 220 bytes;
 * 0 means no data and 1..7, 28..31 are reserved. The bitrate is B x 400 bit/s
 * (B bytes every 20 ms). */
#ifndef ZEB_G719_PAYLOAD_TOC_H
#define ZEB_G719_PAYLOAD_TOC_H

#include <cstddef>
#include <cstdint>

namespace zeb_g719 {

inline constexpr std::size_t kTocBytes = 2;
inline constexpr unsigned kSamplesPerFrame = 960;
inline constexpr unsigned kBytesPerOutputFrame = kSamplesPerFrame * 2;

/* Flag F of byte 0. */
constexpr bool toc_more_entries (uint8_t byte0) { return (byte0 & 0x80) != 0; }

/* Frame length code L of byte 0. */
constexpr unsigned toc_length_code (uint8_t byte0) { return (byte0 >> 2) & 31u; }

/* Bytes per frame B for a length code, or 0 for the empty (0) and reserved
 * (1..7, 28..31) codes and anything out of range. */
constexpr unsigned toc_frame_bytes (unsigned length_code)
{
  if (length_code >= 8 && length_code <= 22)
    return 10 * length_code;
  if (length_code >= 23 && length_code <= 27)
    return 20 * length_code - 220;
  return 0;
}

/* Byte 0 the encoder writes for bitrate: L = bitrate / 4000 in bits 6..2, F
 * and the two low bits zero. */
constexpr uint8_t toc_first_byte_for_bitrate (int32_t bitrate)
{
  return static_cast<uint8_t> (((bitrate / 4000) << 2) & 0xF0);
}

/* Bytes of one encoded payload (table of contents and one frame). */
constexpr std::size_t payload_bytes_for_bitrate (int32_t bitrate)
{
  return kTocBytes + static_cast<std::size_t> (bitrate / 400);
}

}  // namespace zeb_g719

#endif /* ZEB_G719_PAYLOAD_TOC_H */
