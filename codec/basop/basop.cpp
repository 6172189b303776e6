#include "basop/basop.h"

#include <cstdio>
#include <cstdlib>

constinit thread_local Flag Overflow G719_FLAG_TLS = 0;
constinit thread_local Flag Carry G719_FLAG_TLS = 0;

namespace basop_detail {

void div_s_error(Word16 num, Word16 den) {
  std::printf("Division Error var1=%d  var2=%d\n", num, den);
  std::fflush(stdout);
  std::abort();
}

void div_s_by_zero() {
  std::printf("Division by 0, Fatal error \n");
  std::fflush(stdout);
  std::abort();
}

}  // namespace basop_detail
