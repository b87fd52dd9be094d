// Channel plans: channel lists, edges, axes, rows, names and the stored guide slots, against
// values worked out by hand from the channel centres and widths.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/ChannelPlans.h"
#include "model/SettingsRecords.h"

namespace nolvo {
namespace {

using namespace channelplan;

struct PlanCase {
    int plan;
    std::size_t count;
    int first;
    Edges firstEdges;
    int last;
    Edges lastEdges;
    int rows;
    Bounds bounds;
};

constexpr Bounds k24{2400000, 2500000};
constexpr Bounds k5{5145000, 5860000};

TEST(ChannelPlans, EveryPlanCountsAndEndEdges)
{
    const PlanCase cases[] = {
        // 802.11b: 22 MHz channels from 2412 MHz; channel 14 stands apart at 2473..2495 MHz.
        {1, 14, 1, {2401000, 2423000}, 14, {2473000, 2495000}, 5, k24},
        // 802.11g and n/20: 20 MHz channels 1..13 (2412..2472 MHz).
        {2, 13, 1, {2402000, 2422000}, 13, {2462000, 2482000}, 5, k24},
        {3, 13, 1, {2402000, 2422000}, 13, {2462000, 2482000}, 5, k24},
        // 40 MHz below: channel 1 spans channels 1..5 (2402..2442); 9 spans 9..13, up to 2482.
        {4, 9, 1, {2402000, 2442000}, 9, {2442000, 2482000}, 9, k24},
        // 40 MHz above: channel 5 spans 1..5, 13 spans 9..13.
        {5, 9, 5, {2402000, 2442000}, 13, {2442000, 2482000}, 9, k24},
        // Zigbee: 3 MHz channels 11..26 from 2405 MHz (26 at 2480).
        {6, 16, 11, {2403500, 2406500}, 26, {2478500, 2481500}, 1, k24},
        // DEZ: fixed centres, 1 MHz wide.
        {7, 11, 0, {2403699, 2404699}, 10, {2478930, 2479930}, 1, k24},
        // 5 GHz: centre 5000 + 5 x channel.
        {8, 25, 36, {5170000, 5190000}, 165, {5815000, 5835000}, 1, k5},
        {9, 12, 38, {5170000, 5210000}, 159, {5775000, 5815000}, 1, k5},
        {10, 6, 42, {5170000, 5250000}, 155, {5735000, 5815000}, 1, k5},
        {11, 2, 50, {5170000, 5330000}, 114, {5490000, 5650000}, 1, k5},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE("plan " + std::to_string(c.plan));
        const auto list = channelList(c.plan);
        ASSERT_EQ(list.size(), c.count);
        EXPECT_EQ(list.front(), c.first);
        EXPECT_EQ(list.back(), c.last);
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        EXPECT_EQ(channelEdges(c.plan, c.first), c.firstEdges);
        EXPECT_EQ(channelEdges(c.plan, c.last), c.lastEdges);
        EXPECT_EQ(rowCount(c.plan), c.rows);
        EXPECT_EQ(bandBounds(c.plan), c.bounds);
        // Every listed channel has edges inside the plan's axis.
        for (std::uint16_t ch : list) {
            const Edges e = channelEdges(c.plan, ch);
            EXPECT_LT(e.startKHz, e.endKHz) << ch;
            EXPECT_GE(e.startKHz, c.bounds.lowKHz) << ch;
            EXPECT_LE(e.endKHz, c.bounds.highKHz) << ch;
        }
    }
}

TEST(ChannelPlans, IrregularChannelsAndTheFortyMegahertzCaps)
{
    EXPECT_EQ(channelEdges(1, 13), (Edges{2461000, 2483000}));  // regular, for contrast with 14
    EXPECT_EQ(channelEdges(1, 14), (Edges{2473000, 2495000}));
    EXPECT_EQ(channelEdges(4, 9).endKHz, 2482000.0f);
    EXPECT_EQ(channelEdges(5, 13).endKHz, 2482000.0f);
    EXPECT_EQ(channelEdges(4, 5), (Edges{2422000, 2462000}));
    EXPECT_EQ(channelEdges(5, 9), (Edges{2422000, 2462000}));
    // DEZ centres are not on a grid.
    EXPECT_EQ(channelEdges(7, 3), (Edges{2424344, 2425344}));
    EXPECT_EQ(channelEdges(7, 4), (Edges{2441489, 2442489}));
}

TEST(ChannelPlans, ButtonsAreTruncatedToHundredKilohertzAndOneMegahertzWider)
{
    const struct {
        int plan, channel;
        Edges span;
    } cases[] = {
        {7, 0, {2403600, 2405600}},   // 2,403,699..2,404,699
        {7, 10, {2478900, 2480900}},  // 2,478,930..2,479,930
        {1, 1, {2401000, 2424000}},   // already on the grid
        {6, 11, {2403500, 2407500}},
        {8, 36, {5170000, 5191000}},
        {0, 1, {0, 0}},
        {7, 11, {0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(buttonSpan(c.plan, c.channel), c.span) << c.plan << "/" << c.channel;
}

TEST(ChannelPlans, OutOfRangePlansAndChannelsHaveNoEdges)
{
    const struct {
        int plan, channel;
    } cases[] = {
        {0, 1},   {0, 36},  {12, 1},  {12, 36}, {-1, 1},  {1000, 6}, {1, 0},  {1, 15},  {2, 14},
        {3, 0},   {4, 10},  {4, 0},   {5, 4},   {5, 14},  {6, 10},   {6, 27}, {7, -1},  {7, 11},
        {8, 35},  {8, 166}, {9, 0},   {10, 2},  {11, 200}, {11, 35},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(channelEdges(c.plan, c.channel), Edges{}) << c.plan << "/" << c.channel;
    }
    for (int plan : {0, 12, -3}) {
        EXPECT_TRUE(channelList(plan).empty()) << plan;
        EXPECT_EQ(bandBounds(plan), Bounds{}) << plan;
        EXPECT_EQ(rowCount(plan), 1) << plan;
    }
    // Plans 8 to 11 answer for any channel 36..165, listed or not.
    EXPECT_EQ(channelEdges(8, 37), (Edges{5175000, 5195000}));
    EXPECT_EQ(channelEdges(11, 165), (Edges{5745000, 5905000}));
    EXPECT_FALSE(containsChannel(8, 37));
    EXPECT_TRUE(containsChannel(9, 151));
    EXPECT_FALSE(containsChannel(10, 50));
}

TEST(ChannelPlans, NamesAndPrefixes)
{
    const char* const names[] = {"NONE",
                                 "802.11b",
                                 "802.11g",
                                 "802.11n - 20MHz",
                                 "802.11n - 40MHz BELOW",
                                 "802.11n - 40MHz ABOVE",
                                 "802.15.4 - Zigbee",
                                 "DEZ Custom",
                                 "802.11a/n - 20MHz",
                                 "802.11n/ac - 40MHz",
                                 "802.11ac - 80MHz",
                                 "802.11ac - 160MHz"};
    const char* const prefixes[] = {"",
                                    "802.11b :: ",
                                    "802.11g :: ",
                                    "802.11n :: ",
                                    "802.11n (B) :: ",
                                    "802.11n (A):: ",
                                    "Zigbee :: ",
                                    "DEZ Custom :: ",
                                    "802.11a/n :: ",
                                    "802.11n/ac :: ",
                                    "802.11ac :: ",
                                    "802.11ac :: "};
    for (int plan = 0; plan < kPlanCount; ++plan) {
        EXPECT_STREQ(menuName(plan), names[plan]);
        EXPECT_STREQ(popoverPrefix(plan), prefixes[plan]);
    }
    EXPECT_STREQ(menuName(12), "");
    EXPECT_STREQ(popoverPrefix(-1), "");
}

TEST(ChannelPlans, PickerRowsMapToPlans)
{
    EXPECT_EQ(pickerRowCount(0), 8);
    EXPECT_EQ(pickerRowCount(1), 5);
    EXPECT_EQ(pickerRowCount(2), 0);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(planOfPickerRow(0, row), row);
        EXPECT_EQ(pickerRowOfPlan(0, row), row);
    }
    const int plans5[] = {0, 8, 9, 10, 11};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(planOfPickerRow(1, row), plans5[row]);
        EXPECT_EQ(pickerRowOfPlan(1, plans5[row]), row);
    }
    EXPECT_STREQ(pickerRowName(0, 6), "802.15.4 - Zigbee");
    EXPECT_STREQ(pickerRowName(1, 2), "802.11n/ac - 40MHz");
    EXPECT_STREQ(pickerRowName(1, 5), "");
    EXPECT_EQ(planOfPickerRow(1, 5), 0);
    EXPECT_EQ(planOfPickerRow(0, -1), 0);
    // A stored value the band does not accept shows as "NONE".
    EXPECT_EQ(pickerRowOfPlan(0, 9), 0);
    EXPECT_EQ(pickerRowOfPlan(1, 3), 0);
}

TEST(ChannelPlans, StoredSlotsAcceptOnlyTheirBandsPlans)
{
    const struct {
        int band;
        std::int32_t stored;
        int plan;
    } cases[] = {
        {0, 0, 0},  {0, 1, 1},  {0, 7, 7},  {0, 8, 0},   {0, 11, 0}, {0, 12, 0},
        {0, -1, 0}, {1, 0, 0},  {1, 1, 0},  {1, 7, 0},   {1, 8, 8},  {1, 11, 11},
        {1, 12, 0}, {1, -8, 0}, {2, 3, 0},  {1, 0x7fffffff, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(storedPlan(c.band, c.stored), c.plan) << c.band << "/" << c.stored;

    SpectrumSettings s{};
    s.channelGuide24 = 9;  // a 5 GHz plan in the 2.4 GHz slot
    s.channelGuide5 = 10;
    s.band = 0;
    EXPECT_EQ(activePlan(s), 0);
    s.channelGuide24 = 6;
    EXPECT_EQ(activePlan(s), 6);
    s.band = 1;
    EXPECT_EQ(activePlan(s), 10);
    s.channelGuide5 = 3;  // a 2.4 GHz plan in the 5 GHz slot
    EXPECT_EQ(activePlan(s), 0);
    s.band = 2;
    s.channelGuide5 = 10;
    EXPECT_EQ(activePlan(s), 0);
}

TEST(ChannelPlans, MetricsBySizeClass)
{
    const struct {
        int sizeClass, plan;
        float height, gap, title;
    } cases[] = {
        {0, 1, 25, 3, 12}, {0, 7, 25, 3, 7},   {1, 3, 25, 5, 16}, {1, 8, 25, 5, 10},
        {2, 9, 35, 5, 20}, {2, 7, 35, 5, 12},  {3, 1, 35, 5, 16}, {3, 8, 35, 5, 12},
        {9, 1, 35, 5, 16}, {-1, 7, 35, 5, 12},
    };
    for (const auto& c : cases) {
        const GuideMetrics m = guideMetrics(c.sizeClass, c.plan);
        EXPECT_EQ(m.rowHeight, c.height) << c.sizeClass << "/" << c.plan;
        EXPECT_EQ(m.rowGap, c.gap) << c.sizeClass << "/" << c.plan;
        EXPECT_EQ(m.titleFontSize, c.title) << c.sizeClass << "/" << c.plan;
    }
    EXPECT_EQ(popoverFontSize(0), 16.0f);
    EXPECT_EQ(popoverFontSize(1), 16.0f);
    EXPECT_EQ(popoverFontSize(2), 18.0f);
    EXPECT_EQ(popoverFontSize(3), 18.0f);
}

} // namespace
} // namespace nolvo
