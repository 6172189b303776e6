// Choice between the portable kernels and their AVX2 variants.
//
// Every AVX2 kernel computes exactly what its portable counterpart computes,
// bit for bit and flag for flag; the choice only changes speed. It is made
// per kernel call from a flag that is read once per call, never per
// operator; the read is inline and costs a load and a compare. Internal to
// the codec: tests and benchmarks use g719_force_portable to run both paths
// on one machine.
#pragma once

#include <atomic>

// True when the processor supports AVX2 (checked once, on first use).
bool g719_cpu_has_avx2();

namespace g719_dispatch {

enum KernelPath : int { kUndecided = 0, kAvx2 = 1, kPortable = 2 };

// The path in use; kUndecided until the first call decides it.
extern std::atomic<int> kernel_path;

// Decides the path from the processor and the forced choice.
int decide_kernel_path();

}  // namespace g719_dispatch

// True when the AVX2 kernels are used: the processor supports them and the
// portable path is not forced.
inline bool g719_avx2_active() {
  int path = g719_dispatch::kernel_path.load(std::memory_order_relaxed);
  if (path == g719_dispatch::kUndecided) path = g719_dispatch::decide_kernel_path();
  return path == g719_dispatch::kAvx2;
}

// Forces the portable kernels for the whole process (force = true) or
// returns to the automatic choice (false). Safe to call from any thread;
// frames already being coded finish on the path they started with or switch
// between kernels, which gives the same results either way.
void g719_force_portable(bool force);
