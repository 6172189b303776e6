/* The table of contents in front of G.719 payloads, in both directions.
 *
 * A table-of-contents entry is two bytes:
 *
 *   byte 0: bit 7 F (another entry follows), bits 6..2 L (frame length
 *           code), bits 1..0 R (sent as 0, ignored on reading);
 *   byte 1: N, the number of frames of length code L that follow.
 *
 * Length codes: 0 means no data (a frame slot without bytes), 1..7 and
 * 28..31 are reserved, 8..22 give 80 + 10 (L - 8) bytes per frame and
 * 23..27 give 240 + 20 (L - 23) bytes. A frame of B bytes lasts 20 ms, so
 * its bitrate is B x 400 bit/s: 32000..88000 in steps of 4000, then
 * 96000..128000 in steps of 8000.
 *
 * The encoder and decoder elements, the file parser and the RTP elements all
 * read and write tables of contents through this one module; it has no
 * GStreamer dependency. */
#ifndef ZEB_G719_PAYLOAD_TOC_H
#define ZEB_G719_PAYLOAD_TOC_H

#include <cstddef>
#include <cstdint>

namespace zeb_g719 {

inline constexpr std::size_t kTocBytes = 2;
inline constexpr unsigned kSamplesPerFrame = 960;
inline constexpr unsigned kBytesPerOutputFrame = kSamplesPerFrame * 2;
inline constexpr std::uint64_t kFrameDurationNs = 20'000'000; /* 960 samples at 48 kHz */

inline constexpr unsigned kMinLengthCode = 8;   /* 80 bytes, 32000 bit/s */
inline constexpr unsigned kMaxLengthCode = 27;  /* 320 bytes, 128000 bit/s */
inline constexpr unsigned kMaxFrameBytes = 320;

/* What a length code stands for. */
enum class LengthCodeKind : std::uint8_t {
  no_data,   /* L = 0 */
  reserved,  /* L = 1..7 or 28..31 (and anything above 31) */
  frames,    /* L = 8..27 */
};

constexpr LengthCodeKind length_code_kind (unsigned length_code)
{
  if (length_code == 0)
    return LengthCodeKind::no_data;
  if (length_code >= kMinLengthCode && length_code <= kMaxLengthCode)
    return LengthCodeKind::frames;
  return LengthCodeKind::reserved;
}

/* Bytes per frame B for a length code, or 0 when the code carries no
 * frames (no data, reserved). */
constexpr unsigned frame_bytes_for_length_code (unsigned length_code)
{
  if (length_code >= 8 && length_code <= 22)
    return 80 + 10 * (length_code - 8);
  if (length_code >= 23 && length_code <= kMaxLengthCode)
    return 240 + 20 * (length_code - 23);
  return 0;
}

/* Bitrate in bit/s of a length code (B x 400), or 0 when it carries no
 * frames. */
constexpr std::int32_t bitrate_for_length_code (unsigned length_code)
{
  return static_cast<std::int32_t> (frame_bytes_for_length_code (length_code) * 400);
}

/* The length code whose frames are frame_bytes long, or -1 when no length
 * code gives that size. */
constexpr int length_code_for_frame_bytes (unsigned frame_bytes)
{
  if (frame_bytes >= 80 && frame_bytes <= 220 && frame_bytes % 10 == 0)
    return static_cast<int> (8 + (frame_bytes - 80) / 10);
  if (frame_bytes >= 240 && frame_bytes <= kMaxFrameBytes && frame_bytes % 20 == 0)
    return static_cast<int> (23 + (frame_bytes - 240) / 20);
  return -1;
}

/* The length code of a bitrate, or -1 when no length code expresses it
 * (it must be 400 x the bytes of a length code). */
constexpr int length_code_for_bitrate (std::int32_t bitrate)
{
  if (bitrate <= 0 || bitrate % 400 != 0)
    return -1;
  return length_code_for_frame_bytes (static_cast<unsigned> (bitrate / 400));
}

/* One table-of-contents entry. */
struct TocEntry {
  bool more_entries = false;  /* F */
  unsigned length_code = 0;   /* L, 0..31 */
  unsigned frame_count = 0;   /* N, 0..255 */
};

constexpr TocEntry read_toc_entry (std::uint8_t byte0, std::uint8_t byte1)
{
  return TocEntry{ (byte0 & 0x80) != 0, (byte0 >> 2) & 31u, byte1 };
}

/* Byte 0 of an entry: F in bit 7, L in bits 6..2, R = 0. */
constexpr std::uint8_t toc_byte0 (bool more_entries, unsigned length_code)
{
  return static_cast<std::uint8_t> ((more_entries ? 0x80 : 0) | ((length_code & 31u) << 2));
}

/* Writes an entry's two bytes to out[0], out[1]. */
constexpr void write_toc_entry (std::uint8_t * out, const TocEntry & entry)
{
  out[0] = toc_byte0 (entry.more_entries, entry.length_code);
  out[1] = static_cast<std::uint8_t> (entry.frame_count);
}

/* Whether a one-entry table of contents can start a payload of audio. */
enum class TocStatus : std::uint8_t {
  valid,         /* F = 0, L in 8..27, N >= 1 */
  more_entries,  /* F = 1: payloads of several entries are not taken here */
  empty,         /* L = 0: no data */
  reserved,      /* L in 1..7 or 28..31 */
  no_frames,     /* valid L but N = 0: carries no audio */
};

/* A one-entry table of contents with everything derived from it. */
struct PayloadToc {
  TocStatus status = TocStatus::empty;
  unsigned length_code = 0;   /* L, 0..31 */
  unsigned frame_count = 0;   /* N, 0..255 */
  unsigned frame_bytes = 0;   /* B; 0 when L carries no frames */
  unsigned payload_bytes = 0; /* 2 + N x B; 0 unless status is valid */
  std::int32_t bitrate = 0;   /* B x 400 bit/s; 0 when L carries no frames */
};

inline constexpr unsigned kMinPayloadBytes = kTocBytes + 80;          /* one frame at L = 8 */
inline constexpr unsigned kMaxPayloadBytes = kTocBytes + 255u * 320u; /* 255 frames at L = 27 */

/* Reads the table of contents of a payload that carries one entry. Never
 * fails: the status says whether the two bytes can start a payload. */
PayloadToc read_payload_toc (std::uint8_t byte0, std::uint8_t byte1);

/* A short human-readable reason for a status, for messages. */
const char *toc_status_text (TocStatus status);

/* Two tables of contents describe the same kind of payload (same L and N). */
constexpr bool same_payload_layout (const PayloadToc & a, const PayloadToc & b)
{
  return a.length_code == b.length_code && a.frame_count == b.frame_count;
}

/* Bytes of a one-entry payload with frame_count frames at bitrate. */
constexpr std::size_t payload_bytes_for_bitrate (std::int32_t bitrate, unsigned frame_count = 1)
{
  return kTocBytes + std::size_t (frame_count) * frame_bytes_for_length_code (
      static_cast<unsigned> (length_code_for_bitrate (bitrate)));
}

}  // namespace zeb_g719

#endif /* ZEB_G719_PAYLOAD_TOC_H */
