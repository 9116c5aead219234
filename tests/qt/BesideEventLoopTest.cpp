// Work beside the event loop: the loop turns while it runs, and what it throws reaches the caller.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "qt/platform/BesideEventLoop.h"

using namespace romshelf;

namespace {

// Waits up to five seconds for `flag`; true when it came.
bool waitFor(const std::atomic<bool>& flag) {
    for (int i = 0; i < 500 && !flag; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return flag;
}

TEST(BesideEventLoop, TheLoopTurnsWhileTheWorkRunsOnAThreadOfItsOwn) {
    std::atomic<bool> fired = false;
    bool firedDuringWork = false;
    std::thread::id workThread;
    // Only a pass of the loop fires the timer.
    QTimer::singleShot(0, [&] { fired = true; });
    runBesideEventLoop([&] {
        workThread = std::this_thread::get_id();
        firedDuringWork = waitFor(fired);
    });
    EXPECT_TRUE(firedDuringWork);
    EXPECT_NE(workThread, std::this_thread::get_id());
}

TEST(BesideEventLoop, WhatTheWorkThrowsReachesTheCaller) {
    EXPECT_THROW(runBesideEventLoop([] { throw std::runtime_error("no"); }), std::runtime_error);
    // Work that ends before the loop starts still lets it end.
    int runs = 0;
    runBesideEventLoop([&] { ++runs; });
    runBesideEventLoop([&] { ++runs; });
    EXPECT_EQ(runs, 2);
}

}  // namespace
