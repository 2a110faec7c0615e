#pragma once
// Vertical and horizontal expand and shrink around (X, Y), radius R and
// strength S in picture pixels. Pure functions returning the new picture.
#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/brush_mapping.h"

namespace jollix {

Picture verticalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture verticalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture horizontalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture horizontalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);

// The same brushes as mappings (see BrushMapping); they fail as the
// effects do.
BrushMapping verticalExpandMapping(const Picture& src, int X, int Y, int R, int S);
BrushMapping verticalShrinkMapping(const Picture& src, int X, int Y, int R, int S);
BrushMapping horizontalExpandMapping(const Picture& src, int X, int Y, int R, int S);
BrushMapping horizontalShrinkMapping(const Picture& src, int X, int Y, int R, int S);

namespace detail {

// rho = (R^2 + S^2) / (2S), the radius of the circle through the patch's rim
// that rises S above it at the centre. S = 0 throws "Floating point division
// by zero" (R = S = 0, a 0 / 0, throws "Invalid floating point operation").
double axisRho(int R, int S);

// The expand's terms for the line (column of the vertical, row of the
// horizontal expand) at offset t from the centre: the cap height h, F and
// the half-length B; the line's pixels run from roundToInt(centre - B) to
// roundToInt(centre + B).
struct AxisExpandLine {
    double h;
    double F;
    double B;
};
AxisExpandLine axisExpandLine(double rho, int S, int t);

// The shrink's terms for column f at offset t = X - f (never 0): the column
// shift xs that forms P, then P, E and the half-height H; the column's rows
// run from Y - roundToInt(H) + 1 to Y + roundToInt(H) - 1, row Y left out.
struct AxisShrinkLine {
    double xs;
    double P;
    double E;
    double H;
};
AxisShrinkLine axisShrinkLine(double rho, int S, int f, int t);

}  // namespace detail

}  // namespace jollix
