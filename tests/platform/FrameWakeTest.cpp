// The render loop's wake-up: producer threads wake a sleeping loop once per burst, never the loop
// itself, and taking the notifications re-arms them.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/FrameWake.h"

namespace {

std::atomic<int> g_wakes{0};
void countWake() { g_wakes.fetch_add(1); }

void notifyFromAnotherThread(int times)
{
    std::thread producer([times] {
        for (int i = 0; i < times; ++i) engine::framewake::notify();
    });
    producer.join();
}

TEST(FrameWake, OneWakePerBurstFromProducersNoneFromTheLoopItself)
{
    g_wakes = 0;
    engine::framewake::setWaker(&countWake); // this thread is now the loop's
    engine::framewake::take();

    engine::framewake::notify();
    EXPECT_EQ(g_wakes.load(), 0) << "the loop's own thread is awake";
    EXPECT_FALSE(engine::framewake::take());

    notifyFromAnotherThread(50);
    EXPECT_EQ(g_wakes.load(), 1) << "a burst wakes once";
    EXPECT_TRUE(engine::framewake::take());
    EXPECT_FALSE(engine::framewake::take());

    notifyFromAnotherThread(1);
    EXPECT_EQ(g_wakes.load(), 2) << "taken notifications re-arm the wake-up";

    engine::framewake::setWaker(nullptr);
    engine::framewake::take();
    notifyFromAnotherThread(1);
    EXPECT_EQ(g_wakes.load(), 2) << "no waker installed: nothing is called";
    engine::framewake::take();
}

} // namespace
