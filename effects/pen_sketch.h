#pragma once
// Pen sketch: the inverted edge picture and its black-and-white threshold.
#include <cstdint>

#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

// Grey value of a pixel: roundToInt(R * 0.3 + G * 0.59 + B * 0.11).
int greyOf(int red, int green, int blue);

// The inverted edge picture of `src` (made on entering the Sketch tab).
Picture edgePicture(const Picture& src, Progress* progress = nullptr);
// White where the grey of `edge` exceeds `threshold`, black elsewhere.
Picture penSketch(const Picture& edge, int threshold, Progress* progress = nullptr);

}  // namespace jollix
