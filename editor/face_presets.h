#pragma once
// Funny faces in one go: each preset is a recipe of the program's own
// brushes (spherical, vertical and horizontal expand and shrink, the twists,
// the smear), placed and sized from a face's box, eyes, nose and mouth. A
// preset applied to a picture is nothing but those brush applications, so
// the result is exact and the same every time; the editor records all of
// them as one history step (see Editor::applyFacePreset).
#include <span>
#include <string_view>
#include <vector>

#include "core/picture.h"
#include "core/progress.h"
#include "faces/face_finder.h"

namespace jollix {

enum class FaceBrush {
    SphericalExpand,
    SphericalShrink,
    VerticalExpand,
    VerticalShrink,
    HorizontalExpand,
    HorizontalShrink,
    TwistClockwise,
    TwistAnticlockwise,
    Smear,
};

// One brush application in picture pixels: centre (x, y), radius and
// strength; the smear slides from (x, y) to (toX, toY) and has no strength.
struct BrushApplication {
    FaceBrush brush;
    int x = 0, y = 0, radius = 0, strength = 0;
    int toX = 0, toY = 0;
};

struct FacePreset {
    const char* caption;    // the menu's text, "Big eyes"
    const char* batchName;  // the batch step's name, lower case without spaces: "bigeyes"
    // The applications on one face, in order.
    std::vector<BrushApplication> (*recipe)(const Face& face);
};

// Every preset, in the menu's order.
std::span<const FacePreset> facePresets();
// The preset with that batch name, or nullptr.
const FacePreset* facePresetNamed(std::string_view batchName);

// The preset's applications on every face, face after face.
std::vector<BrushApplication> presetApplications(const FacePreset& preset, const std::vector<Face>& faces);

// One application on `src`; pure like the brushes themselves.
Picture applyBrush(const Picture& src, const BrushApplication& application, Progress* progress = nullptr);

}  // namespace jollix
