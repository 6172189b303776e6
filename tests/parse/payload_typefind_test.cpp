// Recognising a .g719 payload file from its first tables of contents.
#include <gtest/gtest.h>

#include <span>

#include "payload_stream.h"
#include "payload_typefind.h"

namespace {

PayloadChain walk(const Bytes &data, unsigned limit) {
  return walk_payload_chain(
      [&data](std::uint64_t offset) -> const std::uint8_t * {
        if (offset > data.size() || data.size() - offset < 2) return nullptr;
        return data.data() + offset;
      },
      limit);
}

}  // namespace

TEST(PayloadTypefind, WalksTheChainOfTablesOfContents) {
  std::mt19937 rng(1);
  Stream s;
  s.add_payload(make_payload(16, 1, rng));
  s.add_payload(make_payload(16, 1, rng));
  s.add_payload(make_payload(8, 2, rng));
  PayloadChain c = walk(s.bytes, 10);
  EXPECT_EQ(c.count, 3u);
  EXPECT_EQ(c.end_offset, s.bytes.size());
  EXPECT_FALSE(c.uniform);

  c = walk(s.bytes, 2);
  EXPECT_EQ(c.count, 2u);
  EXPECT_EQ(c.end_offset, s.offsets[2]);
  EXPECT_TRUE(c.uniform);

  s.bytes[s.offsets[1]] = 0x80;  // F = 1 stops the chain
  c = walk(s.bytes, 10);
  EXPECT_EQ(c.count, 1u);
  EXPECT_EQ(c.end_offset, s.offsets[1]);
}

TEST(PayloadTypefind, ProbabilityGrowsWithEvidence) {
  std::mt19937 rng(2);
  Stream s;
  for (int i = 0; i < 6; ++i) s.add_payload(make_payload(12, 1, rng));
  EXPECT_EQ(payload_chain_probability(walk(s.bytes, kTypefindChainLength), s.bytes.size()),
            GST_TYPE_FIND_NEARLY_CERTAIN);

  // A single payload that is the whole file is possible, two are likely.
  const Bytes one(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(s.offsets[1]));
  EXPECT_EQ(payload_chain_probability(walk(one, kTypefindChainLength), one.size()),
            GST_TYPE_FIND_POSSIBLE);
  const Bytes two(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(s.offsets[2]));
  EXPECT_EQ(payload_chain_probability(walk(two, kTypefindChainLength), two.size()),
            GST_TYPE_FIND_LIKELY);

  // Two payloads followed by something that is not a payload: not ours.
  Bytes broken = s.bytes;
  broken[s.offsets[2]] = 0x00;
  EXPECT_EQ(payload_chain_probability(walk(broken, kTypefindChainLength), broken.size()),
            GST_TYPE_FIND_NONE);

  // Text or silence never looks like a payload stream.
  const Bytes text = {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'};
  EXPECT_EQ(payload_chain_probability(walk(text, kTypefindChainLength), text.size()),
            GST_TYPE_FIND_NONE);
  const Bytes zeros(4000, 0);
  EXPECT_EQ(payload_chain_probability(walk(zeros, kTypefindChainLength), zeros.size()),
            GST_TYPE_FIND_NONE);
}
