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

  // Appends the n low bits of value, most significant first.
  BitBuilder &value(int value, int n) {
    for (int j = n - 1; j >= 0; --j) words_.at(pos_++) = ((value >> j) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    return *this;
  }
  // Appends a string of '0' and '1' characters.
  BitBuilder &bits(std::string_view s) {
    for (char c : s) words_.at(pos_++) = c == '1' ? BIT_WORD_ONE : BIT_WORD_ZERO;
    return *this;
  }

  std::size_t size() const { return pos_; }
  std::ptrdiff_t capacity() const { return static_cast<std::ptrdiff_t>(words_.size()); }
  const Word16 *data() const { return words_.data(); }
  Word16 *data() { return words_.data(); }
  std::vector<Word16> &words() { return words_; }

 private:
  std::vector<Word16> words_;
  std::size_t pos_ = 0;
};
