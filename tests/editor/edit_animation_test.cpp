// The edit as an animation: frames made by the applied effects, kept with
// the history steps, moved by Undo and Redo, restarted by a reset, and
// bounded in memory.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "effects/start_picture.h"
#include "editor/editor.h"
#include "effects/resample.h"
#include "tests/photo_like.h"

using namespace jollix;
using jollix::testing_photo::photoLike;

namespace {

constexpr HeldButtons kLeft{true, false};

// A press, `ticks` repeat ticks, the click and the release at one point.
void hold(Editor& e, int x, int y, int ticks = 0) {
    e.mouseDown(MouseButton::Left, kLeft, x, y);
    for (int i = 0; i < ticks; ++i) e.repeatTick();
    e.click();
    e.mouseUp(MouseButton::Left, x, y);
}

void smear(Editor& e, int x0, int y0, int x1, int y1) {
    if (e.palette().page() != kPageTwist) e.palette().changeTab(kPageTwist);
    e.palette().clickSmear();
    e.mouseDown(MouseButton::Left, kLeft, x0, y0);
    e.mouseMove(kLeft, x1, y1);
    e.click();
    e.mouseUp(MouseButton::Left, x1, y1);
}

void rubberDrag(Editor& e, int x0, int y, int x1) {
    if (e.palette().page() != kPageSketch) e.palette().changeTab(kPageSketch);
    e.palette().clickRubber();
    e.mouseDown(MouseButton::Left, kLeft, x0, y);
    for (int x = x0; x <= x1; x += 5) e.mouseMove(kLeft, x, y);
    e.mouseUp(MouseButton::Left, x1, y);
}

size_t animationLength(Editor& e) { return e.animationFrames().size(); }

}  // namespace

TEST(EditAnimation, FrameSizesKeepTheLongSideWithin640) {
    struct Case {
        int w, h, fw, fh;
    };
    for (const Case c : {Case{605, 469, 605, 469}, Case{640, 640, 640, 640}, Case{6000, 4000, 640, 427},
                         Case{4000, 6000, 427, 640}, Case{641, 1, 640, 1}, Case{100000, 10, 640, 1}}) {
        const auto [fw, fh] = EditAnimation::frameSize(c.w, c.h);
        EXPECT_EQ(fw, c.fw) << c.w << "x" << c.h;
        EXPECT_EQ(fh, c.fh) << c.w << "x" << c.h;
    }
}

TEST(EditAnimation, EveryAppliedEffectAddsOneFrameToItsStep) {
    // What the user does, and how many frames it adds.
    struct Case {
        const char* what;
        std::function<void(Editor&)> act;
        size_t frames;
    };
    const Case cases[] = {
        {"a click", [](Editor& e) { hold(e, 300, 230); }, 1},
        {"a hold of 2.5 s: two ticks and the click", [](Editor& e) { hold(e, 300, 230, 2); }, 3},
        {"a smear", [](Editor& e) { smear(e, 100, 100, 160, 130); }, 1},
        {"a rubber drag over many points", [](Editor& e) { rubberDrag(e, 100, 200, 300); }, 1},
        {"the pen sketch",
         [](Editor& e) {
             e.palette().changeTab(kPageSketch);
             e.chooseTool(*toolNamed("pen-sketch"));
         },
         1},
        {"the pencil sketch",
         [](Editor& e) {
             e.palette().changeTab(kPageSketch);
             e.chooseTool(*toolNamed("pencil-sketch"));
         },
         1},
        {"the spot clean-up",
         [](Editor& e) {
             e.palette().changeTab(kPageSketch);
             e.chooseTool(*toolNamed("clean-spots"));
         },
         1},
        {"a click on the Sketch tab, which applies nothing",
         [](Editor& e) {
             e.palette().changeTab(kPageSketch);
             hold(e, 300, 230);
         },
         0},
    };
    for (const Case& c : cases) {
        Editor e;
        EXPECT_FALSE(e.hasAnimation()) << c.what;
        c.act(e);
        EXPECT_EQ(animationLength(e), 1 + c.frames) << c.what;
        EXPECT_EQ(e.hasAnimation(), c.frames > 0) << c.what;
        const std::vector<Picture> frames = e.animationFrames();
        EXPECT_EQ(frames.front(), startPicture()) << c.what << ": the first frame is the picture as opened";
        EXPECT_EQ(frames.back(), e.picture()) << c.what << ": the last frame is the picture now shown";
    }
}

