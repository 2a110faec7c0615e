#pragma once
// Work of one brush application shared by the calling thread and one more
// thread. The items are taken in turn from a shared counter, so how they
// fall to the threads changes from run to run; the brushes make every item
// write its own pixels only, computed from the unchanged source, so the
// result never depends on it.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "core/picture.h"

namespace jollix::parallel {

// Regions of fewer pixels stay on the calling thread: starting a thread
// costs more than it saves there.
constexpr long long kMinPixels = 200000;

inline bool worthSplitting(long long pixels) {
    return pixels >= kMinPixels && std::thread::hardware_concurrency() >= 2;
}

// Runs item(i) for every i in 0 .. n - 1, on two threads when `split`.
// After each item the calling thread runs, it calls done(count), count
// being how many items are finished so far on either thread, so that
// progress is reported from the calling thread only. If an item throws, no
// further items start and its exception is thrown again once both
// threads have stopped (done(n) is then not called); if both threads
// fail, the calling thread's exception.
template <class Item, class Done>
void forItems(size_t n, bool split, Item&& item, Done&& done) {
    std::atomic<size_t> next{0}, finished{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failures[2];
    auto run = [&](bool caller) {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const size_t i = next.fetch_add(1, std::memory_order_relaxed);
                if (i >= n) break;
                item(i);
                const size_t count = finished.fetch_add(1, std::memory_order_acq_rel) + 1;
                if (caller) done(count);
            }
        } catch (...) {
            failures[caller ? 0 : 1] = std::current_exception();
            failed = true;
        }
    };
    std::thread other;
    if (split && n > 1) {
        try {
            other = std::thread([&] { run(false); });
        } catch (const std::system_error&) {
            // No second thread to be had: all items on this one.
        }
    }
    run(true);
    if (other.joinable()) other.join();
    for (const std::exception_ptr& e : failures)
        if (e) std::rethrow_exception(e);
    done(n);
}

// The tiles of a result picture that a brush writes: marked first, then
// made the picture's own in one go, after which their pixels can be
// written from any thread (each pixel by one thread only).
class TileTable {
public:
    explicit TileTable(const Picture& p) : tilesX_(p.tilesX()), tiles_(size_t(p.tilesX()) * p.tilesY(), nullptr) {}
    // Marks the tiles of rows y0 .. y1 of column x; returns the row count.
    long long mark(int x, long long y0, long long y1) {
        if (y0 > y1) return 0;
        const int tx = x >> Picture::kTileBits;
        for (long long ty = y0 >> Picture::kTileBits; ty <= (y1 >> Picture::kTileBits); ++ty)
            tiles_[size_t(ty) * tilesX_ + tx] = marked();
        return y1 - y0 + 1;
    }
    // Marks the tiles of columns x0 .. x1 of row y; returns the column count.
    long long markRow(int y, long long x0, long long x1) {
        if (x0 > x1) return 0;
        const size_t ty = size_t(y >> Picture::kTileBits);
        for (long long tx = x0 >> Picture::kTileBits; tx <= (x1 >> Picture::kTileBits); ++tx)
            tiles_[ty * tilesX_ + size_t(tx)] = marked();
        return x1 - x0 + 1;
    }
    void makeOwn(Picture& p) {
        for (size_t i = 0; i < tiles_.size(); ++i)
            if (tiles_[i]) tiles_[i] = p.mutableTile(int(i % tilesX_), int(i / tilesX_));
    }
    uint8_t* pixel(int x, int y) const {
        return tiles_[size_t(y >> Picture::kTileBits) * tilesX_ + size_t(x >> Picture::kTileBits)] +
               (size_t(y & Picture::kTileMask) * Picture::kTile + size_t(x & Picture::kTileMask)) * 3;
    }

private:
    // Stands for a marked tile until makeOwn; never written through.
    static uint8_t* marked() { return reinterpret_cast<uint8_t*>(uintptr_t(1)); }
    size_t tilesX_;
    std::vector<uint8_t*> tiles_;
};

} // namespace jollix::parallel
