// Table-of-contents decoding and the payload scanner's framing and
// resynchronisation, driven the way the parser element drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "payload_scanner.h"
#include "payload_stream.h"

namespace {

struct Emitted {
  std::size_t offset;
  std::size_t size;
};

struct SplitResult {
  std::vector<Emitted> payloads;
  std::size_t skipped = 0;
};

/* Feeds `data` to the scanner the way a parser with an input queue does:
 * bytes arrive in chunks of `chunk`, the scanner is asked about the queued
 * bytes, and the stream ends after the last chunk. Each call gets a fresh
 * copy of exactly the queued bytes so that an over-read is caught by the
 * address sanitizer. */
SplitResult split_stream(const Bytes &data, std::size_t chunk) {
  SplitResult out;
  std::size_t pos = 0;
  std::size_t avail_end = std::min(chunk, data.size());
  zeb_g719::PayloadToc previous{};
  bool have_previous = false;
  bool boundary = true;
  for (int guard = 0; guard < 1'000'000; ++guard) {
    const bool at_end = avail_end == data.size();
    if (at_end && pos == data.size()) return out;
    const Bytes window(data.begin() + static_cast<std::ptrdiff_t>(pos),
                       data.begin() + static_cast<std::ptrdiff_t>(avail_end));
    ScanContext ctx;
    ctx.previous = have_previous && boundary ? &previous : nullptr;
    ctx.recent = have_previous ? &previous : nullptr;
    ctx.at_boundary = boundary;
    ctx.at_end = at_end;
    const ScanResult r = scan_payload(std::span<const std::uint8_t>(window), ctx);
    switch (r.action) {
      case ScanAction::emit:
        EXPECT_LE(r.bytes, window.size());
        EXPECT_EQ(r.bytes, r.toc.payload_bytes);
        out.payloads.push_back({pos, r.bytes});
        pos += r.bytes;
        previous = r.toc;
        have_previous = boundary = true;
        break;
      case ScanAction::need_more:
        EXPECT_FALSE(at_end) << "asked for more bytes at the end of the stream";
        EXPECT_GT(r.bytes, window.size());
        while (avail_end < data.size() && avail_end - pos < r.bytes)
          avail_end = std::min(data.size(), avail_end + chunk);
        break;
      case ScanAction::skip:
        EXPECT_GE(r.bytes, 1u);
        EXPECT_LE(r.bytes, window.size());
        if (!at_end) {
          EXPECT_LT(r.bytes, window.size()) << "dropped bytes that may still start a payload";
        }
        out.skipped += r.bytes;
        pos += r.bytes;
        boundary = false;
        break;
    }
    if (avail_end < pos) avail_end = pos;
    if (avail_end == pos && avail_end < data.size()) avail_end = std::min(data.size(), pos + chunk);
  }
  ADD_FAILURE() << "scanner made no progress";
  return out;
}

/* The payloads of `s` that the split must contain, by index. */
void expect_payloads(const Stream &s, const SplitResult &r, const std::vector<std::size_t> &kept) {
  ASSERT_EQ(r.payloads.size(), kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(r.payloads[i].offset, s.offsets[kept[i]]) << "payload " << i;
    EXPECT_EQ(r.payloads[i].size, s.payloads[kept[i]].size()) << "payload " << i;
  }
}

std::vector<std::size_t> all_but(std::size_t n, std::size_t lost) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < n; ++i)
    if (i != lost) v.push_back(i);
  return v;
}

std::vector<std::size_t> all(std::size_t n) { return all_but(n, n); }

const std::size_t kChunks[] = {1, 37, 500, 1u << 20};

}  // namespace

TEST(PayloadScanner, CleanStreamsAtEveryLengthCode) {
  std::mt19937 rng(7);
  for (unsigned l = 8; l <= 27; ++l) {
    for (unsigned n : {1u, 3u}) {
      Stream s;
      for (int i = 0; i < 6; ++i) s.add_payload(make_payload(l, n, rng));
      for (std::size_t chunk : kChunks) {
        SCOPED_TRACE(testing::Message() << "L=" << l << " N=" << n << " chunk=" << chunk);
        const SplitResult r = split_stream(s.bytes, chunk);
        expect_payloads(s, r, all(6));
        EXPECT_EQ(r.skipped, 0u);
      }
    }
  }
}

