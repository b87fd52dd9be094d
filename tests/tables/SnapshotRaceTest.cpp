#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "TableTestSupport.h"
#include "tables/SelectionFlow.h"
#include "tables/TableRows.h"

namespace nolvo {
namespace {

using testing::makeAp;

std::string nameOf(std::uint8_t id) { return "ap-" + std::to_string(id); }

// The link thread's side: scans that add, replace, empty and re-sort the list as fast as it can.
void churn(DataModel& model, std::atomic<bool>& stop)
{
    std::mt19937 random(7);
    while (!stop.load()) {
        const int action = static_cast<int>(random() % 4);
        if (action == 0) {
            ModelLock lock(model, kAccessPointLock);
            model.accessPoints.clear();
            continue;
        }
        if (action == 1) {
            ModelLock lock(model, kAccessPointLock);
            model.sortAccessPoints(static_cast<std::uint8_t>(1 + random() % 11), random() % 2 == 0);
            continue;
        }
        std::vector<AccessPoint> scan;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            const auto id = static_cast<std::uint8_t>(1 + random() % 200);
            scan.push_back(testing::named(makeAp(id, 1 + static_cast<int>(random() % 11), -40.0f - static_cast<float>(random() % 50)),
                                          nameOf(id)));
        }
        testing::addToModel(model, std::move(scan));
    }
}

TEST(SnapshotRace, ClickedRowActsOnTheAddressItShows)
{
    DataModel model;
    std::atomic<bool> stop{false};
    std::thread link(churn, std::ref(model), std::ref(stop));
    struct Joiner {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~Joiner()
        {
            stop = true;
            thread.join();
        }
    } joiner{stop, link};
    UtilizationRows rows;
    int clicks = 0;
    for (int round = 0; round < 200000 && clicks < 2000; ++round) {
        AccessPointSnapshot snapshot;
        {
            ModelLock lock(model, kAccessPointLock); // what a reload does
            snapshot.take(model);
        }
        rows.build(snapshot);
        // Every row shows one consistent access point, whatever the list did meanwhile.
        for (const TableRow& row : rows.rows()) {
            if (row.kind != RowKind::AccessPoint) continue;
            const AccessPointRow& ap = snapshot.rows.at(static_cast<std::size_t>(row.entry));
            ASSERT_EQ(ap.ssid, nameOf(ap.bssid[5]));
        }
        std::this_thread::yield(); // the list moves on between the reload and the click
        const auto& all = rows.rows();
        const TableRow& clicked = all[static_cast<std::size_t>(round) % all.size()];
        const auto request = requestForRow(clicked, snapshot, rows.notHeard());
        if (!request) continue;
        ++clicks;
        const std::string shown = clicked.kind == RowKind::AccessPoint
                                      ? snapshot.rows[static_cast<std::size_t>(clicked.entry)].ssid
                                      : rows.notHeard()[static_cast<std::size_t>(clicked.entry)].name;
        EXPECT_EQ(request->name, shown);
        EXPECT_EQ(request->bssid[5], std::stoi(shown.substr(3)));
        const bool selectedBefore = [&] {
            ModelLock lock(model, kAccessPointLock);
            return model.optimizationSelection.contains(request->bssid);
        }();
        EXPECT_EQ(selectedBefore, !request->add);
        const bool applied = applySelectionRequest(model, *request);
        ModelLock lock(model, kAccessPointLock);
        if (!applied) { // only a full selection refuses
            ASSERT_TRUE(request->add);
            ASSERT_EQ(model.optimizationSelection.count(), OptimizationSelection::kSlots);
            continue;
        }
        if (request->add) rows.rememberName(request->bssid, request->name);
        ASSERT_EQ(model.optimizationSelection.contains(request->bssid), request->add) << shown;
        ASSERT_LE(model.optimizationSelection.count(), OptimizationSelection::kSlots);
    }
    EXPECT_EQ(clicks, 2000);
}

} // namespace
} // namespace nolvo
