#pragma once
// Work of one brush application shared by the calling thread and one more
// thread. The items are taken in turn from a shared counter, so how they
// fall to the threads changes from run to run; the brushes make every item
// write its own pixels only, computed from the unchanged source, so the
// result never depends on it.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>

namespace jollix::parallel {

// Regions of fewer pixels stay on the calling thread: starting a thread
// costs more than it saves there.
constexpr long long kMinPixels = 200000;

inline bool worthSplitting(long long pixels) {
    return pixels >= kMinPixels && std::thread::hardware_concurrency() >= 2;
}

// Runs item(i) for every i in 0 .. n - 1, on two threads when `split`.
// item must not throw. After each item the calling thread runs, it calls
// done(count), count being how many items are finished so far on either
// thread, so that progress is reported from the calling thread only.
template <class Item, class Done>
void forItems(size_t n, bool split, Item&& item, Done&& done) {
    std::atomic<size_t> next{0}, finished{0};
    auto run = [&](bool caller) {
        for (;;) {
            const size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= n) break;
            item(i);
            const size_t count = finished.fetch_add(1, std::memory_order_acq_rel) + 1;
            if (caller) done(count);
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
    done(n);
}

} // namespace jollix::parallel
