// Test helper: composes a frame of bit words field by field.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "frame/bit_words.h"

class BitBuilder {
 public:
  // A frame of `capacity` words, all 0 bits.
  explicit BitBuilder(std::size_t capacity) : words_(capacity, BIT_WORD_ZERO) {}

  // Appends value on n bits, most significant first.
  BitBuilder &value(int value, int n) {
    if (n < 1) return *this;
    g719_write_value(static_cast<Word16>(value), static_cast<Word16>(n), &words_.at(pos_ + n - 1) - (n - 1));
    pos_ += n;
    return *this;
  }
  // Appends a string of '0' and '1' characters.
  BitBuilder &bits(std::string_view s) {
    for (char c : s) words_.at(pos_++) = c == '1' ? BIT_WORD_ONE : BIT_WORD_ZERO;
    return *this;
  }

  std::size_t size() const { return pos_; }
  const Word16 *data() const { return words_.data(); }
  Word16 *data() { return words_.data(); }
  std::vector<Word16> &words() { return words_; }

 private:
  std::vector<Word16> words_;
  std::size_t pos_ = 0;
};
