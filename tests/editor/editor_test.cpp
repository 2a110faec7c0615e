// The editing session as the work area and the main window drive it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "effects/start_picture.h"
#include "editor/editor.h"
#include "effects/pen_sketch.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/spherical.h"
#include "effects/rubber.h"
#include "tests/effects/effect_test_util.h"

using namespace jollix;

namespace {

struct RecordingView : WorkAreaView {
    int timerStarts = 0, timerStops = 0, frameChanges = 0;
    bool timerOn = false, confined = false, outlineShown = false;
    int outlineX = 0, outlineY = 0, outlineR = 0;
    int sx = 0, sy = 0;
    void startRepeatTimer() override {
        ++timerStarts;
        timerOn = true;
    }
    void stopRepeatTimer() override {
        ++timerStops;
        timerOn = false;
    }
    int scrollX() const override { return sx; }
    int scrollY() const override { return sy; }
    void scrollBy(int dx, int dy) override {
        sx += dx;
        sy += dy;
    }
    void showBrushOutline(int x, int y, int r) override {
        outlineShown = true;
        outlineX = x;
        outlineY = y;
        outlineR = r;
    }
    void hideBrushOutline() override { outlineShown = false; }
    void zoneFrameChanged() override { ++frameChanges; }
    void confinePointer(bool on) override { confined = on; }
};

constexpr HeldButtons kLeft{true, false};
constexpr HeldButtons kRight{false, true};

void leftClick(Editor& e, int x, int y, int ticks = 0) {
    e.mouseDown(MouseButton::Left, kLeft, x, y);
    for (int i = 0; i < ticks; ++i) e.repeatTick();
    e.click();
    e.mouseUp(MouseButton::Left, x, y);
}

void zoneDrag(Editor& e, int x0, int y0, int x1, int y1) {
    e.mouseDown(MouseButton::Left, kLeft, x0, y0);
    e.mouseMove(kLeft, x1, y1);
    e.mouseUp(MouseButton::Left, x1, y1);
}

}  // namespace

TEST(Editor, StartsWithTheStartPictureAndToolValues) {
    Editor e;
    EXPECT_EQ(e.picture().width(), 605);
    EXPECT_EQ(e.picture().height(), 469);
    EXPECT_EQ(e.controlWidth(), 605);
    EXPECT_EQ(e.controlHeight(), 469);
    EXPECT_EQ(e.state().toolKind, ToolKindCode::Expand);
    EXPECT_EQ(e.state().stretchShape, StretchShapeCode::Spherical);
    EXPECT_EQ(e.state().sketchTool, 0);
    EXPECT_FALSE(e.state().smearChosen);
    EXPECT_EQ(e.state().zoomPercent, 100.0);
    EXPECT_EQ(e.state().brushRadiusSlider, 50);
    EXPECT_EQ(e.zoomLabel(), "100%");
    EXPECT_FALSE(e.history().undoEnabled());
    EXPECT_FALSE(e.history().redoEnabled());
    EXPECT_FALSE(e.isModified());
}

TEST(Editor, ClickAppliesOnceHoldRepeatsAtThePressPoint) {
    const Picture start = startPicture();
    const Picture once = sphericalExpand(start, 300, 230, 50, 15);
    const Picture thrice = sphericalExpand(sphericalExpand(once, 300, 230, 50, 15), 300, 230, 50, 15);

    RecordingView view;
    Editor e;
    e.setView(&view);
    leftClick(e, 300, 230);
    EXPECT_EQ(e.picture(), once);
    EXPECT_EQ(e.history().undoDepth(), 1);
    EXPECT_FALSE(view.timerOn);

    // Held for 2.5 s: ticks at 1 s and 2 s, the pointer wandering meanwhile,
    // then the click: three applications at the press point, one step.
    Editor h;
    h.setView(&view);
    h.mouseDown(MouseButton::Left, kLeft, 300, 230);
    EXPECT_TRUE(view.timerOn);
    h.mouseMove(kLeft, 100, 100);
    h.repeatTick();
    h.mouseMove(kLeft, 400, 50);
    h.repeatTick();
    h.click();
    h.mouseUp(MouseButton::Left, 400, 50);
    EXPECT_EQ(h.picture(), thrice);
    EXPECT_EQ(h.history().undoDepth(), 1);
    EXPECT_FALSE(view.timerOn);
    EXPECT_FALSE(h.state().buttonHeld);
}

