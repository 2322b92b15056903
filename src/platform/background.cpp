#include "platform/background.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {
namespace {

// The thread and the jobs waiting for it. A thread the toolkit's pool would
// start could fail to start and leave its jobs waiting for ever; this one
// falls back to the caller's thread instead.
class Worker {
public:
    void run(std::function<void()> job)
    {
        std::unique_lock lock(mutex_);
        if (!started_) {
            try {
                std::thread([this] { serve(); }).detach();
                started_ = true;
            } catch (const std::system_error&) {
                lock.unlock();
                job();
                return;
            }
        }
        jobs_.push_back(std::move(job));
        wake_.notify_one();
    }

private:
    [[noreturn]] void serve()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool started_ = false;
};

}  // namespace

void runInBackground(std::function<void()> job)
{
    // Never destroyed: a job still running when the program ends (a driver
    // being loaded) must not hold the end up, nor find its queue gone.
    static Worker* const worker = new Worker;
    worker->run(std::move(job));
}

}  // namespace platform
