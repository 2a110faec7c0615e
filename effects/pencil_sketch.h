#pragma once
// Pencil sketch: the edge picture's lightness passed through a tone line
// whose slope is the contrast angle (0 .. 89 degrees).
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

struct HSL {
    int hue, saturation, lightness;
};
struct RGB {
    int red, green, blue;
};

HSL rgbToHsl(int red, int green, int blue);
RGB hslToRgb(int hue, int saturation, int lightness);

Picture pencilSketch(const Picture& edge, int contrast, Progress* progress = nullptr);

}  // namespace jollix
