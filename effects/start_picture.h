#pragma once
// The built-in start picture: 605 x 469 pixels, 24 bits, drawn by code.
// Two cartoon faces under a rainbow, the program's name in blocky letters,
// bubbles, a checkerboard, a target, flowers, stripes and colour ramps:
// enough colour and detail for every brush and sketch to show.
#include "core/picture.h"

namespace jollix {

inline constexpr int kDefaultPictureWidth = 605;
inline constexpr int kDefaultPictureHeight = 469;

// Always the same picture: the drawing below, made when the program is
// built and kept in it compressed, so that starting costs no drawing.
Picture startPicture();

// The drawing itself, tens of milliseconds of work: what the build keeps.
Picture drawStartPicture();

}  // namespace jollix
