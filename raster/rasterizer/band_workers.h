// A small pool of drawing threads. The caller hands it a number of jobs and a
// function; the pool's threads and the caller itself take jobs until none is
// left, and Run returns when every job is done. Nothing is allocated per run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace raster {

class BandWorkers {
public:
    using JobFn = void (*)(void* context, int job);

    BandWorkers() = default;
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;
    ~BandWorkers() { Resize(1); }

    // threads counts the caller: 1 means no pool thread.
    void Resize(int threads);
    int Threads() const { return static_cast<int>(pool_.size()) + 1; }

    // Runs fn(context, 0 .. jobs-1), each job exactly once, on the pool and
    // the caller; returns after the last job is done.
    void Run(int jobs, JobFn fn, void* context);

private:
    void WorkerLoop(unsigned long seen);
    void TakeJobs();

    std::vector<std::thread> pool_;
    std::mutex mutex_;
    std::condition_variable wake_;  // a new run or the stop request
    std::condition_variable idle_;  // a pool thread finished its part of a run
    unsigned long generation_ = 0;  // counts runs (under mutex_)
    int busy_ = 0;                  // pool threads still inside the current run (under mutex_)
    bool stop_ = false;             // under mutex_
    JobFn fn_ = nullptr;
    void* context_ = nullptr;
    int jobs_ = 0;
    std::atomic<int> next_{0};  // next job to take
};

}  // namespace raster
