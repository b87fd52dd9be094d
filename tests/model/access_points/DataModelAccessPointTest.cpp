#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "model/ModelLock.h"

#include "AccessPointBuilders.h"
#include "model/DataModel.h"
#include "platform/Clock.h"

namespace nolvo {
namespace {

using testing::batchOf;
using testing::makeAp;

std::uint64_t g_nowMs = 0;
std::uint64_t fakeNow() { return g_nowMs; }

class DataModelAccessPoints : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nowMs = 1000;
        engine::clock::setSource(&fakeNow);
    }
    void TearDown() override { engine::clock::setSource(nullptr); }

    void pushSweeps(int band, int count, float level)
    {
        std::vector<float> sweep(static_cast<std::size_t>(model.bandStore(band).maxBins), level);
        for (int i = 0; i < count; ++i) {
            model.pushSweep(band, sweep.data(), static_cast<int>(sweep.size()));
        }
    }

    void clearFlags()
    {
        model.accessPointListChanged[0] = false;
        model.accessPointListChanged[1] = false;
    }

    DataModel model;
};

TEST_F(DataModelAccessPoints, SweepsRunTheGatedPassOnAccessoriesThatScan)
{
    model.deviceInfo.has24AccessPoints = true;
    auto batch = batchOf({makeAp(1, 6, -20.0f)});
    model.mergeAccessPoints(batch);
    pushSweeps(kBand24, 100, -90.0f);
    EXPECT_EQ(model.accessPoints[0].grade, 0.0f); // counter reached 100 without a full pass
    EXPECT_EQ(model.utilizationStats.passCounter, 100);
    pushSweeps(kBand5, 5, -90.0f); // 5 GHz sweeps do not call the pass
    EXPECT_EQ(model.utilizationStats.passCounter, 100);
    pushSweeps(kBand24, 1, -90.0f);
    EXPECT_EQ(model.accessPoints[0].grade, 100.0f);
    EXPECT_TRUE(model.utilizationStats.updated);
}

TEST_F(DataModelAccessPoints, SweepsLeaveThePassAloneWithoutAccessPointSupport)
{
    auto batch = batchOf({makeAp(1, 6, -20.0f)});
    model.mergeAccessPoints(batch);
    pushSweeps(kBand24, 250, -90.0f);
    EXPECT_EQ(model.utilizationStats.passCounter, 0);
    EXPECT_EQ(model.accessPoints[0].grade, 0.0f);
}

TEST_F(DataModelAccessPoints, ScanFrameMergesCountsAndRunsTheForcedPass)
{
    pushSweeps(kBand24, 100, -90.0f);
    model.band5.amplitudeBottom = -100.0f;
    clearFlags();
    auto batch = batchOf({makeAp(1, 6, -20.0f), makeAp(2, 40, -50.0f, 20, 0, 1)});
    model.storeAccessPointScan(batch);
    ASSERT_EQ(model.accessPoints.size(), 2u);
    EXPECT_EQ(model.totalScanCount, 1u);
    EXPECT_EQ(model.accessPoints[0].grade, 100.0f); // forced: no need to wait 101 calls
    EXPECT_EQ(model.accessPoints[0].lastSeen, 1000u);
    EXPECT_EQ(model.accessPoints[1].displayFrom, -100.0f);
    EXPECT_TRUE(model.accessPointListChanged[0]);
    EXPECT_TRUE(model.accessPointListChanged[1]);

    // In edit mode the table must not change: the scan is dropped and not counted.
    model.utilizationEditMode = true;
    clearFlags();
    auto ignored = batchOf({makeAp(3, 1, -60.0f)});
    model.storeAccessPointScan(ignored);
    EXPECT_TRUE(ignored.empty());
    EXPECT_EQ(model.accessPoints.size(), 2u);
    EXPECT_EQ(model.totalScanCount, 1u);
    EXPECT_FALSE(model.accessPointListChanged[0]);
}

