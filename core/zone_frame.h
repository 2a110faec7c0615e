#pragma once
// The marching dashed frame of the zone selection and the zone it marks.
#include <cstdint>
#include <vector>

#include "core/tool_state.h"

namespace jollix {

// The frame's two corners in work-area window coordinates: where the drag
// started (Left, Top) and where the pointer is (Right, Bottom), not ordered.
struct ZoneFrameCorners {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool isCleared() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
    bool hasArea() const { return Left != Right || Top != Bottom; }
};

struct FramePoint {
    int32_t x, y;
    bool white;
};

// The points of the frame in drawing order - top edge, right edge, bottom
// edge, left edge, each stopping before its end point - with the colour of
// each: the dash mask starts at `dashPhase`, moves one bit left per point
// (wrapping to 1), and a point is white when one of its top three bits is set.
// A frame whose corners coincide has no points. `finalMask` receives the
// mask after the last point.
std::vector<FramePoint> zoneFramePoints(const ZoneFrameCorners& f, uint8_t dashPhase, uint8_t* finalMask = nullptr);

// One tick of the 100 ms frame timer: the phase moves two bits right,
// wrapping to 128, so the dashes march two points per tick.
inline uint8_t nextDashPhase(uint8_t phase) {
    uint8_t p = uint8_t(phase >> 2);
    return p == 0 ? uint8_t(128) : p;
}

// The zone inside the frame in picture pixels, given the scroll positions
// (h, v) and the zoom.
ZoneRectangle zoneRectFromFrame(const ZoneFrameCorners& f, int32_t h, int32_t v, double zoomPercent);

}  // namespace jollix
