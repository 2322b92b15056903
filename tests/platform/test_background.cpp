// The background thread: jobs run away from the caller, one at a time and in
// the order given, and what a job returns or throws reaches its caller.
#include "platform/background.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Background, JobsRunInOrderOnOneOtherThread)
{
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> release{false};
    // The first job holds the thread until the rest are queued behind it.
    std::future<std::thread::id> first = platform::inBackground<std::thread::id>([&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::this_thread::get_id();
    });
    std::vector<int> order;
    std::vector<std::future<std::thread::id>> rest;
    for (int i = 0; i < 20; ++i)
        rest.push_back(platform::inBackground<std::thread::id>([&order, i] {
            order.push_back(i);
            return std::this_thread::get_id();
        }));
    EXPECT_TRUE(order.empty()) << "a job ran before the one ahead of it had ended";
    release = true;
    const std::thread::id worker = first.get();
    EXPECT_NE(worker, caller);
    for (std::future<std::thread::id>& job : rest)
        EXPECT_EQ(job.get(), worker);
    std::vector<int> expected(20);
    for (int i = 0; i < 20; ++i)
        expected[std::size_t(i)] = i;
    EXPECT_EQ(order, expected);
}

TEST(Background, WhatAJobThrowsReachesItsCallerAndTheThreadGoesOn)
{
    std::future<int> failing =
        platform::inBackground<int>([]() -> int { throw std::runtime_error("unreadable"); });
    std::future<std::string> next = platform::inBackground<std::string>([] { return std::string("read"); });
    try {
        failing.get();
        ADD_FAILURE() << "the job's exception was lost";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "unreadable");
    }
    EXPECT_EQ(next.get(), "read");
}

}  // namespace
