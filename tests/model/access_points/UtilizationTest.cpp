#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AccessPointBuilders.h"
#include "model/Utilization.h"

namespace nolvo {
namespace {

using testing::batchOf;
using testing::makeAp;
using testing::pushFlatSweeps;

constexpr float kFloor = -90.0f;

class UtilizationTest : public ::testing::Test {
protected:
    Utilization pass(std::uint32_t raw24 = 200) { return Utilization(list, selection, stats, {history, kFloor, raw24}); }

    void add(std::vector<AccessPoint> records)
    {
        auto batch = batchOf(std::move(records));
        list.merge(batch, 0, {});
    }

    AccessPoint& byId(std::uint8_t id) { return list[static_cast<std::size_t>(list.find(testing::makeAp(id, 1, 0).bssid))]; }

    SweepHistory history{256};
    AccessPointList list;
    OptimizationSelection selection;
    UtilizationStats stats;
};

// ---- gating ----

TEST_F(UtilizationTest, NonForcedPassRunsOnceEvery101Calls)
{
    add({makeAp(1, 6, -20.0f)});
    pushFlatSweeps(history, 100, kFloor);
    std::vector<int> runs;
    for (int call = 1; call <= 303; ++call) {
        stats.updated = false;
        if (pass().run(false)) {
            runs.push_back(call);
        }
        EXPECT_TRUE(stats.updated) << call; // the flag is raised on every call
    }
    EXPECT_EQ(runs, (std::vector<int>{101, 202, 303}));
    EXPECT_EQ(stats.passCounter, 0);
}

TEST_F(UtilizationTest, ForcedPassNeedsOneHundredSweeps)
{
    add({makeAp(1, 6, -20.0f)});
    pushFlatSweeps(history, 99, kFloor);
    EXPECT_FALSE(pass().run(true));
    EXPECT_EQ(stats.passCounter, 1);
    EXPECT_EQ(list[0].grade, 0.0f); // never graded: shows 0 % and "F"
    EXPECT_STREQ(Utilization::gradeLetter(list[0].grade), "F");

    pushFlatSweeps(history, 1, kFloor);
    EXPECT_TRUE(pass().run(true));
    EXPECT_EQ(stats.passCounter, 0); // the full pass resets the statistics block
    EXPECT_TRUE(stats.updated);
    EXPECT_EQ(list[0].grade, 100.0f);
}

// ---- the grade ----

TEST_F(UtilizationTest, StrongLoneAccessPointGradesOneHundred)
{
    // 50 + 20 + 10 + 25 + 15 = 120 before the limit.
    add({makeAp(1, 6, -20.0f)});
    pushFlatSweeps(history, 100, kFloor);
    pass().fullPass();
    EXPECT_EQ(list[0].grade, 100.0f);
    EXPECT_EQ(list[0].utilization, 0.0f);
    EXPECT_STREQ(Utilization::gradeLetter(list[0].grade), "A");
}

TEST(UtilizationGrade, LettersAndShownGrade)
{
    const struct {
        float grade;
        const char* letter;
    } cases[] = {{100.0f, "A"}, {90.0f, "A"}, {89.99f, "B"}, {80.0f, "B"}, {70.0f, "C"},
                 {60.0f, "D"}, {59.9f, "F"}, {0.0f, "F"}, {NAN, "F"}};
    for (const auto& c : cases) {
        EXPECT_STREQ(Utilization::gradeLetter(c.grade), c.letter) << c.grade;
    }
    EXPECT_EQ(Utilization::shownGrade(42.0f), 42.0f);
    EXPECT_EQ(Utilization::shownGrade(100.5f), 0.0f);
    EXPECT_EQ(Utilization::shownGrade(-1.0f), 0.0f);
    EXPECT_EQ(Utilization::shownGrade(NAN), 0.0f);
    // Signal -60: 25; utilization 30: 7; adjacent 5: 12.5; co-channel 20: 0.
    EXPECT_FLOAT_EQ(Utilization::gradeOf(-60.0f, 30.0f, 5.0f, 20.0f), 64.5f);
    // Weak signal, utilization beyond 100 and negative sums are limited term by term.
    EXPECT_FLOAT_EQ(Utilization::gradeOf(-120.0f, 250.0f, -3.0f, 0.0f), 60.0f);
}

// ---- a small scene computed by hand ----
//
// Floor -90 dBm, 200 raw values per sweep (2 bins per MHz for the own span). 100 sweeps: bins
// 4..47 at -80 dBm in the older 50 and at -60 dBm in the newer 50 (energy 2000 per bin, highest
// level 30 above the floor), every other bin at the floor.
//   AP1 channel 1, -50 dBm (40 above the floor), span 2402..2422 -> bins 4..43
//   AP2 channel 1, -70 dBm (20 above), same span
//   AP3 channel 4, -60 dBm (30 above), span 2417..2437 -> bins 34..73
//   AP9 a 5 GHz access point at -30 dBm: takes no part.
class HandComputedScene : public UtilizationTest {
protected:
    void SetUp() override
    {
        add({makeAp(1, 1, -50.0f), makeAp(2, 1, -70.0f), makeAp(3, 4, -60.0f), makeAp(9, 36, -30.0f, 20, 0, 1)});
        std::vector<float> sweep(256, kFloor);
        for (int s = 0; s < 100; ++s) {
            std::fill(sweep.begin() + 4, sweep.begin() + 48, s < 50 ? -80.0f : -60.0f);
            history.push(sweep.data(), 256);
        }
        pass().fullPass();
    }
};

TEST_F(HandComputedScene, OwnUtilization)
{
    // sum / level / (hi - lo + 1): the divisor counts one bin more than the sum covers.
    EXPECT_FLOAT_EQ(byId(1).utilization, 40 * 2000.0f / 40.0f / 41.0f); // 48.78
    EXPECT_FLOAT_EQ(byId(2).utilization, 40 * 2000.0f / 20.0f / 41.0f); // 97.56
    EXPECT_FLOAT_EQ(byId(3).utilization, 14 * 2000.0f / 30.0f / 41.0f); // bins 34..47: 22.76
}

TEST_F(HandComputedScene, InterferenceSumsAndCounts)
{
    const AccessPoint& ap1 = byId(1);
    const AccessPoint& ap2 = byId(2);
    const AccessPoint& ap3 = byId(3);
    // AP1/AP2 share channel 1: terms clamp2(2*(20-40)/40+1) = 0 and clamp2(2*(40-20)/20+1) = 2.
    EXPECT_EQ(ap1.coChannelCount, 1);
    EXPECT_EQ(ap2.coChannelCount, 1);
    EXPECT_FLOAT_EQ(ap1.coChannelInterference, 0.0f);
    EXPECT_FLOAT_EQ(ap2.coChannelInterference, 2.0f);
    // AP3 on channel 4 overlaps both: with AP1 0.5 and 5/3, with AP2 2 and 1/3.
    EXPECT_EQ(ap1.adjacentCount, 1);
    EXPECT_EQ(ap2.adjacentCount, 1);
    EXPECT_EQ(ap3.adjacentCount, 2);
    EXPECT_EQ(ap3.coChannelCount, 0);
    EXPECT_FLOAT_EQ(ap1.adjacentInterference, 0.5f);
    EXPECT_FLOAT_EQ(ap2.adjacentInterference, 2.0f);
    EXPECT_FLOAT_EQ(ap3.adjacentInterference, 5.0f / 3.0f + 1.0f / 3.0f);
}

TEST_F(HandComputedScene, Grades)
{
    // 50*clamp01((s+100)/80) + 20 + 0.1*(100-u) + 25*clamp01(1-adj/10) + 15*clamp01(1-co/10)
    EXPECT_NEAR(byId(1).grade, 31.25f + 20 + 0.1f * (100 - 2000.0f / 41) + 23.75f + 15, 1e-4); // 95.12
    EXPECT_NEAR(byId(2).grade, 18.75f + 20 + 0.1f * (100 - 4000.0f / 41) + 20 + 12, 1e-4);     // 70.99
    EXPECT_NEAR(byId(3).grade, 25 + 20 + 0.1f * (100 - 28000.0f / 30 / 41) + 20 + 15, 1e-4);   // 87.72
    EXPECT_STREQ(Utilization::gradeLetter(byId(1).grade), "A");
    EXPECT_STREQ(Utilization::gradeLetter(byId(2).grade), "C");
    EXPECT_STREQ(Utilization::gradeLetter(byId(3).grade), "B");
    const AccessPoint& fiveGhz = byId(9);
    EXPECT_EQ(fiveGhz.grade, 0.0f);
    EXPECT_EQ(fiveGhz.utilization, 0.0f);
    EXPECT_EQ(fiveGhz.suggestionCount, 0);
}

TEST_F(HandComputedScene, ChannelCountsAndUtilization)
{
    // Channels 1 and 4 each count themselves and their overlapping channels.
    const std::uint16_t counts[14] = {3, 3, 3, 3, 3, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    for (int ch = 0; ch < 14; ++ch) {
        EXPECT_EQ(stats.channelCount[ch], counts[ch]) << "channel " << ch + 1;
    }
    // Bins at 2.56 per MHz; each bin adds its highest level relative to the reference.
    // Channel 1: bins 6..56, reference AP1 (40): 42 bins at 75 %.
    EXPECT_FLOAT_EQ(stats.channelUtilization[0], 42 * 75.0f / 51);
    // Channel 2: bins 18..69, no access point: the strongest 2.4 GHz one (AP1), 30 bins at 75 %.
    EXPECT_FLOAT_EQ(stats.channelUtilization[1], 30 * 75.0f / 52);
    // Channel 3: bins 31..81, 17 bins at 75 %.
    EXPECT_FLOAT_EQ(stats.channelUtilization[2], 17 * 75.0f / 51);
    // Channel 4: bins 44..94, reference AP3 (30): 4 bins at 100 %.
    EXPECT_FLOAT_EQ(stats.channelUtilization[3], 4 * 100.0f / 51);
    for (int ch = 5; ch <= 14; ++ch) {
        EXPECT_EQ(stats.channelUtilization[ch - 1], 0.0f) << "channel " << ch;
    }
    EXPECT_EQ(stats.passCounter, 0);
}

TEST_F(HandComputedScene, SelectedAccessPointsAreLeftOutAsNeighbours)
{
    ASSERT_TRUE(selection.add(byId(2).bssid));
    pass().fullPass();
    // AP2 still counts AP3, which comes after it, but AP1 no longer sees AP2.
    EXPECT_EQ(byId(1).coChannelCount, 0);
    EXPECT_EQ(byId(2).adjacentCount, 1);
    EXPECT_FLOAT_EQ(byId(2).adjacentInterference, 2.0f);
    // Exactly 100 sweeps: no candidate can be scored yet, so the suggestion is its own channel.
    EXPECT_EQ(byId(2).suggestionCount, 1);
    EXPECT_EQ(byId(2).suggestions[0], 1);
    EXPECT_EQ(byId(1).suggestionCount, 0);
}

// ---- suggestions ----

class SuggestionTest : public UtilizationTest {
protected:
    void SetUp() override { pushFlatSweeps(history, 101, kFloor); }
};

TEST_F(SuggestionTest, TiesGoToTheHigherChannel)
{
    // Alone on a clean band: channels 1, 6 and 11 all score 95; 11 comes last.
    add({makeAp(1, 3, -60.0f)});
    ASSERT_TRUE(selection.add(list[0].bssid));
    pass().fullPass();
    const AccessPoint& ap = list[0];
    EXPECT_FLOAT_EQ(ap.grade, 95.0f);
    EXPECT_EQ(ap.bestChannel, 11);
    EXPECT_FLOAT_EQ(ap.bestScore, 95.0f);
    ASSERT_EQ(ap.suggestionCount, 1);
    EXPECT_EQ(ap.suggestions[0], 11);
}

TEST_F(SuggestionTest, CrowdedChannelIsLeftForTheCleanestOne)
{
    // Three stronger neighbours share channel 1; an equal one sits on channel 11.
    add({makeAp(1, 1, -60.0f), makeAp(2, 1, -40.0f), makeAp(3, 1, -40.0f), makeAp(4, 1, -40.0f), makeAp(5, 11, -60.0f)});
    ASSERT_TRUE(selection.add(list[0].bssid));
    Utilization utilization = pass();
    utilization.fullPass();
    const AccessPoint& ap = list[0];
    // Own: co-channel 3 x 2 = 6 -> 25 + 20 + 10 + 25 + 6.
    EXPECT_FLOAT_EQ(ap.grade, 86.0f);
    // Channel 11 shares with AP5 (term 1): 93.5; channel 6 is clean: 95.
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 11), 93.5f);
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 6), 95.0f);
    EXPECT_EQ(ap.bestChannel, 6);
    EXPECT_FLOAT_EQ(ap.bestScore, 95.0f);
    EXPECT_EQ(ap.suggestions[0], 6);
}

