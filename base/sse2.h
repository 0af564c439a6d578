// Whether the sixteen-byte scans use SSE2, which every x86-64 processor has. Defining
// OSTRAK_NO_SSE2 builds their portable twins instead; the sanitizer build does, so that the
// tests run the code a processor without SSE2 would.
#pragma once

#if defined(__SSE2__) && !defined(OSTRAK_NO_SSE2)
#define OSTRAK_SSE2 1
#include <emmintrin.h>
#else
#define OSTRAK_SSE2 0
#endif
