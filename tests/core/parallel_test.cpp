// The one way work is shared between threads: every item once, progress on
// the calling thread, and failures on any thread carried to the caller
// after every thread has stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/parallel.h"

using namespace jollix;
using namespace std::chrono_literals;

namespace {

// Waits until cond() holds or a few seconds have passed.
template <class Cond>
bool waitFor(Cond cond) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(100us);
    }
    return true;
}

}  // namespace

TEST(Parallel, EveryItemRunsOnceAndProgressComesFromTheCaller) {
    struct Case {
        size_t n;
        unsigned threads;
    };
    for (const Case c :
         {Case{0, 1}, Case{0, 4}, Case{1, 4}, Case{2, 2}, Case{7, 3}, Case{1000, 1}, Case{1000, 2}, Case{1000, 16}}) {
        SCOPED_TRACE(testing::Message() << c.n << " items on " << c.threads << " threads");
        std::vector<std::atomic<int>> runs(c.n);
        std::atomic<unsigned> maxWorker{0};
        const std::thread::id caller = std::this_thread::get_id();
        std::vector<size_t> reported;
        bool doneOffCaller = false;
        parallel::forItems(
            c.n, c.threads,
            [&](size_t i, unsigned worker) {
                runs[i].fetch_add(1);
                unsigned seen = maxWorker.load();
                while (worker > seen && !maxWorker.compare_exchange_weak(seen, worker)) {}
                if ((worker == 0) != (std::this_thread::get_id() == caller)) doneOffCaller = true;
            },
            [&](size_t count) {
                if (std::this_thread::get_id() != caller) doneOffCaller = true;
                reported.push_back(count);
            });
        for (size_t i = 0; i < c.n; ++i) EXPECT_EQ(runs[i].load(), 1) << "item " << i;
        EXPECT_FALSE(doneOffCaller);
        EXPECT_LT(maxWorker.load(), std::max(1u, c.threads));
        ASSERT_FALSE(reported.empty());
        EXPECT_EQ(reported.back(), c.n);
        for (size_t k = 1; k < reported.size(); ++k) EXPECT_LE(reported[k - 1], reported[k]);
    }
}

// An item that fails on a thread other than the caller's: the caller's own
// items wait until a worker has failed, so the failure is a worker's every
// time. The exception must arrive on the caller, once every thread has
// stopped, and no item may start after that.
TEST(Parallel, WorkerFailureArrivesOnTheCallerAfterEveryThreadStopped) {
    enum Kind { kBadAlloc, kProgramError };
    for (const Kind kind : {kBadAlloc, kProgramError}) {
        SCOPED_TRACE(kind == kBadAlloc ? "std::bad_alloc" : "JollixError");
        std::atomic<int> running{0}, started{0};
        std::atomic<bool> workerFailed{false};
        std::atomic<bool> allDoneReported{false};
        const size_t n = 10000;
        auto call = [&] {
            parallel::forItems(
                n, 4,
                [&](size_t, unsigned worker) {
                    running.fetch_add(1);
                    started.fetch_add(1);
                    struct Leave {
                        std::atomic<int>& r;
                        ~Leave() { r.fetch_sub(1); }
                    } leave{running};
                    if (worker == 0) {
                        waitFor([&] { return workerFailed.load(); });
                    } else if (!workerFailed.exchange(true)) {
                        // Let the other threads get well into their items first.
                        std::this_thread::sleep_for(2ms);
                        if (kind == kBadAlloc) throw std::bad_alloc();
                        throw JollixError(kRangeCheckError);
                    }
                    std::this_thread::sleep_for(50us);
                },
                [&](size_t count) {
                    if (count == n) allDoneReported = true;
                });
        };
        if (kind == kBadAlloc)
            EXPECT_THROW(call(), std::bad_alloc);
        else
            EXPECT_THROW(call(), JollixError);
        EXPECT_TRUE(workerFailed.load());
        EXPECT_EQ(running.load(), 0) << "an item was still running when the exception arrived";
        const int startedThen = started.load();
        EXPECT_LT(startedThen, int(n));
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(started.load(), startedThen) << "an item started after the exception arrived";
        EXPECT_FALSE(allDoneReported.load());
    }
}

// The caller's own failure, or one in its progress report, also waits for
// the other threads; when several fail, the first failure is the one seen.
TEST(Parallel, CallerFailureWaitsForTheOthersAndTheFirstFailureWins) {
    struct Case {
        const char* name;
        bool inProgress;
    };
    for (const Case c : {Case{"item", false}, Case{"progress", true}}) {
        SCOPED_TRACE(c.name);
        std::atomic<int> running{0};
        std::atomic<bool> callerFailed{false};
        try {
            parallel::forItems(
                1000, 3,
                [&](size_t, unsigned worker) {
                    running.fetch_add(1);
                    struct Leave {
                        std::atomic<int>& r;
                        ~Leave() { r.fetch_sub(1); }
                    } leave{running};
                    if (worker != 0) {
                        std::this_thread::sleep_for(1ms);
                        // Workers fail too, well after the caller did.
                        if (callerFailed.load()) {
                            std::this_thread::sleep_for(5ms);
                            throw std::runtime_error("later");
                        }
                        return;
                    }
                    if (!c.inProgress && !callerFailed.exchange(true)) throw std::runtime_error("first");
                },
                [&](size_t) {
                    if (c.inProgress && !callerFailed.exchange(true)) throw std::runtime_error("first");
                });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "first");
            EXPECT_EQ(running.load(), 0);
        }
    }
}

TEST(Parallel, ThreadCountFollowsTheMachineAndTheJob) {
    EXPECT_GE(parallel::machineThreads(), 1u);
    EXPECT_EQ(parallel::threadsFor(10), 1u);
    EXPECT_EQ(parallel::threadsFor(parallel::kMinPixels - 1), 1u);
    EXPECT_EQ(parallel::threadsFor(parallel::kMinPixels), parallel::machineThreads());
    EXPECT_EQ(parallel::threadsFor(1 << 19, 1 << 20), 1u);
}
