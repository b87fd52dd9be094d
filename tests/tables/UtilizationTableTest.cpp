#include <gtest/gtest.h>

#include "TableTestSupport.h"
#include "tables/CellTexts.h"
#include "tables/ProposalExplanation.h"
#include "tables/SelectionFlow.h"
#include "tables/TableRows.h"

namespace nolvo {
namespace {

using testing::makeAp;
using testing::named;

class UtilizationTable : public ::testing::Test {
protected:
    void sweeps(int count) { testing::pushFlatSweeps(model.band24.history, count, model.band24.amplitudeBottom); }
    void pass()
    {
        ModelLock lock(model, kDataLock | kAccessPointLock);
        model.runUtilizationPass(true);
    }
    AccessPointRow rowOf(std::uint8_t id)
    {
        const AccessPointSnapshot snapshot = testing::snapshotOf(model);
        const AccessPointRow* row = snapshot.find(makeAp(id, 1, 0).bssid);
        EXPECT_NE(row, nullptr) << int(id);
        return row ? *row : AccessPointRow{};
    }
    DataModel model;
};

TEST_F(UtilizationTable, GradesAndLetters)
{
    // Flat sweeps at the floor: no utilization. Alone at -60: 25 + 20 + 10 + 25 + 15.
    testing::addToModel(model, {makeAp(1, 1, -60), makeAp(2, 11, -80), makeAp(3, 6, -60), makeAp(4, 6, -60)});
    sweeps(100);
    pass();
    struct Case {
        std::uint8_t id;
        const char* percent;
        const char* letter;
        float grade;
    };
    const Case cases[] = {
        {1, "95%", "A", 95.0f},
        {2, "82%", "B", 82.5f},  // weaker signal: 12.5 instead of 25
        {3, "94%", "A", 93.5f},  // one equal co-channel neighbour costs 1.5
        {4, "94%", "A", 93.5f},
    };
    for (const Case& c : cases) {
        const AccessPointRow row = rowOf(c.id);
        EXPECT_NEAR(row.grade, c.grade, 1e-4f) << int(c.id);
        EXPECT_EQ(cell::gradePercentText(row.grade), c.percent) << int(c.id);
        EXPECT_STREQ(cell::gradeLetterText(row.grade), c.letter) << int(c.id);
    }
}

TEST_F(UtilizationTable, BelowOneHundredSweepsNothingIsGraded)
{
    testing::addToModel(model, {makeAp(1, 3, -60)});
    model.optimizationSelection.add(makeAp(1, 3, 0).bssid);
    sweeps(99);
    pass();
    const AccessPointRow row = rowOf(1);
    EXPECT_EQ(cell::gradePercentText(row.grade), "0%");
    EXPECT_STREQ(cell::gradeLetterText(row.grade), "F");
    EXPECT_EQ(cell::utilizationChannelText(row), "3->?");
    EXPECT_FALSE(explainProposal(row).compared);
}

TEST_F(UtilizationTable, TieGoesToTheHigherChannel)
{
    // Alone on channel 1 over an empty band: channels 6 and 11 score exactly the current grade;
    // the later candidate wins the tie.
    testing::addToModel(model, {named(makeAp(1, 1, -60), "tie")});
    model.optimizationSelection.add(makeAp(1, 1, 0).bssid);
    sweeps(101); // candidates are scored only above 100 sweeps
    pass();
    const AccessPointRow row = rowOf(1);
    EXPECT_EQ(cell::utilizationChannelText(row), "1->11");

    const ProposalExplanation why = explainProposal(row);
    EXPECT_TRUE(why.compared);
    EXPECT_EQ(why.winner, 11);
    EXPECT_FLOAT_EQ(why.current, 95.0f);
    EXPECT_FLOAT_EQ(why.marginOverCurrent, 0.0f);
    ASSERT_EQ(why.candidates.size(), 10u); // 2..11, its own channel left out
    EXPECT_EQ(why.candidates.front().channel, 2);
    EXPECT_EQ(why.candidates.back().channel, 11);
    EXPECT_TRUE(why.candidates.back().winner);
    EXPECT_FLOAT_EQ(why.candidates[4].weighted, 95.0f); // channel 6
    EXPECT_FLOAT_EQ(why.candidates[0].weighted, 95.0f * 0.75f);
}

TEST_F(UtilizationTable, ExplanationHoldsTheScoresThePassCompared)
{
    // A crowded channel 1 and a busy channel 6: the selected access point on 3 should go to 11.
    testing::addToModel(model, {named(makeAp(1, 3, -60), "mine"), makeAp(2, 1, -50), makeAp(3, 1, -55), makeAp(4, 6, -40),
                                makeAp(5, 4, -65)});
    model.optimizationSelection.add(makeAp(1, 3, 0).bssid);
    sweeps(120);
    pass();
    const AccessPointRow row = rowOf(1);
    const ProposalExplanation why = explainProposal(row);
    ASSERT_TRUE(why.compared);
    EXPECT_EQ(why.winner, 11);
    EXPECT_EQ(cell::utilizationChannelText(row), "3->11");
    // Each stored score is the one the pass computes for that channel.
    {
        ModelLock lock(model, kDataLock | kAccessPointLock);
        const AccessPoint& ap = model.accessPoints[static_cast<std::size_t>(model.accessPoints.find(row.bssid))];
        for (const CandidateLine& line : why.candidates) {
            EXPECT_FLOAT_EQ(line.score, model.candidateScore(&ap, line.channel)) << line.channel;
        }
    }
    float best = 0.0f;
    float second = why.current;
    for (const CandidateLine& line : why.candidates) {
        if (line.winner) best = line.weighted;
        else second = std::max(second, line.weighted);
    }
    EXPECT_FLOAT_EQ(why.marginOverCurrent, best - why.current);
    EXPECT_FLOAT_EQ(why.marginOverRunnerUp, best - second);
    EXPECT_GT(why.marginOverCurrent, 0.0f);
    const auto lines = why.lines();
    EXPECT_EQ(lines.front(), "mine on channel 3");
    EXPECT_NE(why.verdict.find("Channel 11 wins"), std::string::npos) << why.verdict;
}

TEST_F(UtilizationTable, AddAndRemoveFlow)
{
    testing::addToModel(model, {named(makeAp(1, 6, -50), "=cmd|' /C calc'!A0 %s%n"), named(makeAp(2, 1, -60), "other")});
    UtilizationRows rows;
    AccessPointSnapshot snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    // rows: header, "Press Edit...", header, ap 1, ap 2
    ASSERT_EQ(rows.rows().size(), 5u);
    EXPECT_FALSE(requestForRow(rows.rows()[0], snapshot, rows.notHeard())); // headers do nothing
    EXPECT_FALSE(requestForRow(rows.rows()[1], snapshot, rows.notHeard()));
    auto add = requestForRow(rows.rows()[3], snapshot, rows.notHeard());
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->add);
    EXPECT_EQ(selectionAlertTitle(*add), "Add Access Point!");
    EXPECT_EQ(selectionAlertMessage(*add), "Do you want to optimize \"=cmd|' /C calc'!A0 %s%n\"?");
    EXPECT_EQ(selectionAlertButtons(*add), (std::vector<std::string>{"Add", "Cancel"}));

