#include "frame/frame_bytes.h"

#include <cstring>

#include "frame/bit_words.h"

void pack_bit_words(const Word16 *words, std::int32_t bytes, std::uint8_t *frame) {
  const Word16 *w = words;
  for (std::int32_t i = 0; i < bytes; ++i, w += 8) {
    frame[i] = static_cast<std::uint8_t>((gather_4_bits(w) << 4) | gather_4_bits(w + 4));
  }
}

void unpack_frame_bytes(const std::uint8_t *frame, std::int32_t bytes, Word16 *words) {
  for (std::int32_t i = 0; i < bytes; ++i) {
    std::memcpy(&words[8 * i], kByteTables.words[frame[i]], sizeof(kByteTables.words[0]));
  }
}
