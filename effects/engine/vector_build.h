#pragma once
// Loops that work out many source points at once are built for several
// instruction sets (the x86-64 levels with AVX-512, with AVX2, and the
// baseline), and the widest one the processor has is picked at run time. They use only correctly rounded operations (the effects are built
// without fused multiply-adds and without errno from square roots), so
// every version gives the same numbers.
// Under ThreadSanitizer the one baseline version is built: the run-time pick
// happens while the program is being loaded, before the sanitizer is ready.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define JOLLIX_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define JOLLIX_VECTOR_CLONES
#endif
