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

void History::backup(const Picture& work) {
    cursor_ = cursor_ == kSlots ? 1 : cursor_ + 1;
    slots_[size_t(cursor_ - 1)] = work;
    if (undoDepth_ < kMaxDepth) ++undoDepth_;
    setUndoEnabled(true);
    setRedoEnabled(false);
    redoDepth_ = 0;
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
    slots_[0] = work;
}

void History::synchroniseControls() {
    if (undoDepth_ == 0) setUndoEnabled(false);
    if (redoDepth_ > 0) setRedoEnabled(true);
    if (redoDepth_ == 0) setRedoEnabled(false);
    if (undoDepth_ > 0) setUndoEnabled(true);
}

} // namespace jollix
