#pragma once
// The tool palette's model: the three tabs, their sliders with the couplings
// between radius and strength, the tool buttons, the value labels, and what
// each control and each tab change writes into ToolState. The window class
// mirrors this model; the batch command drives it directly.
#include <functional>
#include <string>

#include "core/slider.h"
#include "core/tool_state.h"

namespace jollix {

// What a tab change needs from outside the palette.
class PaletteHost {
public:
    virtual ~PaletteHost() = default;
    virtual void makeEdgePicture() = 0;      // entering the Sketch tab
    virtual void synchroniseUndoRedo() = 0;  // controls from the history depths
    virtual void updateCursor() = 0;         // the picture's pointer for the tool
    virtual void setArrowCursor() = 0;       // the picture's pointer to the arrow
};

enum PalettePage : int { kPageDistort = 0, kPageTwist = 1, kPageSketch = 2 };

// Pressed button of each tab's exclusive group.
enum class DistortButton { Expand, Shrink };
enum class TwistButton { None, Dextrorotary, Levorotary, Smear };
enum class SketchButton { ClearUpSpot, Rubber };

inline constexpr const char* kHintClickOrKeepDown = "Click or Keep Down";
inline constexpr const char* kHintKeepDownAndMove = "Keep Down and move";
inline constexpr const char* kHintSelectingZone = "You are selecting a zone to cut ";

class Palette {
public:
    Palette(ToolState& state, PaletteHost* host);
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    // The sliders, with their ranges and start positions.
    Slider distortRad{10, 500, 50};
    Slider distortCur{3, 30, 15};
    Slider twistRad{10, 500, 100};
    Slider twistCur{2, 30, 10};
    Slider penPressure{1, 255, 150};
    Slider pencilContrast{0, 89, 45};
    Slider rubberThick{1, 50, 25};

    // Value labels, with their start texts.
    std::string distortRadLabel = "50";
    std::string distortCurLabel = "15";
    std::string twistRadLabel = "100";
    std::string twistCurLabel = "10";
    std::string penPressureLabel = "150";
    std::string pencilContrastLabel = "50";
    std::string rubberThickLabel = "15";

    // Visibility of the Twist Cur. slider with its labels, and of the rubber
    // thickness slider with its labels.
    bool twistCurVisible = true;
    bool rubberControlsVisible = false;

    DistortButton distortButton = DistortButton::Expand;
    TwistButton twistButton = TwistButton::None;
    SketchButton sketchButton = SketchButton::ClearUpSpot;
    StretchShapeCode checkedShape = StretchShapeCode::Spherical;  // sphericalButton..3

    int page() const { return page_; }
    int progressMaximum = 500;
    std::string pictureHint = kHintClickOrKeepDown;

    // Switch to a tab (0 Distort, 1 Twist, 2 Sketch), as a click on it or
    // the program would; nothing happens when it is already shown.
    void changeTab(int newPage);

    // Radio buttons and tool buttons.
    void chooseShape(StretchShapeCode shape);  // 1 Spherical, 2 Vertical, 3 Horizontal
    void clickExpand();
    void clickShrink();
    void clickDextrorotary();
    void clickLevorotary();
    void clickSmear();
    void clickRubber();
    // The palette's side of "Clear up spot"; the caller then runs the clean-up.
    void clickClearUpSpot();

    // Called after any change the window should mirror.
    std::function<void()> onChanged;

private:
    void changed() {
        if (onChanged) onChanged();
    }
    void enterBrushTab(int newPage, ToolKindCode toolKind, const Slider& rad, const Slider& cur);
    void chooseDistortTool(DistortButton button, ToolKindCode toolKind);
    void chooseTwistTool(TwistButton button, ToolKindCode toolKind, bool smear, const char* hint);
    ToolState& state_;
    PaletteHost* host_;
    int page_ = kPageDistort;
};

// roundToInt(p * 100 / 89): the pencil contrast label.
int pencilContrastLabelValue(int position);

}  // namespace jollix
