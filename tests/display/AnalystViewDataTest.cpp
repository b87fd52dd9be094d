#include <gtest/gtest.h>

#include "display/AnalystViewData.h"
#include "model/DataModel.h"
#include "model/access_points/AccessPointBuilders.h"

namespace nolvo {
namespace {

using testing::makeAp;

TEST(AnalystViewData, LeastUsedOfOneSixElevenByUtilizationThenCount)
{
    struct Case {
        float u1, u6, u11;
        int c1, c6, c11;
        std::array<int, 3> expected;
    } cases[] = {
        {10, 30, 20, 0, 0, 0, {1, 11, 6}},
        {50, 5, 5, 0, 3, 1, {11, 6, 1}}, // 6 and 11 tie on utilization: fewer access points first
        {0, 0, 0, 0, 0, 0, {1, 6, 11}},  // all equal: in channel order
    };
    for (const Case& c : cases) {
        std::array<float, 14> u{};
        std::array<int, 14> n{};
        u[0] = c.u1, u[5] = c.u6, u[10] = c.u11;
        n[0] = c.c1, n[5] = c.c6, n[10] = c.c11;
        EXPECT_EQ(leastUsedOf1611(u, n), c.expected);
    }
}

TEST(AnalystViewData, OccupancyCountsBothBandsAndClampsDamagedUtilization)
{
    DataModel model;
    AccessPointBatch batch = testing::batchOf({makeAp(1, 6, -50), makeAp(2, 6, -60), makeAp(3, 14, -70),
                                                makeAp(4, 36, -50, 20, 0, 1), makeAp(5, 149, -50, 20, 0, 1),
                                                makeAp(6, 36, -50, 20, 0, 1), makeAp(7, 200, -50, 20, 0, 1)});
    model.accessPoints.merge(batch, 0, {});
    model.utilizationStats.channelUtilization[0] = 250.0f; // out of range
    model.utilizationStats.channelUtilization[5] = NAN;
    model.utilizationStats.channelUtilization[10] = 12.5f;
    const ChannelOccupancy o = takeOccupancy(model);
    EXPECT_EQ(o.count24[5], 2);
    EXPECT_EQ(o.count24[13], 1);
    EXPECT_EQ(o.utilization24[0], 100.0f);
    EXPECT_EQ(o.utilization24[5], 0.0f);
    EXPECT_EQ(o.count5, (std::vector<std::pair<int, int>>{{36, 2}, {149, 1}})); // 200 is no channel
    EXPECT_EQ(o.leastUsed, (std::array<int, 3>{6, 11, 1}));
}

TEST(AnalystViewData, HistoryShowsTheStrongestOrOnlyThePicked)
{
    std::vector<SignalHistory::Series> all;
    for (std::uint8_t id = 1; id <= 12; ++id) {
        SignalHistory::Series s;
        s.track.bssid = makeAp(id, 1, 0).bssid;
        all.push_back(s);
    }
    EXPECT_EQ(chooseHistoryLines(all, {}, 10).size(), 10u);
    const auto picked = chooseHistoryLines(all, {makeAp(12, 1, 0).bssid, makeAp(99, 1, 0).bssid}, 10);
    ASSERT_EQ(picked.size(), 1u); // a picked address the filter hid (or never heard) is not drawn
    EXPECT_EQ(picked[0].series.track.bssid[5], 12);
}

} // namespace
} // namespace nolvo