TEST(PayloadScanner, FollowsBitrateAndFrameCountChanges) {
  std::mt19937 rng(11);
  // Alternating, a ramp through several layouts, and a switch on the very
  // first and very last payload.
  const std::vector<std::vector<std::pair<unsigned, unsigned>>> layouts = {
      {{16, 1}, {8, 1}, {16, 1}, {8, 1}, {16, 1}, {8, 1}},
      {{8, 1}, {12, 1}, {12, 1}, {16, 1}, {16, 2}, {16, 2}, {27, 1}, {27, 1}},
      {{12, 1}, {16, 1}, {16, 1}, {16, 1}, {8, 4}},
  };
  for (const auto &layout : layouts) {
    Stream s;
    for (auto [l, n] : layout) s.add_payload(make_payload(l, n, rng));
    for (std::size_t chunk : kChunks) {
      const SplitResult r = split_stream(s.bytes, chunk);
      expect_payloads(s, r, all(layout.size()));
      EXPECT_EQ(r.skipped, 0u);
    }
  }
}

TEST(PayloadScanner, SkipsInsertedGarbageAndNothingElse) {
  for (std::size_t garbage_len : {1u, 2u, 3u, 81u, 163u, 1000u, 5000u}) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      std::mt19937 rng(seed * 1000 + static_cast<unsigned>(garbage_len));
      Stream s;
      for (int i = 0; i < 3; ++i) s.add_payload(make_payload(16, 1, rng));
      s.add_garbage(make_garbage(garbage_len, rng, 16, 1));
      for (int i = 0; i < 4; ++i) s.add_payload(make_payload(16, 1, rng));
      for (std::size_t chunk : kChunks) {
        SCOPED_TRACE(testing::Message() << "garbage=" << garbage_len << " seed=" << seed
                                        << " chunk=" << chunk);
        const SplitResult r = split_stream(s.bytes, chunk);
        expect_payloads(s, r, all(7));
        EXPECT_EQ(r.skipped, garbage_len);
      }
    }
  }
}

TEST(PayloadScanner, SkipsGarbageBeforeTheFirstPayload) {
  std::mt19937 rng(3);
  Stream s;
  s.add_garbage(make_garbage(333, rng, 12, 1));
  for (int i = 0; i < 3; ++i) s.add_payload(make_payload(12, 1, rng));
  for (std::size_t chunk : kChunks) {
    const SplitResult r = split_stream(s.bytes, chunk);
    expect_payloads(s, r, all(3));
    EXPECT_EQ(r.skipped, 333u);
  }
}

TEST(PayloadScanner, CorruptedTableOfContentsLosesOnlyItsPayload) {
  struct Damage {
    const char *what;
    std::uint8_t byte0, byte1;
  };
  const Damage damages[] = {
      {"F set", 0xC0, 0x01},        {"empty L", 0x00, 0x01},   {"reserved L 5", 0x14, 0x01},
      {"reserved L 30", 0x78, 0x01}, {"N = 0", 0x40, 0x00},     {"N = 37", 0x40, 37},
      {"L = 27", 27 << 2, 0x01},    {"L = 8, N = 3", 0x20, 3},
  };
  for (const Damage &d : damages) {
    for (std::size_t victim : {0u, 2u, 4u, 5u}) {
      std::mt19937 rng(static_cast<unsigned>(victim) * 31 + d.byte0 + d.byte1);
      Stream s;
      for (int i = 0; i < 6; ++i) s.add_payload(make_payload(16, 1, rng));
      s.bytes[s.offsets[victim]] = d.byte0;
      s.bytes[s.offsets[victim] + 1] = d.byte1;
      for (std::size_t chunk : kChunks) {
        SCOPED_TRACE(testing::Message() << d.what << " in payload " << victim << " chunk=" << chunk);
        const SplitResult r = split_stream(s.bytes, chunk);
        expect_payloads(s, r, all_but(6, victim));
        EXPECT_EQ(r.skipped, s.payloads[victim].size());
      }
    }
  }
}

TEST(PayloadScanner, TruncatedLastPayloadIsNeverEmitted) {
  std::mt19937 rng(5);
  Stream s;
  for (int i = 0; i < 4; ++i) s.add_payload(make_payload(12, 2, rng));
  const std::size_t last = s.payloads.back().size();
  for (std::size_t cut : {std::size_t{1}, std::size_t{2}, std::size_t{100}, last - 1}) {
    const Bytes truncated(s.bytes.begin(), s.bytes.end() - static_cast<std::ptrdiff_t>(cut));
    for (std::size_t chunk : kChunks) {
      SCOPED_TRACE(testing::Message() << "cut=" << cut << " chunk=" << chunk);
      const SplitResult r = split_stream(truncated, chunk);
      expect_payloads(s, r, all(3));
      EXPECT_EQ(r.skipped, last - cut);
    }
  }
}

