#include "render/ref/ref_bands.h"

#include <system_error>

namespace d3d::ref {

BandPool::BandPool(unsigned bands)
{
    for (unsigned b = 1; b < bands; ++b) {
        try {
            workers_.emplace_back([this, b] { workerLoop(b); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

BandPool::~BandPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

void BandPool::run(const std::function<void(unsigned)>& job)
{
    if (workers_.empty()) {
        job(0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        pending_ = unsigned(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    job_ = nullptr;
}

void BandPool::workerLoop(unsigned band)
{
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(unsigned)>* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_)
                return;
            seen = generation_;
            job = job_;
        }
        (*job)(band);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--pending_ == 0)
                done_.notify_one();
        }
    }
}

}  // namespace d3d::ref
