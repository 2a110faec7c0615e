#pragma once
// The edit history: a ring of 100 picture snapshots with a cursor, how far
// Undo can go back and how far Redo can go forward, and the enabled state of
// the Undo and Redo controls, which the main window mirrors.
#include <array>
#include <functional>

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

private:
    void setUndoEnabled(bool on);
    void setRedoEnabled(bool on);
    std::array<Picture, kSlots> slots_;
    int cursor_ = 1;
    int undoDepth_ = 0;
    int redoDepth_ = 0;
    bool undoEnabled_ = false;
    bool redoEnabled_ = false;
};

} // namespace jollix
