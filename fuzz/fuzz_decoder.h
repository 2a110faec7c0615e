#pragma once
// One libFuzzer target per picture decoder. Every input must give a picture
// or a JollixError; any other exception, a crash, a leak or undefined
// behaviour is a finding. The size limit is lowered so that the fuzzer does
// not spend its time filling legal but huge pictures.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "io/picture_files.h"

inline constexpr uint64_t kFuzzMaxPixels = uint64_t(1) << 22;

// Qt's font database keeps fontconfig's patterns for the life of the
// process (the metafile readers draw text); they are no leak of a decoder.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

#define JOLLIX_FUZZ_DECODER(decode)                                               \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {     \
        try {                                                                     \
            const jollix::Picture p = jollix::decode(data, size, kFuzzMaxPixels); \
            if (p.isEmpty()) __builtin_trap();                                    \
        } catch (const jollix::JollixError&) {                                    \
        }                                                                         \
        return 0;                                                                 \
    }
