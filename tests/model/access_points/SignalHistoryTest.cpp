#include <gtest/gtest.h>

#include "AccessPointBuilders.h"
#include "model/DataModel.h"
#include "model/SignalHistory.h"
#include "platform/Clock.h"

namespace nolvo::testing {
namespace {

constexpr std::uint64_t kStart = 5'000'000;

std::vector<float> levels(const SignalHistory& history, std::uint8_t id, std::uint64_t now)
{
    std::vector<SignalHistory::Point> points;
    history.series(makeAp(id, 1, 0).bssid, now, points);
    std::vector<float> out;
    for (const auto& p : points) {
        out.push_back(p.dBm);
    }
    return out;
}

TEST(SignalHistoryTest, KeepsOneValuePerScanWithinTenMinutesAndStatsSinceFirstHeard)
{
    SignalHistory history;
    // Scans 30 s apart for 15 minutes, level falling 1 dB a scan from -40.
    for (int scan = 0; scan <= 30; ++scan) {
        history.record(makeAp(1, 6, -40.0f - scan), kStart + scan * 30'000ull);
    }
    const std::uint64_t now = kStart + 30 * 30'000ull;
    const std::vector<float> got = levels(history, 1, now);
    ASSERT_EQ(got.size(), 21u); // scans 10..30: ten minutes inclusive
    EXPECT_EQ(got.front(), -50.0f);
    EXPECT_EQ(got.back(), -70.0f);
    const SignalHistory::Track* track = history.track(makeAp(1, 6, 0).bssid);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->firstHeardMs, kStart); // older than the window, still known
    EXPECT_EQ(track->maxDbm, -40.0f);
    EXPECT_EQ(track->minDbm, -70.0f);
    EXPECT_EQ(track->channel, 6);
}

TEST(SignalHistoryTest, ScansCloserThanASecondCountOnceAndTheRingNeverOutgrowsItsBound)
{
    SignalHistory history;
    history.record(makeAp(1, 1, -50.0f), kStart);
    history.record(makeAp(1, 1, -45.0f), kStart + 400); // same scan cycle: replaces
    EXPECT_EQ(levels(history, 1, kStart + 400), std::vector<float>{-45.0f});

    // Twice as many scans as the ring holds, one per second: the ring wraps and stays in order.
    for (std::uint64_t i = 1; i <= 2 * SignalHistory::kSamplesPerTrack; ++i) {
        history.record(makeAp(1, 1, -static_cast<float>(i % 90)), kStart + i * 1000);
    }
    const std::uint64_t now = kStart + 2 * SignalHistory::kSamplesPerTrack * 1000;
    std::vector<SignalHistory::Point> points;
    history.series(makeAp(1, 1, 0).bssid, now, points);
    ASSERT_EQ(points.size(), SignalHistory::kSamplesPerTrack);
    for (std::size_t i = 1; i < points.size(); ++i) {
        ASSERT_EQ(points[i].timeMs, points[i - 1].timeMs + 1000) << i;
    }
    EXPECT_EQ(points.back().timeMs, now);
}

TEST(SignalHistoryTest, TrackCountIsBoundedAndSilentTracksExpire)
{
    SignalHistory history;
    for (std::size_t i = 0; i < SignalHistory::kMaxTracks + 10; ++i) {
        AccessPoint ap = makeAp(0, 1, -50.0f);
        ap.bssid[4] = static_cast<std::uint8_t>(i >> 8);
        ap.bssid[5] = static_cast<std::uint8_t>(i);
        history.record(ap, kStart + i); // i = 0 is heard longest ago
    }
    EXPECT_EQ(history.trackCount(), SignalHistory::kMaxTracks);
    EXPECT_EQ(history.track(makeAp(0, 1, 0).bssid), nullptr); // the oldest went first
    history.prune(kStart + SignalHistory::kWindowMs + SignalHistory::kMaxTracks + 100);
    EXPECT_EQ(history.trackCount(), 0u);
    EXPECT_LT(history.memoryBytes(), 1024u * 1024u);
}

TEST(SignalHistoryTest, ScansFeedTheModelHistoryAndAClearEmptiesIt)
{
    static std::uint64_t now = kStart;
    engine::clock::setSource([] { return now; });
    DataModel model;
    model.deviceInfo.has24AccessPoints = false; // no utilization pass needed here
    AccessPointBatch batch = batchOf({makeAp(1, 6, -50.0f), makeAp(2, 11, -60.0f)});
    model.storeAccessPointScan(batch);
    now += 30'000;
    model.utilizationEditMode = true; // the table is frozen, the history still hears the scan
    batch = batchOf({makeAp(1, 6, -55.0f)});
    model.storeAccessPointScan(batch);
    EXPECT_EQ(levels(model.signalHistory, 1, now), (std::vector<float>{-50.0f, -55.0f}));
    EXPECT_EQ(model.signalHistory.trackCount(), 2u);
    model.clearHistories();
    EXPECT_EQ(model.signalHistory.trackCount(), 0u);
    engine::clock::setSource(nullptr);
}

} // namespace
} // namespace nolvo::testing
