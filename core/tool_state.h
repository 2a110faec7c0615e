#pragma once
// The program-wide tool settings shared by the palette, the work area, the
// effects' callers and the main window, with their start values.
#include <cstdint>

#include "core/numeric.h"
#include "core/picture.h"

namespace jollix {

// Tool codes (ToolKind), stored as these numbers.
enum class ToolKindCode : int32_t {
    Expand = 1,
    Shrink = 2,
    Dextrorotary = 3,
    Levorotary = 4,
    Smear = 5,
};

// Shape codes (StretchShape), stored as these numbers.
enum class StretchShapeCode : int32_t {
    None = 0,  // Sketch tab
    Spherical = 1,
    Vertical = 2,
    Horizontal = 3,
};

inline constexpr int32_t kSketchToolRubber = 5;

struct ZoneRectangle {
    int32_t ZoneLeft = 0, ZoneTop = 0, ZoneRight = 0, ZoneBottom = 0;
    bool isEmpty() const { return ZoneRight < ZoneLeft || ZoneBottom < ZoneTop; }
};

struct ToolState {
    // Kept with the work area.
    int32_t BrushRadius = 50;
    int32_t BrushRadiusSlider = 50;
    int32_t BrushStrength = 0;
    int32_t SketchTool = 0;
    bool SmearChosen = false;
    double ZoomPercent = 100.0;
    bool PointerOverPicture = false;
    bool ButtonHeld = false;
    int32_t PressViewX = 0, PressViewY = 0;
    ZoneRectangle ZoneRect;
    uint8_t DashMask = 0;
    uint8_t DashPhase = 128;

    // Kept with the main window.
    Picture OriginalPicture;
    Picture EdgePicture;
    int32_t PressX = 0, PressY = 0;
    ToolKindCode ToolKind = ToolKindCode::Expand;
    StretchShapeCode StretchShape = StretchShapeCode::Spherical;
    bool SelectionShown = false;

    // View pixels to picture pixels at the current zoom.
    int32_t viewToPicture(long double v) const { return ViewToPicture(v, ZoomPercent); }
};

// Which brush routine a press runs for (StretchShape, ToolKind).
enum class BrushRoutine {
    Nothing,
    SphericalExpand,     // Sphericalpengzhang
    SphericalShrink,     // Sphericalshousuo
    Dextrorotary,        // Sphericalyouxuan
    Levorotary,          // Sphericalzuoxuan
    VerticalExpand,      // Verticalpengzhang
    VerticalShrink,      // Verticalshousuo
    HorizontalExpand,    // Horizontalpengzhang
    HorizontalShrink,    // Horizontalshousuo
};

BrushRoutine routeAtPress(StretchShapeCode stretchShape, ToolKindCode toolKind);

} // namespace jollix
