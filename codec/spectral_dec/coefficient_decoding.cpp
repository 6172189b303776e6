#include "spectral_dec/coefficient_decoding.h"

#include <cstdint>
#include <cstring>

#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/spare_bit_bands.h"

namespace {

// out[i] = add(mult(shl(x[i], shift), factor), 4) for a vector of 8.
void scale_vector(const Word16 *x, Word16 shift, Word16 factor, Word16 *out) {
  for (Word16 i = 0; i < kLatticeDim; i++) out[i] = add(mult(shl(x[i], shift), factor), 4);
}

// One-bit codebook vector j, or the zero vector (all 4) when j < 16 follows a
// vector index below 128 in the same band.
void dequantize_onebit_vector(Word16 j, Word16 previous, Word16 *normalized) {
  if (sub(previous, 128) < 0 && sub(j, 16) < 0) {
    for (Word16 i = 0; i < kLatticeDim; i++) normalized[i] = 4;
    return;
  }
  // Indices come from 8-bit fields; any other value takes its low 8 bits
  // rather than reading outside the codebook.
  scale_vector(&onebit_codebook[(j & 0xFF) * kLatticeDim], 8, 29789, normalized);
}

struct ScaledOnebit {
  alignas(16) Word16 v[kOnebitCodebookSize * kLatticeDim];
  bool exact;
};

ScaledOnebit build_scaled_onebit() {
  ScaledOnebit t{};
  const Flag saved = Overflow;
  Overflow = 0;
  for (int n = 0; n < kOnebitCodebookSize * kLatticeDim; ++n) {
    t.v[n] = add(mult(shl(onebit_codebook[n], 8), 29789), 4);
  }
  t.exact = Overflow == 0;
  Overflow = saved;
  return t;
}

// Built at start-up (onebit_codebook is a constant, so it is ready then),
// which keeps a first-use check out of every call.
const ScaledOnebit scaled_onebit = build_scaled_onebit();

// Look-up decoding of the coefficient Huffman codes (R = 2..5): the next 7 bits, most significant
// first, give the component of the code word they start with and its length.
// The codes are complete and no word is longer than 7 bits, so every 7-bit
// pattern starts with exactly one code word.
struct CoefLookupEntry {
  std::uint8_t component;
  std::uint8_t length;
};

struct CoefLookupTables {
  CoefLookupEntry entry[4][1 << kCoefHuffmanMaxLength];
};

constexpr CoefLookupTables build_coef_lookup_tables() {
  CoefLookupTables t{};
  for (int r = 2; r <= kCoefHuffmanMaxBits; ++r) {
    const int first = coef_huffman_offsets[r];
    for (int k = 0; k < (1 << r); ++k) {
      const int length = coef_huffman_lengths[first + k];
      const int spare = kCoefHuffmanMaxLength - length;
      for (int s = 0; s < (1 << spare); ++s) {
        t.entry[r - 2][(coef_huffman_codes[first + k] << spare) | s] =
            CoefLookupEntry{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(length)};
      }
    }
  }
  return t;
}

constexpr CoefLookupTables kCoefLookup = build_coef_lookup_tables();

// Every pattern is covered once the code lengths are those of complete
// codes (a length of 0 would mean an uncovered pattern).
constexpr bool every_pattern_decodes() {
  for (const auto &table : kCoefLookup.entry) {
    for (const auto &e : table) {
      if (e.length == 0) return false;
    }
  }
  return true;
}
static_assert(every_pattern_decodes());

// The vectors of a band with R = 1 read from the reader: each is its row of
// scaled (scaled_onebit_codebook(), or null) when not zeroed, else
// dequantize_onebit_vector's result.
template <class K>
void decode_onebit_vectors(BitWordReader<K> &reader, Word16 *index, Word16 num_vectors, Word16 *normalized,
                           const Word16 *scaled) {
  Word16 previous = 32767;
  for (Word16 v = 0; v < num_vectors; v++) {
    const Word16 pos = static_cast<Word16>(v * kLatticeDim);  // at most 3 * 8
    const Word16 j = static_cast<Word16>(reader.take(kOnebitIndexBits));  // an 8-bit field
    index[pos] = j;
    if (scaled != nullptr && !(previous < 128 && j < 16)) {
      std::memcpy(normalized + pos, scaled + j * kLatticeDim, kLatticeDim * sizeof(Word16));
    } else {
      dequantize_onebit_vector(j, previous, normalized + pos);
    }
    previous = j;
  }
}

}  // namespace

