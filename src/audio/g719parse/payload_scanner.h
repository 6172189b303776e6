/* Finds G.719 payloads (table of contents + N frames) in a byte stream.
 *
 * The scanner looks at the bytes it is given and decides what to do with
 * their start: emit a payload of a given size, wait for more bytes, or skip
 * a given number of bytes to the next plausible payload. It reads only
 * inside the span it is given and keeps no state of its own; the caller
 * tells it what it knows about the stream so far (ScanContext).
 *
 * A table of contents is taken as a payload start only when it is
 * confirmed, so that damaged or inserted bytes are never emitted as a
 * payload:
 *   - trusted: the stream is in sync and the table of contents repeats the
 *     layout (L and N) of the payload just emitted; no look-ahead needed.
 *   - a familiar candidate (where a payload is expected, or repeating the
 *     layout of the last payload emitted) is confirmed when the table of
 *     contents U that follows it is valid and repeats its layout, or (where
 *     a payload is expected) the previous payload's layout, or when the one
 *     after U, V, repeats T's or U's layout. A stream that switches bitrate
 *     is still followed.
 *   - a candidate with a new layout found by searching is confirmed only by
 *     U and V of the same layout. About one position in three of random
 *     bytes reads as a valid table of contents; a chain of three with one
 *     layout turns up about once in 10^9 positions.
 *   - at the end of the stream a familiar candidate whose payload ends at
 *     the last byte (or one stray byte before it) needs no successor.
 * A candidate whose payload would run past the end of the stream is a
 * truncated payload and is never emitted. */
#ifndef ZEB_G719PARSE_PAYLOAD_SCANNER_H
#define ZEB_G719PARSE_PAYLOAD_SCANNER_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "payload_toc.h"

struct ScanContext {
  /* Table of contents of the payload emitted just before these bytes, or
   * null when the stream is not in sync (start, after a skip or a seek). */
  const zeb_g719::PayloadToc *previous = nullptr;
  /* Table of contents of the last payload emitted at all, kept when sync is
   * lost, or null before the first payload. */
  const zeb_g719::PayloadToc *recent = nullptr;
  /* The first byte is where a payload is expected to start: the start of
   * the stream or the byte after an emitted payload. */
  bool at_boundary = false;
  /* No more bytes will follow (end of stream). */
  bool at_end = false;
};

enum class ScanAction : std::uint8_t {
  emit,       /* a payload of `bytes` bytes starts at the first byte */
  need_more,  /* cannot decide before at least `bytes` bytes are available */
  skip,       /* drop the first `bytes` bytes; they hold no payload start */
};

/* Why the first byte could not start a payload (for skip results). */
enum class RejectReason : std::uint8_t {
  none,
  bad_toc,      /* the table of contents itself is invalid (see toc.status) */
  unconfirmed,  /* valid-looking, but the stream does not continue after it */
  truncated,    /* the payload runs past the end of the stream */
  too_short,    /* fewer than two bytes left at the end of the stream */
};

struct ScanResult {
  ScanAction action;
  std::size_t bytes;
  /* emit: the payload's table of contents. skip: the table of contents read
   * at the first byte (status tells why it was refused when reason is
   * bad_toc); zeroed when fewer than two bytes were available. */
  zeb_g719::PayloadToc toc;
  RejectReason reason;
};

/* Decides what to do with the start of `data`. Never reads outside `data`.
 * With ctx.at_end set, the result is never need_more, and skip results are
 * at least 1 byte unless `data` is empty. Without it, need_more asks for
 * more bytes than `data` holds and skip drops at least 1 byte. */
ScanResult scan_payload(std::span<const std::uint8_t> data, const ScanContext &ctx);

const char *reject_reason_text(RejectReason reason);

#endif /* ZEB_G719PARSE_PAYLOAD_SCANNER_H */
