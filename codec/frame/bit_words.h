// Bit words: inside the codec a frame is an array of Word16, one per bit, in
// transmission order. Writers store only BIT_WORD_ZERO or BIT_WORD_ONE;
// readers take exactly BIT_WORD_ONE as a 1 and anything else as a 0.
// Multi-bit values are stored most significant bit first. None of these
// primitives keeps a cursor: callers advance their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "basop/basop.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline constexpr Word16 BIT_WORD_ZERO = 0x007F;
inline constexpr Word16 BIT_WORD_ONE = 0x0081;

// Writes the n low bits of value into words[0 .. n-1]; n < 1 writes nothing.
void g719_write_value(Word16 value, Word16 n, Word16 *words);

// Writes count values of width bits back to back. Width 1 is special: it
// writes the single value values[0] on count bits and touches nothing else.
void g719_write_values(const Word16 *values, Word16 count, Word16 width, Word16 *words);

// Reads an n-bit value from words[0 .. n-1] into *value (0 when n < 1).
void g719_read_value(const Word16 *words, Word16 n, Word16 *value);

// Reads count values of width bits into values; width 1 reads the single
// value values[0] on count bits and leaves the rest of values untouched.
void g719_read_values(const Word16 *words, Word16 count, Word16 width, Word16 *values);

// The one-word-per-step forms of g719_write_value and g719_read_value. The
// two functions above give exactly their results (values and Overflow) in
// blocks of 8 words; these stay as the reference the block forms are tested
// against.
void g719_write_value_bitwise(Word16 value, Word16 n, Word16 *words);
void g719_read_value_bitwise(const Word16 *words, Word16 n, Word16 *value);

namespace bit_words_detail {

struct ByteWords {
  Word16 words[256][8];  // bit words of every byte, most significant bit first
  std::uint8_t reversed[256];  // every byte with its bit order reversed
};

constexpr ByteWords make_byte_words() {
  ByteWords t{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int b = 0; b < 8; ++b) {
      t.words[v][b] = ((v >> (7 - b)) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
      r |= ((v >> b) & 1) << (7 - b);
    }
    t.reversed[v] = static_cast<std::uint8_t>(r);
  }
  return t;
}

inline constexpr ByteWords kByteWords = make_byte_words();

}  // namespace bit_words_detail

// The bits of 16 words (1 exactly for BIT_WORD_ONE), words[0] in bit 15.
// Reads exactly words[0 .. 15].
inline std::uint32_t g719_gather_16_bits_portable(const Word16 *words) {
  std::uint32_t bits = 0;
  for (int k = 0; k < 16; ++k) bits = (bits << 1) | (words[k] == BIT_WORD_ONE ? 1u : 0u);
  return bits;
}

inline std::uint32_t g719_gather_16_bits(const Word16 *words) {
#if defined(__SSE2__)
  // SSE2 is part of every x86-64 processor, so this runs on both kernel
  // paths; tests compare it with the plain loop directly.
  // Compare all 16 words with BIT_WORD_ONE, narrow the masks to bytes and
  // take their sign bits: bit k is words[k]. Reverse the two bytes' bit order
  // to put words[0] on top.
  const __m128i one = _mm_set1_epi16(BIT_WORD_ONE);
  const __m128i lo = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words)), one);
  const __m128i hi = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words + 8)), one);
  const std::uint32_t m = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)));
  const auto &rev = bit_words_detail::kByteWords.reversed;
  return (static_cast<std::uint32_t>(rev[m & 0xFF]) << 8) | rev[m >> 8];
#else
  return g719_gather_16_bits_portable(words);
#endif
}

// Writes bit fields one after another from a start address, 8 words at a time
// from a byte table. Words are stored only once all 8 bits of their byte are
// known, and finish() stores the rest one by one, so exactly the words of the
// fields put are written, in order, and nothing past them.
class BitWordWriter {
 public:
  explicit BitWordWriter(Word16 *words) : out_(words) {}

  // Appends the n low bits of value, most significant first (0 <= n <= 16).
  void put(std::uint32_t value, int n) {
    pending_ = (pending_ << n) | (value & ((1u << n) - 1u));
    count_ += n;
    while (count_ >= 8) {
      count_ -= 8;
      std::memcpy(out_, bit_words_detail::kByteWords.words[(pending_ >> count_) & 0xFF], 8 * sizeof(Word16));
      out_ += 8;
    }
  }

  // Stores the bits still held and returns the address after the last word
  // written. The writer can go on putting after it.
  Word16 *finish() {
    for (int j = count_ - 1; j >= 0; --j) *out_++ = ((pending_ >> j) & 1u) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    count_ = 0;
    return out_;
  }

 private:
  Word16 *out_;
  std::uint32_t pending_ = 0;  // the low count_ bits are not stored yet
  int count_ = 0;              // 0..7 between calls
};

// Reads bit fields from words[0 .. available-1], loading them 16 at a time.
// It never touches a word at or past words[available]: such words read as 0
// bits, as BIT_WORD_ZERO padding would. consumed() tells how many words the
// fields taken so far occupy, whatever was loaded ahead.
class BitWordReader {
 public:
  BitWordReader(const Word16 *words, std::ptrdiff_t available) : words_(words), available_(available) {}

  std::ptrdiff_t consumed() const { return loaded_ - count_; }

  // The next n bits (1 <= n <= 16) as an unsigned number, without taking them.
  std::uint32_t peek(int n) {
    if (count_ < 16) refill();
    return static_cast<std::uint32_t>(bits_ >> (64 - n));
  }

  // Drops n bits (0 <= n <= 16) that peek() has shown.
  void skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }

  // Takes the next n bits (1 <= n <= 16) as an unsigned number.
  std::uint32_t take(int n) {
    const std::uint32_t v = peek(n);
    skip(n);
    return v;
  }

 private:
  void refill() {
    while (count_ <= 48) {
      std::uint32_t chunk = 0;
      if (available_ - loaded_ >= 16) {
        chunk = g719_gather_16_bits(words_ + loaded_);
      } else {
        for (int k = 0; k < 16; ++k) {
          const bool one = loaded_ + k < available_ && words_[loaded_ + k] == BIT_WORD_ONE;
          chunk = (chunk << 1) | (one ? 1u : 0u);
        }
      }
      bits_ |= static_cast<std::uint64_t>(chunk) << (48 - count_);
      loaded_ += 16;
      count_ += 16;
    }
  }

  const Word16 *words_;
  std::ptrdiff_t available_;
  std::ptrdiff_t loaded_ = 0;  // words loaded into bits_ (may run past available_)
  std::uint64_t bits_ = 0;     // the next count_ bits, the next one on top
  int count_ = 0;
};
