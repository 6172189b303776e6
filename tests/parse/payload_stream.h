/* Builds synthetic G.719 payload streams for the parser tests: valid tables
 * of contents followed by arbitrary frame bytes, optionally damaged. */
#ifndef ZEB_G719PARSE_TEST_PAYLOAD_STREAM_H
#define ZEB_G719PARSE_TEST_PAYLOAD_STREAM_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "payload_toc.h"

using Bytes = std::vector<std::uint8_t>;

/* One payload: table of contents for length code L and N frames, then N x B
 * random bytes. */
inline Bytes make_payload(unsigned length_code, unsigned frames, std::mt19937 &rng) {
  const unsigned b = zeb_g719::frame_bytes_for_length_code(length_code);
  Bytes p;
  p.push_back(static_cast<std::uint8_t>(length_code << 2));
  p.push_back(static_cast<std::uint8_t>(frames));
  for (unsigned i = 0; i < frames * b; ++i) p.push_back(static_cast<std::uint8_t>(rng()));
  return p;
}

/* Random bytes that do not begin with a table of contents of the given
 * layout: such a run would be indistinguishable from a real payload. */
inline Bytes make_garbage(std::size_t n, std::mt19937 &rng, unsigned stream_l, unsigned stream_n) {
  Bytes g(n);
  for (auto &b : g) b = static_cast<std::uint8_t>(rng());
  if (n >= 2) {
    const zeb_g719::PayloadToc t = zeb_g719::read_payload_toc(g[0], g[1]);
    if (t.status == zeb_g719::TocStatus::valid && t.length_code == stream_l && t.frame_count == stream_n)
      g[0] |= 0x80;
  }
  return g;
}

/* A stream of payloads and where each one starts. */
struct Stream {
  Bytes bytes;
  std::vector<std::size_t> offsets;
  std::vector<Bytes> payloads;

  void add_payload(const Bytes &p) {
    offsets.push_back(bytes.size());
    payloads.push_back(p);
    bytes.insert(bytes.end(), p.begin(), p.end());
  }
  void add_garbage(const Bytes &g) { bytes.insert(bytes.end(), g.begin(), g.end()); }
};

#endif
