#include "core/palette.h"

#include "core/numeric.h"

namespace jollix {

int pencilContrastLabelValue(int position) { return roundToInt((long double)position * 100 / 89); }

Palette::Palette(ToolState& state, PaletteHost* host) : state_(state), host_(host) {
    distortRad.onChange = [this](int p) {
        distortRadLabel = std::to_string(p);
        distortCur.setMaximum(roundToInt(p / 1.5L));
        distortCur.setMinimum(roundToInt(p / 10.0L));
        distortCur.setPosition(roundToInt(p / 3.0L));
        state_.brushRadius = state_.viewToPicture(p);
        state_.brushRadiusSlider = p;
        progressMaximum = state_.brushRadius * 4;
        changed();
    };
    distortCur.onChange = [this](int p) {
        distortCurLabel = std::to_string(p);
        changed();
    };
    twistRad.onChange = [this](int p) {
        twistRadLabel = std::to_string(p);
        twistCur.setMaximum(roundToInt(p / 3.0L));
        twistCur.setMinimum(roundToInt(p / 50.0L));
        twistCur.setPosition(roundToInt(p / 10.0L));
        state_.brushRadius = state_.viewToPicture(p);
        state_.brushRadiusSlider = p;
        progressMaximum = state_.brushRadius * 4;
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
        state_.brushRadiusSlider = p;
        rubberThickLabel = std::to_string(p);
        changed();
    };
}

void Palette::enterBrushTab(int newPage, ToolKindCode toolKind, const Slider& rad, const Slider& cur) {
    state_.stretchShape = StretchShapeCode::Spherical;
    state_.smearChosen = false;
    state_.toolKind = toolKind;
    state_.brushRadiusSlider = rad.position();
    state_.sketchTool = 0;
    state_.brushRadius = state_.viewToPicture(rad.position());
    state_.brushStrength = cur.position();
    if (newPage == kPageDistort) {
        distortButton = DistortButton::Expand;
        checkedShape = StretchShapeCode::Spherical;
    } else {
        twistButton = TwistButton::Dextrorotary;
    }
    progressMaximum = rad.position() * 4;
    if (newPage == kPageTwist) twistCurVisible = true;
    pictureHint = kHintClickOrKeepDown;
    page_ = newPage;
    if (host_) {
        host_->synchroniseUndoRedo();
        host_->updateCursor();
    }
}

void Palette::changeTab(int newPage) {
    if (newPage == page_ || newPage < kPageDistort || newPage > kPageSketch) return;
    switch (newPage) {
        case kPageDistort: enterBrushTab(newPage, ToolKindCode::Expand, distortRad, distortCur); break;
        case kPageTwist: enterBrushTab(newPage, ToolKindCode::Dextrorotary, twistRad, twistCur); break;
        case kPageSketch:
            state_.stretchShape = StretchShapeCode::None;
            if (host_) host_->makeEdgePicture();
            pictureHint.clear();
            state_.sketchTool = 0;
            page_ = newPage;
            if (host_) {
                host_->setArrowCursor();
                host_->synchroniseUndoRedo();
            }
            break;
    }
    changed();
}

void Palette::chooseShape(StretchShapeCode shape) {
    if (shape < StretchShapeCode::Spherical || shape > StretchShapeCode::Horizontal) return;
    state_.stretchShape = shape;
    checkedShape = shape;
    changed();
}

void Palette::chooseDistortTool(DistortButton button, ToolKindCode toolKind) {
    distortButton = button;
    state_.toolKind = toolKind;
    if (host_) host_->updateCursor();
    pictureHint = kHintClickOrKeepDown;
    changed();
}

void Palette::clickExpand() { chooseDistortTool(DistortButton::Expand, ToolKindCode::Expand); }

void Palette::clickShrink() { chooseDistortTool(DistortButton::Shrink, ToolKindCode::Shrink); }

void Palette::chooseTwistTool(TwistButton button, ToolKindCode toolKind, bool smear, const char* hint) {
    twistButton = button;
    state_.toolKind = toolKind;
    state_.smearChosen = smear;
    if (host_) host_->updateCursor();
    pictureHint = hint;
    twistCurVisible = !smear;  // the smear has no strength
    changed();
}

void Palette::clickDextrorotary() {
    chooseTwistTool(TwistButton::Dextrorotary, ToolKindCode::Dextrorotary, false, kHintClickOrKeepDown);
}

void Palette::clickLevorotary() {
    chooseTwistTool(TwistButton::Levorotary, ToolKindCode::Levorotary, false, kHintClickOrKeepDown);
}

void Palette::clickSmear() { chooseTwistTool(TwistButton::Smear, ToolKindCode::Smear, true, kHintKeepDownAndMove); }

void Palette::clickRubber() {
    sketchButton = SketchButton::Rubber;
    state_.sketchTool = kSketchToolRubber;
    state_.brushRadiusSlider = rubberThick.position();
    if (host_) host_->updateCursor();
    rubberControlsVisible = true;
    changed();
}

void Palette::clickClearUpSpot() {
    sketchButton = SketchButton::ClearUpSpot;
    state_.sketchTool = 0;
    rubberControlsVisible = false;
    changed();
}

}  // namespace jollix
