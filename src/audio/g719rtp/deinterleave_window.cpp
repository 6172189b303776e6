#include "deinterleave_window.h"

#include <algorithm>

namespace zeb_g719 {

void DeinterleaveWindow::reset (std::int64_t next_slot, unsigned depth)
{
  clear ();
  next_slot_ = next_slot;
  depth_ = std::clamp (depth, 1u, kMaxDeinterleaveDepth);
}

void DeinterleaveWindow::clear ()
{
  for (std::size_t i = 0; i < count_; i++)
    gst_clear_buffer (&held_[i].frame);
  count_ = 0;
}

DeinterleaveWindow::Insertion DeinterleaveWindow::insert (const HeldFrame & block)
{
  GstBuffer *frame = block.frame;
  if (block.slot < next_slot_) {
    gst_clear_buffer (&frame);
    return Insertion::already_released;
  }
  std::size_t i = 0;
  while (i < count_ && held_[i].slot < block.slot)
    i++;
  if (i < count_ && held_[i].slot == block.slot) {
    if (block.length_code > held_[i].length_code) {
      gst_clear_buffer (&held_[i].frame);
      held_[i] = block;
      return Insertion::replaced;
    }
    gst_clear_buffer (&frame);
    return Insertion::kept_other;
  }
  /* A caller that releases what is due after every insertion holds fewer
   * than depth_ blocks here, so the array is never full; should it be, the
   * new block is dropped. */
  if (count_ == held_.size ()) {
    gst_clear_buffer (&frame);
    return Insertion::kept_other;
  }
  std::move_backward (held_.begin () + i, held_.begin () + count_, held_.begin () + count_ + 1);
  held_[i] = block;
  count_++;
  return Insertion::held;
}

bool DeinterleaveWindow::release (bool drain, HeldFrame * out)
{
  if (count_ == 0)
    return false;
  if (held_[0].slot == next_slot_) {
    *out = held_[0];
    std::move (held_.begin () + 1, held_.begin () + count_, held_.begin ());
    count_--;
    held_[count_] = HeldFrame{};
  } else if (drain || count_ >= depth_) {
    *out = HeldFrame{ next_slot_, GST_CLOCK_TIME_NONE, nullptr, 0 };
  } else {
    return false;
  }
  next_slot_++;
  return true;
}

void DeinterleaveWindow::skip (std::int64_t slots)
{
  if (count_ == 0 && slots > 0)
    next_slot_ += slots;
}

}  // namespace zeb_g719
