#include "core/zone_frame.h"

#include <algorithm>

#include "core/numeric.h"

namespace jollix {

namespace {

// Points from (x0, y0) toward (x1, y1), the end point excluded, for the
// horizontal and vertical segments of a rectangle.
void segment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t& mask, std::vector<FramePoint>& out) {
    const int32_t dx = x1 > x0 ? 1 : x1 < x0 ? -1 : 0;
    const int32_t dy = y1 > y0 ? 1 : y1 < y0 ? -1 : 0;
    int32_t x = x0, y = y0;
    while (x != x1 || y != y1) {
        mask = uint8_t(mask << 1);
        if (mask == 0) mask = 1;
        out.push_back({x, y, mask >= 32});
        x += dx;
        y += dy;
    }
}

}  // namespace

std::vector<FramePoint> zoneFramePoints(const ZoneFrameCorners& f, uint8_t dashPhase, uint8_t* finalMask) {
    std::vector<FramePoint> pts;
    uint8_t mask = dashPhase;
    segment(f.Left, f.Top, f.Right, f.Top, mask, pts);
    segment(f.Right, f.Top, f.Right, f.Bottom, mask, pts);
    segment(f.Right, f.Bottom, f.Left, f.Bottom, mask, pts);
    segment(f.Left, f.Bottom, f.Left, f.Top, mask, pts);
    if (finalMask) *finalMask = mask;
    return pts;
}

ZoneRectangle zoneRectFromFrame(const ZoneFrameCorners& f, int32_t h, int32_t v, double zoomPercent) {
    ZoneRectangle z;
    z.zoneLeft = viewToPicture(std::min(h + f.Left, h + f.Right), zoomPercent) + 1;
    z.zoneTop = viewToPicture(std::min(v + f.Top, v + f.Bottom), zoomPercent) + 1;
    z.zoneRight = viewToPicture(std::max(h + f.Left, h + f.Right), zoomPercent) - 1;
    z.zoneBottom = viewToPicture(std::max(v + f.Top, v + f.Bottom), zoomPercent) - 1;
    return z;
}

}  // namespace jollix