const Word16 *scaled_onebit_codebook() { return scaled_onebit.exact ? scaled_onebit.v : nullptr; }

void dequantize_band_group(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                           Word16 width, Word16 *normalized) {
  const Word16 vectors = shr(width, 3);
  Word16 off = 0;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    if (sub(r, 2) >= 0) {
      const Word16 shift = sub(13, r);
      for (Word16 v = 0; v < vectors; v++) {
        const Word16 pos = add(off, shl(v, 3));
        Word16 x[kLatticeDim];
        d8_index_to_point(index + pos, x, r);
        scale_vector(x, shift, 6144, normalized + pos);
      }
    } else if (sub(r, 1) == 0) {
      Word16 previous = 32767;
      for (Word16 v = 0; v < vectors; v++) {
        const Word16 pos = add(off, shl(v, 3));
        const Word16 j = index[pos];
        dequantize_onebit_vector(j, previous, normalized + pos);
        previous = j;
      }
    } else {
      for (Word16 i = 0; i < width; i++) normalized[off + i] = 0;
    }
    off = add(off, width);
  }
}

template <class K>
Word16 read_band_group_indices(BitWordReader<K> &caller_reader, const Word16 *allocation, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index) {
  // A local copy lets the compiler keep the reader in registers across the
  // index stores; it goes back to the caller at the end.
  BitWordReader<K> reader = caller_reader;
  // The count in plain arithmetic: a group has at most 16 bands of at most
  // 32 fields of at most 16 bits, far below 2^15, so a count with add()
  // would never saturate.
  const std::ptrdiff_t start = reader.consumed();
  const Word16 vectors = shr(width, 3);
  Word16 off = index_offset;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    Word16 *slots = index + off;
    if (huffman_coded != 0 && r >= 2 && r <= kCoefHuffmanMaxBits) {
      const CoefLookupEntry *table = kCoefLookup.entry[r - 2];
      for (Word16 i = 0; i < width; i++) {
        const CoefLookupEntry e = table[reader.peek(kCoefHuffmanMaxLength)];
        slots[i] = e.component;
        reader.skip(e.length);
      }
    } else if (r >= 2 && r <= 16) {
      for (Word16 i = 0; i < width; i++) slots[i] = static_cast<Word16>(reader.take(r));
    } else if (r == 1) {
      for (Word16 v = 0; v < vectors; v++)
        slots[v * kLatticeDim] = static_cast<Word16>(reader.take(kOnebitIndexBits));
    }
    off = add(off, width);
  }
  caller_reader = reader;
  return static_cast<Word16>(reader.consumed() - start);
}

template <class K>
void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, BitWordReader<K> &caller_reader,
                       Word16 *normalized, Word16 nb, Word16 spare_bits) {
  BitWordReader<K> reader = caller_reader;  // kept in registers, as in read_band_group_indices
  // The table of scaled one-bit vectors holds what dequantize_onebit_vector
  // computes for each index (it is built with the same operators and used
  // only when none saturated).
  const Word16 *scaled = scaled_onebit_codebook();
  give_spare_bits(allocation, band_order, nb, spare_bits, [&](Word16 b) {
    const Word16 first = band_start_table[b];
    decode_onebit_vectors(reader, index + first, shr(band_width_table[b], 3), normalized + first, scaled);
  });
  caller_reader = reader;
}

template Word16 read_band_group_indices<PortableKernels>(BitWordReader<PortableKernels> &, const Word16 *, Word16,
                                                         Word16, Word16, Word16, Word16, Word16 *);
template Word16 read_band_group_indices<Avx2Kernels>(BitWordReader<Avx2Kernels> &, const Word16 *, Word16, Word16,
                                                     Word16, Word16, Word16, Word16 *);
template void decode_spare_bits<PortableKernels>(Word16 *, const Word16 *, Word16 *, BitWordReader<PortableKernels> &,
                                                 Word16 *, Word16, Word16);
template void decode_spare_bits<Avx2Kernels>(Word16 *, const Word16 *, Word16 *, BitWordReader<Avx2Kernels> &,
                                             Word16 *, Word16, Word16);
