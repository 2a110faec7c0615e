#pragma once
// Smear: slide the content of a patch from the press point (X0, Y0) toward
// the release point (X, Y), both already in picture pixels; R is the smear
// radius in picture pixels.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

Picture tumopic(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress = nullptr);

} // namespace jollix