TEST_F(SuggestionTest, NoBetterCandidateKeepsTheOwnChannel)
{
    // Five strong neighbours (term 2 each) on each of channels 1, 3, 6, 9 and 11, listed before
    // the selected access point, so that they weigh on every candidate but not on its own grade
    // (a selected access point is nobody's neighbour, and it only looks at those listed after it).
    std::vector<AccessPoint> records;
    std::uint8_t id = 10;
    for (int channel : {1, 3, 6, 9, 11}) {
        for (int k = 0; k < 5; ++k) {
            records.push_back(makeAp(id++, channel, -40.0f));
        }
    }
    records.push_back(makeAp(1, 3, -60.0f));
    add(std::move(records));
    AccessPoint& ap = byId(1);
    ASSERT_TRUE(selection.add(ap.bssid));
    Utilization utilization = pass();
    utilization.fullPass();
    EXPECT_FLOAT_EQ(ap.grade, 95.0f); // current: 95 x 0.75 = 71.25
    // Channel 1: co-channel 10 and adjacent 10 (channel 3) leave 25 + 20 + 10 = 55.
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 1), 55.0f);
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 6), 55.0f);
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 11), 55.0f);
    EXPECT_EQ(ap.bestChannel, 0);
    EXPECT_EQ(ap.bestScore, 0.0f);
    ASSERT_EQ(ap.suggestionCount, 1);
    EXPECT_EQ(ap.suggestions[0], 3);
}

