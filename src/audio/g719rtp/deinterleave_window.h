/* Frame-blocks of one RTP source between arrival and output, released in
 * decoding order.
 *
 * Slots are 20 ms frame positions counted from the stream's first packet. A
 * slot is released as soon as its frame is held, or as missing once `depth`
 * frame-blocks later than it are held: a sender may send at most depth - 1
 * blocks before a block that is earlier in time (the `interleaving`
 * parameter), so by then the missing one can no longer arrive. Basic mode is
 * depth 1: everything is released as soon as it arrives, gaps included.
 *
 * Two copies of one slot: the one with the higher bitrate is kept. A frame
 * for a slot already released is refused.
 *
 * Fixed storage, no allocation: the element holds one of these. */
#ifndef ZEB_G719_DEINTERLEAVE_WINDOW_H
#define ZEB_G719_DEINTERLEAVE_WINDOW_H

#include <gst/gst.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace zeb_g719 {

/* Largest de-interleaving depth held: 256 slots, 5.12 s. */
inline constexpr unsigned kMaxDeinterleaveDepth = 256;

struct HeldFrame {
  std::int64_t slot = 0;
  GstClockTime pts = GST_CLOCK_TIME_NONE;
  GstBuffer *frame = nullptr;   /* NULL: no data, or a slot released as missing */
  unsigned length_code = 0;     /* 0 with no frame */
};

class DeinterleaveWindow {
 public:
  enum class Insertion : std::uint8_t {
    held,              /* new slot */
    replaced,          /* a copy at a lower bitrate was dropped for this one */
    kept_other,        /* a copy at the same or a higher bitrate is kept */
    already_released,  /* the slot has gone out: the frame is dropped */
  };

  /* Drops everything held; the next slot released is next_slot. depth is
   * clamped to 1..kMaxDeinterleaveDepth. */
  void reset (std::int64_t next_slot, unsigned depth);
  /* Drops everything held. */
  void clear ();

  /* Takes ownership of frame (NULL for a no-data block) in every case. */
  Insertion insert (const HeldFrame & block);

  /* Releases the next slot if it is due, or whatever is held when draining.
   * Returns false when nothing is due. The caller owns out->frame, which is
   * NULL for a missing slot (pts NONE) or a no-data block. */
  bool release (bool drain, HeldFrame * out);

  /* Moves past `slots` slots without output. Only while nothing is held. */
  void skip (std::int64_t slots);

  std::int64_t next_slot () const { return next_slot_; }
  std::size_t held () const { return count_; }

 private:
  std::array<HeldFrame, kMaxDeinterleaveDepth> held_{};  /* ascending slots */
  std::size_t count_ = 0;
  std::int64_t next_slot_ = 0;
  unsigned depth_ = 1;
};

}  // namespace zeb_g719

#endif /* ZEB_G719_DEINTERLEAVE_WINDOW_H */
