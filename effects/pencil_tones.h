#pragma once
// The pencil sketch's tones of runs of pixels, on the widest vector units
// the processor has.
#include <cstdint>

namespace jollix::pencil {

// Marks an entry of toneBySum whose sum lies halfway between two greys of
// different tones: the pixel's exact grey decides.
constexpr uint16_t kExactGrey = 0x100;

struct ToneTables {
    const uint8_t* tone;        // 256 entries: the tone of each grey
    const uint16_t* toneBySum;  // by s = 30 R + 59 G + 11 B: the tone, or kExactGrey
};

// Each of the `count` pixels at p (bytes blue, green, red) becomes the tone
// of its grey in all three of its bytes at o. The grey is the integer
// nearest to s / 100 unless s / 100 lies halfway between two; there the
// exact grey decides. Returns whether every tone written is `blank`.
bool toneRun(const uint8_t* p, uint8_t* o, int count, const ToneTables& tables, uint8_t blank);

}  // namespace jollix::pencil
