#include "spectral_enc/priority_search.h"

#include "frame/cpu_dispatch.h"

Word16 first_max_position_saturating(const Word16 *priority, Word16 top) {
  Word16 best = 0;
  Word16 m = priority[0];
  for (Word16 j = 1; j <= top; j = add(j, 1)) {
    if (sub(priority[j], m) > 0) best = j;
    m = m > priority[j] ? m : priority[j];
  }
  return best;
}

Word16 first_max_position_plain(const Word16 *work, Word16 top) {
  Word16 best = 0;
  Word16 m = work[0];
  for (int j = 1; j <= top; ++j) {
    if (work[j] > m) {
      best = static_cast<Word16>(j);
      m = work[j];
    }
  }
  return best;
}

Word16 first_max_position(const Word16 *work, Word16 top) {
  return g719_avx2_active() ? first_max_position_avx2(work, top) : first_max_position_plain(work, top);
}
