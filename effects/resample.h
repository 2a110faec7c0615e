#pragma once
// Area-averaging resampling: each new pixel is the exact mean of the source
// area it covers, partial source pixels weighted by the covered fraction.
#include "core/picture.h"

namespace jollix {

Picture resampleArea(const Picture& src, int newWidth, int newHeight);

// Resize by factors: the new size is Trunc(W * widthFactor) x Trunc(H * heightFactor)
// computed in extended precision.
Picture ZoomInOut(const Picture& src, double widthFactor, double heightFactor);

} // namespace jollix
