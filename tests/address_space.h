#pragma once
// The address space this test process has mapped, for tests that cap it
// just above what is already in use.
#include <cstddef>
#include <cstdio>

namespace jollix_test {

inline size_t addressSpaceBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    if (!f || std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    if (f) std::fclose(f);
    return size_t(pages) * 4096;
}

}  // namespace jollix_test
