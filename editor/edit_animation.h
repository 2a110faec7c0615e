#pragma once
// The edit as an animation: a small frame of the picture after every applied
// effect (each click, each repeat tick of a held button, each smear, each
// rubber gesture, each sketch and clean-up), kept with the history step that
// records it. Undo and Redo therefore move the frames with the steps, and the
// animation always runs from the oldest step still in reach to the picture
// now shown. A history reset starts a new animation.
//
// Frames are the picture made at most kLongSide pixels on its long side by
// the area-averaging resampler. An effect only queues its picture (a copy
// that shares every tile, so it costs nothing); the small frames are made by
// finishFrames(), which the desktop program runs once the user pauses, so
// that no brush application waits for them. Making one costs what the
// effects changed: the tiles they replaced are found by comparing tile
// identities with the previous picture, and only the part of the frame they
// cover is computed again. Frames share their unchanged tiles with each other; the memory of
// their distinct tiles is bounded, and past the bound every other frame of
// the oldest steps is dropped first (the last frame of every step, its
// result, is kept longest).
#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/history.h"
#include "core/picture.h"

namespace jollix {

class EditAnimation {
public:
    static constexpr int kLongSide = 640;
    static constexpr size_t kMemoryBudget = size_t(64) << 20;

    explicit EditAnimation(size_t memoryBudget = kMemoryBudget) : budget_(memoryBudget) {}

    // The frame size of a picture of width x height: the same size when its
    // long side is at most kLongSide, else scaled so that it is kLongSide
    // (the short side rounded, at least 1).
    static std::pair<int, int> frameSize(int width, int height);
    // The frame of a whole picture.
    static Picture frameOf(const Picture& picture);

    // The history was reset with `start` as its only state: all frames go.
    void restart(const Picture& start);
    // An effect was applied and the picture is now `now`: a frame for the
    // step being made, queued until finishFrames().
    void addFrame(const Picture& now);
    // Makes the small frames of every queued picture, then keeps the memory
    // within the bound.
    void finishFrames();
    size_t waitingFrames() const { return waiting_; }
    // The step being made was recorded (the history's cursor is its slot).
    void stepRecorded(const History& history);
    // Undo or Redo replaced the picture: frames of a step still being made
    // are dropped with it, and steps out of reach lose theirs.
    void pictureRestored(const History& history);
    // Steps that dropped out of the history's reach lose their frames.
    void forgetUnreachable(const History& history);

    // Whether the animation of the history as it stands has any frame.
    bool hasFrames(const History& history) const;
    // The animation: the oldest state in reach, then the frames of every
    // step from there to the state now shown, in order. Finishes the queued
    // frames first.
    std::vector<Picture> frames(const History& history);

    // Memory of the distinct tiles of all finished frames, and how many
    // frames are kept.
    size_t memoryBytes() const { return tileUse_.size() * Picture::kTileBytes; }
    size_t frameCount() const;

private:
    struct Frame {
        Picture picture;  // the small frame, or the whole picture while queued
        bool finished = false;
    };
    using Frames = std::vector<Frame>;
    struct Step {
        Frames frames;
        uint64_t order = 0;  // when it was recorded
    };
    Picture nextFrame(const Picture& now) const;
    void track(const Picture& frame);
    void untrack(const Picture& frame);
    void drop(Frames& frames);
    // The frame groups oldest first: the recorded steps, then the one being made.
    std::vector<Frames*> groupsByAge();
    void keepWithinBudget();
    bool thinOnce();
    // Drops every other frame of `frames`, counted back from the last.
    void halve(Frames& frames);

    size_t budget_;
    std::array<Step, History::kSlots> steps_;  // by history slot
    Frames pending_;                           // the step being made
    size_t waiting_ = 0;                       // queued, not yet made small
    uint64_t nextOrder_ = 1;
    Picture lastPicture_;  // the picture lastFrame_ shows
    Picture lastFrame_;    // empty until the first frame after a reset
    std::unordered_map<const uint8_t*, int> tileUse_;
};

}  // namespace jollix
