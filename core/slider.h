#pragma once
// A slider's range and position with the palette's rules: a maximum below
// the current minimum (or a minimum above the current maximum) is ignored;
// positions are clamped into the range; the change handler runs whenever the
// position changes, and on every scroll notification from the user.
#include <functional>

namespace jollix {

class Slider {
public:
    Slider(int minimum, int maximum, int position) : min_(minimum), max_(maximum), pos_(position) {}

    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int position() const { return pos_; }

    void setMaximum(int m) {
        if (m < min_) return;
        max_ = m;
        clampPosition();
    }
    void setMinimum(int m) {
        if (m > max_) return;
        min_ = m;
        clampPosition();
    }
    void setPosition(int p) {
        if (p < min_) p = min_;
        if (p > max_) p = max_;
        if (p == pos_) return;
        pos_ = p;
        changed();
    }
    // The user dragged or keyed the slider to p: the handler runs even when
    // the position stays the same.
    void userScroll(int p) {
        const int before = pos_;
        setPosition(p);
        if (pos_ == before) changed();
    }

    std::function<void(int)> onChange;

private:
    void clampPosition() {
        int p = pos_;
        if (p < min_) p = min_;
        if (p > max_) p = max_;
        if (p != pos_) {
            pos_ = p;
            changed();
        }
    }
    void changed() {
        if (onChange) onChange(pos_);
    }
    int min_, max_, pos_;
};

}  // namespace jollix
