#include "payload_typefind.h"

GstTypeFindProbability payload_chain_probability(const PayloadChain &chain,
                                                 std::uint64_t stream_length) {
  if (chain.count == 0) return GST_TYPE_FIND_NONE;
  const bool ends_exactly = stream_length != 0 && chain.end_offset == stream_length;
  if (chain.count >= kTypefindChainLength)
    return chain.uniform ? GST_TYPE_FIND_NEARLY_CERTAIN : GST_TYPE_FIND_LIKELY;
  if (ends_exactly) return chain.count >= 2 ? GST_TYPE_FIND_LIKELY : GST_TYPE_FIND_POSSIBLE;
  // A short chain that stops without reaching the end: only a hint when the
  // data after it was simply not available yet.
  if (chain.count >= 2 && (stream_length == 0 || chain.end_offset + zeb_g719::kTocBytes > stream_length))
    return GST_TYPE_FIND_POSSIBLE;
  return GST_TYPE_FIND_NONE;
}

namespace {

GstStaticCaps g719_caps = GST_STATIC_CAPS("audio/G719");

void g719_type_find(GstTypeFind *tf, gpointer /*user_data*/) {
  const PayloadChain chain = walk_payload_chain(
      [tf](std::uint64_t offset) -> const std::uint8_t * {
        return gst_type_find_peek(tf, static_cast<gint64>(offset), zeb_g719::kTocBytes);
      },
      kTypefindChainLength);
  const GstTypeFindProbability p = payload_chain_probability(chain, gst_type_find_get_length(tf));
  if (p != GST_TYPE_FIND_NONE) gst_type_find_suggest(tf, p, gst_static_caps_get(&g719_caps));
}

}  // namespace

gboolean zeb_g719_typefind_register(GstPlugin *plugin) {
  return gst_type_find_register(plugin, "audio/G719", GST_RANK_PRIMARY, g719_type_find, "g719",
                                gst_static_caps_get(&g719_caps), nullptr, nullptr);
}
