#include <gtest/gtest.h>

#include "core/history.h"

#include <vector>

using jollix::History;
using jollix::Picture;

namespace {
// A picture that tells which change made it.
Picture state(int n) { return Picture(4, 3, uint32_t(n)); }
int which(const Picture& p) { return int(p.pixel(0, 0)); }
}  // namespace

TEST(History, ControlsFollowTheTable) {
    History h;
    Picture work = state(0);
    h.reset(work);
    EXPECT_FALSE(h.undoEnabled());
    EXPECT_FALSE(h.redoEnabled());

    // Nothing to undo or redo: only the enabled states are touched.
    h.undo(work);
    h.redo(work);
    EXPECT_EQ(which(work), 0);
    EXPECT_FALSE(h.undoEnabled());

    work = state(1);
    h.backup(work);
    EXPECT_TRUE(h.undoEnabled());
    EXPECT_FALSE(h.redoEnabled());

    h.undo(work);
    EXPECT_EQ(which(work), 0);
    EXPECT_FALSE(h.undoEnabled());
    EXPECT_TRUE(h.redoEnabled());

    h.redo(work);
    EXPECT_EQ(which(work), 1);
    EXPECT_TRUE(h.undoEnabled());
    EXPECT_FALSE(h.redoEnabled());
}

TEST(History, NewChangeAfterUndoDropsTheRedoRange) {
    History h;
    Picture work = state(0);
    h.reset(work);
    for (int i = 1; i <= 2; ++i) h.backup(work = state(i));
    h.undo(work);
    h.undo(work);
    EXPECT_EQ(which(work), 0);
    h.backup(work = state(3));
    EXPECT_EQ(h.redoDepth(), 0);
    EXPECT_FALSE(h.redoEnabled());
    h.undo(work);
    EXPECT_EQ(which(work), 0);
    h.redo(work);
    EXPECT_EQ(which(work), 3);
}

TEST(History, HundredChangesKeepNinetyNineStepsAndTheCursorWraps) {
    History h;
    Picture work = state(0);
    h.reset(work);
    for (int i = 1; i <= 100; ++i) h.backup(work = state(i));
    EXPECT_EQ(h.undoDepth(), 99);
    EXPECT_EQ(h.cursor(), 1);  // slot 100 was followed by slot 1
    for (int i = 0; i < 99; ++i) h.undo(work);
    EXPECT_EQ(which(work), 1);  // the state after the first change
    EXPECT_EQ(h.cursor(), 2);
    h.undo(work);
    EXPECT_EQ(which(work), 1);  // the 100th undo does nothing
    EXPECT_FALSE(h.undoEnabled());
    for (int i = 0; i < 99; ++i) h.redo(work);
    EXPECT_EQ(which(work), 100);
    EXPECT_EQ(h.undoDepth() + h.redoDepth(), 99);
}

TEST(History, UndoFromSlotOneReadsSlotHundred) {
    History h;
    Picture work = state(0);
    h.reset(work);
    for (int i = 1; i <= 99; ++i) h.backup(work = state(i));
    EXPECT_EQ(h.cursor(), 100);
    h.backup(work = state(100));
    EXPECT_EQ(h.cursor(), 1);
    h.undo(work);
    EXPECT_EQ(h.cursor(), 100);
    EXPECT_EQ(which(work), 99);
}

TEST(History, SynchroniseSetsBothFromTheDepths) {
    History h;
    Picture work = state(0);
    h.reset(work);
    h.backup(work = state(1));
    h.backup(work = state(2));
    h.undo(work);
    h.synchroniseControls();
    EXPECT_TRUE(h.undoEnabled());
    EXPECT_TRUE(h.redoEnabled());
}

TEST(History, SnapshotsShareUnchangedTiles) {
    History h;
    Picture work(1000, 1000, 0x123456);
    for (int ty = 0; ty < work.tilesY(); ++ty)
        for (int tx = 0; tx < work.tilesX(); ++tx) work.mutableTile(tx, ty);
    h.reset(work);
    work.setPixel(10, 10, 0);
    h.backup(work);
    EXPECT_EQ(h.slot(1).sharedTileCount(h.slot(2)), work.tileCount() - 1);
}

