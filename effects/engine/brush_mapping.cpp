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
    // pass paints keep the source's colour.
    std::vector<int> cols(static_cast<size_t>(nx));
    std::vector<uint32_t> colour(static_cast<size_t>(nx));
    std::vector<uint8_t> painted(static_cast<size_t>(nx));
    for (int j = 0; j < ny; ++j) {
        uint32_t* row = out + size_t(j) * size_t(nx);
        std::fill(painted.begin(), painted.end(), 0);
        if (ys[j] >= 0 && ys[j] < src.height())
            for (const auto& pass : passes_) {
                std::copy(xs, xs + nx, cols.begin());
                const int m = pass->paintRow(source, ys[j], cols.data(), nx, colour.data());
                // cols[0 .. m - 1] ascend and are among xs: walk both.
                int i = 0;
                for (int k = 0; k < m; ++k) {
                    while (i < nx && xs[i] < cols[size_t(k)]) ++i;
                    for (int r = i; r < nx && xs[r] == cols[size_t(k)]; ++r)
                        row[r] = colour[size_t(k)], painted[size_t(r)] = 1;
                }
            }
        for (int i = 0; i < nx; ++i)
            if (!painted[size_t(i)]) row[i] = source.colour(xs[i], ys[j]);
    }
}

}  // namespace jollix
