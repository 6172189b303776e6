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

WindowMax window_max_plain(const Word16 *work, int first, int last) {
  Word16 m = work[first];
  std::uint64_t at = std::uint64_t{1} << first;
  for (int j = first + 1; j <= last; ++j) {
    if (work[j] > m) {
      m = work[j];
      at = 0;
    }
    if (work[j] == m) at |= std::uint64_t{1} << j;
  }
  return {m, at};
}

WindowMax window_max(const Word16 *work, int first, int last) {
  return g719_avx2_active() ? window_max_avx2(work, first, last) : window_max_plain(work, first, last);
}
