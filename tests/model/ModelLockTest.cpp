#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::test {
namespace {

TEST(ModelLock, TakesTheNamedLocksAndReleasesThemAll)
{
    DataModel m;
    {
        ModelLock lock(m, kDataLock | kSettingsLock);
        EXPECT_FALSE(m.dataLock.try_lock());
        EXPECT_FALSE(m.settingsLock.try_lock());
        ASSERT_TRUE(m.accessPointLock.try_lock()); // not named: still free
        m.accessPointLock.unlock();
    }
    for (std::mutex* mutex : {&m.dataLock, &m.accessPointLock, &m.settingsLock}) {
        ASSERT_TRUE(mutex->try_lock());
        mutex->unlock();
    }
}

// A whole-configuration operation waits (by polling, never blocking) for a producer that holds
// dataLock, and the producer's work is complete before it proceeds.
TEST(ModelLock, WaitsForAProducerHoldingTheDataLock)
{
    DataModel m;
    std::atomic<bool> holding{false};
    std::atomic<bool> producerDone{false};
    std::thread producer([&] {
        ModelLock lock(m, kDataLock);
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const float sweep[4] = {-50, -50, -50, -50};
        m.pushSweep(kBand24, sweep, 4);
        producerDone = true;
    });
    while (!holding) {
        std::this_thread::yield();
    }
    {
        ModelLock all(m, kAllModelLocks);
        EXPECT_TRUE(producerDone);
        EXPECT_EQ(m.band24.history.size(), 1u);
        m.clearHistories();
    }
    producer.join();
    EXPECT_TRUE(m.band24.history.empty());
}

} // namespace
} // namespace nolvo::test