TEST(Editor, ZoomConvertsPressPointAndBrush) {
    Editor e;
    e.zoomIn();  // 125 %: Rad. 50 and Cur. 15 become R 40 and H 12
    leftClick(e, 375, 250);
    EXPECT_EQ(e.state().pressX, 300);
    EXPECT_EQ(e.state().pressY, 200);
    EXPECT_EQ(e.state().brushRadius, 40);
    EXPECT_EQ(e.state().brushStrength, 12);
    EXPECT_EQ(e.picture(), sphericalExpand(startPicture(), 300, 200, 40, 12));
}

TEST(Editor, SmearRunsOnReleaseAndRecordsOneStep) {
    Editor e;
    e.palette().changeTab(kPageTwist);
    e.palette().clickSmear();
    RecordingView view;
    e.setView(&view);
    e.mouseDown(MouseButton::Left, kLeft, 100, 100);
    EXPECT_FALSE(view.timerOn);  // no repeat for the smear
    e.mouseMove(kLeft, 160, 130);
    e.click();
    e.mouseUp(MouseButton::Left, 160, 130);
    EXPECT_EQ(e.picture(), smear(startPicture(), 100, 100, 160, 130, 100));
    EXPECT_EQ(e.history().undoDepth(), 1);
    EXPECT_EQ(e.state().brushRadiusSlider, 100);
}

TEST(Editor, SketchTabPressesChangeNothingButTheRubberPaints) {
    Editor e;
    e.palette().changeTab(kPageSketch);
    EXPECT_EQ(e.state().edgePicture, edgePicture(startPicture()));
    leftClick(e, 300, 230);
    EXPECT_EQ(e.picture(), startPicture());
    EXPECT_EQ(e.history().undoDepth(), 0);

    e.palette().clickRubber();
    e.mouseDown(MouseButton::Left, kLeft, 100, 100);
    e.mouseMove(kLeft, 100, 100);
    e.mouseMove(kLeft, 200, 100);
    e.mouseUp(MouseButton::Left, 200, 100);
    EXPECT_EQ(e.picture(), rubberDisc(rubberDisc(startPicture(), 100, 100, 25), 200, 100, 25));
    EXPECT_EQ(e.history().undoDepth(), 1);

    // A pen sketch starts again from the edge picture made on entering the tab.
    e.chooseTool(*toolNamed("pen-sketch"));
    EXPECT_EQ(e.picture(), penSketch(edgePicture(startPicture()), 150));
    EXPECT_EQ(e.history().undoDepth(), 2);
}

TEST(Editor, BrushOutlineFollowsThePointerAndHidesNearTheEdges) {
    RecordingView view;
    Editor e;
    e.setView(&view);
    struct {
        int x, y;
        bool shown;
    } moves[] = {{3, 3, true},     {2, 100, false},   {100, 2, false},
                 {602, 466, true}, {603, 100, false}, {100, 467, false}};
    for (auto m : moves) {
        e.mouseMove({}, m.x, m.y);
        EXPECT_EQ(view.outlineShown, m.shown) << m.x << "," << m.y;
    }
    e.mouseMove({}, 50, 60);
    EXPECT_EQ(view.outlineR, 50);
    e.palette().changeTab(kPageSketch);
    e.mouseMove({}, 100, 100);
    EXPECT_FALSE(view.outlineShown);
}

TEST(Editor, RightDragPansKeepingThePointUnderThePointer) {
    RecordingView view;
    Editor e;
    e.setView(&view);
    e.mouseDown(MouseButton::Right, kRight, 200, 200);
    e.mouseMove(kRight, 180, 190);
    EXPECT_EQ(view.sx, 20);
    EXPECT_EQ(view.sy, 10);
    e.mouseUp(MouseButton::Right, 180, 190);
    EXPECT_EQ(e.history().undoDepth(), 0);  // a right release records nothing
    EXPECT_FALSE(view.timerOn);
}

