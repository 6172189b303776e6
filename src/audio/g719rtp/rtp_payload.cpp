#include "rtp_payload.h"

#include <algorithm>

#include "payload_toc.h"

namespace zeb_g719 {

namespace {

RtpPayloadLayout fail (RtpPayloadError error)
{
  return RtpPayloadLayout{ error, 0 };
}

/* Calls emit (code, count) for each run of equal codes, runs cut at
 * kMaxFramesPerEntry. */
template <typename Emit>
void for_each_run (std::span<const std::uint8_t> codes, Emit emit)
{
  std::size_t i = 0;
  while (i < codes.size ()) {
    std::size_t run = 1;
    while (i + run < codes.size () && codes[i + run] == codes[i] && run < kMaxFramesPerEntry)
      run++;
    emit (codes[i], static_cast<unsigned> (run), i + run == codes.size ());
    i += run;
  }
}

}  // namespace

RtpPayloadLayout read_rtp_payload (std::span<const std::uint8_t> payload,
    RtpPayloadMode mode, unsigned channels, std::span<RtpFrameBlock> blocks)
{
  if (payload.empty ())
    return fail (RtpPayloadError::empty);

  const bool interleaved = mode == RtpPayloadMode::interleaved;
  std::size_t pos = 0;          /* next table-of-contents byte */
  std::size_t data_bytes = 0;   /* frame bytes announced so far */
  std::uint32_t slot = 0;
  std::size_t count = 0;
  bool more = true;
  while (more) {
    if (payload.size () - pos < kTocBytes)
      return fail (RtpPayloadError::toc_past_end);
    const TocEntry entry = read_toc_entry (payload[pos], payload[pos + 1]);
    pos += kTocBytes;
    more = entry.more_entries;
    if (length_code_kind (entry.length_code) == LengthCodeKind::reserved)
      return fail (RtpPayloadError::reserved_length_code);
    if (entry.frame_count == 0)
      return fail (RtpPayloadError::entry_without_frames);
    if (count + entry.frame_count > std::min (blocks.size (), kMaxBlocksPerPacket))
      return fail (RtpPayloadError::too_many_blocks);

    const std::size_t dis_pos = pos;
    if (interleaved) {
      const std::size_t dis_bytes = (entry.frame_count + 1) / 2;
      if (payload.size () - pos < dis_bytes)
        return fail (RtpPayloadError::toc_past_end);
      pos += dis_bytes;
    }

    const unsigned frame_bytes = frame_bytes_for_length_code (entry.length_code);
    for (unsigned i = 0; i < entry.frame_count; i++) {
      if (count > 0) {
        /* DIS i sits in the high nibble for even i, the low one for odd i.
         * The packet's first DIS is ignored: its block has the RTP time. */
        const unsigned skipped = interleaved
            ? (payload[dis_pos + i / 2] >> (i % 2 == 0 ? 4 : 0)) & 15u
            : 0;
        slot += skipped + 1;
      }
      blocks[count++] = RtpFrameBlock{ slot, static_cast<std::uint8_t> (entry.length_code),
          static_cast<std::uint16_t> (frame_bytes), static_cast<std::uint32_t> (data_bytes) };
      data_bytes += std::size_t (frame_bytes) * channels;
    }
  }

  if (payload.size () - pos != data_bytes)
    return fail (RtpPayloadError::size_mismatch);
  for (std::size_t i = 0; i < count; i++)
    blocks[i].offset += static_cast<std::uint32_t> (pos);
  return RtpPayloadLayout{ RtpPayloadError::none, count };
}

const char *rtp_payload_error_text (RtpPayloadError error)
{
  switch (error) {
    case RtpPayloadError::none: return "valid payload";
    case RtpPayloadError::empty: return "empty payload";
    case RtpPayloadError::toc_past_end: return "table of contents runs past the end of the payload";
    case RtpPayloadError::reserved_length_code: return "reserved frame length code";
    case RtpPayloadError::entry_without_frames: return "table-of-contents entry with no frames";
    case RtpPayloadError::size_mismatch: return "payload size does not match its table of contents";
    case RtpPayloadError::too_many_blocks: return "too many frames in one packet";
  }
  return "unknown";
}

std::size_t basic_toc_bytes (std::span<const std::uint8_t> length_codes)
{
  std::size_t bytes = 0;
  for_each_run (length_codes, [&] (unsigned, unsigned, bool) { bytes += kTocBytes; });
  return bytes;
}

std::size_t write_basic_toc (std::span<const std::uint8_t> length_codes, std::uint8_t * out)
{
  std::size_t bytes = 0;
  for_each_run (length_codes, [&] (unsigned code, unsigned count, bool last) {
    write_toc_entry (out + bytes, TocEntry{ !last, code, count });
    bytes += kTocBytes;
  });
  return bytes;
}

}  // namespace zeb_g719
