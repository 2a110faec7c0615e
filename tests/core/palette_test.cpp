#include <gtest/gtest.h>

#include "core/palette.h"

using namespace jollix;

namespace {
struct RecordingHost : PaletteHost {
    int edges = 0, syncs = 0, cursors = 0, arrows = 0;
    void makeEdgePicture() override { ++edges; }
    void synchroniseUndoRedo() override { ++syncs; }
    void updateCursor() override { ++cursors; }
    void setArrowCursor() override { ++arrows; }
};

void moveStepByStep(Slider& s, int to) {
    while (s.position() != to) s.userScroll(s.position() + (to > s.position() ? 1 : -1));
}
}  // namespace

TEST(Palette, RadiusSlidersCoupleTheirStrength) {
    struct Case {
        bool twist;
        bool stepwise;
        int from, to;
        int curMin, curMax, curPos;
    } cases[] = {
        {false, true, 50, 10, 1, 7, 3}, {false, true, 50, 500, 50, 333, 167}, {false, false, 50, 300, 30, 200, 100},
        {true, true, 100, 10, 0, 3, 1}, {true, true, 100, 500, 10, 167, 50},
    };
    for (const Case& c : cases) {
        ToolState st;
        Palette p(st, nullptr);
        Slider& rad = c.twist ? p.twistRad : p.distortRad;
        Slider& cur = c.twist ? p.twistCur : p.distortCur;
        ASSERT_EQ(rad.position(), c.from);
        if (c.stepwise)
            moveStepByStep(rad, c.to);
        else
            rad.userScroll(c.to);
        EXPECT_EQ(cur.minimum(), c.curMin) << c.to;
        EXPECT_EQ(cur.maximum(), c.curMax) << c.to;
        EXPECT_EQ(cur.position(), c.curPos) << c.to;
        EXPECT_EQ(st.brushRadiusSlider, c.to);
    }
}

TEST(Palette, MaximumBelowMinimumIsIgnored) {
    ToolState st;
    Palette p(st, nullptr);
    moveStepByStep(p.distortRad, 500);
    p.distortRad.userScroll(10);  // straight from 500: the maximum 7 is below 50
    EXPECT_EQ(p.distortCur.minimum(), 1);
    EXPECT_EQ(p.distortCur.maximum(), 333);
    EXPECT_EQ(p.distortCur.position(), 3);
}

TEST(Palette, LabelsStartMismatchedAndFollowTheirSliders) {
    ToolState st;
    Palette p(st, nullptr);
    EXPECT_EQ(p.pencilContrastLabel, "50");
    EXPECT_EQ(p.rubberThickLabel, "15");
    struct {
        int pos;
        const char* label;
    } contrast[] = {{89, "100"}, {0, "0"}, {44, "49"}, {45, "51"}};
    for (auto c : contrast) {
        p.pencilContrast.userScroll(c.pos);
        EXPECT_EQ(p.pencilContrastLabel, c.label) << c.pos;
    }
    p.rubberThick.userScroll(30);
    EXPECT_EQ(p.rubberThickLabel, "30");
    EXPECT_EQ(st.brushRadiusSlider, 30);
}

TEST(Palette, RadiusInPicturePixelsFollowsTheZoom) {
    ToolState st;
    st.zoomPercent = 200;
    Palette p(st, nullptr);
    p.distortRad.userScroll(100);
    EXPECT_EQ(st.brushRadius, 50);
    EXPECT_EQ(p.progressMaximum, 200);
    p.changeTab(kPageTwist);
    p.changeTab(kPageDistort);
    EXPECT_EQ(p.progressMaximum, 400);  // the tab change uses the slider itself
}

TEST(Palette, TabChangesSetTheToolState) {
    ToolState st;
    RecordingHost host;
    Palette p(st, &host);
    p.chooseShape(StretchShapeCode::Vertical);
    p.changeTab(kPageTwist);
    EXPECT_EQ(st.toolKind, ToolKindCode::Dextrorotary);
    EXPECT_EQ(st.stretchShape, StretchShapeCode::Spherical);
    EXPECT_EQ(st.brushRadiusSlider, 100);
    p.clickSmear();
    EXPECT_TRUE(st.smearChosen);
    EXPECT_FALSE(p.twistCurVisible);
    EXPECT_EQ(p.pictureHint, kHintKeepDownAndMove);
    p.changeTab(kPageDistort);
    EXPECT_EQ(st.toolKind, ToolKindCode::Expand);
    EXPECT_EQ(st.stretchShape, StretchShapeCode::Spherical);
    EXPECT_FALSE(st.smearChosen);
    EXPECT_EQ(p.checkedShape, StretchShapeCode::Spherical);
    EXPECT_EQ(p.pictureHint, kHintClickOrKeepDown);

    const int syncsBefore = host.syncs;
    p.changeTab(kPageDistort);  // already shown: nothing happens
    EXPECT_EQ(host.syncs, syncsBefore);

    p.clickShrink();
    p.changeTab(kPageSketch);
    EXPECT_EQ(st.stretchShape, StretchShapeCode::None);
    EXPECT_EQ(st.toolKind, ToolKindCode::Shrink);  // left as it was
    EXPECT_EQ(host.edges, 1);
    EXPECT_EQ(host.arrows, 1);
    EXPECT_TRUE(p.pictureHint.empty());
    p.clickRubber();
    EXPECT_EQ(st.sketchTool, kSketchToolRubber);
    EXPECT_EQ(st.brushRadiusSlider, 25);
    EXPECT_TRUE(p.rubberControlsVisible);
    p.changeTab(kPageTwist);
    p.changeTab(kPageSketch);
    EXPECT_EQ(st.sketchTool, 0);
    EXPECT_EQ(p.sketchButton, SketchButton::Rubber);  // still shown down
}

TEST(ToolState, viewToPicture) {
    struct {
        double zoom;
        int view, picture;
    } conv[] = {{100, 483, 483}, {80, 483, 604}, {80, 2, 2}, {125, 50, 40}, {80, 50, 62}, {200, 25, 12}};
    for (auto c : conv) EXPECT_EQ(viewToPicture(c.view, c.zoom), c.picture) << c.zoom << " " << c.view;
}