TEST(Editor, ZoomLabelAndControlSizes) {
    Editor e;
    e.zoomOut();
    EXPECT_EQ(e.zoomLabel(), "80.0%");
    EXPECT_EQ(e.controlWidth(), 484);
    EXPECT_EQ(e.controlHeight(), 375);
    e.zoomIn();
    e.zoomIn();
    EXPECT_EQ(e.zoomLabel(), "125.0%");
    EXPECT_EQ(e.controlWidth(), 756);
    EXPECT_EQ(e.controlHeight(), 586);
    e.zoomOut();
    e.zoomOut();
    e.zoomIn();
    EXPECT_EQ(e.state().zoomPercent, 100.0);  // two out and two in come back exactly

    e.wheel(120);  // away from the user: out
    EXPECT_EQ(e.zoomLabel(), "80.0%");
    e.wheel(-120);
    EXPECT_EQ(e.state().zoomPercent, 100.0);

    // Bounded: the control stays within 1 .. 32767 pixels a side.
    for (int i = 0; i < 100; ++i) e.zoomOut();
    EXPECT_GE(e.controlWidth(), 1);
    EXPECT_GE(e.controlHeight(), 1);
    for (int i = 0; i < 200; ++i) e.zoomIn();
    EXPECT_LE(e.controlWidth(), 32767);
}

TEST(Editor, AnEffectThatFailsDuringAHoldReportsOnce) {
    RecordingView view;
    Editor e;
    e.setView(&view);
    // At 700 % the strength Cur. 15 rounds to 2 and Cur. 3 to 0.
    e.palette().distortCur.userScroll(3);
    ASSERT_TRUE(e.setZoomPercent(700));
    e.mouseDown(MouseButton::Left, kLeft, 700, 700);
    EXPECT_THROW(e.repeatTick(), JollixError);
    EXPECT_FALSE(view.timerOn);
    EXPECT_NO_THROW(e.repeatTick());
    EXPECT_NO_THROW(e.click());
    e.mouseUp(MouseButton::Left, 700, 700);
    EXPECT_FALSE(e.state().buttonHeld);
    EXPECT_EQ(e.history().undoDepth(), 1);
    EXPECT_EQ(e.picture(), startPicture());
    try {
        e.mouseDown(MouseButton::Left, kLeft, 700, 700);
        e.click();
        FAIL() << "expected the division by zero";
    } catch (const JollixError& err) {
        EXPECT_STREQ(err.what(), "Floating point division by zero");
    }
}

TEST(Editor, ZoneCutMatchesTheFrame) {
    struct Case {
        double zoom;
        int x0, y0, x1, y1;
        ZoneRectangle rect;
    } cases[] = {
        {100, 10, 20, 110, 70, {11, 21, 109, 69}},
        {100, 110, 70, 10, 20, {11, 21, 109, 69}},
        {200, 20, 20, 220, 120, {11, 11, 109, 59}},
    };
    const Picture start = startPicture();
    for (const Case& c : cases) {
        RecordingView view;
        Editor e;
        e.setView(&view);
        ASSERT_TRUE(e.setZoomPercent(c.zoom));
        e.toggleZoneMode();
        EXPECT_EQ(e.cursor(), PictureCursor::Crosshair);
        EXPECT_TRUE(e.zoneHintShown());
        zoneDrag(e, c.x0, c.y0, c.x1, c.y1);
        EXPECT_FALSE(view.confined);
        const ZoneRectangle& z = e.state().zoneRect;
        EXPECT_EQ(z.zoneLeft, c.rect.zoneLeft);
        EXPECT_EQ(z.zoneTop, c.rect.zoneTop);
        EXPECT_EQ(z.zoneRight, c.rect.zoneRight);
        EXPECT_EQ(z.zoneBottom, c.rect.zoneBottom);
        EXPECT_TRUE(e.cutEnabled());
        EXPECT_TRUE(e.copyEnabled());
        EXPECT_EQ(e.history().undoDepth(), 0);  // marking records nothing

        leftClick(e, 300, 200);  // presses in zone mode start a new frame, no brush
        zoneDrag(e, c.x0, c.y0, c.x1, c.y1);
        ASSERT_TRUE(e.cutOut());
        const int w = c.rect.zoneRight - c.rect.zoneLeft + 1, h = c.rect.zoneBottom - c.rect.zoneTop + 1;
        EXPECT_EQ(e.picture().width(), w);
        EXPECT_EQ(e.picture().height(), h);
        EXPECT_EQ(e.picture().pixel(0, 0), start.pixel(c.rect.zoneLeft, c.rect.zoneTop));
        EXPECT_EQ(e.picture().pixel(w - 1, h - 1), start.pixel(c.rect.zoneRight, c.rect.zoneBottom));
        EXPECT_FALSE(e.state().selectionShown);
        EXPECT_FALSE(e.cutEnabled());
        EXPECT_FALSE(e.history().undoEnabled());
        EXPECT_EQ(e.controlWidth(), roundToInt((long double)w * c.zoom / 100));

        e.renew();
        EXPECT_EQ(e.picture(), start);
        EXPECT_EQ(e.controlWidth(), roundToInt(605.0L * c.zoom / 100));
    }
}