    model.accessPointListChanged[1] = false;
    EXPECT_TRUE(applySelectionRequest(model, *add));
    EXPECT_TRUE(model.accessPointListChanged[1]);
    EXPECT_TRUE(model.optimizationSelection.contains(makeAp(1, 6, 0).bssid));
    EXPECT_TRUE(applySelectionRequest(model, *add)); // again: no second slot
    EXPECT_EQ(model.optimizationSelection.count(), 1);

    snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    auto remove = requestForRow(rows.rows()[1], snapshot, rows.notHeard());
    ASSERT_TRUE(remove);
    EXPECT_FALSE(remove->add);
    EXPECT_EQ(remove->bssid, makeAp(1, 6, 0).bssid);
    EXPECT_EQ(selectionAlertTitle(*remove), "Remove Access Point!");
    EXPECT_EQ(selectionAlertMessage(*remove), "Do you want to remove \"=cmd|' /C calc'!A0 %s%n\"?");
    EXPECT_TRUE(applySelectionRequest(model, *remove));
    EXPECT_FALSE(applySelectionRequest(model, *remove)); // not selected any more
    EXPECT_STREQ(selectionFailureTitle(*remove), "Unable to remove SSID!");
    EXPECT_EQ(model.optimizationSelection.count(), 0);
}

TEST_F(UtilizationTable, HiddenNetworkIsAskedForByItsAddress)
{
    testing::addToModel(model, {makeAp(7, 6, -50)});
    UtilizationRows rows;
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    const auto add = requestForRow(rows.rows()[3], snapshot, rows.notHeard());
    ASSERT_TRUE(add);
    EXPECT_EQ(selectionAlertMessage(*add), "Do you want to optimize \"[02:00:00:00:00:07]\"?");
}

TEST_F(UtilizationTable, TwentyFirstAddIsRefused)
{
    for (std::uint8_t id = 1; id <= 20; ++id) {
        EXPECT_TRUE(applySelectionRequest(model, {makeAp(id, 1, 0).bssid, true, "x"})) << int(id);
    }
    const SelectionRequest extra{makeAp(21, 1, 0).bssid, true, "x"};
    model.accessPointListChanged[0] = false;
    EXPECT_FALSE(applySelectionRequest(model, extra));
    EXPECT_STREQ(selectionFailureTitle(extra), "Unable to add SSID!");
    EXPECT_FALSE(model.accessPointListChanged[0]); // nothing changed
    EXPECT_FALSE(applySelectionRequest(model, {Bssid{}, true, ""}));

    // All 20 aged out of the list: each is still listed, and removing one frees a slot.
    UtilizationRows rows;
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    ASSERT_EQ(rows.notHeard().size(), 20u);
    auto remove = requestForRow(rows.rows()[5], snapshot, rows.notHeard());
    ASSERT_TRUE(remove);
    EXPECT_FALSE(remove->add);
    EXPECT_TRUE(applySelectionRequest(model, *remove));
    EXPECT_TRUE(applySelectionRequest(model, extra));
}

TEST_F(UtilizationTable, EditModeToggles)
{
    EXPECT_TRUE(toggleEditMode(model));
    EXPECT_TRUE(model.utilizationEditMode);
    EXPECT_FALSE(toggleEditMode(model));
    EXPECT_FALSE(model.utilizationEditMode);
}

} // namespace
} // namespace nolvo
