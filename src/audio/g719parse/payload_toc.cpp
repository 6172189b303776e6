#include "payload_toc.h"

PayloadToc read_payload_toc(std::uint8_t byte0, std::uint8_t byte1) {
  PayloadToc toc{};
  toc.length_code = zeb_g719::toc_length_code(byte0);
  toc.frame_count = byte1;
  toc.frame_bytes = frame_bytes_for_length_code(toc.length_code);
  toc.bitrate = static_cast<int>(toc.frame_bytes * 400u);

  if (zeb_g719::toc_more_entries(byte0)) {
    toc.status = TocStatus::more_entries;
  } else if (toc.length_code == 0) {
    toc.status = TocStatus::empty;
  } else if (toc.frame_bytes == 0) {
    toc.status = TocStatus::reserved;
  } else if (toc.frame_count == 0) {
    toc.status = TocStatus::no_frames;
  } else {
    toc.status = TocStatus::valid;
    toc.payload_bytes = kTocBytes + toc.frame_count * toc.frame_bytes;
  }
  return toc;
}

const char *toc_status_text(TocStatus status) {
  switch (status) {
    case TocStatus::valid: return "valid table of contents";
    case TocStatus::more_entries: return "more than one table-of-contents entry (F = 1)";
    case TocStatus::empty: return "empty length code (L = 0)";
    case TocStatus::reserved: return "reserved length code";
    case TocStatus::no_frames: return "payload without frames (N = 0)";
  }
  return "unknown";
}
