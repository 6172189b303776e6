#include "spectral_dec/coefficient_decoding.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "frame/bit_words.h"
#include "frame/cpu_dispatch.h"
#include "spectral_dec/dequantize_avx2.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/spare_bit_bands.h"

namespace {

constexpr Word16 kVectorLength = 8;
constexpr Word16 kOnebitIndexBits = 8;
constexpr Word16 kMaxHuffmanBits = 5;  // highest R with Huffman-coded indices
constexpr int kMaxCodeLength = 7;      // longest coefficient code word

// Decoding tables of the coefficient Huffman codes, R = 2..5. A code word of
// n bits with value c is looked up at (1 << n) | c (the leading 1 marks the
// length); the entry is the index component, or -1 when the bits read so far
// are not yet a code word.
struct CoefDecodeTables {
  signed char component[4][1 << (kMaxCodeLength + 1)];
};

CoefDecodeTables build_coef_decode_tables() {
  CoefDecodeTables t;
  for (auto &table : t.component) {
    for (auto &entry : table) entry = -1;
  }
  for (int r = 2; r <= kMaxHuffmanBits; ++r) {
    const int first = coef_huffman_offsets[r];
    const int count = 1 << r;
    for (int k = 0; k < count; ++k) {
      const int length = coef_huffman_lengths[first + k];
      const int code = coef_huffman_codes[first + k];
      if (length < 1 || length > kMaxCodeLength || code < 0 || code >= (1 << length)) continue;
      t.component[r - 2][(1 << length) | code] = static_cast<signed char>(k);
    }
  }
  return t;
}

const CoefDecodeTables &coef_decode_tables() {
  static const CoefDecodeTables tables = build_coef_decode_tables();
  return tables;
}

// Reads count code words of the R-bit code one bit at a time.
void decode_coef_huffman(const Word16 *cursor, Word16 count, Word16 *out, int r) {
  const signed char *table = coef_decode_tables().component[r - 2];
  const Word16 *p = cursor;
  for (Word16 i = 0; i < count; i++) {
    int code = 0;
    int entry = -1;
    // The codes are complete, so a code word ends within kMaxCodeLength bits;
    // the bound only keeps a damaged table from reading further.
    for (int length = 1; length <= kMaxCodeLength && entry < 0; ++length) {
      code = (code << 1) | (sub(*p, BIT_WORD_ONE) == 0 ? 1 : 0);
      ++p;
      entry = table[(1 << length) | code];
    }
    out[i] = entry < 0 ? Word16{0} : static_cast<Word16>(entry);
  }
}

// out[i] = add(mult(shl(x[i], shift), factor), 4) for a vector of 8, shift
// in 0..15. The SSE2 form (part of every x86-64 processor) widens x to 32
// bits, shifts and packs back with signed saturation, which is shl's clamp
// (x << shift fits 32 bits for shift <= 15), and sets Overflow when a lane
// was clamped, as shl does. mult's product (a * factor) >> 15 is rebuilt
// from the high and low halves of the 32-bit product; |a| <= 32768 and
// factor < 32768 keep it within 16 bits, so neither mult nor the add of 4
// (|mult| < 32767 - 4 for the factors used, 6144 and 29789) can saturate.
void scale_vector(const Word16 *x, int shift, Word16 factor, Word16 *out) {
#if defined(__SSE2__)
  // With the AVX2 kernels (SSE2 is part of every x86-64 processor); forcing
  // the portable kernels runs the operator loop below.
  if (g719_avx2_active()) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x));
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i lo32 = _mm_sll_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16), count);
    const __m128i hi32 = _mm_sll_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16), count);
    const __m128i a = _mm_packs_epi32(lo32, hi32);
    // Clamped lanes no longer shift back to x (unclamped ones do exactly).
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_sra_epi16(a, count), v)) != 0xFFFF) Overflow = 1;
    const __m128i f = _mm_set1_epi16(factor);
    const __m128i product = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(a, f), 1),
                                         _mm_srli_epi16(_mm_mullo_epi16(a, f), 15));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_add_epi16(product, _mm_set1_epi16(4)));
    return;
  }
#endif
  for (Word16 i = 0; i < kVectorLength; i++) out[i] = add(mult(shl(x[i], static_cast<Word16>(shift)), factor), 4);
}

