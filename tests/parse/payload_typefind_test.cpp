// How sure the type finder is that data is a G.719 payload stream, from the
// chain of tables of contents at its start.
#include <gtest/gtest.h>

#include "../elements/element_test_support.h"
#include "payload_typefind.h"

namespace {

using zeb_test::Bytes;

GstTypeFindProbability probability (const Bytes &data)
{
  const PayloadChain chain = walk_payload_chain (
      [&data] (std::uint64_t offset) -> const std::uint8_t * {
        return offset + 2 <= data.size () ? data.data () + offset : nullptr;
      },
      kTypefindChainLength);
  return payload_chain_probability (chain, data.size ());
}

Bytes payloads (std::initializer_list<std::pair<unsigned, unsigned>> layouts)
{
  Bytes data;
  for (auto [l, n] : layouts) {
    const Bytes p = zeb_test::make_payload (l, n);
    data.insert (data.end (), p.begin (), p.end ());
  }
  return data;
}

TEST (PayloadTypefind, ProbabilityGrowsWithEvidence)
{
  EXPECT_EQ (probability (payloads ({{12, 1}, {12, 1}, {12, 1}, {12, 1}, {12, 1}})), GST_TYPE_FIND_NEARLY_CERTAIN);
  EXPECT_EQ (probability (payloads ({{12, 1}, {16, 1}, {8, 2}, {12, 1}})), GST_TYPE_FIND_LIKELY);
  EXPECT_EQ (probability (payloads ({{12, 1}, {16, 1}})), GST_TYPE_FIND_LIKELY) << "the whole file";
  EXPECT_EQ (probability (payloads ({{12, 1}})), GST_TYPE_FIND_POSSIBLE) << "the whole file";
  // Two payloads followed by something that is not one, a header of another
  // format, silence: not ours.
  Bytes broken = payloads ({{12, 1}, {12, 1}, {12, 1}});
  broken[2 * 122] = 0x00;
  EXPECT_EQ (probability (broken), GST_TYPE_FIND_NONE);
  EXPECT_EQ (probability ({'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'}), GST_TYPE_FIND_NONE);
  EXPECT_EQ (probability (Bytes (4000, 0)), GST_TYPE_FIND_NONE);
}

}  // namespace
