#pragma once
// How long effects report how far they are. The palette's progress bar
// implements it; effects call step() as they go and finish() or reset() at
// their end. A null sink is allowed everywhere.
namespace jollix {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void step() {}    // position + 1
    virtual void finish() {}  // position to its maximum, then to 0
    virtual void reset() {}   // position to 0
};

inline void progressStep(Progress* p) {
    if (p) p->step();
}
inline void progressFinish(Progress* p) {
    if (p) p->finish();
}
inline void progressReset(Progress* p) {
    if (p) p->reset();
}

}  // namespace jollix
