#include <gtest/gtest.h>

#include "core/history.h"

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
