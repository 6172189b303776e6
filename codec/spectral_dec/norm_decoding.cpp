#include "spectral_dec/norm_decoding.h"

#include <cstdint>

#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_huffman.h"
#include "spectral_enc/norm_quantizer.h"

namespace {

constexpr Word16 kMaxNormIndex = kNumNormIndices - 1;

Word16 clamp_norm_index(Word16 index) {
  if (index < 0) return 0;
  if (sub(index, kMaxNormIndex) > 0) return kMaxNormIndex;
  return index;
}

// Next norm index from the previous one and a difference symbol, held in
// 0..39. (The first index has 5 bits, so clamping it changes nothing.)
Word16 next_norm_index(Word16 previous, Word16 symbol) { return clamp_norm_index(add(symbol, sub(previous, 15))); }

// Look-up decoding of the difference code: the next 7 bits, most
// significant first, give the symbol of the code word they start with and its
// length (the code is complete and its words have 3 to 7 bits).
struct NormLookupEntry {
  std::uint8_t symbol;
  std::uint8_t length;
};

constexpr int kLookupBits = 7;

struct NormLookupTable {
  NormLookupEntry entry[1 << kLookupBits];
};

constexpr NormLookupTable build_norm_lookup_table() {
  NormLookupTable t{};
  for (int symbol = 0; symbol < kNumNormDiffCodes; ++symbol) {
    const int spare = kLookupBits - norm_diff_huffman_lengths[symbol];
    for (int s = 0; s < (1 << spare); ++s) {
      t.entry[(norm_diff_huffman_codes[symbol] << spare) | s] = NormLookupEntry{
          static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(norm_diff_huffman_lengths[symbol])};
    }
  }
  return t;
}

constexpr NormLookupTable kNormLookup = build_norm_lookup_table();

constexpr bool every_pattern_decodes() {
  for (const auto &e : kNormLookup.entry) {
    if (e.length == 0) return false;
  }
  return true;
}
static_assert(every_pattern_decodes());

}  // namespace

void rebuild_norm_indices(const Word16 *symbols, Word16 transient, Word16 *norm_index, Word16 *norm_level) {
  if (transient == 0) {
    norm_index[0] = clamp_norm_index(symbols[0]);
    for (int i = 1; i < kNumBands; i++) norm_index[i] = next_norm_index(norm_index[i - 1], symbols[i]);
    for (int i = 0; i < kNumBands; i++) norm_level[i] = norm_level_table[norm_index[i]];
  } else {
    Word16 coded[kNumBands];
    coded[0] = clamp_norm_index(symbols[0]);
    for (int i = 1; i < kNumBands; i++) coded[i] = next_norm_index(coded[i - 1], symbols[i]);
    norms_to_band_order(coded, norm_index, norm_level);
  }
}

template <class K>
Word16 read_norm_symbols(BitWordReader<K> &caller_reader, Word16 huffman_coded, Word16 *symbols) {
  // A local copy lets the compiler keep the reader in registers across the
  // symbol stores; it goes back to the caller at the end.
  BitWordReader<K> reader = caller_reader;
  symbols[0] = static_cast<Word16>(reader.take(kNormFieldBits));
  if (huffman_coded == 0) {
    for (Word16 i = 1; i <= kNormDiffCount; i++) symbols[i] = static_cast<Word16>(reader.take(kNormFieldBits));
    caller_reader = reader;
    return kFixedNormBits;
  }
  // At most 43 * 7 bits: the plain sum equals the add() chain.
  int norm_bits = 0;
  for (Word16 i = 1; i <= kNormDiffCount; i++) {
    const NormLookupEntry e = kNormLookup.entry[reader.peek(kLookupBits)];
    symbols[i] = e.symbol;
    reader.skip(e.length);
    norm_bits += e.length;
  }
  caller_reader = reader;
  return static_cast<Word16>(norm_bits);
}

template Word16 read_norm_symbols<PortableKernels>(BitWordReader<PortableKernels> &, Word16, Word16 *);
template Word16 read_norm_symbols<Avx2Kernels>(BitWordReader<Avx2Kernels> &, Word16, Word16 *);
