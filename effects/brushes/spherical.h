#pragma once
// Spherical expand and shrink: the brush as a spherical cap of base radius R
// and height H standing on the picture around the centre (a, b).
// Each function is pure: it returns the new picture and leaves `src` alone.
// R and H are in picture pixels. H = 0 throws "Floating point division by zero".
#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/brush_mapping.h"

namespace jollix {

Picture sphericalExpand(const Picture& src, int a, int b, int R, int H, Progress* progress = nullptr);
Picture sphericalShrink(const Picture& src, int a, int b, int R, int H, Progress* progress = nullptr);

// The same brushes as mappings, to evaluate at a few pixels (see
// BrushMapping); they fail as the effects do.
BrushMapping sphericalExpandMapping(const Picture& src, int a, int b, int R, int H);
BrushMapping sphericalShrinkMapping(const Picture& src, int a, int b, int R, int H);

namespace detail {

// The sphere whose cap of height H stands on the circle of radius R:
// its radius rho = (R^2 + H^2) / (2H) and the depth c = rho - H of its
// centre below the picture plane. H = 0 throws "Floating point division by
// zero" (R = H = 0, a 0 / 0, throws "Invalid floating point operation").
struct SphereCap {
    double rho;
    double c;
};
SphereCap sphereCap(int R, int H);

// Expand's half-height Kx in the column at offset dx from the centre
// (about sqrt(R^2 - dx^2)); the column's rows run from roundToInt(b - Kx) + 1 to
// roundToInt(b + Kx) - 1, the centre row left out.
double sphericalExpandHalfHeight(const SphereCap& cap, int H, int dx);

// Shrink's half-height K1 in column x of a brush centred on column a, and
// the distance D1 from the sphere's centre to the plane point at that
// column; the column's rows run from b - roundToInt(K1) + 1 to b + roundToInt(K1) - 1.
struct ShrinkColumn {
    double D1;
    double K1;
};
ShrinkColumn sphericalShrinkColumn(const SphereCap& cap, int a, int x);

}  // namespace detail

}  // namespace jollix
