// A click on a zoomed-out view: the brush is finished in the background, and
// whatever reads the picture afterwards finds exactly the brush's effect.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../address_space.h"
#include "editor/editor.h"
#include "effects/brushes/spherical.h"
#include "effects/brushes/twist.h"
#include "tests/photo_like.h"

using namespace jollix;

namespace {

constexpr HeldButtons kLeft{true, false};
const Picture& photo() {
    static const Picture p = testing_photo::photoLike(1600, 1200);
    return p;
}

// At 25 %: Rad. 50 and Cur. 15 are R 200 and H 60 in the picture; the view
// point (200, 150) is the picture point (800, 600).
Picture expandedOnce() {
    static const Picture p = sphericalExpand(photo(), 800, 600, 200, 60);
    return p;
}

void pressAndClick(Editor& e) {
    e.mouseDown(MouseButton::Left, kLeft, 200, 150);
    e.click();
}

// A view that shows a preview and leaves the start of the brush's work to
// whoever starts it (itself, once the preview is painted, or a reader).
struct PreviewingView : WorkAreaView {
    int previews = 0;
    bool brushStarted() override { return ++previews, true; }
};

}  // namespace

TEST(BackgroundBrush, EveryReaderFindsTheFullResolutionResult) {
    const struct {
        const char* event;
        std::function<void(Editor&)> run;
        bool readsPicture;  // the event itself takes in the brush's picture
        int undoDepth;
        std::function<Picture()> expected;
    } cases[] = {
        {"release", [](Editor& e) { e.mouseUp(MouseButton::Left, 200, 150); }, false, 1, expandedOnce},
        {"next press", [](Editor& e) { e.mouseDown(MouseButton::Left, kLeft, 10, 10); }, true, 0, expandedOnce},
        {"zoom change", [](Editor& e) { ASSERT_TRUE(e.setZoomPercent(50)); }, true, 0, expandedOnce},
        {"save", [](Editor& e) { e.markSaved(); }, true, 0, expandedOnce},
        {"undo after the release",
         [](Editor& e) {
             e.mouseUp(MouseButton::Left, 200, 150);
             e.undo();
         },
         true, 0, [] { return photo(); }},
        {"a second held",
         [](Editor& e) {
             e.repeatTick();
             e.mouseUp(MouseButton::Left, 200, 150);
         },
         false, 1, [] { return sphericalExpand(expandedOnce(), 800, 600, 200, 60); }},
    };
    // Without a view the work starts at once; a view that previews leaves
    // it to be started, here by the reader.
    for (const bool previewing : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.event) + (previewing ? ", previewing view" : ", no view"));
            Editor e(photo());
            PreviewingView view;
            if (previewing) e.setView(&view);
            ASSERT_TRUE(e.setZoomPercent(25));
            pressAndClick(e);
            EXPECT_TRUE(e.brushPending());
            c.run(e);
            if (c.readsPicture) {
                EXPECT_FALSE(e.brushPending());
            }
            EXPECT_EQ(e.picture(), c.expected());
            EXPECT_FALSE(e.brushPending());
            EXPECT_EQ(e.history().undoDepth(), c.undoDepth);
            e.setView(nullptr);
        }
}

TEST(BackgroundBrush, ThePreviewHasTheEffectsColoursAtTheViewsPixels) {
    Editor e(photo());
    ASSERT_TRUE(e.setZoomPercent(25));
    e.palette().changeTab(kPageTwist);  // dextrorotary, Rad. 100 and Cur. 10: R 400, S 40
    pressAndClick(e);
    ASSERT_TRUE(e.brushPending());
    const BrushMapping::Box box = e.pendingBounds();
    EXPECT_GE(box.left, 400);  // the disc of radius 400 around (800, 600)
    EXPECT_LE(box.right, 1200);
    EXPECT_LT(box.left, box.right);
    // Every fourth pixel, as the view at 25 % reads them.
    std::vector<int> xs, ys;
    for (int v = 0; v < 1600; v += 4) xs.push_back(v);
    for (int v = 0; v < 1200; v += 4) ys.push_back(v);
    std::vector<uint32_t> shown(xs.size() * ys.size());
    e.pendingColours(xs.data(), int(xs.size()), ys.data(), int(ys.size()), shown.data());
    const Picture full = twistClockwise(photo(), 800, 600, 400, 40);
    for (size_t j = 0; j < ys.size(); ++j)
        for (size_t i = 0; i < xs.size(); ++i)
            ASSERT_EQ(shown[j * xs.size() + i], full.pixel(xs[i], ys[j])) << xs[i] << "," << ys[j];
    e.mouseUp(MouseButton::Left, 200, 150);
    EXPECT_EQ(e.picture(), full);
    EXPECT_EQ(e.animationFrames().size(), 2u);
}

