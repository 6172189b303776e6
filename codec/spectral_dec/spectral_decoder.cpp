#include "spectral_dec/spectral_decoder.h"

#include "frame/bit_words.h"
#include "spectral_dec/coefficient_decoding.h"
#include "spectral_dec/norm_decoding.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"

namespace {

// Where the fields come from: the caller's cursor, word by word, exactly the
// words the fields ask for.
class CursorFields {
 public:
  explicit CursorFields(const Word16 **cursor) : cursor_(cursor) {}
  Word16 flag() {
    Word16 flag;
    g719_read_value(*cursor_, 1, &flag);
    *cursor_ += 1;
    return flag;
  }
  Word16 norms(Word16 huffman_coded, Word16 *symbols) { return read_norm_symbols(cursor_, huffman_coded, symbols); }
  Word16 group(const Word16 *allocation, Word16 huffman_coded, Word16 index_offset, Word16 first_band,
               Word16 end_band, Word16 width, Word16 *index) {
    const Word16 bits =
        read_band_group_indices(allocation, *cursor_, huffman_coded, index_offset, first_band, end_band, width, index);
    *cursor_ += bits;
    return bits;
  }
  void spare(Word16 *allocation, const Word16 *band_order, Word16 *index, Word16 *normalized, Word16 nb,
             Word16 spare_bits) {
    decode_spare_bits(allocation, band_order, index, cursor_, normalized, nb, spare_bits);
  }
  void finish() {}

 private:
  const Word16 **cursor_;
};

// Where the fields come from: a block reader over [cursor, end), which moves
// the caller's cursor past the fields read at the end.
class BlockFields {
 public:
  BlockFields(const Word16 **cursor, const Word16 *end) : cursor_(cursor), reader_(*cursor, end - *cursor) {}
  Word16 flag() { return static_cast<Word16>(reader_.take(1)); }
  Word16 norms(Word16 huffman_coded, Word16 *symbols) { return read_norm_symbols(reader_, huffman_coded, symbols); }
  Word16 group(const Word16 *allocation, Word16 huffman_coded, Word16 index_offset, Word16 first_band,
               Word16 end_band, Word16 width, Word16 *index) {
    return read_band_group_indices(reader_, allocation, huffman_coded, index_offset, first_band, end_band, width,
                                   index);
  }
  void spare(Word16 *allocation, const Word16 *band_order, Word16 *index, Word16 *normalized, Word16 nb,
             Word16 spare_bits) {
    decode_spare_bits(allocation, band_order, index, reader_, normalized, nb, spare_bits);
  }
  void finish() { *cursor_ += reader_.consumed(); }

 private:
  const Word16 **cursor_;
  BitWordReader reader_;
};

template <typename Fields>
void decode_spectrum(Fields &fields, Word16 budget, Word16 transient, Word16 *norm_index, Word16 *allocation,
                     Word16 *normalized) {
  const Word16 all_bands = fields.flag();
  const Word16 norms_huffman = fields.flag();
  const Word16 coefs_huffman = fields.flag();
  const Word16 nb = all_bands != 0 ? Word16{kNumBands} : Word16{36};

  // Norms.
  Word16 symbols[kNumBands];
  const Word16 norm_bits = fields.norms(norms_huffman, symbols);
  Word16 norm_level[kNumBands];
  rebuild_norm_indices(symbols, transient, norm_index, norm_level);

  // Bit allocation, recomputed from the decoded norms.
  Word16 band_order[kNumBands];
  for (Word16 i = 0; i < kNumBands; i++) band_order[i] = i;  // only the first nb take part
  Word16 priority[kNumBands];
  compute_allocation_priorities(norm_level, priority, transient);
  sort_bands_by_priority(priority, nb, band_order);
  for (int i = 0; i < kNumBands; i++) allocation[i] = 0;
  const Word16 coef_budget = sub(sub(sub(budget, 3), 5), norm_bits);
  allocate_bits(priority, band_order, coef_budget, nb, kMaxBitsPerCoefficient, allocation);

  // Coefficient indices of all groups first: the spare-bit vectors follow the
  // last group in the bitstream.
  Word16 index[kCodedCoefficients] = {};
  const Word16 groups = nb == kNumBands ? Word16{kNumBandGroups} : Word16{kNumBandGroups - 1};
  Word16 bits_used = 0;
  for (Word16 g = 0; g < groups; g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 end = add(first, band_group_band_count[g]);
    const Word16 bits = fields.group(allocation, coefs_huffman, band_group_start[g], first, end,
                                     band_group_width[g], index);
    bits_used = add(bits_used, bits);
  }
  const Word16 spare_bits = sub(coef_budget, bits_used);

  for (Word16 g = 0; g < kNumBandGroups; g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    dequantize_band_group(index + start, allocation, first, add(first, band_group_band_count[g]),
                          band_group_width[g], normalized + start);
  }

  fields.spare(allocation, band_order, index, normalized, nb, spare_bits);
  fields.finish();
}

}  // namespace

void g719_decode_spectrum(const Word16 **cursor, Word16 budget, Word16 transient, Word16 *norm_index,
                          Word16 *allocation, Word16 *normalized) {
  CursorFields fields(cursor);
  decode_spectrum(fields, budget, transient, norm_index, allocation, normalized);
}

void g719_decode_spectrum_within(const Word16 **cursor, const Word16 *end, Word16 budget, Word16 transient,
                                 Word16 *norm_index, Word16 *allocation, Word16 *normalized) {
  BlockFields fields(cursor, end);
  decode_spectrum(fields, budget, transient, norm_index, allocation, normalized);
}
