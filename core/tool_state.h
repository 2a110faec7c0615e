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
    int32_t zoneLeft = 0, zoneTop = 0, zoneRight = 0, zoneBottom = 0;
    bool isEmpty() const { return zoneRight < zoneLeft || zoneBottom < zoneTop; }
};

struct ToolState {
    // Kept with the work area.
    int32_t brushRadius = 50;
    int32_t brushRadiusSlider = 50;
    int32_t brushStrength = 0;
    int32_t sketchTool = 0;
    bool smearChosen = false;
    double zoomPercent = 100.0;
    bool pointerOverPicture = false;
    bool buttonHeld = false;
    int32_t pressViewX = 0, pressViewY = 0;
    ZoneRectangle zoneRect;
    uint8_t dashMask = 0;
    uint8_t dashPhase = 128;

    // Kept with the main window.
    Picture originalPicture;
    Picture edgePicture;
    int32_t pressX = 0, pressY = 0;
    ToolKindCode toolKind = ToolKindCode::Expand;
    StretchShapeCode stretchShape = StretchShapeCode::Spherical;
    bool selectionShown = false;

    // View pixels to picture pixels at the current zoom.
    int32_t viewToPicture(long double v) const { return jollix::viewToPicture(v, zoomPercent); }
};

}  // namespace jollix