TEST(EditAnimation, FramesOfABigPictureAreItsAreaAveragedReductions) {
    // Made piece by piece from what each effect changed, every frame must
    // equal the reduction of the whole picture at that moment.
    Editor e(photoLike(1900, 1300));
    e.palette().distortRad.userScroll(120);
    std::vector<Picture> expected{resampleArea(e.picture(), 640, 438)};
    const int points[][2] = {{100, 100}, {1800, 1250}, {950, 650}, {60, 1290}, {950, 660}};
    for (const auto& pt : points) {
        e.mouseDown(MouseButton::Left, kLeft, pt[0], pt[1]);
        e.repeatTick();
        expected.push_back(resampleArea(e.picture(), 640, 438));
        e.click();
        expected.push_back(resampleArea(e.picture(), 640, 438));
        e.mouseUp(MouseButton::Left, pt[0], pt[1]);
    }
    e.undo();
    e.palette().changeTab(kPageSketch);  // after an Undo the frames still follow
    e.chooseTool(*toolNamed("clean-spots"));
    expected.resize(expected.size() - 2);
    expected.push_back(resampleArea(e.picture(), 640, 438));
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], expected[i]) << "frame " << i;
}

TEST(EditAnimation, UndoAndRedoMoveTheFramesWithTheSteps) {
    Editor e;
    hold(e, 200, 200, 1);  // step 1: 2 frames
    hold(e, 400, 300);     // step 2: 1 frame
    e.palette().changeTab(kPageSketch);
    e.chooseTool(*toolNamed("pen-sketch"));  // step 3: 1 frame
    const std::vector<Picture> all = e.animationFrames();
    ASSERT_EQ(all.size(), 5u);

    e.undo();
    EXPECT_EQ(animationLength(e), 4u);
    e.undo();
    EXPECT_EQ(animationLength(e), 3u);
    EXPECT_EQ(e.animationFrames().back(), e.picture());
    e.undo();
    EXPECT_FALSE(e.hasAnimation());
    EXPECT_EQ(animationLength(e), 1u);
    e.undo();  // nothing left to undo: nothing changes
    EXPECT_EQ(animationLength(e), 1u);

    e.redo();
    e.redo();
    e.redo();
    EXPECT_EQ(e.animationFrames(), all);

    // A new step after an Undo: the undone step's frames are gone for good.
    e.undo();
    e.palette().changeTab(kPageDistort);
    hold(e, 100, 100);
    e.redo();
    const std::vector<Picture> now = e.animationFrames();
    ASSERT_EQ(now.size(), 5u);
    EXPECT_EQ(std::vector<Picture>(now.begin(), now.begin() + 4), std::vector<Picture>(all.begin(), all.begin() + 4));
    EXPECT_EQ(now.back(), e.picture());
    EXPECT_NE(now.back(), all.back());
}

TEST(EditAnimation, AnUndoDuringAHoldDropsTheFramesOfTheUnfinishedGesture) {
    Editor e;
    hold(e, 200, 200);
    e.mouseDown(MouseButton::Left, kLeft, 300, 300);
    e.repeatTick();
    e.undo();  // Ctrl+Z while the button is held
    EXPECT_FALSE(e.hasAnimation());
    e.click();
    e.mouseUp(MouseButton::Left, 300, 300);
    // The new step holds only the click made after the Undo.
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames.back(), e.picture());
}

