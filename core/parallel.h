#pragma once
// The program's one way of sharing work between threads.
//
// A job is a count of items. The calling thread and as many of the pool's
// threads as it asks for take the items in turn from a shared counter, so
// how they fall to the threads changes from run to run; callers make every
// item write its own pixels only, computed from unchanged input, so the
// result never depends on it.
//
// The pool's threads are started once, on the first job that wants them,
// and then wait for work for the rest of the run: a job costs a wake-up,
// not a thread start. The calling thread always works on its own job, so a
// job whose helpers are all busy elsewhere (an item of another job that
// itself shares work, several files done at once) still runs, on fewer
// threads; and a caller waits only for items already running.
//
// How many threads a job is worth follows from what it costs: each caller
// names the cost of one of its pixels, and a job too small to gain from a
// second thread stays on the calling one.
//
// Failures stay on the calling thread: an exception thrown by an item on any
// thread (a failed allocation, a range check) stops the other threads from
// taking further items, the running ones are waited for, and the first
// exception is thrown again on the calling thread. Progress is reported from
// the calling thread only, so a progress sink need not be thread-safe.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include <pthread.h>

#include "core/progress.h"

namespace jollix::parallel {

// The threads the machine can run at once (at least 1).
inline unsigned machineThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

// What one pixel of a kind of work costs one core, in nanoseconds, roughly
// as measured on the program's benchmarks.
struct PixelCost {
    double nanoseconds;
};

// A thread is worth adding to a job for every this much of its work (in
// nanoseconds of one core): below it, waking a thread and sharing the
// memory costs more than the thread saves.
constexpr double kWorkPerThread = 250'000;

// How many threads (counting the caller's) a job of `pixels` pixels at
// `cost` a pixel is worth: 1 for small jobs, at most the machine's threads.
inline unsigned threadsFor(long long pixels, PixelCost cost) {
    const double work = double(std::max(0LL, pixels)) * cost.nanoseconds;
    const double worth = work / kWorkPerThread;
    const unsigned most = machineThreads();
    return worth < 2 ? 1 : worth >= double(most) ? most : unsigned(worth);
}

namespace detail {

// A job as the pool sees it: up to `seats` pool threads may join it, each
// calling work(worker) with a worker number 1 .. seats that no other thread
// in the job has meanwhile. work returns true when it left the job early,
// its seat free again, to let a job offered later have the thread.
struct PoolJob {
    std::function<bool(unsigned)> work;
    // Guarded by the pool's lock:
    unsigned seats = 0;               // seats free now
    unsigned taken = 0;               // worker numbers handed out so far
    uint64_t given = 0;               // numbers 1 .. 64 given back, as bits 0 .. 63
    unsigned running = 0;             // pool threads inside work() now
    std::atomic<bool> linked{false};  // in the queue (also read without the lock)
    bool withdrawn = false;           // its caller is done with it
    uint64_t ticket = 0;              // offers before it, counted from 1
    PoolJob* next = nullptr;
};

// The long-lived threads: machineThreads() - 1 of them, started on first
// use. It lives until the process ends (its threads wait for work until
// then), so that no job can outlive it.
class Pool {
public:
    static Pool& instance() {
        static Pool* pool = new Pool;
        return *pool;
    }

    // Offers `job` to the waiting threads. The caller must withdraw() it
    // before the job's memory goes.
    void offer(PoolJob& job) {
        unsigned seats;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            startThreads();
            if (threads_ == 0) return;
            job.ticket = ++offers_;
            latestOffer_.store(job.ticket, std::memory_order_relaxed);
            link(job);
            seats = job.seats;
        }
        if (seats == 1)
            wake_.notify_one();
        else
            wake_.notify_all();
    }

    // No further thread joins `job`; returns once those inside it left.
    void withdraw(PoolJob& job) {
        std::unique_lock<std::mutex> lock(mutex_);
        job.withdrawn = true;
        if (job.linked) unlink(job);
        left_.wait(lock, [&] { return job.running == 0; });
    }

    // Whether a job offered after `job` may be waiting for a thread (read
    // without the lock: a hint). Newer jobs go first: a view to repaint
    // before a brush finishing behind it, a job inside another's item before
    // the rest of the outer one.
    bool newerWaiting(const PoolJob& job) const {
        return latestOffer_.load(std::memory_order_relaxed) > job.ticket &&
               queued_.load(std::memory_order_relaxed) > (job.linked.load(std::memory_order_relaxed) ? 1u : 0u);
    }

private:
    Pool() = default;

