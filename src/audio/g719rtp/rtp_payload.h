/* The RTP payload of G.719 (RFC 5404): a table of contents, then the frames.
 *
 * Every table-of-contents entry starts with the byte F(1) L(5) R(2) and the
 * frame count #frames (8 bits); F = 1 means another entry follows. In
 * interleaved mode #frames 4-bit DIS fields follow, the number of
 * frame-blocks skipped since the previous block in decoding order, padded to
 * a whole byte when #frames is odd. A frame-block is one frame per channel
 * for one 20 ms slot; an entry with L = 0 (no data) stands for empty slots
 * that carry no bytes. The length-code rules themselves live in
 * payload_toc.h.
 *
 * No GStreamer dependency: the payloader, the depayloader, the fuzz target
 * and the tests share this reader and writer. */
#ifndef ZEB_G719_RTP_PAYLOAD_H
#define ZEB_G719_RTP_PAYLOAD_H

#include <cstddef>
#include <cstdint>
#include <span>

namespace zeb_g719 {

inline constexpr unsigned kRtpClockRate = 48000;
inline constexpr unsigned kRtpTicksPerFrame = 960; /* 20 ms at kRtpClockRate */
inline constexpr unsigned kMaxRtpChannels = 6;
/* Frames of one length code in one entry. */
inline constexpr unsigned kMaxFramesPerEntry = 255;
/* Packets describing more frame-blocks than this are not taken: a 64 KiB
 * datagram holds at most about 800 frames, and a longer run of no-data slots
 * is no use to anyone. */
inline constexpr std::size_t kMaxBlocksPerPacket = 1024;

enum class RtpPayloadMode : std::uint8_t {
  basic,        /* entries of 2 bytes; blocks follow each other */
  interleaved,  /* entries carry DIS fields; blocks may skip slots */
};

/* One frame-block of a packet. */
struct RtpFrameBlock {
  std::uint32_t slot = 0;         /* 20 ms slots after the packet's RTP timestamp */
  std::uint8_t length_code = 0;   /* L; 0 = no data */
  std::uint16_t frame_bytes = 0;  /* bytes of each channel's frame; 0 for no data */
  std::uint32_t offset = 0;       /* payload offset of the block's first frame */
};

enum class RtpPayloadError : std::uint8_t {
  none,
  empty,                 /* no byte at all */
  toc_past_end,          /* an entry (F chain, DIS fields) runs past the payload */
  reserved_length_code,  /* L in 1..7 or 28..31 */
  entry_without_frames,  /* #frames = 0, which has no meaning */
  size_mismatch,         /* the frames do not fill the payload exactly */
  too_many_blocks,       /* more than kMaxBlocksPerPacket frame-blocks */
};

/* What read_rtp_payload found: an error, or the number of frame-blocks. */
struct RtpPayloadLayout {
  RtpPayloadError error = RtpPayloadError::none;
  std::size_t blocks = 0;  /* 0 unless error is none */
};

/* Reads the table of contents of a payload and checks it against the
 * payload's size before anything else is read. On success writes the
 * frame-blocks to blocks[0 .. count) in payload order, which is decoding
 * order; blocks has room for kMaxBlocksPerPacket. channels is
 * 1..kMaxRtpChannels. Reads nothing outside `payload`. */
RtpPayloadLayout read_rtp_payload (std::span<const std::uint8_t> payload,
    RtpPayloadMode mode, unsigned channels, std::span<RtpFrameBlock> blocks);

/* A short human-readable reason, for messages. */
const char *rtp_payload_error_text (RtpPayloadError error);

/* Bytes of a basic-mode table of contents for mono frames with these length
 * codes in order: one entry per run of equal codes, at most
 * kMaxFramesPerEntry frames each. */
std::size_t basic_toc_bytes (std::span<const std::uint8_t> length_codes);

/* Writes that table of contents to out, which has room for
 * basic_toc_bytes (length_codes) bytes. Returns the bytes written. */
std::size_t write_basic_toc (std::span<const std::uint8_t> length_codes, std::uint8_t * out);

}  // namespace zeb_g719

#endif /* ZEB_G719_RTP_PAYLOAD_H */