TEST(EditAnimation, EveryResetStartsANewAnimationFromTheNewPicture) {
    struct Case {
        const char* what;
        std::function<void(Editor&)> reset;
    };
    const Case cases[] = {
        {"Open", [](Editor& e) { e.openPicture(photoLike(300, 200)); }},
        {"Renew", [](Editor& e) { e.renew(); }},
        {"Image Size", [](Editor& e) { e.resizePicture(302, 234); }},
        {"Paste", [](Editor& e) { e.paste(photoLike(120, 80)); }},
        {"Cut out",
         [](Editor& e) {
             e.toggleZoneMode();
             e.mouseDown(MouseButton::Left, kLeft, 10, 10);
             e.mouseMove(kLeft, 200, 150);
             e.mouseUp(MouseButton::Left, 200, 150);
             ASSERT_TRUE(e.cutOut());
         }},
    };
    for (const Case& c : cases) {
        Editor e;
        hold(e, 300, 230, 2);
        hold(e, 100, 100);
        ASSERT_EQ(animationLength(e), 5u);
        c.reset(e);
        EXPECT_FALSE(e.hasAnimation()) << c.what;
        ASSERT_EQ(animationLength(e), 1u) << c.what;
        EXPECT_EQ(e.animationFrames().front(), e.picture()) << c.what;
        EXPECT_EQ(e.animation().frameCount(), 0u) << c.what << ": the old frames are freed";
        // The next effect starts the new animation.
        if (e.state().selectionShown) e.toggleZoneMode();
        hold(e, 50, 50);
        EXPECT_EQ(animationLength(e), 2u) << c.what;
        EXPECT_EQ(e.animationFrames().back(), e.picture()) << c.what;
    }
}

TEST(EditAnimation, TheOldestStepOutOfReachTakesItsFramesAlong) {
    // 100 steps: the history keeps 99 of them, so the animation starts from
    // the picture after the first step and holds the frames of the other 99.
    Editor e;
    e.palette().distortRad.userScroll(10);
    std::vector<Picture> afterStep;
    for (int i = 0; i < 100; ++i) {
        hold(e, 20 + (i % 20) * 28, 20 + (i / 20) * 90);
        afterStep.push_back(e.picture());
    }
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), 100u);
    EXPECT_EQ(frames.front(), afterStep[0]);
    EXPECT_EQ(frames[1], afterStep[1]);
    EXPECT_EQ(frames.back(), afterStep[99]);
    EXPECT_EQ(e.animation().frameCount(), 99u);
}

TEST(EditAnimation, MemoryStaysBoundedOverNinetyNineStepsOfABigPicture) {
    // Large brushes on a 2400 x 1800 picture, held for three applications
    // each: some 300 frames of 640 x 480, more than the bound holds.
    Editor e(photoLike(2400, 1800));
    e.palette().distortRad.userScroll(500);
    for (int i = 0; i < 99; ++i) {
        hold(e, 300 + (i * 397) % 1800, 300 + (i * 211) % 1200, 2);
        ASSERT_LE(e.animation().memoryBytes(), EditAnimation::kMemoryBudget) << "after step " << i + 1;
    }
    EXPECT_EQ(e.history().undoDepth(), 99);
    const std::vector<Picture> frames = e.animationFrames();
    EXPECT_LT(frames.size(), 1u + 99 * 3) << "frames were dropped";
    EXPECT_GT(frames.size(), 99u) << "only some frames were dropped";
    // The newest steps lose nothing; the animation still ends at the picture.
    EXPECT_EQ(frames.back(), EditAnimation::frameOf(e.picture()));
    Editor last(e.history().slot(e.history().cursor() == 1 ? 100 : e.history().cursor() - 1));
    last.palette().distortRad.userScroll(500);
    hold(last, 300 + (98 * 397) % 1800, 300 + (98 * 211) % 1200, 2);
    const std::vector<Picture> newest = last.animationFrames();
    ASSERT_EQ(newest.size(), 4u);
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(frames[frames.size() - 4 + i], newest[i]) << i;
}

