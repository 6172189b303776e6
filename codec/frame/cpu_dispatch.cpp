#include "frame/cpu_dispatch.h"

namespace {

bool detect_avx2() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

int automatic_path() { return g719_cpu_has_avx2() ? g719_dispatch::kAvx2 : g719_dispatch::kPortable; }

}  // namespace

namespace g719_dispatch {

constinit std::atomic<int> kernel_path{kUndecided};

int decide_kernel_path() {
  // Only an undecided path is set here, so a concurrent
  // g719_force_portable is never overwritten.
  int expected = kUndecided;
  const int path = automatic_path();
  if (kernel_path.compare_exchange_strong(expected, path, std::memory_order_relaxed)) return path;
  return expected;
}

}  // namespace g719_dispatch

bool g719_cpu_has_avx2() {
  static const bool has = detect_avx2();
  return has;
}

void g719_force_portable(bool force) {
  g719_dispatch::kernel_path.store(force ? g719_dispatch::kPortable : automatic_path(), std::memory_order_relaxed);
}
