// A fixed set of threads that run one job per band and wait for all of them:
// band 0 on the calling thread, band i on worker i. Threads are started once
// and sleep between jobs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace d3d::ref {

class BandPool {
public:
    // `bands` ≥ 1 threads in all, the caller included. If a worker cannot be
    // started the pool works with fewer bands.
    explicit BandPool(unsigned bands);
    ~BandPool();
    BandPool(const BandPool&) = delete;
    BandPool& operator=(const BandPool&) = delete;

    unsigned bands() const { return unsigned(workers_.size()) + 1; }

    // Runs job(b) for every band b in parallel and returns when all are done.
    // `job` must not throw.
    void run(const std::function<void(unsigned band)>& job);

private:
    void workerLoop(unsigned band);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(unsigned)>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    unsigned pending_ = 0;
    bool stop_ = false;
};

}  // namespace d3d::ref
