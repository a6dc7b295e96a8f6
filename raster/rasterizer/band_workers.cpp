#include "raster/rasterizer/band_workers.h"

namespace raster {

void BandWorkers::Resize(int threads) {
    if (threads < 1) threads = 1;
    if (threads == Threads()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : pool_) t.join();
    pool_.clear();
    stop_ = false;
    pool_.reserve(static_cast<size_t>(threads - 1));
    // Runs start on this same thread, so none can begin before the new threads
    // know the generation they start from.
    const unsigned long start = generation_;
    for (int i = 1; i < threads; ++i) pool_.emplace_back([this, start] { WorkerLoop(start); });
}

void BandWorkers::TakeJobs() {
    for (int job = next_.fetch_add(1, std::memory_order_relaxed); job < jobs_;
         job = next_.fetch_add(1, std::memory_order_relaxed))
        fn_(context_, job);
}

void BandWorkers::WorkerLoop(unsigned long seen) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
        }
        TakeJobs();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --busy_;
        }
        idle_.notify_one();
    }
}

void BandWorkers::Run(int jobs, JobFn fn, void* context) {
    if (jobs <= 0) return;
    if (pool_.empty() || jobs == 1) {
        for (int job = 0; job < jobs; ++job) fn(context, job);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fn_ = fn;
        context_ = context;
        jobs_ = jobs;
        next_.store(0, std::memory_order_relaxed);
        busy_ = static_cast<int>(pool_.size());
        ++generation_;
    }
    wake_.notify_all();
    TakeJobs();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return busy_ == 0; });
}

}  // namespace raster
