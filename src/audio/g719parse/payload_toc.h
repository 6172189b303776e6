/* The two-byte table of contents in front of every G.719 payload.
 *
 * Byte 0: F (bit 7, another entry follows), L (bits 6..2, frame length code),
 * two ignored bits. Byte 1: N, the number of frames that follow, each B bytes
 * long. A payload is therefore 2 + N * B bytes and lasts N * 20 ms.
 *
 * No GStreamer here: the parser element and the type finder share this. */
#ifndef ZEB_G719PARSE_PAYLOAD_TOC_H
#define ZEB_G719PARSE_PAYLOAD_TOC_H

#include <cstdint>

#include "../g719/payload_toc.h"

/* Why a table of contents can or cannot start a payload. */
enum class TocStatus : std::uint8_t {
  valid,          /* F = 0, L in 8..27, N >= 1 */
  more_entries,   /* F = 1: multi-entry payloads are not supported */
  empty,          /* L = 0: no data */
  reserved,       /* L in 1..7 or 28..31 */
  no_frames,      /* valid L but N = 0: carries no audio */
};

struct PayloadToc {
  TocStatus status;
  unsigned length_code;   /* L, 0..31 */
  unsigned frame_count;   /* N, 0..255 */
  unsigned frame_bytes;   /* B; 0 when L is empty or reserved */
  unsigned payload_bytes; /* 2 + N * B; 0 unless status is valid */
  int bitrate;            /* B * 400 bit/s; 0 when L is empty or reserved */
};

inline constexpr unsigned kTocBytes = zeb_g719::kTocBytes;
inline constexpr std::uint64_t kFrameDurationNs = 20'000'000; /* 960 samples at 48 kHz */
inline constexpr unsigned kMinPayloadBytes = kTocBytes + 80;  /* one frame at L = 8 */
inline constexpr unsigned kMaxPayloadBytes = kTocBytes + 255u * 320u;

/* Bytes per frame for length code L (0 for the empty and reserved codes):
 * the decoder's own rule, so that parser and decoder can never disagree. */
constexpr unsigned frame_bytes_for_length_code(unsigned length_code) {
  return zeb_g719::toc_frame_bytes(length_code);
}

/* Decodes a table of contents. Never fails: the status says whether the two
 * bytes can start a payload. */
PayloadToc read_payload_toc(std::uint8_t byte0, std::uint8_t byte1);

/* A short human-readable reason for a status, for log messages. */
const char *toc_status_text(TocStatus status);

/* Two tables of contents describe the same kind of payload (same L and N),
 * so the second one continues a constant-bitrate run. */
inline bool same_payload_layout(const PayloadToc &a, const PayloadToc &b) {
  return a.length_code == b.length_code && a.frame_count == b.frame_count;
}

#endif /* ZEB_G719PARSE_PAYLOAD_TOC_H */
