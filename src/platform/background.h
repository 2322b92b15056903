// One thread beside the event loop's, for work that must not hold the window
// up: the graphics driver loaded while the window is built, a model read
// while its device is made. Jobs run one at a time, in the order given, on a
// thread started by the first job and kept for the program's life; where
// no thread can be started, a job runs at once on the caller's thread.
//
// Why one kept thread: while a library is being loaded, no thread can be
// started (the C library's loader lock is held), so a job given while the
// driver loads must not need a new thread; queued behind the driver it
// starts as soon as the driver is in.
#pragma once

#include <exception>
#include <functional>
#include <future>
#include <memory>

namespace platform {

// Runs `job` on the background thread. `job` must not throw.
void runInBackground(std::function<void()> job);

// Runs `job` on the background thread; its result, or what it threw, comes
// through the future.
template <class Result>
std::future<Result> inBackground(std::function<Result()> job)
{
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    runInBackground([promise, job = std::move(job)] {
        try {
            promise->set_value(job());
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    return result;
}

}  // namespace platform
