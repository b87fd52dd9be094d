#include <gtest/gtest.h>

#include "TableTestSupport.h"
#include "tables/TableRows.h"

namespace nolvo {
namespace {

using testing::makeAp;
using testing::named;

std::vector<std::string> describe(const std::vector<TableRow>& rows, const AccessPointSnapshot& snapshot)
{
    std::vector<std::string> out;
    for (const TableRow& row : rows) {
        if (row.kind == RowKind::AccessPoint) {
            out.push_back("ap:" + snapshot.rows[static_cast<std::size_t>(row.entry)].ssid);
        } else {
            out.push_back(row.text);
        }
    }
    return out;
}

using V = std::vector<std::string>;

TEST(AccessPointTableRows, EmptyModelHasTwoHeadersAndTwoMessages)
{
    DataModel model;
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    EXPECT_EQ(describe(accessPointTableRows(snapshot, false), snapshot),
              (V{"2.4GHz SSID List", "No SSID to display", "5GHz SSID List", "No SSID to display"}));
    EXPECT_EQ(describe(accessPointTableRows(snapshot, true), snapshot),
              (V{"5GHz SSID List", "No SSID to display", "2.4GHz SSID List", "No SSID to display"}));
}

TEST(AccessPointTableRows, SectionsInListOrderAndBandOrder)
{
    DataModel model;
    testing::addToModel(model, {named(makeAp(1, 6, -50), "b24"), named(makeAp(2, 36, -60, 20, 0, 1), "a5"),
                                named(makeAp(3, 1, -70), "c24"), named(makeAp(4, 6, -70, 20, 0, 7), "odd-band")});
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    // p = 2, q = 1: p + q + 2 rows; the access point of an unknown band is not listed.
    const auto rows = accessPointTableRows(snapshot, false);
    EXPECT_EQ(rows.size(), 2u + 1u + 2u);
    EXPECT_EQ(describe(rows, snapshot), (V{"2.4GHz SSID List", "ap:b24", "ap:c24", "5GHz SSID List", "ap:a5"}));
    EXPECT_EQ(describe(accessPointTableRows(snapshot, true), snapshot),
              (V{"5GHz SSID List", "ap:a5", "2.4GHz SSID List", "ap:b24", "ap:c24"}));
}

TEST(AccessPointTableRows, OneBandEmpty)
{
    DataModel model;
    testing::addToModel(model, {named(makeAp(2, 36, -60, 20, 0, 1), "a5")});
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    EXPECT_EQ(describe(accessPointTableRows(snapshot, false), snapshot),
              (V{"2.4GHz SSID List", "No SSID to display", "5GHz SSID List", "ap:a5"}));
}

TEST(UtilizationRows, SectionsMessagesAndNotHeardAddresses)
{
    DataModel model;
    UtilizationRows rows;
    AccessPointSnapshot snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    EXPECT_EQ(describe(rows.rows(), snapshot),
              (V{"Selected for Optimization", "Press Edit to add access point", "SSID List", "No SSID to display"}));

    testing::addToModel(model, {named(makeAp(1, 6, -50), "one"), named(makeAp(2, 36, -60, 20, 0, 1), "five"),
                                named(makeAp(3, 1, -70), "three"), makeAp(4, 11, -70)});
    model.optimizationSelection.add(makeAp(3, 1, 0).bssid);
    model.optimizationSelection.add(makeAp(4, 1, 0).bssid);
    snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    EXPECT_EQ(describe(rows.rows(), snapshot), (V{"Selected for Optimization", "ap:three", "ap:", "SSID List", "ap:one"}));
    EXPECT_EQ(rows.selectedCount(), 2);
    EXPECT_EQ(rows.othersCount(), 1);

    // Both selected access points age out: they stay listed by the name last shown, so they can
    // still be removed (the hidden one by its address).
    {
        ModelLock lock(model, kAccessPointLock);
        model.accessPoints.clear();
    }
    snapshot = testing::snapshotOf(model);
    rows.build(snapshot);
    EXPECT_EQ(describe(rows.rows(), snapshot),
              (V{"Selected for Optimization", "not heard", "not heard", "SSID List", "No SSID to display"}));
    ASSERT_EQ(rows.notHeard().size(), 2u);
    EXPECT_EQ(rows.notHeard()[0].name, "three");
    EXPECT_EQ(rows.notHeard()[1].name, "[02:00:00:00:00:04]");
    EXPECT_EQ(rows.notHeard()[0].bssid, makeAp(3, 1, 0).bssid);
    EXPECT_EQ(rows.selectedCount(), 2);
}

} // namespace
} // namespace nolvo
