// The one way work is shared between threads: every item once, progress on
// the calling thread, and failures on any thread carried to the caller
// after every thread has stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>

#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/parallel.h"
#include "core/progress.h"

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

TEST(Parallel, ThreadCountFollowsTheCostOfTheJob) {
    const unsigned most = parallel::machineThreads();
    EXPECT_GE(most, 1u);
    struct Case {
        long long pixels;
        double nanoseconds;
        unsigned threads;  // 0: all the machine's
    };
    const long long pair = (long long)(2 * parallel::kWorkPerThread);  // work worth a second thread, at 1 ns
    for (const Case c : {Case{-5, 10, 1}, Case{0, 10, 1}, Case{10, 10, 1}, Case{pair - 1, 1, 1}, Case{pair / 10, 1, 1},
                         Case{pair / 10, 10, std::min(most, 2u)}, Case{1LL << 40, 0.5, 0}, Case{1LL << 40, 0, 1}}) {
        SCOPED_TRACE(testing::Message() << c.pixels << " pixels at " << c.nanoseconds << " ns");
        EXPECT_EQ(parallel::threadsFor(c.pixels, parallel::PixelCost{c.nanoseconds}), c.threads ? c.threads : most);
    }
}

// The pool's threads live on between jobs: many jobs, from several callers at
// once and from inside other jobs' items, never see more threads than the
// pool's and the callers', and every item of every job runs once.
TEST(Parallel, JobsShareTheSameLongLivedThreadsAlsoWhenNested) {
    // Counted by a mark of each thread's own, which a new thread starts
    // without even where the system gives it an old thread's id.
    static thread_local int mark = 0;
    static std::atomic<int> runs{0};
    const int run = ++runs;
    std::atomic<size_t> threadsSeen{0};
    auto note = [&] {
        if (mark == run) return;
        mark = run;
        threadsSeen.fetch_add(1);
    };
    constexpr int kCallers = 3, kJobs = 20, kOuter = 6, kInner = 50;
    std::atomic<int> inner{0}, outer{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c)
        callers.emplace_back([&] {
            for (int j = 0; j < kJobs; ++j)
                parallel::forItems(kOuter, 4, [&](size_t) {
                    note();
                    outer.fetch_add(1);
                    parallel::forItems(kInner, 4, [&](size_t) {
                        note();
                        inner.fetch_add(1);
                    });
                });
        });
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(outer.load(), kCallers * kJobs * kOuter);
    EXPECT_EQ(inner.load(), kCallers * kJobs * kOuter * kInner);
    // The callers' own threads plus at most the pool's.
    EXPECT_LE(threadsSeen.load(), size_t(kCallers) + parallel::machineThreads() - 1);
}

// Progress of work on another thread reaches the sink on the owner's thread:
// steps as they come, a new start or the end passed on once however many
// happened between two looks.
TEST(ProgressRelay, PassesOnWhatHappenedSinceTheLastLook) {
    struct Sink : Progress {
        std::vector<std::string> events;
        void start(long long total) override { events.push_back("start " + std::to_string(total)); }
        void step() override { events.push_back("step"); }
        void finish() override { events.push_back("finish"); }
        void reset() override { events.push_back("reset"); }
    };
    using Events = std::vector<std::string>;
    const struct {
        const char* name;
        std::function<void(Progress&)> work;
        Events seen;
    } cases[] = {
        {"nothing yet", [](Progress&) {}, {}},
        {"steps without a total", [](Progress& p) { p.step(), p.step(); }, {"step", "step"}},
        {"a total and its steps", [](Progress& p) { p.start(3), p.step(), p.step(); }, {"start 3", "step", "step"}},
        {"work started and ended unseen", [](Progress& p) { p.start(3), p.step(), p.finish(); }, {"reset"}},
        {"the followed work ended", [](Progress& p) { p.step(), p.step(), p.finish(); }, {"step", "step", "reset"}},
        {"a second pass", [](Progress& p) { p.step(), p.reset(), p.step(); }, {"step", "reset", "step"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressRelay relay;
        std::thread worker([&] { c.work(relay); });
        worker.join();
        Sink sink;
        relay.passOn(&sink);
        EXPECT_EQ(sink.events, c.seen);
        relay.passOn(&sink);
        EXPECT_EQ(sink.events, c.seen) << "passed on twice";
    }
}

// A job offered while the pool's threads are busy with another's items still
// gets a thread: a pool thread leaves the older job after its item and comes
// back to it later. Both jobs run every item once.
TEST(Parallel, ALaterJobGetsAThreadFromABusyOne) {
    if (parallel::machineThreads() < 2) GTEST_SKIP() << "no pool threads on one core";
    std::atomic<bool> laterDone{false};
    std::atomic<int> earlierItems{0};
    std::thread earlier([&] {
        parallel::forItems(100000, parallel::machineThreads(), [&](size_t) {
            earlierItems.fetch_add(1);
            if (!laterDone.load()) std::this_thread::sleep_for(100us);
        });
    });
    // Until the earlier job has its pool threads.
    ASSERT_TRUE(waitFor([&] { return earlierItems.load() > 50; }));
    std::atomic<int> onPool{0}, items{0};
    parallel::forItems(200, 2, [&](size_t, unsigned worker) {
        items.fetch_add(1);
        onPool.fetch_add(worker != 0);
        std::this_thread::sleep_for(200us);
    });
    laterDone = true;
    earlier.join();
    EXPECT_EQ(items.load(), 200);
    EXPECT_GT(onPool.load(), 0) << "no pool thread came to the later job";
    EXPECT_EQ(earlierItems.load(), 100000);
}

// A child made by fork after the pool's threads started has none of them: it
// still runs shared jobs, on its own thread, instead of waiting for threads
// that are not there.
TEST(Parallel, AForkedChildStillRunsJobs) {
    parallel::forItems(64, parallel::machineThreads(), [](size_t) {});  // the pool's threads started
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        std::atomic<int> items{0};
        parallel::forItems(1000, parallel::machineThreads(), [&](size_t) { items.fetch_add(1); });
        ::_exit(items.load() == 1000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
