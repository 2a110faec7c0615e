#pragma once
// Vertical and horizontal expand and shrink around (X, Y), radius R and
// strength S in picture pixels. Pure functions returning the new picture.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

Picture Verticalpengzhang(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture Verticalshousuo(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture Horizontalpengzhang(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture Horizontalshousuo(const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);

// Dispatchers: ToolKind 1 expand, 2 shrink, anything else returns `src`.
Picture VerticalStretch(int toolKind, const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);
Picture HorizontalStretch(int toolKind, const Picture& src, int X, int Y, int R, int S, Progress* progress = nullptr);

} // namespace jollix
