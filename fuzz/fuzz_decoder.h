#pragma once
// One libFuzzer target per picture decoder. Every input must give a picture
// or a JollixError; any other exception, a crash, a leak or undefined
// behaviour is a finding. The pictures may be as large as the program
// itself accepts, so that a file that takes too long or too much memory
// within the program's own limits (a decoding or drawing bomb) is found as
// a time-out or an out-of-memory.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "io/picture_files.h"

inline constexpr uint64_t kFuzzMaxPixels = jollix::kMaxPicturePixels;

// Qt's font database keeps fontconfig's patterns for the life of the
// process (the metafile readers draw text); they are no leak of a decoder.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

#define JOLLIX_FUZZ_DECODER(decode)                                               \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {     \
        try {                                                                     \
            const jollix::Picture p = jollix::decode(data, size, kFuzzMaxPixels); \
            if (p.isEmpty()) __builtin_trap();                                    \
        } catch (const jollix::JollixError&) {}                                   \
        return 0;                                                                 \
    }
