#include "payload_scanner.h"

namespace {

enum class Verdict : std::uint8_t { accept, reject, undecided };

struct Check {
  Verdict verdict;
  std::size_t need;  /* undecided: bytes needed from the start of data */
  RejectReason reason;
  zeb_g719::PayloadToc toc;
};

/* Callers guarantee pos + 2 <= data.size(). */
zeb_g719::PayloadToc toc_at(std::span<const std::uint8_t> data, std::size_t pos) {
  return zeb_g719::read_payload_toc(data[pos], data[pos + 1]);
}

Check accept(const zeb_g719::PayloadToc &toc) { return {Verdict::accept, 0, RejectReason::none, toc}; }
Check reject(RejectReason why, const zeb_g719::PayloadToc &toc) { return {Verdict::reject, 0, why, toc}; }
Check undecided(std::size_t need, const zeb_g719::PayloadToc &toc) {
  return {Verdict::undecided, need, RejectReason::none, toc};
}

/* Can a payload start at data[pos]? `expected` says pos is a position where
 * a payload should start (see ScanContext::at_boundary). All offsets are
 * compared as remaining lengths so that nothing can overflow. */
Check check_candidate(std::span<const std::uint8_t> data, std::size_t pos, bool expected,
                      const ScanContext &ctx) {
  const std::size_t size = data.size();
  if (size - pos < zeb_g719::kTocBytes)
    return ctx.at_end ? reject(RejectReason::too_short, zeb_g719::PayloadToc{})
                      : undecided(pos + zeb_g719::kTocBytes, zeb_g719::PayloadToc{});

  const zeb_g719::PayloadToc t = toc_at(data, pos);
  if (t.status != zeb_g719::TocStatus::valid) return reject(RejectReason::bad_toc, t);

  const std::size_t end_t = pos + t.payload_bytes;

  // Same layout as the payload just emitted: the stream simply goes on.
  if (expected && ctx.previous && zeb_g719::same_payload_layout(*ctx.previous, t)) {
    if (end_t <= size) return accept(t);
    return ctx.at_end ? reject(RejectReason::truncated, t) : undecided(end_t, t);
  }

  // Look ahead. A familiar candidate (where a payload is expected, or with
  // the layout the stream had) needs a valid successor U that repeats its
  // layout or the previous one, or a V after U that repeats T's or U's. A
  // candidate found by searching with a new layout needs T, U and V alike.
  const bool familiar = expected || (ctx.recent && zeb_g719::same_payload_layout(*ctx.recent, t));
  if (end_t > size)
    return ctx.at_end ? reject(RejectReason::truncated, t) : undecided(end_t + zeb_g719::kTocBytes, t);
  if (size - end_t < zeb_g719::kTocBytes) {
    if (!ctx.at_end) return undecided(end_t + zeb_g719::kTocBytes, t);
    // The candidate is the last payload of the stream.
    return familiar ? accept(t) : reject(RejectReason::unconfirmed, t);
  }

  const zeb_g719::PayloadToc u = toc_at(data, end_t);
  if (u.status != zeb_g719::TocStatus::valid) return reject(RejectReason::unconfirmed, t);
  if (familiar) {
    if (zeb_g719::same_payload_layout(u, t)) return accept(t);
    if (expected && ctx.previous && zeb_g719::same_payload_layout(u, *ctx.previous)) return accept(t);
  } else if (!zeb_g719::same_payload_layout(u, t)) {
    return reject(RejectReason::unconfirmed, t);
  }

  const std::size_t end_u = end_t + u.payload_bytes;
  if (end_u > size) {
    // A successor cut off by the end of the stream confirms nothing.
    return ctx.at_end ? reject(RejectReason::unconfirmed, t) : undecided(end_u + zeb_g719::kTocBytes, t);
  }
  if (size - end_u < zeb_g719::kTocBytes)
    return ctx.at_end ? accept(t) : undecided(end_u + zeb_g719::kTocBytes, t);
  const zeb_g719::PayloadToc v = toc_at(data, end_u);
  if (v.status == zeb_g719::TocStatus::valid &&
      (zeb_g719::same_payload_layout(v, t) || (familiar && zeb_g719::same_payload_layout(v, u))))
    return accept(t);
  return reject(RejectReason::unconfirmed, t);
}

}  // namespace

ScanResult scan_payload(std::span<const std::uint8_t> data, const ScanContext &ctx) {
  const Check first = check_candidate(data, 0, ctx.at_boundary || ctx.previous != nullptr, ctx);
  if (first.verdict == Verdict::accept)
    return {ScanAction::emit, first.toc.payload_bytes, first.toc, RejectReason::none};
  if (first.verdict == Verdict::undecided)
    return {ScanAction::need_more, first.need, first.toc, RejectReason::none};

  // Resynchronise: the first position that is, or may yet turn out to be, a
  // confirmed payload start.
  for (std::size_t pos = 1; pos < data.size(); ++pos) {
    const Check c = check_candidate(data, pos, false, ctx);
    if (c.verdict != Verdict::reject) return {ScanAction::skip, pos, first.toc, first.reason};
  }
  return {ScanAction::skip, data.size(), first.toc, first.reason};
}

const char *reject_reason_text(RejectReason reason) {
  switch (reason) {
    case RejectReason::none: return "none";
    case RejectReason::bad_toc: return "invalid table of contents";
    case RejectReason::unconfirmed: return "no valid table of contents follows";
    case RejectReason::truncated: return "payload truncated by the end of the stream";
    case RejectReason::too_short: return "stray bytes at the end of the stream";
  }
  return "unknown";
}