TEST_F(SuggestionTest, FortyMegahertzAboveIsOfferedChannelsOneToSeven)
{
    // Every candidate with a span scores alike; 11 would win a tie if it were offered.
    add({makeAp(1, 3, -60.0f, 40, AccessPoint::kSecondaryAbove)});
    ASSERT_TRUE(selection.add(list[0].bssid));
    pass().fullPass();
    EXPECT_EQ(list[0].bestChannel, 6);
    EXPECT_EQ(list[0].suggestions[0], 6);
}

TEST_F(SuggestionTest, FortyMegahertzBelowIsOfferedChannelsFiveToEleven)
{
    // Strong neighbours on 6 and 11 spoil those; clean channel 1 would score 95 if offered.
    add({makeAp(1, 9, -60.0f, 40, AccessPoint::kSecondaryBelow), makeAp(2, 6, -40.0f), makeAp(3, 11, -40.0f)});
    ASSERT_TRUE(selection.add(list[0].bssid));
    Utilization utilization = pass();
    utilization.fullPass();
    const AccessPoint& ap = list[0];
    EXPECT_FLOAT_EQ(utilization.candidateScore(&ap, 1), 95.0f);
    // Own channel 9 (secondary 5): both neighbours adjacent, 2 each -> 85, x 0.75 off 1/6/11.
    EXPECT_FLOAT_EQ(ap.grade, 85.0f);
    // Channel 6: co-channel with the neighbour on 6 (term 2) -> 92, the best of 5..11.
    EXPECT_EQ(ap.bestChannel, 6);
    EXPECT_FLOAT_EQ(ap.bestScore, 92.0f);
}

