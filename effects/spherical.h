#pragma once
// Spherical expand and shrink: the brush as a spherical cap of base radius R
// and height H standing on the picture around the centre (a, b).
// Each function is pure: it returns the new picture and leaves `src` alone.
// R and H are in picture pixels. H = 0 throws "Floating point division by zero".
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

Picture Sphericalpengzhang(const Picture& src, int a, int b, int R, int H, Progress* progress = nullptr);
Picture Sphericalshousuo(const Picture& src, int a, int b, int R, int H, Progress* progress = nullptr);

// The dispatcher of the Spherical shape: ToolKind 1 expand, 2 shrink,
// 3 dextrorotary twist, 4 levorotary twist; anything else returns `src`.
Picture SphericalStretch(int toolKind, const Picture& src, int a, int b, int R, int H,
                         Progress* progress = nullptr);

} // namespace jollix