TEST_F(DataModelAccessPoints, AgeingUsesTheSteadyClock)
{
    auto batch = batchOf({makeAp(1, 6, -50.0f)});
    model.mergeAccessPoints(batch);
    g_nowMs = 1000 + 179'999;
    EXPECT_EQ(model.ageAccessPoints(), 0u);
    g_nowMs = 1000 + 180'000;
    EXPECT_EQ(model.ageAccessPoints(), 1u);
    EXPECT_TRUE(model.accessPoints.empty());
}

TEST_F(DataModelAccessPoints, ClearHistoriesEmptiesTheListAndStatistics)
{
    pushSweeps(kBand24, 100, -70.0f);
    auto batch = batchOf({makeAp(1, 6, -50.0f)});
    model.storeAccessPointScan(batch);
    ASSERT_TRUE(model.addToOptimization(makeAp(1, 6, 0).bssid));
    ASSERT_GT(model.utilizationStats.channelCount[5], 0);
    ASSERT_GT(model.utilizationStats.channelUtilization[5], 0.0f);
    clearFlags();

    model.clearHistories();
    EXPECT_TRUE(model.accessPoints.empty());
    EXPECT_EQ(model.totalScanCount, 0u);
    EXPECT_EQ(model.utilizationStats.channelCount[5], 0);
    EXPECT_EQ(model.utilizationStats.channelUtilization[5], 0.0f);
    EXPECT_FALSE(model.utilizationStats.updated);
    EXPECT_TRUE(model.accessPointListChanged[0]);
    EXPECT_TRUE(model.accessPointListChanged[1]);
    // The selection outlives a clear.
    EXPECT_TRUE(model.optimizationSelection.contains(makeAp(1, 6, 0).bssid));
}

TEST_F(DataModelAccessPoints, SortThroughTheModel)
{
    auto batch = batchOf({makeAp(1, 6, -70.0f), makeAp(2, 1, -40.0f)});
    model.mergeAccessPoints(batch);
    model.sortAccessPoints(SpectrumSettings::kSortRssi, true);
    EXPECT_EQ(model.accessPoints[0].bssid[5], 2);
    model.sortAccessPoints(SpectrumSettings::kSortChannel, true);
    EXPECT_EQ(model.accessPoints[0].bssid[5], 1);
}

TEST_F(DataModelAccessPoints, ScansSweepsAndTableWorkShareTheLocks)
{
    // The link thread stores sweeps and scans while the render thread sorts, ages and reads the
    // list under accessPointLock: both finish (no lock-order deadlock) and the list stays whole.
    engine::clock::setSource(nullptr);
    model.deviceInfo.has24AccessPoints = true;
    std::atomic<bool> producing{true};
    std::thread link([this, &producing] {
        std::vector<float> sweep(kBins24, -70.0f);
        for (int i = 0; i < 300; ++i) {
            {
                ModelLock lock(model, kDataLock);
                model.pushSweep(kBand24, sweep.data(), kBins24);
            }
            if (i % 10 == 0) {
                auto batch = batchOf({makeAp(static_cast<std::uint8_t>(i % 50), 1 + i % 13, -40.0f - i % 50)});
                model.storeAccessPointScan(batch);
            }
        }
        producing = false;
    });
    while (producing) {
        ModelLock lock(model, kAccessPointLock);
        model.sortAccessPoints(SpectrumSettings::kSortGrade, true);
        model.ageAccessPoints();
        EXPECT_LE(model.accessPoints.size(), 5u);
        for (const auto& ap : model.accessPoints) {
            EXPECT_GE(ap->timesSeen, 1u);
        }
    }
    link.join();
    EXPECT_EQ(model.totalScanCount, 30u);
    EXPECT_EQ(model.accessPoints.size(), 5u); // ids 0, 10, 20, 30 and 40 recur
    for (const auto& ap : model.accessPoints) {
        EXPECT_GT(ap->grade, 0.0f);
    }
}

} // namespace
} // namespace nolvo
