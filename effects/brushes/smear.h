#pragma once
// Smear: slide the content of a patch from the press point (X0, Y0) toward
// the release point (X, Y), both already in picture pixels; R is the smear
// radius in picture pixels.
#include <vector>

#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/brush_mapping.h"

namespace jollix {

Picture smear(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress = nullptr);

// The same smear as a mapping of its passes (see BrushMapping); it fails
// as the effect does.
BrushMapping smearMapping(const Picture& src, int X0, int Y0, int X, int Y, int R);

namespace detail {

// One smear pass: which of the eight move directions ran, the capped
// length d, the patch centre, the unit direction of the move and where it
// left the end point.
enum SmearKind { kUpLeft = 1, kDownRight, kUpRight, kDownLeft, kLeft, kRight, kDown, kUp };
struct SmearPass {
    SmearKind kind;
    double k = 0;           // slope (Y0 - Y) / (X0 - X), diagonal moves only
    double L = 0, d = 0;    // move length and capped length
    double cx = 0, cy = 0;  // patch centre
    double ux = 0, uy = 0;  // unit direction of the move
    int endX = 0, endY = 0;
};

// The passes one release runs, in order (at most one diagonal pass, then
// possibly the straight pass it leads to).
std::vector<SmearPass> smearPasses(int X0, int Y0, int X, int Y, int R);

// Where the pixel (G, i) of a pass's patch, inside the picture, takes its
// colour from.
struct SmearSource {
    double x, y;
};
SmearSource smearSource(const SmearPass& pass, int R, int G, int i);

}  // namespace detail

}  // namespace jollix
