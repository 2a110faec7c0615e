#include "core/history.h"

namespace jollix {

void History::setUndoEnabled(bool on) {
    if (undoEnabled_ == on) return;
    undoEnabled_ = on;
    if (onControlsChanged) onControlsChanged();
}

void History::setRedoEnabled(bool on) {
    if (redoEnabled_ == on) return;
    redoEnabled_ = on;
    if (onControlsChanged) onControlsChanged();
}

size_t History::ownBytes(int slot, bool oldest) const {
    const Picture& p = slots_[size_t(slot - 1)];
    const size_t shared = oldest ? 0 : p.sharedTileCount(slots_[size_t(wrap(slot - 1) - 1)]);
    return (p.tileCount() - shared) * Picture::kTileBytes;
}

size_t History::memoryUsed() const {
    size_t used = 0;
    for (int k = -undoDepth_; k <= redoDepth_; ++k) used += cost_[size_t(wrap(cursor_ + k) - 1)];
    return used;
}

void History::setMemoryBudget(size_t bytes) {
    budget_ = bytes;
    keepWithinBudget();
}

void History::keepWithinBudget() {
    if (budget_ == 0) return;
    std::vector<int> dropped;
    size_t used = memoryUsed();
    // The redo range is empty after a backup; while it is not, only the
    // oldest undo steps may go.
    while (used > budget_ && undoDepth_ > 1) {
        const int oldest = wrap(cursor_ - undoDepth_), next = wrap(oldest + 1);
        // The next step becomes the oldest and holds all its tiles itself.
        used -= cost_[size_t(oldest - 1)] + cost_[size_t(next - 1)];
        cost_[size_t(next - 1)] = ownBytes(next, true);
        used += cost_[size_t(next - 1)];
        slots_[size_t(oldest - 1)] = Picture();
        cost_[size_t(oldest - 1)] = 0;
        --undoDepth_;
        dropped.push_back(oldest);
    }
    if (dropped.empty()) return;
    droppedForMemory_ += int(dropped.size());
    if (onStepsDroppedForMemory) onStepsDroppedForMemory(dropped);
}

void History::backup(const Picture& work) {
    // States that had been undone can no longer be reached: freed now.
    for (int k = 1; k <= redoDepth_; ++k) {
        slots_[size_t(wrap(cursor_ + k) - 1)] = Picture();
        cost_[size_t(wrap(cursor_ + k) - 1)] = 0;
    }
    cursor_ = cursor_ == kSlots ? 1 : cursor_ + 1;
    slots_[size_t(cursor_ - 1)] = work;
    if (undoDepth_ < kMaxDepth) {
        ++undoDepth_;
    } else {
        // The oldest state dropped out of reach; the next is now the oldest.
        const int oldest = wrap(cursor_ - undoDepth_);
        cost_[size_t(oldest - 1)] = ownBytes(oldest, true);
    }
    cost_[size_t(cursor_ - 1)] = ownBytes(cursor_, false);
    setUndoEnabled(true);
    setRedoEnabled(false);
    redoDepth_ = 0;
    keepWithinBudget();
}

void History::undo(Picture& work) {
    if (undoDepth_ > 0) {
        cursor_ = cursor_ == 1 ? kSlots : cursor_ - 1;
        work = slots_[size_t(cursor_ - 1)];
        --undoDepth_;
        ++redoDepth_;
    }
    if (undoDepth_ == 0) setUndoEnabled(false);
    if (redoDepth_ > 0) setRedoEnabled(true);
}

void History::redo(Picture& work) {
    if (redoDepth_ > 0) {
        cursor_ = cursor_ == kSlots ? 1 : cursor_ + 1;
        work = slots_[size_t(cursor_ - 1)];
        ++undoDepth_;
        --redoDepth_;
    }
    if (redoDepth_ == 0) setRedoEnabled(false);
    if (undoDepth_ > 0) setUndoEnabled(true);
}

void History::reset(const Picture& work) {
    setUndoEnabled(false);
    setRedoEnabled(false);
    cursor_ = 1;
    undoDepth_ = 0;
    redoDepth_ = 0;
    // Older snapshots are dropped so that their tiles are freed.
    for (auto& s : slots_) s = Picture();
    cost_.fill(0);
    slots_[0] = work;
    cost_[0] = ownBytes(1, true);
    droppedForMemory_ = 0;
}

void History::synchroniseControls() {
    if (undoDepth_ == 0) setUndoEnabled(false);
    if (redoDepth_ > 0) setRedoEnabled(true);
    if (redoDepth_ == 0) setRedoEnabled(false);
    if (undoDepth_ > 0) setUndoEnabled(true);
}

}  // namespace jollix
