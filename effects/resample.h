#pragma once
// Area-averaging resampling: each new pixel is the exact mean of the source
// area it covers, partial source pixels weighted by the covered fraction.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

// The picture resampled to exactly newWidth x newHeight.
//
// Along each axis the new pixel i covers the source interval
// [i * S / D, (i + 1) * S / D) (S the source size, D the new size); every
// source pixel it touches counts with the length it has inside that
// interval. The filter is separable and computed in integers, so the mean
// is exact; it is rounded to nearest, ties to even. Enlarging by a whole
// factor repeats every pixel; the same size gives the picture unchanged.
//
// A size of 0 gives an empty picture; a negative size is a range error; an
// empty source with a non-empty target has nothing to average and fails
// with "Floating point division by zero".
//
// Progress: the new picture's rows of tiles as the total, a step as each is
// done, then the end; a picture kept as it is (the same size) or an empty
// one reports nothing.
Picture resampleArea(const Picture& src, int newWidth, int newHeight, Progress* progress = nullptr);

// Brings dst, which held resampleArea(old, w, h) of a picture of src's size,
// up to date after the change from old to src was confined to the source
// pixels [x0, x1) x [y0, y1): only the new pixels whose source areas meet
// that rectangle are computed again, so dst becomes exactly
// resampleArea(src, w, h) at a cost that follows the change. Tiles of dst
// that are shared with other pictures are cloned before they are written.
void resampleAreaRegion(const Picture& src, Picture& dst, int x0, int y0, int x1, int y1);

// The image size command's resampling: the picture at exactly the size the
// user typed.
inline Picture zoomInOut(const Picture& src, int newWidth, int newHeight, Progress* progress = nullptr) {
    return resampleArea(src, newWidth, newHeight, progress);
}

}  // namespace jollix
