#include "spectral_enc/priority_search.h"

WindowMax window_max(const Word16 *work, int first, int last) {
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
