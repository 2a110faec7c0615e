#include "editor/tools.h"

#include "effects/brushes/axis_stretch.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/spherical.h"
#include "effects/rubber.h"
#include "effects/spot_cleanup.h"
#include "effects/brushes/twist.h"

namespace jollix {

namespace {

// A brush applied at one point with its radius and strength.
template <Picture (*brush)(const Picture&, int, int, int, int, Progress*)>
Picture atPoint(const Picture& source, const ToolPlace& at, Progress* progress) {
    return brush(source, at.x, at.y, at.radius, at.strength, progress);
}

template <BrushMapping (*mapping)(const Picture&, int, int, int, int)>
BrushMapping mappingAtPoint(const Picture& source, const ToolPlace& at) {
    return mapping(source, at.x, at.y, at.radius, at.strength);
}

Picture smearAlong(const Picture& source, const ToolPlace& at, Progress* progress) {
    return smear(source, at.x, at.y, at.toX, at.toY, at.radius, progress);
}

Picture rubberAt(const Picture& source, const ToolPlace& at, Progress*) {
    return rubberDisc(source, at.x, at.y, at.radius);
}

Picture penSketchOf(const Picture& edge, const ToolPlace& at, Progress* progress) {
    return penSketch(edge, at.strength, progress);
}

Picture pencilSketchOf(const Picture& edge, const ToolPlace& at, Progress* progress) {
    return pencilSketch(edge, at.strength, progress);
}

Picture cleanedUp(const Picture& source, const ToolPlace&, Progress* progress) {
    return clearUpSpots(source, progress);
}

using K = ToolKindCode;
using S = StretchShapeCode;
constexpr auto kArrow = PictureCursor::Arrow;
constexpr std::nullopt_t kKeepPointer = std::nullopt;

// A brush applied at the press point, again each second the button is held.
constexpr ToolRow pressBrush(const char* name, const char* hint, int tab, K kind, S shape,
                             std::optional<PictureCursor> pointer, Slider Palette::*radius, Slider Palette::*strength,
                             ToolEffect effect, ToolMapping mapping, void (Palette::*choose)()) {
    return {name,
            hint,
            tab,
            kind,
            shape,
            false,
            pointer,
            OnPress::ApplyAtPressPoint,
            OnHold::RepeatAtPressPoint,
            OnDrag::Nothing,
            OnRelease::RecordStep,
            radius,
            strength,
            ToolSource::Picture,
            effect,
            choose,
            false,
            mapping};
}

// A palette button applying an effect to the whole picture at once.
constexpr ToolRow wholePicture(const char* name, const char* hint, ToolSource source, Slider Palette::*strength,
                               ToolEffect effect, void (Palette::*choose)()) {
    return {name,
            hint,
            kPageSketch,
            K::Expand,
            S::None,
            false,
            kKeepPointer,
            OnPress::Nothing,
            OnHold::Nothing,
            OnDrag::Nothing,
            OnRelease::Nothing,
            nullptr,
            strength,
            source,
            effect,
            choose,
            true};
}

const ToolRow kTools[] = {
    // Distort: Expand and Shrink in the shape the radio buttons choose.
    pressBrush("expand", "Expand", kPageDistort, K::Expand, S::Spherical, kArrow, &Palette::distortRad,
               &Palette::distortCur, atPoint<sphericalExpand>, mappingAtPoint<sphericalExpandMapping>,
               &Palette::clickExpand),
    pressBrush("expand", "Expand", kPageDistort, K::Expand, S::Vertical, kKeepPointer, &Palette::distortRad,
               &Palette::distortCur, atPoint<verticalExpand>, mappingAtPoint<verticalExpandMapping>,
               &Palette::clickExpand),
    pressBrush("expand", "Expand", kPageDistort, K::Expand, S::Horizontal, kKeepPointer, &Palette::distortRad,
               &Palette::distortCur, atPoint<horizontalExpand>, mappingAtPoint<horizontalExpandMapping>,
               &Palette::clickExpand),
    pressBrush("shrink", "Shrink", kPageDistort, K::Shrink, S::Spherical, kArrow, &Palette::distortRad,
               &Palette::distortCur, atPoint<sphericalShrink>, mappingAtPoint<sphericalShrinkMapping>,
               &Palette::clickShrink),
    pressBrush("shrink", "Shrink", kPageDistort, K::Shrink, S::Vertical, kKeepPointer, &Palette::distortRad,
               &Palette::distortCur, atPoint<verticalShrink>, mappingAtPoint<verticalShrinkMapping>,
               &Palette::clickShrink),
    pressBrush("shrink", "Shrink", kPageDistort, K::Shrink, S::Horizontal, kKeepPointer, &Palette::distortRad,
               &Palette::distortCur, atPoint<horizontalShrink>, mappingAtPoint<horizontalShrinkMapping>,
               &Palette::clickShrink),
    // Twist
    pressBrush("dextro", "Dextrorotary", kPageTwist, K::Dextrorotary, S::Spherical, kArrow, &Palette::twistRad,
               &Palette::twistCur, atPoint<twistClockwise>, mappingAtPoint<twistClockwiseMapping>,
               &Palette::clickDextrorotary),
    pressBrush("levo", "Levorotary", kPageTwist, K::Levorotary, S::Spherical, kArrow, &Palette::twistRad,
               &Palette::twistCur, atPoint<twistAnticlockwise>, mappingAtPoint<twistAnticlockwiseMapping>,
               &Palette::clickLevorotary),
    {"smear", "Smear", kPageTwist, K::Smear, S::Spherical, false, kArrow, OnPress::Nothing, OnHold::Nothing,
     OnDrag::Nothing, OnRelease::ApplyFromPressThenRecord, &Palette::twistRad, nullptr, ToolSource::Picture, smearAlong,
     &Palette::clickSmear, false},
    // Sketch
    wholePicture("pen-sketch", "Make pen sketch", ToolSource::EdgePicture, &Palette::penPressure, penSketchOf, nullptr),
    wholePicture("pencil-sketch", "Make pencil sketch", ToolSource::EdgePicture, &Palette::pencilContrast,
                 pencilSketchOf, nullptr),
    wholePicture("clean-spots", "Clear up spot", ToolSource::Picture, nullptr, cleanedUp, &Palette::clickClearUpSpot),
    {"rubber", "Rubber", kPageSketch, K::Expand, S::None, true, kArrow, OnPress::Nothing, OnHold::Nothing,
     OnDrag::ApplyAtPointer, OnRelease::FrameThenRecordStep, nullptr, nullptr, ToolSource::Picture, rubberAt,
     &Palette::clickRubber, false},
};

}  // namespace

std::span<const ToolRow> toolTable() { return kTools; }

const ToolRow* toolNamed(std::string_view batchName) {
    for (const ToolRow& row : kTools)
        if (batchName == row.batchName) return &row;
    return nullptr;
}

const ToolRow* toolInUse(const ToolState& state) {
    if (state.sketchTool == kSketchToolRubber) {
        for (const ToolRow& row : kTools)
            if (row.rubber) return &row;
        return nullptr;
    }
    if (state.stretchShape == StretchShapeCode::None) return nullptr;
    for (const ToolRow& row : kTools)
        if (!row.appliesWhenChosen && !row.rubber && row.kind == state.toolKind && row.shape == state.stretchShape)
            return &row;
    return nullptr;
}

}  // namespace jollix
