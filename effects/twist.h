#pragma once
// Twist: swirl a disc of radius R around (X, Y), largest tangential shift S.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

Picture Sphericalyouxuan(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);  // clockwise
Picture Sphericalzuoxuan(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);  // anticlockwise

} // namespace jollix
