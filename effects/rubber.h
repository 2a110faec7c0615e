#pragma once
// The rubber: paints the picture white under a disc.
#include "core/picture.h"

namespace jollix {

// A filled white disc of radius r (picture pixels) centred on (cx, cy).
Picture rubberDisc(const Picture& src, int cx, int cy, int r);

}  // namespace jollix
