#include "effects/engine/brush_mapping.h"

#include <algorithm>
#include <vector>

#include "effects/engine/brush_engine.h"

namespace jollix {

BrushMapping::Box BrushMapping::bounds() const {
    Box box;
    bool any = false;
    for (const auto& pass : passes_) {
        Box b;
        pass->bounds(b.left, b.top, b.right, b.bottom);
        if (b.left > b.right || b.top > b.bottom) continue;
        if (!any) {
            box = b, any = true;
            continue;
        }
        box.left = std::min(box.left, b.left), box.top = std::min(box.top, b.top);
        box.right = std::max(box.right, b.right), box.bottom = std::max(box.bottom, b.bottom);
    }
    return box;
}

void BrushMapping::brushed(const Picture& src, const int* xs, int nx, const int* ys, int ny, uint32_t* out) const {
    if (nx <= 0 || ny <= 0) return;
    const brush::detail::SourceView source(src);
    // Each pass in turn over the pixels of each row; a later pass paints
    // over an earlier one, as the effect does. The columns are looked up
    // by position, so a column may appear more than once. The pixels no
    // pass paints keep the source's colour. The grid is walked in blocks
    // of rows and columns, so that a sparse grid reads the picture's tiles
    // a few at a time.
    constexpr int kBlockRows = 16, kBlockColumns = 64;
    int cols[kBlockColumns];
    uint32_t colour[kBlockColumns];
    uint8_t painted[kBlockColumns];
    for (int j0 = 0; j0 < ny; j0 += kBlockRows)
        for (int i0 = 0; i0 < nx; i0 += kBlockColumns) {
            const int n = std::min(kBlockColumns, nx - i0);
            const int* bx = xs + i0;
            for (int j = j0; j < std::min(ny, j0 + kBlockRows); ++j) {
                uint32_t* row = out + size_t(j) * size_t(nx) + size_t(i0);
                std::fill(painted, painted + n, 0);
                if (ys[j] >= 0 && ys[j] < src.height())
                    for (const auto& pass : passes_) {
                        std::copy(bx, bx + n, cols);
                        const int m = pass->paintRow(source, ys[j], cols, n, colour);
                        // cols[0 .. m - 1] ascend and are among bx: walk both.
                        int i = 0;
                        for (int k = 0; k < m; ++k) {
                            while (i < n && bx[i] < cols[k]) ++i;
                            for (int r = i; r < n && bx[r] == cols[k]; ++r) row[r] = colour[k], painted[r] = 1;
                        }
                    }
                for (int i = 0; i < n; ++i)
                    if (!painted[i]) row[i] = source.colour(bx[i], ys[j]);
            }
        }
}

}  // namespace jollix
