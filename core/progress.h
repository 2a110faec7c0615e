#pragma once
// How long effects report how far they are. The palette's progress bar
// implements it; effects call step() as they go and finish() or reset() at
// their end. An engine that knows how many steps its work takes says so
// first with start(total): the sink may then show the steps as a share of
// the whole. A null sink is allowed everywhere.
#include <mutex>
#include <cstdio>
#include <chrono>

namespace jollix {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void start(long long /*total*/) {}  // position to 0; `total` steps follow
    virtual void step() {}                      // position + 1
    virtual void finish() {}                    // position to its maximum, then to 0
    virtual void reset() {}                     // position to 0
};

inline void progressStart(Progress* p, long long total) {
    if (p) p->start(total);
}
inline void progressStep(Progress* p) {
    if (p) p->step();
}
inline void progressFinish(Progress* p) {
    if (p) p->finish();
}
inline void progressReset(Progress* p) {
    if (p) p->reset();
}

// Progress of work running on another thread (a brush finished in the
// background), kept until the thread that owns the real sink passes it on.
// The working thread reports into it; the owner calls passOn(sink) now and
// then, which tells the sink what happened since the last call: the steps
// of the work the sink was following, and, when that work ended or started
// over since, the new start and its steps. Work started and ended between
// two calls is not passed on.
class ProgressRelay : public Progress {
public:
    void start(long long total) override { restart(total); }
    void step() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++position_;
    }
    void finish() override { restart(0); }
    void reset() override { restart(0); }

    void passOn(Progress* sink) {
        std::unique_lock<std::mutex> lock(mutex_);
        const long long restarts = restarts_, total = total_, position = position_, ended = endedAt_;
        const bool restarted = restarts != passedRestarts_;
        passedRestarts_ = restarts;
        lock.unlock();
        if (!sink) return;
        if (restarted) {
            // The rest of the work the sink followed, then the new start.
            for (; passedPosition_ < ended; ++passedPosition_) sink->step();
            if (total > 0)
                sink->start(total);
            else
                sink->reset();
            passedPosition_ = 0;
        }
        for (; passedPosition_ < position; ++passedPosition_) sink->step();
    }

private:
    void restart(long long total) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (restarts_ == passedRestarts_) endedAt_ = position_;  // the work the sink follows ends
        ++restarts_;
        total_ = total;
        position_ = 0;
    }
    std::mutex mutex_;
    long long restarts_ = 0, total_ = 0, position_ = 0;  // as reported
    long long endedAt_ = 0;                              // where the work the sink followed ended
    long long passedRestarts_ = 0;                       // as passed on (written by the owner, under the lock)
    long long passedPosition_ = 0;                       // the owner's only
};

}  // namespace jollix
