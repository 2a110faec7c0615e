#include "editor/edit_animation.h"

#include <algorithm>

#include "effects/resample.h"

namespace jollix {

namespace {

// The history slot `offset` steps after slot `slot` (before, when negative).
int slotAfter(int slot, int offset) {
    const int n = History::kSlots;
    return ((slot - 1 + offset) % n + n) % n + 1;
}

}  // namespace

std::pair<int, int> EditAnimation::frameSize(int width, int height) {
    const int longSide = std::max(width, height);
    if (longSide <= kLongSide) return {width, height};
    const auto scaled = [&](int side) {
        return int(std::max<int64_t>(1, (int64_t(side) * kLongSide + longSide / 2) / longSide));
    };
    return {scaled(width), scaled(height)};
}

Picture EditAnimation::frameOf(const Picture& picture) {
    const auto [w, h] = frameSize(picture.width(), picture.height());
    return resampleArea(picture, w, h);
}

Picture EditAnimation::nextFrame(const Picture& now) const {
    if (lastFrame_.isEmpty() || now.width() != lastPicture_.width() || now.height() != lastPicture_.height())
        return frameOf(now);
    // A picture no larger than a frame is its own frame, sharing its tiles.
    if (frameSize(now.width(), now.height()) == std::pair(now.width(), now.height())) return now;
    // Tiles the effects replaced since the last frame, as one rectangle.
    int tx0 = now.tilesX(), ty0 = now.tilesY(), tx1 = -1, ty1 = -1;
    for (int ty = 0; ty < now.tilesY(); ++ty)
        for (int tx = 0; tx < now.tilesX(); ++tx)
            if (now.tile(tx, ty) != lastPicture_.tile(tx, ty)) {
                tx0 = std::min(tx0, tx);
                tx1 = std::max(tx1, tx);
                ty0 = std::min(ty0, ty);
                ty1 = std::max(ty1, ty);
            }
    if (tx1 < 0) return lastFrame_;
    Picture frame = lastFrame_;
    resampleAreaRegion(now, frame, tx0 * Picture::kTile, ty0 * Picture::kTile, (tx1 + 1) * Picture::kTile,
                       (ty1 + 1) * Picture::kTile);
    return frame;
}

void EditAnimation::track(const Picture& frame) {
    for (int ty = 0; ty < frame.tilesY(); ++ty)
        for (int tx = 0; tx < frame.tilesX(); ++tx) ++tileUse_[frame.tile(tx, ty)];
}

void EditAnimation::untrack(const Picture& frame) {
    for (int ty = 0; ty < frame.tilesY(); ++ty)
        for (int tx = 0; tx < frame.tilesX(); ++tx) {
            const auto it = tileUse_.find(frame.tile(tx, ty));
            if (it != tileUse_.end() && --it->second == 0) tileUse_.erase(it);
        }
}

void EditAnimation::drop(Frames& frames) {
    for (const Frame& f : frames) {
        if (f.finished)
            untrack(f.picture);
        else
            --waiting_;
    }
    frames.clear();
}

size_t EditAnimation::frameCount() const {
    size_t n = pending_.size();
    for (const Step& s : steps_) n += s.frames.size();
    return n;
}

void EditAnimation::restart(const Picture& start) {
    for (Step& s : steps_) {
        drop(s.frames);
        s.order = 0;
    }
    drop(pending_);
    lastPicture_ = start;
    lastFrame_ = Picture();
}

void EditAnimation::addFrame(const Picture& now) {
    pending_.push_back(Frame{now, false});
    ++waiting_;
}

std::vector<EditAnimation::Frames*> EditAnimation::groupsByAge() {
    std::vector<Step*> recorded;
    for (Step& s : steps_)
        if (!s.frames.empty()) recorded.push_back(&s);
    std::sort(recorded.begin(), recorded.end(), [](const Step* a, const Step* b) { return a->order < b->order; });
    std::vector<Frames*> groups;
    for (Step* s : recorded) groups.push_back(&s->frames);
    if (!pending_.empty()) groups.push_back(&pending_);
    return groups;
}

void EditAnimation::finishFrames() {
    if (waiting_ == 0) return;
    // In the order the effects made them, each from the one before.
    for (Frames* g : groupsByAge())
        for (Frame& f : *g) {
            if (f.finished) continue;
            Picture small = nextFrame(f.picture);
            lastPicture_ = std::move(f.picture);
            lastFrame_ = small;
            f.picture = std::move(small);
            f.finished = true;
            --waiting_;
            track(f.picture);
        }
    keepWithinBudget();
}

void EditAnimation::stepRecorded(const History& history) {
    Step& step = steps_[size_t(history.cursor() - 1)];
    drop(step.frames);
    step.frames = std::move(pending_);
    step.order = nextOrder_++;
    pending_.clear();
    forgetUnreachable(history);
}

void EditAnimation::pictureRestored(const History& history) {
    drop(pending_);
    forgetUnreachable(history);
}

void EditAnimation::forgetUnreachable(const History& history) {
    std::array<bool, History::kSlots> reachable{};
    const int steps = history.undoDepth() + history.redoDepth();
    for (int i = 1; i <= steps; ++i) reachable[size_t(slotAfter(history.cursor(), i - history.undoDepth()) - 1)] = true;
    for (size_t i = 0; i < steps_.size(); ++i)
        if (!reachable[i]) drop(steps_[i].frames);
}

bool EditAnimation::hasFrames(const History& history) const {
    for (int i = history.undoDepth() - 1; i >= 0; --i)
        if (!steps_[size_t(slotAfter(history.cursor(), -i) - 1)].frames.empty()) return true;
    return false;
}

std::vector<Picture> EditAnimation::frames(const History& history) {
    finishFrames();
    std::vector<Picture> out;
    const int depth = history.undoDepth();
    out.push_back(frameOf(history.slot(slotAfter(history.cursor(), -depth))));
    for (int i = depth - 1; i >= 0; --i)
        for (const Frame& f : steps_[size_t(slotAfter(history.cursor(), -i) - 1)].frames) out.push_back(f.picture);
    return out;
}

void EditAnimation::halve(Frames& frames) {
    Frames kept;
    const size_t n = frames.size();
    for (size_t i = 0; i < n; ++i) {
        if ((n - 1 - i) % 2 == 0)
            kept.push_back(std::move(frames[i]));
        else
            untrack(frames[i].picture);
    }
    frames = std::move(kept);
}

void EditAnimation::keepWithinBudget() {
    while (memoryBytes() > budget_ && thinOnce()) {}
}

bool EditAnimation::thinOnce() {
    const std::vector<Frames*> groups = groupsByAge();
    bool dropped = false;
    for (Frames* g : groups) {
        if (g->size() < 2) continue;
        halve(*g);
        dropped = true;
        if (memoryBytes() <= budget_) return true;
    }
    if (dropped) return true;
    // One frame a step left: every other step loses its frame, oldest
    // first, the newest keeping its own.
    for (size_t i = 0; i + 1 < groups.size(); i += 2) {
        drop(*groups[i]);
        dropped = true;
        if (memoryBytes() <= budget_) return true;
    }
    return dropped;
}

}  // namespace jollix
