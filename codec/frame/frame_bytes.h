// Packing of a frame's bit words into bytes and back: bit word i is bit
// 7 - (i mod 8) of byte i / 8, so word 0 is the most significant bit of
// byte 0. A word equal to BIT_WORD_ONE packs as 1, any other word as 0;
// unpacking gives BIT_WORD_ONE and BIT_WORD_ZERO.
#pragma once

#include <cstdint>

#include "basop/basop.h"

// words[0 .. 8 * bytes - 1] into frame[0 .. bytes - 1].
void pack_bit_words(const Word16 *words, std::int32_t bytes, std::uint8_t *frame);
void pack_bit_words_avx2(const Word16 *words, std::int32_t bytes, std::uint8_t *frame);

// frame[0 .. bytes - 1] into words[0 .. 8 * bytes - 1]; plain table copies,
// the same for both kernel sets.
void unpack_frame_bytes(const std::uint8_t *frame, std::int32_t bytes, Word16 *words);
