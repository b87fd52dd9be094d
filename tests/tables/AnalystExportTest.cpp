#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TableTestSupport.h"
#include "model/AccessPointFilter.h"
#include "support/TempDir.h"
#include "tables/SignalHistoryExport.h"

namespace nolvo {
namespace {

using testing::makeAp;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        out.push_back(text.substr(start, end - start));
    }
    return out;
}

TEST(AnalystExport, TheFilterCutsTheTableSnapshotButKeepsSelectedAccessPoints)
{
    DataModel model;
    testing::addToModel(model, {testing::named(makeAp(1, 1, -40), "alpha"), testing::named(makeAp(2, 6, -50), "beta"),
                                testing::named(makeAp(3, 11, -60), "gamma")});
    setFilterSsid(model.apFilter, "ALPHA");
    model.addToOptimization(makeAp(3, 11, 0).bssid); // picked by the user: stays in view
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    ASSERT_EQ(snapshot.rows.size(), 2u);
    EXPECT_EQ(snapshot.rows[0].ssid, "alpha");
    EXPECT_EQ(snapshot.rows[1].ssid, "gamma");
    EXPECT_EQ(snapshot.totalAccessPoints, 3u);
    // The export writes what the table shows.
    EXPECT_EQ(lines(accessPointsCsv(snapshot)).size(), 3u);
    // The access-point table has no selection section: there the filter holds for every row.
    AccessPointSnapshot plain;
    {
        ModelLock lock(model, kAccessPointLock);
        plain.take(model, false);
    }
    ASSERT_EQ(plain.rows.size(), 1u);
    EXPECT_EQ(plain.rows[0].ssid, "alpha");
}

TEST(AnalystExport, HistoryCsvIsTimeOrderedFormulaSafeAndNeverOverwrites)
{
    SignalHistory history;
    AccessPoint hostile = testing::named(makeAp(1, 6, -50.25f), "=cmd|' /C calc'!A0");
    AccessPoint plain = testing::named(makeAp(2, 11, -70.0f), "cafe, \"west\"");
    history.record(hostile, 100'000);
    history.record(plain, 100'000);
    hostile.rssi = -48.0f;
    history.record(hostile, 130'000);
    const auto series = history.copySeries(AccessPointFilter(), 130'000);

    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 15;
    local.tm_hour = 9;
    local.tm_min = 30;
    local.tm_sec = 5;
    local.tm_isdst = -1;
    const std::time_t now = std::mktime(&local);
    const std::vector<std::string> got = lines(signalHistoryCsv(series, 130'000, now));
    const std::vector<std::string> expected = {
        "TIME,BSSID,SSID,CH.,RSSI (dBm)",
        "\"2024-03-15 09:29:35\",02:00:00:00:00:01,\"'=cmd|' /C calc'!A0\",6,-50.2",
        "\"2024-03-15 09:29:35\",02:00:00:00:00:02,\"cafe, \"\"west\"\"\",11,-70.0",
        "\"2024-03-15 09:30:05\",02:00:00:00:00:01,\"'=cmd|' /C calc'!A0\",6,-48.0",
    };
    EXPECT_EQ(got, expected);

    test::TempDir dir;
    const ExportResult first = exportSignalHistory(series, 130'000, now, dir.path());
    const ExportResult second = exportSignalHistory(series, 130'000, now, dir.path());
    ASSERT_TRUE(first.ok && second.ok) << first.error << second.error;
    EXPECT_EQ(first.path, dir.path() + "/Nolvo_History_20240315_093005.csv");
    EXPECT_EQ(second.path, dir.path() + "/Nolvo_History_20240315_093005_2.csv");

    // A filtered export leaves out what the filter hides.
    AccessPointFilterSettings only11{};
    only11.channelFirst = 11;
    EXPECT_EQ(lines(signalHistoryCsv(history.copySeries(AccessPointFilter(only11), 130'000), 130'000, now)).size(), 2u);
}

} // namespace
} // namespace nolvo

#include "tables/AccessPointDetails.h"

namespace nolvo {
namespace {

TEST(AccessPointDetails, LinesNameEveryFieldAndOnlyGradedOnesShowAGrade)
{
    AccessPoint ap = testing::named(testing::makeAp(7, 3, -52.4f, 40, 1), "lab\x01net");
    ap.modes = AccessPoint::kMode11g | AccessPoint::kMode11n;
    ap.security = 4;
    ap.grade = 81.0f;
    ap.bestChannel = 11;
    const AccessPointRow row = AccessPointRow::from(ap, false);
    SignalHistory::Track track;
    track.minDbm = -71.0f;
    track.maxDbm = -40.0f;
    track.firstHeardMs = 40'000;
    track.lastHeardMs = 100'000;
    std::tm local{};
    local.tm_year = 124;
    local.tm_mday = 1;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    AccessPointDetailsInput in{&row, &track, "Acme\tRadio", true, 100'000, std::mktime(&local)};
    const std::vector<std::string> expected = {
        "lab\xEF\xBF\xBDnet", // the control byte shown as U+FFFD
        "BSSID: 02:00:00:00:00:07",
        "VENDOR: Acme Radio",
        "CHANNEL: 3 + 7 (2.4 GHz)",
        "WIDTH: 40 MHz",
        "MODE: g/n",
        "SECURITY: WPA2",
        "SIGNAL: -52 dBm  (MIN -71, MAX -40)",
        "FIRST HEARD: 11:59:00  LAST HEARD: 12:00:00",
        "GRADE: 81% (B)  SUGGESTED CH.: 11",
    };
    EXPECT_EQ(accessPointDetailLines(in), expected);
    in.graded = false;
    in.track = nullptr;
    const auto lines = accessPointDetailLines(in);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.back(), "SIGNAL: -52 dBm");
}

} // namespace
} // namespace nolvo