TEST(Editor, EmptyZonesAreRefusedAndFrameDropsOnScrollZoomAndRightPress) {
    RecordingView view;
    Editor e;
    e.setView(&view);
    e.toggleZoneMode();
    zoneDrag(e, 10, 10, 11, 40);  // one view pixel wide: no pixel inside
    EXPECT_TRUE(e.state().zoneRect.isEmpty());
    EXPECT_FALSE(e.cutEnabled());
    EXPECT_FALSE(e.copyEnabled());
    EXPECT_FALSE(e.cutOut());
    EXPECT_FALSE(e.copyZone().has_value());
    EXPECT_EQ(e.picture(), startPicture());

    zoneDrag(e, 10, 10, 100, 100);
    e.scrolledByBar();
    EXPECT_TRUE(e.zoneFrame().isCleared());
    EXPECT_FALSE(e.cutEnabled());
    EXPECT_FALSE(e.copyEnabled());
    EXPECT_TRUE(e.state().selectionShown);

    zoneDrag(e, 10, 10, 100, 100);
    e.zoomIn();
    EXPECT_TRUE(e.zoneFrame().isCleared());
    EXPECT_FALSE(e.cutEnabled());
    EXPECT_TRUE(e.copyEnabled());  // the zone is still remembered for Ctrl+C
    EXPECT_TRUE(e.copyZone().has_value());

    e.zoomOut();
    zoneDrag(e, 10, 10, 100, 100);
    e.mouseDown(MouseButton::Right, kRight, 50, 50);
    e.mouseUp(MouseButton::Right, 50, 50);
    EXPECT_TRUE(e.zoneFrame().isCleared());
    EXPECT_FALSE(e.cutEnabled());

    // Frame corners follow the scroll positions: window = view - scroll.
    view.sx = 30;
    view.sy = 40;
    zoneDrag(e, 130, 140, 230, 190);
    EXPECT_EQ(e.zoneFrame().Left, 100);
    EXPECT_EQ(e.zoneFrame().Top, 100);
    EXPECT_EQ(e.state().zoneRect.zoneLeft, 131);

    e.toggleZoneMode();
    EXPECT_FALSE(e.state().selectionShown);
    EXPECT_TRUE(e.zoneFrame().isCleared());
    EXPECT_EQ(e.cursor(), PictureCursor::Crosshair);  // stays until a tool sets it
}

TEST(Editor, DashesMarch) {
    Editor e;
    const uint8_t phases[] = {32, 8, 2, 128, 32};
    for (uint8_t p : phases) {
        e.frameTick();
        EXPECT_EQ(e.state().dashPhase, p);
    }
}

TEST(Editor, PasteReplacesOnlyWhenThereIsAPicture) {
    Editor e;
    leftClick(e, 300, 230);
    ASSERT_TRUE(e.history().undoEnabled());
    const Picture before = e.picture();
    e.toggleZoneMode();
    EXPECT_FALSE(e.paste(std::nullopt));
    EXPECT_EQ(e.picture(), before);
    EXPECT_TRUE(e.history().undoEnabled());
    EXPECT_TRUE(e.state().selectionShown);

    EXPECT_TRUE(e.paste(Picture(40, 30, 0x00FF00)));
    EXPECT_EQ(e.picture(), Picture(40, 30, 0x00FF00));
    EXPECT_EQ(e.controlWidth(), 40);
    EXPECT_FALSE(e.history().undoEnabled());
    EXPECT_FALSE(e.state().selectionShown);
    e.renew();
    EXPECT_EQ(e.picture(), startPicture());
}

