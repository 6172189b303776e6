// Bit words: inside the codec a frame is an array of Word16, one per bit, in
// transmission order. Writers store only BIT_WORD_ZERO or BIT_WORD_ONE;
// readers take exactly BIT_WORD_ONE as a 1 and anything else as a 0.
// Multi-bit fields are stored most significant bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "basop/basop.h"

inline constexpr Word16 BIT_WORD_ZERO = 0x007F;
inline constexpr Word16 BIT_WORD_ONE = 0x0081;

namespace bit_words_detail {

struct ByteTables {
  Word16 words[256][8];        // bit words of every byte, most significant bit first
  std::uint8_t reversed[256];  // every byte with its bit order reversed
};

constexpr ByteTables make_byte_tables() {
  ByteTables t{};
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

}  // namespace bit_words_detail

inline constexpr bit_words_detail::ByteTables kByteTables = bit_words_detail::make_byte_tables();

// The bits of words[0 .. 3] (1 exactly for BIT_WORD_ONE), words[0] in bit 3,
// four words at a time in one 64-bit register: t = x ^ BIT_WORD_ONE per
// lane is 0 exactly where a word is a 1 bit; ((t & 0x7FFF) + 0x7FFF) | t has
// bit 15 clear only there (no carry crosses a lane); and one multiply moves
// the four lane bits, at 0, 16, 32 and 48 once shifted down, to bits 63, 62,
// 61 and 60 (the other partial products land on distinct bits below 60).
inline unsigned gather_4_bits(const Word16 *words) {
  constexpr std::uint64_t kOnes = 0x0081008100810081u;
  constexpr std::uint64_t kLow = 0x7FFF7FFF7FFF7FFFu;
  constexpr std::uint64_t kGather = (std::uint64_t{1} << 63) | (std::uint64_t{1} << 46) | (std::uint64_t{1} << 29) |
                                    (std::uint64_t{1} << 12);
  const std::uint64_t x = static_cast<std::uint64_t>(static_cast<std::uint16_t>(words[0])) |
                          static_cast<std::uint64_t>(static_cast<std::uint16_t>(words[1])) << 16 |
                          static_cast<std::uint64_t>(static_cast<std::uint16_t>(words[2])) << 32 |
                          static_cast<std::uint64_t>(static_cast<std::uint16_t>(words[3])) << 48;
  const std::uint64_t t = x ^ kOnes;
  const std::uint64_t ones = ~(((t & kLow) + kLow) | t) & ~kLow;
  return static_cast<unsigned>(((ones >> 15) * kGather) >> 60);
}

// The bits of words[0 .. 15] (1 exactly for BIT_WORD_ONE), words[0] in bit
// 15. Reads exactly those 16 words. The AVX2 set's twin is in
// frame/bit_words_avx2.h.
inline std::uint32_t gather_16_bits(const Word16 *words) {
  return (gather_4_bits(words) << 12) | (gather_4_bits(words + 4) << 8) | (gather_4_bits(words + 8) << 4) |
         gather_4_bits(words + 12);
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
      std::memcpy(out_, kByteTables.words[(pending_ >> count_) & 0xFF], 8 * sizeof(Word16));
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

// Reads bit fields from words[0 .. available-1], loading them 16 at a time
// with the kernel set K's gather_16_bits. It never touches a word at or past
// words[available]: such words read as 0 bits, as BIT_WORD_ZERO padding
// would. consumed() tells how many words the fields taken so far occupy,
// whatever was loaded ahead.
template <class K>
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
        chunk = K::gather_16_bits(words_ + loaded_);
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