namespace {

// A picture of side x side whose every tile is its own (one pixel written
// in each), filled with the colour n: one whole-picture step.
Picture wholeStep(int side, int n) {
    Picture p(side, side, uint32_t(n));
    for (int y = 0; y < side; y += Picture::kTile)
        for (int x = 0; x < side; x += Picture::kTile) p.setPixel(x, y, uint32_t(n));
    return p;
}

size_t pictureBytes(int side) {
    const size_t tiles = size_t((side + Picture::kTile - 1) / Picture::kTile);
    return tiles * tiles * Picture::kTileBytes;
}

}  // namespace

TEST(HistoryBudget, OldestStepsDropFirstAndTheNewestStay) {
    struct Case {
        const char* what;
        size_t budgetPictures;  // the budget in whole pictures (0: a single byte)
        int steps;
        int expectedDepth;  // Undo steps left at the end
    };
    const Case cases[] = {
        {"room for four pictures", 4, 20, 3},
        {"room for ten pictures", 10, 6, 6},
        {"room for nothing: the current picture and one step stay", 0, 12, 1},
    };
    const int side = 256;
    for (const Case& c : cases) {
        History h;
        h.setMemoryBudget(c.budgetPictures ? c.budgetPictures * pictureBytes(side) : 1);
        std::vector<int> dropped;
        h.onStepsDroppedForMemory = [&](const std::vector<int>& slots) {
            dropped.insert(dropped.end(), slots.begin(), slots.end());
        };
        Picture work = wholeStep(side, 0);
        h.reset(work);
        for (int n = 1; n <= c.steps; ++n) {
            work = wholeStep(side, n);
            h.backup(work);
            if (c.budgetPictures) {
                EXPECT_LE(h.memoryUsed(), h.memoryBudget()) << c.what << " step " << n;
            }
        }
        EXPECT_EQ(h.undoDepth(), c.expectedDepth) << c.what;
        EXPECT_EQ(h.stepsDroppedForMemory(), c.steps - c.expectedDepth) << c.what;
        // The dropped slots, oldest first: 1 (the opened picture), 2, ...
        ASSERT_EQ(dropped.size(), size_t(c.steps - c.expectedDepth)) << c.what;
        for (size_t i = 0; i < dropped.size(); ++i) EXPECT_EQ(dropped[i], int(i) + 1) << c.what;
        // Undo walks back through what is kept, then stops.
        for (int n = c.steps - 1; n >= c.steps - c.expectedDepth; --n) {
            h.undo(work);
            EXPECT_EQ(work.pixel(1, 1), uint32_t(n)) << c.what;
        }
        h.undo(work);
        EXPECT_EQ(work.pixel(1, 1), uint32_t(c.steps - c.expectedDepth)) << c.what;
        EXPECT_FALSE(h.undoEnabled()) << c.what;
        // A reset forgets the count.
        h.reset(work);
        EXPECT_EQ(h.stepsDroppedForMemory(), 0);
    }
}

TEST(HistoryBudget, SharedTilesAreCountedOnce) {
    // Brush-sized changes: each step owns one new tile, so a picture of 64
    // tiles and 98 steps fit a budget of three pictures (192 tiles).
    const int side = 512;
    History h;
    h.setMemoryBudget(3 * pictureBytes(side));
    Picture work = wholeStep(side, 0);
    h.reset(work);
    for (int n = 1; n <= 98; ++n) {
        work.setPixel((n * 64) % side, (n / 8) * 64 % side, 0xFFFFFF);
        h.backup(work);
    }
    EXPECT_EQ(h.undoDepth(), 98);
    EXPECT_EQ(h.stepsDroppedForMemory(), 0);
    EXPECT_LE(h.memoryUsed(), pictureBytes(side) + 98 * Picture::kTileBytes);
    // Undone steps that a new change makes unreachable are let go.
    for (int i = 0; i < 10; ++i) h.undo(work);
    const size_t before = h.memoryUsed();
    work.setPixel(5, 5, 0x123456);
    h.backup(work);
    EXPECT_LT(h.memoryUsed(), before);
}