// One-bit codebook vector j, or the zero vector (all 4) when j < 16 follows a
// vector index below 128 in the same band.
void dequantize_onebit_vector(Word16 j, Word16 previous, Word16 *normalized) {
  if (sub(previous, 128) < 0 && sub(j, 16) < 0) {
    for (Word16 i = 0; i < kVectorLength; i++) normalized[i] = 4;
    return;
  }
  // Indices come from 8-bit fields; any other value takes its low 8 bits
  // rather than reading outside the codebook.
  scale_vector(&onebit_codebook[(j & 0xFF) * kVectorLength], 8, 29789, normalized);
}

// Look-up decoding of the same codes: the next 7 bits, most significant
// first, give the component of the code word they start with and its length.
// The codes are complete and no word is longer than 7 bits, so every 7-bit
// pattern starts with exactly one code word.
struct CoefLookupEntry {
  std::uint8_t component;
  std::uint8_t length;
};

struct CoefLookupTables {
  CoefLookupEntry entry[4][1 << kMaxCodeLength];
};

constexpr CoefLookupTables build_coef_lookup_tables() {
  CoefLookupTables t{};
  for (int r = 2; r <= kMaxHuffmanBits; ++r) {
    const int first = coef_huffman_offsets[r];
    for (int k = 0; k < (1 << r); ++k) {
      const int length = coef_huffman_lengths[first + k];
      const int spare = kMaxCodeLength - length;
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

// scaled is scaled_onebit_codebook() or null: with the table a vector that
// is not zeroed is its row (j, 8 bits read, is within 0..255); without it,
// dequantize_onebit_vector.
void decode_onebit_vectors_from(BitWordReader &reader, Word16 *index, Word16 num_vectors, Word16 *normalized,
                                const Word16 *scaled) {
  Word16 previous = 32767;
  for (Word16 v = 0; v < num_vectors; v++) {
    const Word16 pos = static_cast<Word16>(v * kVectorLength);  // at most 3 * 8
    const Word16 j = static_cast<Word16>(reader.take(kOnebitIndexBits));
    index[pos] = j;
    if (scaled != nullptr && !(previous < 128 && j < 16)) {
      std::memcpy(normalized + pos, scaled + j * kVectorLength, kVectorLength * sizeof(Word16));
    } else {
      dequantize_onebit_vector(j, previous, normalized + pos);
    }
    previous = j;
  }
}

}  // namespace

void decode_index_r2(const Word16 *cursor, Word16 count, Word16 *out) { decode_coef_huffman(cursor, count, out, 2); }
void decode_index_r3(const Word16 *cursor, Word16 count, Word16 *out) { decode_coef_huffman(cursor, count, out, 3); }
void decode_index_r4(const Word16 *cursor, Word16 count, Word16 *out) { decode_coef_huffman(cursor, count, out, 4); }
void decode_index_r5(const Word16 *cursor, Word16 count, Word16 *out) { decode_coef_huffman(cursor, count, out, 5); }

Word16 read_band_group_indices(const Word16 *allocation, const Word16 *cursor, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index) {
  const Word16 vectors = shr(width, 3);
  const Word16 *p = cursor;
  Word16 off = index_offset;
  Word16 fixed = 0;
  Word16 coded = 0;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    Word16 *slots = index + off;
    const bool huffman = huffman_coded != 0 && sub(r, 2) >= 0 && sub(r, kMaxHuffmanBits) <= 0;
    if (huffman) {
      switch (r) {
        case 2: decode_index_r2(p, width, slots); break;
        case 3: decode_index_r3(p, width, slots); break;
        case 4: decode_index_r4(p, width, slots); break;
        default: decode_index_r5(p, width, slots); break;
      }
      const Word16 *lengths = &coef_huffman_lengths[coef_huffman_offsets[r]];
      for (Word16 i = 0; i < width; i++) {
        const Word16 length = lengths[slots[i]];
        coded = add(coded, length);
        p += length;
      }
    } else if (sub(r, 2) >= 0) {
      g719_read_values(p, width, r, slots);
      const Word16 bits = extract_l(L_mult0(r, width));
      fixed = add(fixed, bits);
      p += bits;
    } else if (sub(r, 1) == 0) {
      for (Word16 v = 0; v < vectors; v++) {
        g719_read_values(p, kOnebitIndexBits, 1, slots + v * kVectorLength);
        p += kOnebitIndexBits;
      }
      fixed = add(fixed, width);
    }
    off = add(off, width);
  }
  if (huffman_coded == 0) return fixed;
  return add(coded, fixed);
}

void dequantize_band_group(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                           Word16 width, Word16 *normalized) {
  if (g719_avx2_active()) {
    dequantize_band_group_avx2(index, allocation, first_band, end_band, width, normalized);
  } else {
    dequantize_band_group_portable(index, allocation, first_band, end_band, width, normalized);
  }
}

void dequantize_band_group_portable(const Word16 *index, const Word16 *allocation, Word16 first_band,
                                    Word16 end_band, Word16 width, Word16 *normalized) {
  const Word16 vectors = shr(width, 3);
  Word16 off = 0;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    if (sub(r, 2) >= 0) {
      const Word16 shift = sub(13, r);
      for (Word16 v = 0; v < vectors; v++) {
        const Word16 pos = add(off, shl(v, 3));
        Word16 x[kVectorLength];
        d8_index_to_point(index + pos, x, r);
        if (shift >= 0) {
          scale_vector(x, shift, 6144, normalized + pos);
        } else {
          for (Word16 i = 0; i < kVectorLength; i++) normalized[pos + i] = add(mult(shl(x[i], shift), 6144), 4);
        }
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

void decode_onebit_vectors(Word16 *index, const Word16 **cursor, Word16 num_vectors, Word16 *normalized) {
  Word16 previous = 32767;
  for (Word16 v = 0; v < num_vectors; v++) {
    const Word16 pos = shl(v, 3);
    g719_read_values(*cursor, kOnebitIndexBits, 1, index + pos);
    *cursor += kOnebitIndexBits;
    const Word16 j = index[pos];
    dequantize_onebit_vector(j, previous, normalized + pos);
    previous = j;
  }
}

void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, const Word16 **cursor,
                       Word16 *normalized, Word16 nb, Word16 spare_bits) {
  give_spare_bits(allocation, band_order, nb, spare_bits, [&](Word16 b) {
    const Word16 first = band_start_table[b];
    decode_onebit_vectors(index + first, cursor, shr(band_width_table[b], 3), normalized + first);
  });
}

Word16 read_band_group_indices(BitWordReader &caller_reader, const Word16 *allocation, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index) {
  // A local copy lets the compiler keep the reader in registers across the
  // index stores; it goes back to the caller at the end.
  BitWordReader reader = caller_reader;
  // Counts in plain arithmetic: a group has at most 16 bands of at most 32
  // fields of at most 16 bits, far below 2^15, so the add() chains of the
  // word-by-word form never saturate. The 16-bit-and-wider fields of an
  // out-of-range allocation keep the saturating shl/add, so values and flags
  // match, except that the word-by-word form's sub(word, BIT_WORD_ONE) can
  // also set Overflow on a word far from both bit words, which an unpacked
  // frame never holds.
  const std::ptrdiff_t start = reader.consumed();
  const Word16 vectors = shr(width, 3);
  Word16 off = index_offset;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    Word16 *slots = index + off;
    if (huffman_coded != 0 && r >= 2 && r <= kMaxHuffmanBits) {
      const CoefLookupEntry *table = kCoefLookup.entry[r - 2];
      for (Word16 i = 0; i < width; i++) {
        const CoefLookupEntry e = table[reader.peek(kMaxCodeLength)];
        slots[i] = e.component;
        reader.skip(e.length);
      }
    } else if (r >= 2 && r <= 15) {
      for (Word16 i = 0; i < width; i++) slots[i] = static_cast<Word16>(reader.take(r));
    } else if (r >= 16) {
      for (Word16 i = 0; i < width; i++) {
        Word16 v = 0;
        for (Word16 j = 0; j < r; j++) {
          v = shl(v, 1);
          if (reader.take(1) != 0) v = add(v, 1);
        }
        slots[i] = v;
      }
    } else if (r == 1) {
      for (Word16 v = 0; v < vectors; v++) slots[v * kVectorLength] = static_cast<Word16>(reader.take(kOnebitIndexBits));
    }
    off = add(off, width);
  }
  caller_reader = reader;
  return static_cast<Word16>(reader.consumed() - start);
}

void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, BitWordReader &caller_reader,
                       Word16 *normalized, Word16 nb, Word16 spare_bits) {
  BitWordReader reader = caller_reader;  // kept in registers, as in read_band_group_indices
  // The table of scaled one-bit vectors holds what dequantize_onebit_vector
  // computes for each index (it is built with the same operators and used
  // only when none saturated); the portable path keeps the operators.
  const Word16 *scaled = g719_avx2_active() ? scaled_onebit_codebook() : nullptr;
  give_spare_bits(allocation, band_order, nb, spare_bits, [&](Word16 b) {
    const Word16 first = band_start_table[b];
    decode_onebit_vectors_from(reader, index + first, shr(band_width_table[b], 3), normalized + first, scaled);
  });
  caller_reader = reader;
}
