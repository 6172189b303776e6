#include "payload_toc.h"

namespace zeb_g719 {

PayloadToc read_payload_toc (std::uint8_t byte0, std::uint8_t byte1)
{
  const TocEntry entry = read_toc_entry (byte0, byte1);
  PayloadToc toc;
  toc.length_code = entry.length_code;
  toc.frame_count = entry.frame_count;
  toc.frame_bytes = frame_bytes_for_length_code (entry.length_code);
  toc.bitrate = bitrate_for_length_code (entry.length_code);

  if (entry.more_entries) {
    toc.status = TocStatus::more_entries;
  } else {
    switch (length_code_kind (entry.length_code)) {
      case LengthCodeKind::no_data:
        toc.status = TocStatus::empty;
        break;
      case LengthCodeKind::reserved:
        toc.status = TocStatus::reserved;
        break;
      case LengthCodeKind::frames:
        toc.status = entry.frame_count == 0 ? TocStatus::no_frames : TocStatus::valid;
        break;
    }
  }
  if (toc.status == TocStatus::valid)
    toc.payload_bytes = kTocBytes + toc.frame_count * toc.frame_bytes;
  return toc;
}

const char *toc_status_text (TocStatus status)
{
  switch (status) {
    case TocStatus::valid: return "valid table of contents";
    case TocStatus::more_entries: return "more than one table-of-contents entry (F = 1)";
    case TocStatus::empty: return "empty length code (L = 0)";
    case TocStatus::reserved: return "reserved length code";
    case TocStatus::no_frames: return "payload without frames (N = 0)";
  }
  return "unknown";
}

}  // namespace zeb_g719
