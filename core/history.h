#pragma once
// The edit history: a ring of 100 picture snapshots with a cursor, how far
// Undo can go back and how far Redo can go forward, and the enabled state of
// the Undo and Redo controls, which the main window mirrors.
#include <array>
#include <functional>
#include <vector>

#include "core/picture.h"

namespace jollix {

class History {
public:
    static constexpr int kSlots = 100;
    static constexpr int kMaxDepth = 99;

    History() = default;

    // Record `work` as a new step.
    void backup(const Picture& work);
    // Step back / forward; `work` receives the snapshot. Guarded: with
    // nothing to undo (redo) only the enabled states are set.
    void undo(Picture& work);
    void redo(Picture& work);
    // Steps 2 to 4 of the reset: controls disabled, `work` the only snapshot.
    void reset(const Picture& work);
    // Set the controls' enabled states from the depths (palette tab change).
    void synchroniseControls();

    int cursor() const { return cursor_; }
    int undoDepth() const { return undoDepth_; }
    int redoDepth() const { return redoDepth_; }
    bool undoEnabled() const { return undoEnabled_; }
    bool redoEnabled() const { return redoEnabled_; }
    const Picture& slot(int i) const { return slots_[size_t(i - 1)]; }  // 1 .. 100

    // Called whenever an enabled state changes.
    std::function<void()> onControlsChanged;

    // The memory budget in bytes (0: none, the start value).
    void setMemoryBudget(size_t bytes);
    size_t memoryBudget() const { return budget_; }
    // Bytes the reachable snapshots hold together.
    size_t memoryUsed() const;
    // Called after a backup dropped steps out of reach to stay within the
    // budget, with their slots (1 .. 100), oldest first; those slots are
    // empty now. Whatever is kept alongside a step belongs dropped with it.
    std::function<void(const std::vector<int>& slots)> onStepsDroppedForMemory;
    // Steps dropped for memory since the last reset.
    int stepsDroppedForMemory() const { return droppedForMemory_; }

private:
    void setUndoEnabled(bool on);
    void setRedoEnabled(bool on);
    static int wrap(int slot) { return (slot + kSlots - 1) % kSlots + 1; }
    // What a snapshot adds to the memory: its tiles not shared with the
    // snapshot before it, or all of them for the oldest one reachable.
    size_t ownBytes(int slot, bool oldest) const;
    void keepWithinBudget();
    std::array<Picture, kSlots> slots_;
    std::array<size_t, kSlots> cost_{};  // ownBytes of each reachable slot
    size_t budget_ = 0;
    int droppedForMemory_ = 0;
    int cursor_ = 1;
    int undoDepth_ = 0;
    int redoDepth_ = 0;
    bool undoEnabled_ = false;
    bool redoEnabled_ = false;
};

}  // namespace jollix
