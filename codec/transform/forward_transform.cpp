#include "transform/forward_transform.h"

#include "frame/frame_geometry.h"
#include "frame/kernel_sets.h"

template <class K>
void g719_forward_transform(const Word32 *folded, Word32 *coefficients, Word16 transient, Word16 shift) {
  if (shift < 0 || shift > 31) shift = 0;  // outside the contract; keeps every shift count defined
  Word32 buf[kFrameSamples];
  if (transient != 0) {
    // The four windowed blocks first, then their transforms together.
    K::short_window_blocks(folded, buf, shift);
    K::dct4_240_x4(buf, coefficients);
  } else {
    K::long_transform_input(folded, buf, shift);
    K::dct4_960_small_input(buf, coefficients);  // a 32-bit value shifted right by 9: within +-2^22
  }
}

template void g719_forward_transform<PortableKernels>(const Word32 *, Word32 *, Word16, Word16);
template void g719_forward_transform<Avx2Kernels>(const Word32 *, Word32 *, Word16, Word16);
