// The attribute of AVX2 code, and where vector code belongs.
//
// Every function that uses AVX2 instructions carries G719_AVX2, which builds
// that function alone for AVX2, so a file of kernels stays loadable on any
// x86-64 processor. Helpers are `G719_AVX2 static inline` (or members of a
// struct) and are inlined into the kernels that call them.
//
// Vector code of every width, SSE2 included (which every x86-64 processor
// has), belongs to the AVX2 kernel set: it lives in functions and files named
// *_avx2 and runs only on instances bound to that set (frame/kernel_sets.h).
// The portable set is plain C++, so it builds and runs anywhere and is the
// reference each AVX2 kernel must equal.
#pragma once

#if defined(__x86_64__)
#include <immintrin.h>

#define G719_AVX2 __attribute__((target("avx2")))
#endif