TEST(PayloadScanner, LookAheadOnlyWhereTheStreamIsNotYetTrusted) {
  std::mt19937 rng(9);
  const Bytes p = make_payload(16, 1, rng);
  const std::span<const std::uint8_t> one(p);

  // Start of stream: the payload must be followed by a valid table of
  // contents, or by the end of the stream.
  ScanContext start;
  start.at_boundary = true;
  ScanResult r = scan_payload(one, start);
  EXPECT_EQ(r.action, ScanAction::need_more);
  EXPECT_EQ(r.bytes, p.size() + 2);
  start.at_end = true;
  r = scan_payload(one, start);
  EXPECT_EQ(r.action, ScanAction::emit);
  EXPECT_EQ(r.bytes, p.size());

  // In sync with a payload of the same layout: no look-ahead.
  const zeb_g719::PayloadToc prev = zeb_g719::read_payload_toc(0x40, 1);
  ScanContext synced;
  synced.previous = &prev;
  synced.at_boundary = true;
  r = scan_payload(one, synced);
  EXPECT_EQ(r.action, ScanAction::emit);

  // In sync, but the layout changes: confirmation needed again.
  const zeb_g719::PayloadToc other = zeb_g719::read_payload_toc(0x20, 1);
  synced.previous = &other;
  r = scan_payload(one, synced);
  EXPECT_EQ(r.action, ScanAction::need_more);

  // A partial payload: wait for exactly the rest.
  synced.previous = &prev;
  r = scan_payload(one.first(100), synced);
  EXPECT_EQ(r.action, ScanAction::need_more);
  EXPECT_EQ(r.bytes, p.size());
}

TEST(PayloadScanner, ResyncRequiresTheNewLayoutToRepeat) {
  // After garbage, a valid table of contents followed by one of another
  // layout is accepted only if that layout repeats.
  std::mt19937 rng(13);
  Bytes lone = make_payload(8, 1, rng);              // candidate T
  const Bytes u = make_payload(16, 1, rng);          // U, another layout
  Bytes v = make_payload(12, 1, rng);                // V, a third layout
  Bytes data = {0xFF};                               // one byte of garbage
  data.insert(data.end(), lone.begin(), lone.end());
  data.insert(data.end(), u.begin(), u.end());
  data.insert(data.end(), v.begin(), v.end());
  data.insert(data.end(), {0xFF, 0xFF});
  ScanContext ctx;
  ctx.at_end = true;
  // T is refused (U does not repeat), then U is refused (V differs), then V
  // is refused (garbage follows): everything but the stray tail is skipped
  // one candidate at a time.
  ScanResult r = scan_payload(std::span<const std::uint8_t>(data), ctx);
  EXPECT_EQ(r.action, ScanAction::skip);
  EXPECT_EQ(r.reason, RejectReason::bad_toc);
  EXPECT_EQ(r.toc.status, zeb_g719::TocStatus::more_entries);
  EXPECT_GT(r.bytes, 1u) << "stopped at a candidate whose successor's layout never repeats";
  const ScanResult at_t = scan_payload(std::span<const std::uint8_t>(data).subspan(1), ctx);
  EXPECT_EQ(at_t.action, ScanAction::skip);
  EXPECT_EQ(at_t.reason, RejectReason::unconfirmed);
  EXPECT_EQ(at_t.toc.length_code, 8u);

  // With U repeated, T's new layout is still unconfirmed when nothing is
  // known about the stream: the search stops at the first U, whose layout
  // repeats.
  Bytes good = {0xFF};
  good.insert(good.end(), lone.begin(), lone.end());
  good.insert(good.end(), u.begin(), u.end());
  good.insert(good.end(), u.begin(), u.end());
  r = scan_payload(std::span<const std::uint8_t>(good), ctx);
  EXPECT_EQ(r.action, ScanAction::skip);
  EXPECT_EQ(r.bytes, 1 + lone.size());

  // When the stream last had T's layout, T is familiar and U confirms it.
  const zeb_g719::PayloadToc recent = zeb_g719::read_payload_toc(lone[0], lone[1]);
  ctx.recent = &recent;
  r = scan_payload(std::span<const std::uint8_t>(good), ctx);
  EXPECT_EQ(r.action, ScanAction::skip);
  EXPECT_EQ(r.bytes, 1u);
  r = scan_payload(std::span<const std::uint8_t>(good).subspan(1), ctx);
  EXPECT_EQ(r.action, ScanAction::emit);
  EXPECT_EQ(r.bytes, lone.size());
}

