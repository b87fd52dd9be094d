#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "TableTestSupport.h"
#include "support/TempDir.h"
#include "tables/TableExport.h"

namespace nolvo {
namespace {

using testing::makeAp;

// Splits CSV text into records of cells, honouring quotes (RFC 4180).
std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> records(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().push_back(cell);
            cell.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            records.back().push_back(cell);
            cell.clear();
            records.emplace_back();
            ++i;
        } else {
            cell += c;
        }
    }
    if (records.back().empty()) records.pop_back();
    return records;
}

TEST(TableExport, HostileSsidsBecomeOneInertCell)
{
    const std::string hostile[] = {
        "=HYPERLINK(\"http://x\",\"y\")", "+1+2", "-2+3", "@SUM(A1)", "a,b", "say \"hi\"", "line\nbreak",
        std::string("bad\xff\xfe utf8"), "\tTab",
    };
    DataModel model;
    std::vector<AccessPoint> records;
    std::uint8_t id = 1;
    for (const std::string& ssid : hostile) records.push_back(testing::named(makeAp(id++, 6, -50), ssid));
    testing::addToModel(model, std::move(records));
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    const auto table = parseCsv(accessPointsCsv(snapshot));
    ASSERT_EQ(table.size(), 1u + std::size(hostile));
    const std::size_t columns = table[0].size();
    EXPECT_EQ(table[0][2], "SSID");
    for (std::size_t i = 1; i < table.size(); ++i) {
        ASSERT_EQ(table[i].size(), columns) << "record " << i << " was split or joined";
        const std::string& ssid = table[i][2];
        EXPECT_EQ(std::string("=+-@\t").find(ssid.front()), std::string::npos) << ssid;
        EXPECT_EQ(ssid.find('\n'), std::string::npos);
    }
    EXPECT_EQ(table[1][2], "'=HYPERLINK(\"http://x\",\"y\")");
    EXPECT_EQ(table[5][2], "a,b");
    EXPECT_EQ(table[6][2], "say \"hi\"");
    EXPECT_EQ(table[8][2], "bad\xEF\xBF\xBD\xEF\xBF\xBD utf8"); // invalid bytes shown as U+FFFD
    EXPECT_EQ(table[1][4], "02:00:00:00:00:01");
    EXPECT_EQ(table[1][5], "6");
    EXPECT_EQ(table[1][6], "2.437");
}

TEST(TableExport, NamesFilesByTimeAndNeverOverwrites)
{
    test::TempDir dir;
    DataModel model;
    testing::addToModel(model, {makeAp(1, 6, -50)});
    const AccessPointSnapshot snapshot = testing::snapshotOf(model);
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 15;
    local.tm_hour = 9;
    local.tm_min = 30;
    local.tm_sec = 5;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    EXPECT_EQ(exportBaseName(when), "Nolvo_APs_20240315_093005");

    const ExportResult first = exportAccessPoints(snapshot, when, dir.path());
    const ExportResult second = exportAccessPoints(snapshot, when, dir.path());
    ASSERT_TRUE(first.ok) << first.error;
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(first.path, dir.path() + "/Nolvo_APs_20240315_093005.csv");
    EXPECT_EQ(second.path, dir.path() + "/Nolvo_APs_20240315_093005_2.csv");
    std::ifstream in(first.path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), accessPointsCsv(snapshot));
    for (const std::string& path : {first.path, second.path}) {
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << path; // BSSIDs of other people's networks
    }

    const ExportResult failed = exportAccessPoints(snapshot, when, dir.path() + "/missing/dir");
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.empty());
}

} // namespace
} // namespace nolvo
