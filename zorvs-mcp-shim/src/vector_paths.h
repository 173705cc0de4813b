// Which vector paths the JSON and UTF-8 code is built with: SSE2 on x86
// (always there on x86-64), AVX2 beside it where the processor has it at run
// time, NEON on 64-bit Arm (always there). ZORVS_NO_AVX2 leaves AVX2 out and
// ZORVS_NO_SIMD every vector path, so that the tests can try the other paths
// on any machine; every other processor takes the portable code.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && !defined(ZORVS_NO_SIMD)
#define ZORVS_HAVE_SSE2_PATH 1
#if !defined(ZORVS_NO_AVX2)
#define ZORVS_HAVE_AVX2_PATH 1
#endif
#endif

#if defined(__aarch64__) && defined(__ARM_NEON) && !defined(ZORVS_NO_SIMD)
#define ZORVS_HAVE_NEON_PATH 1
#endif