// A view that shows a preview starts the brush's work once the preview is
// painted; until then the work waits. Whatever reads the picture starts it
// too, and finds exactly the full-resolution result.
TEST(BackgroundBrush, AViewThatPreviewsStartsTheWorkOnceThePreviewIsShown) {
    const struct {
        const char* by;
        bool viewStarts;
    } cases[] = {{"the view", true}, {"reading the picture", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.by);
        Editor e(photo());
        PreviewingView view;
        e.setView(&view);
        ASSERT_TRUE(e.setZoomPercent(25));
        pressAndClick(e);
        ASSERT_TRUE(e.brushPending());
        EXPECT_EQ(view.previews, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(e.brushFinished());
        if (c.viewStarts) {
            e.startPendingBrush();
            e.startPendingBrush();  // once is enough; a second call changes nothing
            while (!e.brushFinished()) std::this_thread::yield();
            EXPECT_TRUE(e.brushPending());
        }
        e.mouseUp(MouseButton::Left, 200, 150);
        EXPECT_EQ(e.picture(), expandedOnce());
        EXPECT_FALSE(e.brushPending());
        EXPECT_EQ(e.history().undoDepth(), 1);
        EXPECT_EQ(view.previews, 1);
        e.setView(nullptr);
    }
}

// The window's progress sink hears of a brush finished in the background,
// on the thread that asks, and is left empty at the end.
TEST(BackgroundBrush, ItsProgressReachesTheSinkWhileItRuns) {
    struct Sink : Progress {
        std::thread::id owner = std::this_thread::get_id();
        int steps = 0, position = 0;
        bool offOwner = false;
        void note() { offOwner |= std::this_thread::get_id() != owner; }
        void start(long long) override { note(), position = 0; }
        void step() override { note(), ++steps, ++position; }
        void finish() override { note(), position = 0; }
        void reset() override { note(), position = 0; }
    } sink;
    Editor e(photo());
    e.setProgress(&sink);
    ASSERT_TRUE(e.setZoomPercent(25));
    pressAndClick(e);
    ASSERT_TRUE(e.brushPending());
    while (!e.brushFinished()) e.showBackgroundProgress();
    EXPECT_EQ(e.picture(), expandedOnce());
    EXPECT_GT(sink.steps, 0);
    EXPECT_EQ(sink.position, 0);
    EXPECT_FALSE(sink.offOwner);
}

namespace {

// Exit codes of the child: 0 the failure was reported once and left the
// picture and the history as a failed click leaves them.
enum { kAsBefore = 0, kNotSetUp = 2, kFailures = 3, kPictureChanged = 4, kWrongHistory = 5 };

int runOutOfMemoryInTheBackground(bool previewing, bool releaseFirst) {
    Picture before(8000, 5000);
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) before.setPixel(x, y, uint32_t(x * 7 + y * 5) & 0xFFFFFFu);
    Editor e(before);
    PreviewingView view;
    if (previewing) e.setView(&view);
    // At 10 % Rad. 400 is 4000 picture pixels: the brush's result needs
    // most of the picture's 120 MB anew.
    e.palette().distortRad.userScroll(400);
    if (!e.setZoomPercent(10)) return kNotSetUp;
    const rlimit cap{jollix_test::addressSpaceBytes() + (48u << 20), RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &cap) != 0) return kNotSetUp;
    int failures = 0;
    const auto event = [&](const std::function<void()>& run) {
        try {
            run();
        } catch (const std::bad_alloc&) {
            ++failures;
        }
    };
    event([&] { pressAndClick(e); });
    if (!e.brushPending() || failures != 0) return kNotSetUp;
    if (releaseFirst) {
        // The step waits for the brush; the failure shows at the next event.
        event([&] { e.mouseUp(MouseButton::Left, 200, 150); });
        event([&] { e.settle(); });
    } else {
        e.startPendingBrush();
        while (!e.brushFinished()) std::this_thread::yield();
        event([&] { e.settle(); });
        event([&] { e.mouseUp(MouseButton::Left, 200, 150); });
    }
    event([&] { e.settle(); });
    if (failures != 1) return kFailures;
    if (e.brushPending() || e.picture() != before) return kPictureChanged;
    // The release records its step, as after a click that failed at once,
    // and undoing it finds the picture before the click.
    if (e.history().undoDepth() != 1) return kWrongHistory;
    event([&] { e.undo(); });
    if (failures != 1 || e.picture() != before || e.history().undoDepth() != 0) return kWrongHistory;
    return kAsBefore;
}

}  // namespace

// A brush that runs out of memory in the background, whether the button is
// released before or after that is known: the failure arrives once, at the
// next event, and the picture and its history are as if the click had
// failed at once. Each case runs in a child process whose address space is
// capped just above what it already uses.
TEST(BackgroundBrushDeathTest, AFailureLeavesThePictureAndItsHistoryAsAFailedClick) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool previewing : {false, true})
        for (const bool releaseFirst : {false, true}) {
            SCOPED_TRACE(std::string(previewing ? "previewing view" : "no view") +
                         (releaseFirst ? ", released first" : ", released after"));
            EXPECT_EXIT(std::_Exit(runOutOfMemoryInTheBackground(previewing, releaseFirst)),
                        ::testing::ExitedWithCode(kAsBefore), "");
        }
}
