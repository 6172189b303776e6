#include "spectral_enc/norm_huffman.h"

Word16 norm_diff_huffman_cost(const Word16 *diff_codes, Word16 count) {
  Word16 bits = 0;
  for (Word16 k = 0; k < count; ++k) {
    const Word16 code = diff_codes[k];
    const Word16 len = (code >= 0 && code < kNumNormDiffCodes) ? norm_diff_huffman_lengths[code] : Word16{7};
    bits = add(bits, len);
  }
  return bits;
}
