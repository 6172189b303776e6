#include "frame/cpu_dispatch.h"

#include <atomic>

namespace {

std::atomic<bool> forced_portable{false};

bool detect_avx2() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

}  // namespace

bool g719_cpu_has_avx2() {
  static const bool has = detect_avx2();
  return has;
}

bool g719_avx2_active() {
  return g719_cpu_has_avx2() && !forced_portable.load(std::memory_order_relaxed);
}

void g719_force_portable(bool force) { forced_portable.store(force, std::memory_order_relaxed); }