TEST_F(SuggestionTest, CandidateScoreRefusals)
{
    add({makeAp(1, 3, -60.0f), makeAp(2, 36, -60.0f, 20, 0, 1)});
    Utilization utilization = pass();
    EXPECT_EQ(utilization.candidateScore(nullptr, 6), Utilization::kNoScore);
    EXPECT_EQ(utilization.candidateScore(&list[1], 6), Utilization::kNoScore); // 5 GHz
    // Outside 1..14 only the signal counts: 25 + 20 + 10 + 25 + 15.
    EXPECT_FLOAT_EQ(utilization.candidateScore(&list[0], 20), 95.0f);

    AccessPointList empty;
    Utilization none(empty, selection, stats, {history, kFloor, 200});
    EXPECT_EQ(none.candidateScore(&list[0], 6), Utilization::kNoScore);
}

// ---- levels at the floor and empty scenes never store NaN or infinity ----

TEST_F(UtilizationTest, LevelsAtTheFloorGiveZeroNotNan)
{
    add({makeAp(1, 6, kFloor), makeAp(2, 6, kFloor), makeAp(3, 8, -50.0f)});
    std::vector<float> sweep(256, -70.0f);
    for (int s = 0; s < 101; ++s) {
        history.push(sweep.data(), 256);
    }
    ASSERT_TRUE(selection.add(list[0].bssid));
    pass().fullPass();
    for (const auto& ap : list) {
        for (float value : {ap->utilization, ap->adjacentInterference, ap->coChannelInterference, ap->grade, ap->bestScore}) {
            EXPECT_TRUE(std::isfinite(value));
        }
    }
    EXPECT_EQ(list[0].utilization, 0.0f);
    // The pair on channel 6 has no level to compare: each term is clamp2(0 + 1) = 1.
    EXPECT_FLOAT_EQ(list[1].coChannelInterference, 1.0f);
}

