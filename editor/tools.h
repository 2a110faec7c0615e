#pragma once
// The tools of the palette, one row each: the name a batch step calls it
// by, the palette tab and button that choose it, the pointer it gives the
// picture, what the left button's press, hold, drag and release do with it,
// the sliders it reads and the effect it runs. The palette builds its tool
// buttons from these rows, the editor routes pointer events by them and the
// batch command's tool steps are made from them, so that a new tool is one
// row here (with its effect and its icon).
#include <optional>
#include <span>
#include <string_view>

#include "core/palette.h"
#include "core/picture.h"
#include "core/progress.h"
#include "core/tool_state.h"
#include "effects/engine/brush_mapping.h"

namespace jollix {

class Editor;

enum class PictureCursor { Arrow, Crosshair };

// The left button on the picture, for a tool chosen on the palette.
enum class OnPress {
    Nothing,
    ApplyAtPressPoint,  // the click applies the tool once at the press point
};
enum class OnHold {
    Nothing,
    RepeatAtPressPoint,  // each second held applies it again at the press point
};
enum class OnDrag {
    Nothing,
    ApplyAtPointer,  // each move with the button down applies it at the pointer
};
enum class OnRelease {
    Nothing,
    RecordStep,                // the gesture's applications become one history step
    ApplyFromPressThenRecord,  // applies it from the press point to the release point, one step
    FrameThenRecordStep,       // one animation frame and one history step for the whole drag
};

// Where a tool acts, in picture pixels: the point it is applied at, the
// release point of a drag, and the radius and strength read from its
// sliders (the sliders' view pixels converted with the zoom, for a brush).
struct ToolPlace {
    int x = 0, y = 0;
    int toX = 0, toY = 0;
    int radius = 0, strength = 0;
};

using ToolEffect = Picture (*)(const Picture& source, const ToolPlace& place, Progress* progress);
// The effect as a mapping, whose colours can be had at a few pixels (the
// view's, zoomed out) before the whole effect is done.
using ToolMapping = BrushMapping (*)(const Picture& source, const ToolPlace& place);

// What a tool's effect starts from.
enum class ToolSource {
    Picture,      // the working picture
    EdgePicture,  // the edge picture made on entering the Sketch tab
};

struct ToolRow {
    const char* batchName;  // the batch step: NAME@X,Y, NAME@X0,Y0:X1,Y1 or NAME
    const char* hint;       // the palette button's hint, also its name on the help page
    int tab;                // kPageDistort, kPageTwist or kPageSketch

    // The palette state that makes this the tool on the picture: the tool
    // kind and the shape, or the rubber. Rows that share a palette button
    // (Expand in its three shapes) differ only in the shape.
    ToolKindCode kind;
    StretchShapeCode shape;
    bool rubber;

    // The pointer over the picture while the tool is chosen; none keeps
    // the pointer as it is.
    std::optional<PictureCursor> pointer;
    OnPress press;
    OnHold hold;
    OnDrag drag;
    OnRelease release;

    // The sliders read when the tool is applied. A brush without its own
    // radius slider (the rubber) takes the radius last set on the palette,
    // which is the one its outline shows.
    Slider Palette::*radius;
    Slider Palette::*strength;
    ToolSource source;
    ToolEffect effect;

    // The palette button's click on the model (nothing for a plain button).
    void (Palette::*choose)();
    // A plain button that applies the effect to the whole picture at once
    // (the sketches and the clean-up) rather than choosing a pointer tool.
    bool appliesWhenChosen;
    // The effect as a mapping (nothing: the effect is only ever run whole).
    ToolMapping mapping = nullptr;

    bool actsOnPicture() const {
        return press != OnPress::Nothing || drag != OnDrag::Nothing || release != OnRelease::Nothing;
    }
    // Whether the slider positions are view pixels, converted with the zoom.
    bool slidersInViewPixels() const { return !appliesWhenChosen; }
};

// Every tool, in the palette's order (tabs left to right, buttons in their
// order on the tab).
std::span<const ToolRow> toolTable();

// The first row with that batch name (the row of its palette button), or
// nullptr.
const ToolRow* toolNamed(std::string_view batchName);

// The tool that the pointer acts with in this state, or nullptr (the
// Sketch tab without the rubber).
const ToolRow* toolInUse(const ToolState& state);

}  // namespace jollix
