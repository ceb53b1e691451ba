// Marks the per-byte helpers of the decoders (bit reader, byte put, careful
// stored copy, pattern and word copies, the per-symbol loops of table
// building) as carrying no coverage feedback in the fuzz build. Their
// branches say nothing a fuzzer can use, yet traced they were most of a
// run's cost; the address checks stay, and so do the edges of their
// callers. Not inlined there, or the caller's tracing would cover them
// again. Other builds see nothing.
#pragma once

#if defined(__has_feature)
#if __has_feature(coverage_sanitizer)
#define VALBRIX_NO_COVERAGE __attribute__((no_sanitize("coverage"), noinline))
#endif
#endif
#ifndef VALBRIX_NO_COVERAGE
#define VALBRIX_NO_COVERAGE
#endif
