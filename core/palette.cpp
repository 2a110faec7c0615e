#include "core/palette.h"

#include "core/numeric.h"

namespace jollix {

int pencilContrastLabelValue(int position) { return Round((long double)position * 100 / 89); }

Palette::Palette(ToolState& state, PaletteHost* host) : state_(state), host_(host) {
    distortRad.onChange = [this](int p) {
        distortRadLabel = std::to_string(p);
        distortCur.setMaximum(Round(p / 1.5L));
        distortCur.setMinimum(Round(p / 10.0L));
        distortCur.setPosition(Round(p / 3.0L));
        state_.BrushRadius = state_.viewToPicture(p);
        state_.BrushRadiusSlider = p;
        progressMaximum = state_.BrushRadius * 4;
        changed();
    };
    distortCur.onChange = [this](int p) {
        distortCurLabel = std::to_string(p);
        changed();
    };
    twistRad.onChange = [this](int p) {
        twistRadLabel = std::to_string(p);
        twistCur.setMaximum(Round(p / 3.0L));
        twistCur.setMinimum(Round(p / 50.0L));
        twistCur.setPosition(Round(p / 10.0L));
        state_.BrushRadius = state_.viewToPicture(p);
        state_.BrushRadiusSlider = p;
        progressMaximum = state_.BrushRadius * 4;
        changed();
    };
    twistCur.onChange = [this](int p) {
        twistCurLabel = std::to_string(p);
        changed();
    };
    penPressure.onChange = [this](int p) {
        penPressureLabel = std::to_string(p);
        changed();
    };
    pencilContrast.onChange = [this](int p) {
        pencilContrastLabel = std::to_string(pencilContrastLabelValue(p));
        changed();
    };
    rubberThick.onChange = [this](int p) {
        state_.BrushRadiusSlider = p;
        rubberThickLabel = std::to_string(p);
        changed();
    };
}

void Palette::changeTab(int newPage) {
    if (newPage == page_ || newPage < kPageDistort || newPage > kPageSketch) return;
    switch (newPage) {
    case kPageDistort:
        state_.StretchShape = kShapeSpherical;
        state_.SmearChosen = false;
        state_.ToolKind = kToolExpand;
        state_.BrushRadiusSlider = distortRad.position();
        state_.SketchTool = 0;
        state_.BrushRadius = state_.viewToPicture(distortRad.position());
        state_.BrushStrength = distortCur.position();
        distortButton = DistortButton::Expand;
        checkedShape = kShapeSpherical;
        progressMaximum = distortRad.position() * 4;
        pictureHint = kHintClickOrKeepDown;
        page_ = newPage;
        if (host_) {
            host_->synchroniseUndoRedo();
            host_->updateCursor();
        }
        break;
    case kPageTwist:
        state_.StretchShape = kShapeSpherical;
        state_.SmearChosen = false;
        state_.ToolKind = kToolDextro;
        state_.BrushRadiusSlider = twistRad.position();
        state_.SketchTool = 0;
        state_.BrushRadius = state_.viewToPicture(twistRad.position());
        state_.BrushStrength = twistCur.position();
        twistButton = TwistButton::Dextrorotary;
        progressMaximum = twistRad.position() * 4;
        twistCurVisible = true;
        pictureHint = kHintClickOrKeepDown;
        page_ = newPage;
        if (host_) {
            host_->synchroniseUndoRedo();
            host_->updateCursor();
        }
        break;
    case kPageSketch:
        state_.StretchShape = kShapeNone;
        if (host_) host_->makeEdgePicture();
        pictureHint.clear();
        state_.SketchTool = 0;
        page_ = newPage;
        if (host_) {
            host_->setArrowCursor();
            host_->synchroniseUndoRedo();
        }
        break;
    }
    changed();
}

void Palette::chooseShape(int shape) {
    if (shape < kShapeSpherical || shape > kShapeHorizontal) return;
    state_.StretchShape = shape;
    checkedShape = shape;
    changed();
}

void Palette::clickExpand() {
    distortButton = DistortButton::Expand;
    state_.ToolKind = kToolExpand;
    if (host_) host_->updateCursor();
    pictureHint = kHintClickOrKeepDown;
    changed();
}

void Palette::clickShrink() {
    distortButton = DistortButton::Shrink;
    state_.ToolKind = kToolShrink;
    if (host_) host_->updateCursor();
    pictureHint = kHintClickOrKeepDown;
    changed();
}

void Palette::clickDextrorotary() {
    twistButton = TwistButton::Dextrorotary;
    state_.ToolKind = kToolDextro;
    state_.SmearChosen = false;
    if (host_) host_->updateCursor();
    pictureHint = kHintClickOrKeepDown;
    twistCurVisible = true;
    changed();
}

void Palette::clickLevorotary() {
    twistButton = TwistButton::Levorotary;
    state_.ToolKind = kToolLevo;
    state_.SmearChosen = false;
    if (host_) host_->updateCursor();
    pictureHint = kHintClickOrKeepDown;
    twistCurVisible = true;
    changed();
}

void Palette::clickSmear() {
    twistButton = TwistButton::Smear;
    state_.SmearChosen = true;
    state_.ToolKind = kToolSmear;
    if (host_) host_->updateCursor();
    pictureHint = kHintKeepDownAndMove;
    twistCurVisible = false;
    changed();
}

void Palette::clickRubber() {
    sketchButton = SketchButton::Rubber;
    state_.SketchTool = kSketchToolRubber;
    state_.BrushRadiusSlider = rubberThick.position();
    if (host_) host_->updateCursor();
    rubberControlsVisible = true;
    changed();
}

void Palette::clickClearUpSpot() {
    sketchButton = SketchButton::ClearUpSpot;
    state_.SketchTool = 0;
    rubberControlsVisible = false;
    changed();
}

} // namespace jollix
