#pragma once
// The program's one way of sharing work between threads.
//
// A job is a count of items. The calling thread and as many more threads as
// it asks for take the items in turn from a shared counter, so how they fall
// to the threads changes from run to run; callers make every item write its
// own pixels only, computed from unchanged input, so the result never
// depends on it.
//
// Failures stay on the calling thread: an exception thrown by an item on any
// thread (a failed allocation, a range check) stops the other threads from
// taking further items, every thread is joined, and the first exception is
// thrown again on the calling thread. A thread is never left running or
// destroyed unjoined, also while unwinding. Progress is reported from the
// calling thread only, so a progress sink need not be thread-safe.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace jollix::parallel {

// The threads the machine can run at once (at least 1).
inline unsigned machineThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

// Brush jobs of fewer pixels stay on the calling thread: starting threads
// costs more than it saves there. Whole-picture effects, lighter per pixel,
// pass a bigger threshold.
constexpr long long kMinPixels = 200000;

// How many threads a job of `pixels` pixels is worth: all the machine's
// cores, or just the calling thread for a job below `minPixels`.
inline unsigned threadsFor(long long pixels, long long minPixels = kMinPixels) {
    return pixels < minPixels ? 1 : machineThreads();
}

// Runs item(i) -- or item(i, worker) when it takes two arguments, worker
// being 0 on the calling thread and 1 .. threads - 1 on the others, for
// scratch memory kept per thread -- for every i in 0 .. n - 1, on up to
// `threads` threads counting the calling one. After each item the calling
// thread finishes, it calls done(count), count being how many items are
// finished so far on all threads; at the end done(n). If an item (or done)
// throws, no further items start, every thread is joined, and the first
// exception is thrown on the calling thread (done(n) is then not called).
// If no further thread can be started, the items run on fewer threads.
template <class Item, class Done>
void forItems(size_t n, unsigned threads, Item&& item, Done&& done) {
    std::atomic<size_t> next{0}, finished{0};
    std::atomic<bool> failed{false};
    std::exception_ptr first;
    auto run = [&](unsigned worker) {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const size_t i = next.fetch_add(1, std::memory_order_relaxed);
                if (i >= n) break;
                if constexpr (std::is_invocable_v<Item&, size_t, unsigned>)
                    item(i, worker);
                else
                    item(i);
                const size_t count = finished.fetch_add(1, std::memory_order_acq_rel) + 1;
                if (worker == 0) done(count);
            }
        } catch (...) {
            // The first thread to fail keeps its exception; the threads
            // are joined before it is read.
            if (!failed.exchange(true)) first = std::current_exception();
        }
    };

    // Joins every started thread when leaving, normally or not.
    struct Joiner {
        std::vector<std::thread> threads;
        ~Joiner() {
            for (std::thread& t : threads)
                if (t.joinable()) t.join();
        }
    } joiner;
    const size_t extra = std::min<size_t>(threads > 0 ? threads - 1 : 0, n > 0 ? n - 1 : 0);
    if (extra > 0) {
        try {
            joiner.threads.reserve(extra);
            for (size_t k = 0; k < extra; ++k) joiner.threads.emplace_back(run, unsigned(k + 1));
        } catch (const std::system_error&) {
            // No more threads to be had: the items go to those running.
        } catch (const std::bad_alloc&) {}
    }
    run(0);
    for (std::thread& t : joiner.threads) t.join();
    if (first) std::rethrow_exception(first);
    done(n);
}

// The same without progress.
template <class Item>
void forItems(size_t n, unsigned threads, Item&& item) {
    forItems(n, threads, std::forward<Item>(item), [](size_t) {});
}

// One piece of work run on a thread of its own while the caller goes on
// (a brush finished behind a preview). finish() waits for it and throws its
// exception, if any, on the calling thread; the destructor waits too, so the
// thread never outlives the job. When no thread can be started the work runs
// at once, inside start().
class BackgroundJob {
public:
    BackgroundJob() = default;
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;
    ~BackgroundJob() {
        if (thread_.joinable()) thread_.join();
    }

    template <class Work>
    void start(Work work) {
        auto run = [this, work = std::move(work)]() mutable {
            try {
                work();
            } catch (...) {
                error_ = std::current_exception();
            }
            done_.store(true, std::memory_order_release);
        };
        try {
            thread_ = std::thread(run);
        } catch (const std::system_error&) {
            run();
        }
    }
    bool done() const { return done_.load(std::memory_order_acquire); }
    void finish() {
        if (thread_.joinable()) thread_.join();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    std::exception_ptr error_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace jollix::parallel