TEST_F(UtilizationTest, ChannelUtilizationWithoutAccessPointsIsZero)
{
    std::vector<float> sweep(256, -40.0f);
    for (int s = 0; s < 100; ++s) {
        history.push(sweep.data(), 256);
    }
    pass().fullPass();
    for (float value : stats.channelUtilization) {
        EXPECT_EQ(value, 0.0f);
    }
}

TEST_F(UtilizationTest, HostileRawCountAndNanSamplesStayInBounds)
{
    // 5000 raw values would put the own span far past the 256 bins; NaN samples add nothing.
    add({makeAp(1, 13, -50.0f)});
    std::vector<float> sweep(256, -70.0f);
    sweep[200] = NAN;
    for (int s = 0; s < 100; ++s) {
        history.push(sweep.data(), 256);
    }
    pass(5000).fullPass();
    EXPECT_TRUE(std::isfinite(list[0].utilization));
    EXPECT_TRUE(std::isfinite(list[0].grade));
    for (float value : stats.channelUtilization) {
        EXPECT_TRUE(std::isfinite(value));
    }
    pass(0).fullPass(); // no bins per MHz: no span
    EXPECT_EQ(list[0].utilization, 0.0f);
}

// ---- the selection ----

TEST(OptimizationSelection, TwentySlots)
{
    OptimizationSelection selection;
    for (std::uint8_t i = 1; i <= 20; ++i) {
        EXPECT_TRUE(selection.add(makeAp(i, 1, 0).bssid)) << int(i);
    }
    EXPECT_EQ(selection.count(), 20);
    EXPECT_FALSE(selection.add(makeAp(21, 1, 0).bssid)); // the 21st fails
    EXPECT_FALSE(selection.contains(makeAp(21, 1, 0).bssid));

    EXPECT_TRUE(selection.remove(makeAp(5, 1, 0).bssid));
    EXPECT_FALSE(selection.remove(makeAp(5, 1, 0).bssid)); // no longer there
    EXPECT_TRUE(selection.add(makeAp(21, 1, 0).bssid));    // takes the freed slot
    EXPECT_EQ(selection.slot(4), makeAp(21, 1, 0).bssid);

    EXPECT_FALSE(selection.add(Bssid{}));    // an all-zero address is a free slot, never a selection
    EXPECT_FALSE(selection.remove(Bssid{}));
    EXPECT_FALSE(selection.contains(Bssid{}));
}

} // namespace
} // namespace nolvo
