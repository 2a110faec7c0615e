#pragma once
// Bilinear sampling: the colour of a picture at a real point, the point
// clamped into the picture. Every distortion brush reads through it.
#include <cstdint>

#include "core/picture.h"

namespace jollix {

// Samples `pic` at (x, y). x and y are overwritten with their clamped values
// (y into 0 .. H - 2 when at or past the last row, x into 0 .. W - 2), as
// callers may rely on. Returns red + 256 * green + 65536 * blue.
// A picture one pixel wide or high samples its nearest pixel in that
// direction. The picture must not be empty.
uint32_t xiangsujuhe(const Picture& pic, double& x, double& y);

// The same without the write-back, for callers that do not want it.
inline uint32_t sampleAt(const Picture& pic, double x, double y) { return xiangsujuhe(pic, x, y); }

} // namespace jollix
