#pragma once
// Twist: swirl a disc of radius R around (X, Y), largest tangential shift S.
#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/brush_mapping.h"

namespace jollix {

Picture twistClockwise(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);  // clockwise
Picture twistAnticlockwise(const Picture& src, int X, int Y, int R, int S,
                           Progress* progress = nullptr);  // anticlockwise

// The same brushes as mappings (see BrushMapping); they fail as the
// effects do.
BrushMapping twistClockwiseMapping(const Picture& src, int X, int Y, int R, int S);
BrushMapping twistAnticlockwiseMapping(const Picture& src, int X, int Y, int R, int S);

namespace detail {

// The tangential shift m of a pixel at distance rho0 from the centre of a
// twist of radius R and strength S (S != 0).
double twistShift(int R, int S, double rho0);

// Where the pixel (c, i) of a twist centred on (X, Y) takes its colour from.
struct TwistSource {
    double x, y;
};
TwistSource twistSource(int X, int Y, int R, int S, bool clockwise, int c, int i);

}  // namespace detail

}  // namespace jollix
