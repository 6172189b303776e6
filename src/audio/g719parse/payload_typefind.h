/* Type finding for files of back-to-back G.719 payloads (extension .g719),
 * so that decodebin, playbin and the discoverer recognise them as
 * "audio/G719". */
#ifndef ZEB_G719PARSE_PAYLOAD_TYPEFIND_H
#define ZEB_G719PARSE_PAYLOAD_TYPEFIND_H

#include <cstdint>

#include <gst/gst.h>

#include "payload_toc.h"

/* The run of payloads that follow each other from offset 0. */
struct PayloadChain {
  unsigned count = 0;          /* payloads with a valid table of contents */
  std::uint64_t end_offset = 0; /* byte after the last payload counted */
  bool uniform = true;         /* all counted payloads have the same L and N */
};

/* Walks tables of contents from offset 0, at most `limit` of them.
 * peek_toc(offset) returns a pointer to the two bytes at offset, or null when
 * they are not available; nothing else is read. */
template <typename PeekToc>
PayloadChain walk_payload_chain(PeekToc &&peek_toc, unsigned limit) {
  PayloadChain chain;
  zeb_g719::PayloadToc first{};
  while (chain.count < limit) {
    const std::uint8_t *bytes = peek_toc(chain.end_offset);
    if (bytes == nullptr) break;
    const zeb_g719::PayloadToc toc = zeb_g719::read_payload_toc(bytes[0], bytes[1]);
    if (toc.status != zeb_g719::TocStatus::valid) break;
    if (chain.count == 0) first = toc;
    else if (!zeb_g719::same_payload_layout(first, toc)) chain.uniform = false;
    ++chain.count;
    chain.end_offset += toc.payload_bytes;
  }
  return chain;
}

/* How sure a chain makes us that the data is a G.719 payload stream.
 * stream_length is the total length in bytes, or 0 when unknown. */
GstTypeFindProbability payload_chain_probability(const PayloadChain &chain,
                                                 std::uint64_t stream_length);

/* Number of tables of contents the type finder walks. */
inline constexpr unsigned kTypefindChainLength = 4;

/* Registers the "audio/G719" type finder in plugin. */
gboolean zeb_g719_typefind_register(GstPlugin *plugin);

#endif /* ZEB_G719PARSE_PAYLOAD_TYPEFIND_H */