    // The threads hold off every signal sent to the process, so that such a
    // signal is taken by a thread the program started itself, which knows
    // when it may be handled (a save holds it off while it registers its
    // temporary file); a thread inherits the signals held by its starter.
    void startThreads() {
        if (started_) return;
        started_ = true;
        // A child made by fork has none of the threads: it runs its jobs on
        // its own thread, never touching the threads' wake-up (which would
        // wait for them), and finds the lock free.
        ::pthread_atfork([] { instance().mutex_.lock(); }, [] { instance().mutex_.unlock(); },
                         [] {
                             Pool& pool = instance();
                             new (&pool.mutex_) std::mutex;
                             pool.threads_ = 0;
                         });
        sigset_t all, before;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &before);
        const unsigned wanted = machineThreads() - 1;
        for (unsigned k = 0; k < wanted; ++k) {
            try {
                std::thread([this] { serve(); }).detach();
                ++threads_;
            } catch (const std::system_error&) {
                break;  // no more threads to be had: jobs run on those there are
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    void link(PoolJob& job) {
        job.next = nullptr;
        job.linked.store(true, std::memory_order_relaxed);
        *tail_ = &job;
        tail_ = &job.next;
        queued_.fetch_add(1, std::memory_order_relaxed);
    }
    void unlink(PoolJob& job) {
        for (PoolJob** at = &head_; *at; at = &(*at)->next)
            if (*at == &job) {
                *at = job.next;
                if (tail_ == &job.next) tail_ = at;
                job.linked.store(false, std::memory_order_relaxed);
                queued_.fetch_sub(1, std::memory_order_relaxed);
                return;
            }
    }

    void serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return head_ != nullptr; });
            PoolJob& job = *head_;
            unsigned worker;
            if (job.given) {
                worker = unsigned(__builtin_ctzll(job.given)) + 1;
                job.given &= job.given - 1;
            } else {
                worker = ++job.taken;
            }
            if (--job.seats == 0) unlink(job);
            ++job.running;
            lock.unlock();
            const bool leftEarly = job.work(worker);  // never throws: the job keeps its own failures
            lock.lock();
            if (leftEarly && !job.withdrawn && worker <= 64) {
                // The seat goes back, behind the jobs now waiting.
                job.given |= uint64_t(1) << (worker - 1);
                ++job.seats;
                if (!job.linked) link(job);
            }
            if (--job.running == 0) left_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, left_;
    PoolJob* head_ = nullptr;
    PoolJob** tail_ = &head_;
    std::atomic<unsigned> queued_{0};       // jobs in the queue
    uint64_t offers_ = 0;                   // jobs offered so far
    std::atomic<uint64_t> latestOffer_{0};  // the ticket of the last
    bool started_ = false;
    unsigned threads_ = 0;
};

}  // namespace detail

// Runs item(i) -- or item(i, worker) when it takes two arguments, worker
// being 0 on the calling thread and 1 .. threads - 1 on the others, for
// scratch memory kept per thread -- for every i in 0 .. n - 1, on up to
// `threads` threads counting the calling one. After each item the calling
// thread finishes, it calls done(count), count being how many items are
// finished so far on all threads; at the end done(n). If an item (or done)
// throws, no further items start, the running ones are waited for, and the
// first exception is thrown on the calling thread (done(n) is then not
// called).
template <class Item, class Done>
void forItems(size_t n, unsigned threads, Item&& item, Done&& done) {
    std::atomic<size_t> next{0}, finished{0};
    std::atomic<bool> failed{false};
    std::exception_ptr first;
    detail::PoolJob job;
    detail::Pool* pool = nullptr;
    // Runs items until none is left; a pool thread also leaves, after an
    // item, when a job offered later waits for a thread, and comes back when
    // it is free again. Returns whether it left so.
    auto run = [&](unsigned worker) {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                if (worker != 0 && pool->newerWaiting(job)) return true;
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
            // The first thread to fail keeps its exception; it is read
            // after every thread has left the job.
            if (!failed.exchange(true)) first = std::current_exception();
        }
        return false;
    };

    const unsigned helpers = unsigned(std::min<size_t>(threads > 0 ? threads - 1 : 0, n > 0 ? n - 1 : 0));
    if (helpers == 0) {
        run(0);
    } else {
        job.work = run;
        job.seats = helpers;
        pool = &detail::Pool::instance();
        // Withdrawn when leaving, normally or not: no pool thread is inside
        // the job once this function returns.
        struct Withdraw {
            detail::Pool& pool;
            detail::PoolJob& job;
            ~Withdraw() { pool.withdraw(job); }
        } withdraw{*pool, job};
        pool->offer(job);
        run(0);
    }
    if (first) std::rethrow_exception(first);
    done(n);
}

// The same without progress.
template <class Item>
void forItems(size_t n, unsigned threads, Item&& item) {
    forItems(n, threads, std::forward<Item>(item), [](size_t) {});
}

// The same, reporting to `progress` (null allowed): n steps said first, a
// step for each item finished, then the end.
template <class Item>
void forItemsWithProgress(size_t n, unsigned threads, Progress* progress, Item&& item) {
    progressStart(progress, (long long)n);
    size_t reported = 0;
    forItems(n, threads, std::forward<Item>(item), [&](size_t done) {
        for (; reported < done; ++reported) progressStep(progress);
    });
    progressFinish(progress);
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
