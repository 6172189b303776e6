// Which kernel set an instance runs: the one internal entry point that lets
// tests and benchmarks force a set. Not part of the public API.
//
// Every instance records its kernel set when it is created, and every frame
// it codes runs entirely on that set (frame/kernel_sets.h). The public
// create functions take the set the processor supports best; the functions
// below take a given one, so that both sets can run side by side in one
// process, on one machine, even on different threads at the same time.
#pragma once

#include <cstdint>

#include "frame/g719_codec.h"

enum class KernelSet : std::uint8_t {
  kPortable,  // plain C++: basic operators and exact plain arithmetic
  kAvx2,      // AVX2 (and SSE2) kernels for x86-64
};

// True when this processor can run the set (kPortable always can). The
// processor is asked once per process.
bool g719_kernel_set_supported(KernelSet set);

// The set g719_encoder_create and g719_decoder_create record: kAvx2 when
// the processor supports it, else kPortable.
KernelSet g719_preferred_kernel_set();

// As g719_encoder_create / g719_decoder_create, with the instance bound to
// the given set. NULL also when the processor cannot run the set.
G719EncoderState *g719_encoder_create_with_kernels(int32_t bitrate, KernelSet set);
G719DecoderState *g719_decoder_create_with_kernels(int32_t bitrate, KernelSet set);