TEST(Editor, ResizeSizesTheControlAndResetsTheHistory) {
    Editor e;
    effects_test::CountingProgress progress;
    e.setProgress(&progress);
    e.palette().changeTab(kPageTwist);
    e.resizePicture(1210, 938);
    EXPECT_EQ(progress.steps, (938 + Picture::kTile - 1) / Picture::kTile) << "the resampling shows its progress";
    EXPECT_EQ(progress.finishes, 1);
    EXPECT_EQ(e.picture().width(), 1210);
    EXPECT_EQ(e.picture().height(), 938);
    EXPECT_EQ(e.controlWidth(), 1210);
    EXPECT_EQ(e.controlHeight(), 938);
    EXPECT_EQ(e.palette().page(), kPageDistort);
    e.resizePicture(300, 200);
    EXPECT_EQ(e.picture().width(), 300);
    EXPECT_EQ(e.picture().height(), 200);  // exactly the size asked for
}

TEST(Editor, RenewAndOpenResetTheHistoryAndPalette) {
    Editor e;
    leftClick(e, 300, 230);
    e.palette().changeTab(kPageSketch);
    e.renew();
    EXPECT_EQ(e.picture(), startPicture());
    EXPECT_EQ(e.palette().page(), kPageDistort);
    EXPECT_EQ(e.state().toolKind, ToolKindCode::Expand);
    EXPECT_FALSE(e.history().undoEnabled());

    Picture opened(20, 10, 0xFF0000);
    for (int x = 0; x < 20; x += 2) opened.setPixel(x, x / 2, 0x00FF00);
    e.openPicture(opened);
    EXPECT_EQ(e.controlWidth(), 20);
    EXPECT_FALSE(e.isModified());
    leftClick(e, 10, 5);
    EXPECT_TRUE(e.isModified());
    e.markSaved();
    EXPECT_FALSE(e.isModified());
    e.renew();
    EXPECT_EQ(e.picture(), opened);
}

TEST(Editor, DoubleClickAppliesOnceAndRecordsTwoSteps) {
    Editor e;
    leftClick(e, 300, 230);
    // The second press of a double click brings no click.
    e.mouseDown(MouseButton::Left, kLeft, 300, 230);
    e.mouseUp(MouseButton::Left, 300, 230);
    EXPECT_EQ(e.picture(), sphericalExpand(startPicture(), 300, 230, 50, 15));
    EXPECT_EQ(e.history().undoDepth(), 2);
}

TEST(Editor, HistoryKeepsWithinItsMemoryBudget) {
    // 64 MB hold five whole 2048 x 2048 pictures (12 MB each); twelve sketch
    // steps would need 150 MB.
    ::setenv("JOLLIX_HISTORY_MB", "64", 1);
    Picture noise(2048, 2048);
    uint32_t s = 1;
    for (int y = 0; y < 2048; ++y)
        for (int x = 0; x < 2048; ++x) noise.setPixel(x, y, (s = s * 1664525u + 1013904223u) >> 8);
    Editor e(noise);
    ::unsetenv("JOLLIX_HISTORY_MB");
    EXPECT_EQ(e.history().memoryBudget(), size_t(64) << 20);
    std::vector<std::string> notes;
    e.onStatusMessage = [&](const std::string& m) { notes.push_back(m); };
    e.palette().changeTab(kPageSketch);
    std::vector<Picture> made;
    for (int i = 0; i < 12; ++i) {
        e.palette().penPressure.userScroll(20 + 15 * i);
        e.chooseTool(*toolNamed("pen-sketch"));
        made.push_back(e.picture());
        EXPECT_LE(e.history().memoryUsed(), e.history().memoryBudget()) << i;
    }
    EXPECT_EQ(e.history().undoDepth(), 4);
    EXPECT_EQ(notes, std::vector<std::string>{"Older steps were dropped from the history to save memory."});
    for (int i = 10; i >= 7; --i) {
        e.undo();
        EXPECT_EQ(e.picture(), made[size_t(i)]) << i;
    }
    e.undo();
    EXPECT_EQ(e.picture(), made[7]);
    // Renew still restores the opened picture.
    e.renew();
    EXPECT_EQ(e.picture(), noise);
}
