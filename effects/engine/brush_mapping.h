#pragma once
// A brush application as a value: the pixels it changes and where each of
// them takes its colour from, without painting the whole result. A caller
// that shows the picture at a fraction of its pixels (the view zoomed out)
// asks for the brushed colours of just the pixels it shows; they are the
// very colours the brush's effect gives at those pixels.
//
// Each brush's file makes its mappings (sphericalExpandMapping and so on,
// declared beside the effect); brushed() evaluates one on any grid.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/picture.h"

namespace jollix {

namespace brush::detail {
struct SourceView;
}

class BrushMapping {
public:
    // One brush pass: a region and the row mapping of a brush over it.
    struct Pass {
        virtual ~Pass() = default;
        // The region's pixels of row y among xs[0 .. n - 1] (ascending):
        // their count m, their columns moved to xs[0 .. m - 1], and their
        // colours (0x00BBGGRR) from `source` in colour[0 .. m - 1].
        virtual int paintRow(const brush::detail::SourceView& source, int y, int* xs, int n,
                             uint32_t* colour) const = 0;
        // The smallest rectangle holding every pixel the pass may change.
        virtual void bounds(long long& left, long long& top, long long& right, long long& bottom) const = 0;
    };

    BrushMapping() = default;
    explicit BrushMapping(std::vector<std::shared_ptr<const Pass>> passes) : passes_(std::move(passes)) {}

    // The rectangle (inclusive, in picture pixels, clipped to nothing) of
    // every pixel the brush may change; left > right when it changes none.
    struct Box {
        long long left = 0, top = 0, right = -1, bottom = -1;
    };
    Box bounds() const;

    // The brushed picture's colours (0x00BBGGRR) at the pixels
    // (xs[i], ys[j]) of `src`, i < nx, j < ny, into out[j * nx + i]: what
    // the brush's effect on `src` gives there (the source's colour where
    // the brush changes nothing, 0 outside the picture). xs must ascend.
    // `src` must be the picture the mapping was made for.
    void brushed(const Picture& src, const int* xs, int nx, const int* ys, int ny, uint32_t* out) const;

private:
    std::vector<std::shared_ptr<const Pass>> passes_;
};

}  // namespace jollix
