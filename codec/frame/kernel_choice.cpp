#include "frame/kernel_choice.h"

namespace {

bool processor_has_avx2() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

}  // namespace

bool g719_kernel_set_supported(KernelSet set) {
  static const bool has_avx2 = processor_has_avx2();
  return set == KernelSet::kPortable || (set == KernelSet::kAvx2 && has_avx2);
}

KernelSet g719_preferred_kernel_set() {
  return g719_kernel_set_supported(KernelSet::kAvx2) ? KernelSet::kAvx2 : KernelSet::kPortable;
}
