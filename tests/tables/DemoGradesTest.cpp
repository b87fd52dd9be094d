// The shipped demo recordings end to end: playback through the parser for a simulated minute, the
// utilization pass, and the rows the utilization table builds from the model's snapshot.
#include <gtest/gtest.h>

#include <string>

#include "TableTestSupport.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "tables/CellTexts.h"
#include "tables/TableRows.h"

namespace nolvo {
namespace {

std::uint64_t g_now = 0;
std::uint64_t fakeNow() { return g_now; }

class DemoGrades : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine::FileUtils* files = engine::FileUtils::getInstance();
        m_savedRoots = files->getResourceRoots();
        m_savedPaths = files->getSearchPaths();
        files->setResourceRoots({NOLVO_SOURCE_DIR});
        files->setSearchPaths({"res"});
        g_now = 1000;
        engine::clock::setSource(&fakeNow);
    }
    void TearDown() override
    {
        engine::FileUtils::getInstance()->setResourceRoots(m_savedRoots);
        engine::FileUtils::getInstance()->setSearchPaths(m_savedPaths);
        engine::clock::setSource(nullptr);
    }

    std::vector<std::string> m_savedRoots;
    std::vector<std::string> m_savedPaths;
};

// A first start's settings (periodic access-point scans every 30 s, the overlay on), the demo
// hardware of each access-point model, a simulated minute or three of worker passes. By then well over 100
// sweeps are stored and the scans have run the full pass: every 2.4 GHz row carries a grade, and
// the strong access point alone on channel 1 grades far above the failing mark.
TEST_F(DemoGrades, AMinuteOfPlaybackGradesEveryAccessPointOfTheTable)
{
    struct Case {
        std::uint8_t hardware;
        int seconds; // the second generation's recording reports access points after 110 s
        const char* name;
    };
    const Case cases[] = {{2, 60, "dual band (the default)"}, {1, 180, "second generation"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataModel model;
        model.resetSettings();
        model.demo.hardware = c.hardware;
        AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
        for (int pass = 0; pass < c.seconds * 10; ++pass) {
            g_now += 100;
            delegate.runWorkerPass();
        }
        {
            ModelLock lock(model, kDataLock);
            EXPECT_GT(model.band24.history.size(), 150u) << "sweeping goes on after the first periodic scan";
        }
        const AccessPointSnapshot snapshot = testing::snapshotOf(model);
        UtilizationRows rows;
        rows.build(snapshot);
        ASSERT_GT(rows.othersCount(), 5);
        int graded = 0;
        const AccessPointRow* strongest = nullptr;
        for (const TableRow& row : rows.rows()) {
            if (row.kind != RowKind::AccessPoint) continue;
            const AccessPointRow& ap = snapshot.rows[static_cast<std::size_t>(row.entry)];
            EXPECT_EQ(ap.band, 0);
            if (cell::gradePercentText(ap.grade) != "0%") ++graded;
            if (!strongest || ap.rssi > strongest->rssi) strongest = &ap;
        }
        EXPECT_EQ(graded, rows.othersCount()) << "every listed access point has a grade";
        ASSERT_NE(strongest, nullptr);
        SCOPED_TRACE(strongest->ssid);
        EXPECT_GE(strongest->rssi, -50.0f);
        EXPECT_GT(strongest->grade, 50.0f);
        EXPECT_STRNE(cell::gradeLetterText(strongest->grade), "F");
    }
}

} // namespace
} // namespace nolvo
