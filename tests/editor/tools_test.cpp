// The tool table as the editor routes by it: each palette tool, chosen as a
// user would, runs its own effect with its own sliders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "effects/start_picture.h"
#include "editor/editor.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/brushes/spherical.h"
#include "effects/brushes/twist.h"

using namespace jollix;

namespace {

using Brush = Picture (*)(const Picture&, int, int, int, int, Progress*);

void choose(Editor& e, const char* name, StretchShapeCode shape) {
    const ToolRow* tool = toolNamed(name);
    ASSERT_NE(tool, nullptr) << name;
    e.palette().changeTab(tool->tab);
    if (shape != StretchShapeCode::Spherical) e.palette().chooseShape(shape);
    e.chooseTool(*tool);
}

}  // namespace

TEST(ToolTable, EachPressToolRunsItsBrushWithItsTabsSliders) {
    const struct {
        const char* name;
        StretchShapeCode shape;
        Brush brush;
        int radius, strength;  // the tab's start slider positions, at 100 %
        bool arrow;            // the pointer becomes the arrow
    } cases[] = {
        {"expand", StretchShapeCode::Spherical, sphericalExpand, 50, 15, true},
        {"shrink", StretchShapeCode::Spherical, sphericalShrink, 50, 15, true},
        {"expand", StretchShapeCode::Vertical, verticalExpand, 50, 15, false},
        {"shrink", StretchShapeCode::Vertical, verticalShrink, 50, 15, false},
        {"expand", StretchShapeCode::Horizontal, horizontalExpand, 50, 15, false},
        {"shrink", StretchShapeCode::Horizontal, horizontalShrink, 50, 15, false},
        {"dextro", StretchShapeCode::Spherical, twistClockwise, 100, 10, true},
        {"levo", StretchShapeCode::Spherical, twistAnticlockwise, 100, 10, true},
    };
    const Picture start = startPicture();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " shape " + std::to_string(int(c.shape)));
        Editor e;
        e.toggleZoneMode();  // the crosshair, which only some tools replace
        e.toggleZoneMode();
        choose(e, c.name, c.shape);
        const ToolRow* inUse = toolInUse(e.state());
        ASSERT_NE(inUse, nullptr);
        EXPECT_STREQ(inUse->batchName, c.name);
        EXPECT_EQ(e.cursor(), c.arrow ? PictureCursor::Arrow : PictureCursor::Crosshair);
        e.mouseDown(MouseButton::Left, {true, false}, 300, 230);
        e.click();
        e.mouseUp(MouseButton::Left, 300, 230);
        EXPECT_EQ(e.picture(), c.brush(start, 300, 230, c.radius, c.strength, nullptr));
        EXPECT_EQ(e.history().undoDepth(), 1);
    }
}

TEST(ToolTable, RowsAreConsistent) {
    std::set<std::string> names;
    for (const ToolRow& row : toolTable()) {
        SCOPED_TRACE(row.batchName);
        EXPECT_EQ(toolNamed(row.batchName)->hint, std::string(row.hint));  // one button, one hint
        EXPECT_TRUE(row.tab == kPageDistort || row.tab == kPageTwist || row.tab == kPageSketch);
        EXPECT_NE(row.effect, nullptr);
        // A tool either acts on the picture under the pointer or at once.
        EXPECT_NE(row.actsOnPicture(), row.appliesWhenChosen);
        if (row.hold != OnHold::Nothing) {
            EXPECT_NE(row.press, OnPress::Nothing);
        }
        names.insert(row.batchName);
    }
    EXPECT_EQ(names.size(), 9u);
    // The Sketch tab without the rubber leaves the picture to the buttons.
    ToolState sketch;
    sketch.stretchShape = StretchShapeCode::None;
    EXPECT_EQ(toolInUse(sketch), nullptr);
    sketch.sketchTool = kSketchToolRubber;
    ASSERT_NE(toolInUse(sketch), nullptr);
    EXPECT_STREQ(toolInUse(sketch)->batchName, "rubber");
}