TEST(EditAnimation, ThinningDropsEveryOtherFrameOfTheOldestStepsFirst) {
    // A bound of about twelve whole frames of 64 x 64 (one tile each): the
    // steps recorded first are thinned, the newest keep every frame, and
    // every step keeps its last frame, its result.
    const size_t tile = Picture::kTileBytes;
    EditAnimation a(12 * tile);
    History h;
    Picture p(64, 64, 0);
    h.reset(p);
    a.restart(p);
    uint32_t colour = 1;
    for (int s = 0; s < 4; ++s) {
        for (int f = 0; f < 5; ++f) {
            p = Picture(64, 64, colour);
            ++colour;
            a.addFrame(p);
            a.finishFrames();
        }
        h.backup(p);
        a.stepRecorded(h);
        ASSERT_LE(a.memoryBytes(), 12 * tile);
    }
    std::vector<uint32_t> kept;
    for (const Picture& f : a.frames(h)) kept.push_back(f.pixel(0, 0));
    // 20 frames made, 12 fit. Each time the bound is passed, the oldest step
    // with more than one frame loses every other one counted back from its
    // last: the first step goes 5 -> 3 -> 2 -> 1 frames, then the second.
    ASSERT_EQ(kept.front(), 0u);  // the picture as opened
    kept.erase(kept.begin());
    const std::vector<uint32_t> expected{5, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(a.memoryBytes(), 12 * tile);
}

TEST(EditAnimation, FramesMadeWhenTheUserPausesEqualThoseMadeAtOnce) {
    // The desktop program makes the small frames later; what it gets must
    // not depend on when, even across an Undo and a new step in between.
    const auto session = [](Editor& e) {
        hold(e, 900, 500, 2);
        hold(e, 200, 900);
        e.undo();
        hold(e, 1500, 300, 1);
        for (int i = 0; i < 20; ++i) hold(e, 100 + i * 80, 700);  // a long run of clicks
    };
    Editor now(photoLike(1800, 1200));
    session(now);
    Editor later(photoLike(1800, 1200));
    int calls = 0;
    later.onFramesWaiting = [&] { ++calls; };
    session(later);
    EXPECT_GT(calls, 0);
    EXPECT_GT(later.animation().waitingFrames(), 0u);
    EXPECT_LT(later.animation().waitingFrames(), Editor::kMaxWaitingFrames) << "a long run is finished at once";
    later.finishFrames();
    EXPECT_EQ(later.animation().waitingFrames(), 0u);
    EXPECT_EQ(later.animationFrames(), now.animationFrames());
}

TEST(EditAnimation, StepsTheHistoryDropsForMemoryTakeTheirFramesAlong) {
    // A history budget of five whole 1024 x 1024 pictures; ten sketch steps.
    ::setenv("JOLLIX_HISTORY_MB", "16", 1);
    Editor e(photoLike(1024, 1024));
    ::unsetenv("JOLLIX_HISTORY_MB");
    e.palette().changeTab(kPageSketch);
    for (int i = 0; i < 10; ++i) {
        e.palette().penPressure.userScroll(20 + 15 * i);
        e.chooseTool(*toolNamed("pen-sketch"));
    }
    const int depth = e.history().undoDepth();
    ASSERT_LT(depth, 10) << "the budget dropped steps";
    EXPECT_EQ(e.animation().frameCount(), size_t(depth)) << "the dropped steps' frames are freed";
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), size_t(depth) + 1);
    // The animation starts from the oldest picture Undo still reaches.
    for (int i = 0; i < depth; ++i) e.undo();
    EXPECT_EQ(frames.front(), EditAnimation::frameOf(e.picture()));
}