TEST(PayloadScanner, RandomBytesAreNotMistakenForPayloads) {
  // A third of all byte pairs read as a valid table of contents; a search
  // through a megabyte of noise must still find no payload start, with or
  // without a layout the stream had before.
  std::mt19937 rng(77);
  Bytes noise(1u << 20);
  for (auto &b : noise) b = static_cast<std::uint8_t>(rng());
  const zeb_g719::PayloadToc recent = zeb_g719::read_payload_toc(0x40, 0x01);
  for (const zeb_g719::PayloadToc *hint : {static_cast<const zeb_g719::PayloadToc *>(nullptr), &recent}) {
    ScanContext ctx;
    ctx.recent = hint;
    ctx.at_end = true;
    const ScanResult r = scan_payload(std::span<const std::uint8_t>(noise), ctx);
    EXPECT_EQ(r.action, ScanAction::skip);
    EXPECT_EQ(r.bytes, noise.size()) << "noise taken for a payload at offset " << r.bytes;
  }
}

TEST(PayloadScanner, TinyInputs) {
  ScanContext open;
  ScanContext end;
  end.at_end = true;
  const std::uint8_t b[2] = {0x40, 0x01};
  EXPECT_EQ(scan_payload({}, open).action, ScanAction::need_more);
  EXPECT_EQ(scan_payload({}, open).bytes, 2u);
  EXPECT_EQ(scan_payload(std::span<const std::uint8_t>(b, 1), open).action, ScanAction::need_more);
  const ScanResult one = scan_payload(std::span<const std::uint8_t>(b, 1), end);
  EXPECT_EQ(one.action, ScanAction::skip);
  EXPECT_EQ(one.bytes, 1u);
  EXPECT_EQ(one.reason, RejectReason::too_short);
  const ScanResult two = scan_payload(std::span<const std::uint8_t>(b, 2), end);
  EXPECT_EQ(two.action, ScanAction::skip);
  EXPECT_EQ(two.bytes, 2u);
  EXPECT_EQ(two.reason, RejectReason::truncated);
}

TEST(PayloadScanner, ArbitraryBytesAreFullyAccountedFor) {
  // Random streams mixing real payloads, damaged ones and noise: every byte
  // is either in an emitted payload or skipped, and every emitted payload
  // is a complete payload with a valid table of contents.
  for (unsigned seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed);
    Bytes data;
    const int pieces = static_cast<int>(rng() % 12);
    for (int i = 0; i < pieces; ++i) {
      switch (rng() % 4) {
        case 0: {
          const Bytes g = make_garbage(rng() % 300, rng, 99, 99);
          data.insert(data.end(), g.begin(), g.end());
          break;
        }
        case 1: {
          Bytes p = make_payload(8 + rng() % 20, 1 + rng() % 3, rng);
          p.resize(rng() % p.size());
          data.insert(data.end(), p.begin(), p.end());
          break;
        }
        default: {
          const Bytes p = make_payload(8 + rng() % 20, 1 + rng() % 3, rng);
          data.insert(data.end(), p.begin(), p.end());
        }
      }
    }
    const std::size_t chunk = 1 + rng() % 700;
    SCOPED_TRACE(testing::Message() << "seed=" << seed << " size=" << data.size());
    const SplitResult r = split_stream(data, chunk);
    std::size_t emitted = 0;
    for (const Emitted &e : r.payloads) {
      ASSERT_LE(e.offset + e.size, data.size());
      const zeb_g719::PayloadToc t = zeb_g719::read_payload_toc(data[e.offset], data[e.offset + 1]);
      EXPECT_EQ(t.status, zeb_g719::TocStatus::valid);
      EXPECT_EQ(t.payload_bytes, e.size);
      emitted += e.size;
    }
    EXPECT_EQ(emitted + r.skipped, data.size());
  }
}
