// nolvo-log running unattended: the metrics text (escaping, the bound on access-point series under
// a beacon flood, promtool's verdict), rotation boundaries, which files retention may delete, the
// logger starting new files and taking up again after a full disk, and the rtl_power rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "LogOptions.h"
#include "Metrics.h"
#include "Rotation.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/RtlPowerFormat.h"
#include "model/datalog/TestClocks.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads back a label value the way the exposition format defines it.
std::string unescapeLabel(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

// The value of label `name` in a sample line, unescaped ("" when missing).
std::string labelOf(const std::string& line, const std::string& name)
{
    std::size_t at = line.find("{" + name + "=\"");
    at = at != std::string::npos ? at : line.find("," + name + "=\"");
    if (at == std::string::npos) {
        return {};
    }
    std::size_t i = at + name.size() + 3;
    std::string raw;
    for (; i < line.size() && line[i] != '"'; ++i) {
        raw += line[i];
        if (line[i] == '\\' && i + 1 < line.size()) {
            raw += line[++i];
        }
    }
    return unescapeLabel(raw);
}

TEST(MetricsText, LabelValuesAreEscapedAndReadBackUnchanged)
{
    const struct {
        std::string raw;
        std::string escaped;
    } cases[] = {
        {"HomeNet", "HomeNet"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"back\\slash", "back\\\\slash"},
        {"two\nlines", "two\\nlines"},
        {"\\\"}\n", "\\\\\\\"}\\n"},
        {"Café ☕", "Café ☕"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeLabelValue(c.raw), c.escaped) << c.raw;
        EXPECT_EQ(unescapeLabel(escapeLabelValue(c.raw)), c.raw) << c.raw;
    }
}

TEST(MetricsText, PowerModeWritesThePowerGaugeAndNoSpectrumFamilies)
{
    MetricsSnapshot snapshot;
    snapshot.powerMode = true;
    snapshot.averagePowerDbm = -12.5f;
    snapshot.accessPoints.push_back({"00:00:00:00:00:01", "x", 1, 0, -50.0f});
    const std::string text = formatMetrics(snapshot);
    EXPECT_NE(text.find("\nnolvo_power_average_dbm -12.5\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("nolvo_access_point_signal_dbm{"), std::string::npos);
    EXPECT_EQ(text.find("nolvo_noise_floor_dbm"), std::string::npos);
}

// A beacon flood with a hostile name among the strongest: at most 256 access-point series, the
// strongest ones, each name escaped so that it reads back as the shown text.
class BeaconFlood : public test::IsolatedStoreTest {
protected:
    static constexpr int kFlood = 100000;
    const std::string kHostile = std::string("\"},evil=\"1\\ \x01\xff") + "x";

    void flood()
    {
        AccessPointBatch batch;
        for (int i = 0; i < kFlood; ++i) {
            auto ap = std::make_unique<AccessPoint>();
            ap->bssid = {0x02, 0x00, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                         static_cast<std::uint8_t>(i), 0x01};
            ap->channel = static_cast<std::uint16_t>(1 + i % 13);
            ap->rssi = -95.0f + static_cast<float>(i % 50); // -95 .. -46
            ap->setSsid("flood" + std::to_string(i));
            if (i == kFlood - 1) {
                ap->setSsid(kHostile);
                ap->rssi = -20.0f;
            }
            batch.push_back(std::move(ap));
            if (batch.size() == 20) {
                m_model.storeAccessPointScan(batch);
            }
        }
        m_model.storeAccessPointScan(batch);
    }

    test::PinnedClocks m_clocks{5000};
    DataModel m_model;
};

TEST_F(BeaconFlood, KeepsTheStrongest256SeriesAndEscapesTheHostileName)
{
    flood();
    MetricsCollector collector(m_model);
    const MetricsSnapshot snapshot = collector.collect({}, true, false);
    const std::string text = formatMetrics(snapshot);

    std::vector<std::string> samples;
    for (const std::string& line : linesOf(text)) {
        if (line.rfind("nolvo_access_point_signal_dbm{", 0) == 0) {
            samples.push_back(line);
        }
    }
    ASSERT_EQ(samples.size(), MetricsSnapshot::kMaxAccessPointSeries);
    AccessPoint hostile;
    hostile.setSsid(kHostile);
    EXPECT_EQ(labelOf(samples[0], "ssid"), hostile.ssidDisplayText()) << samples[0];
    EXPECT_EQ(labelOf(samples[0], "bssid"), "02:00:01:86:9f:01");
    // The weakest level kept is the 256th strongest of the list.
    std::vector<float> levels;
    for (const auto& entry : m_model.accessPoints) {
        levels.push_back(entry->rssi);
    }
    std::sort(levels.begin(), levels.end(), std::greater<float>());
    const double threshold = levels[MetricsSnapshot::kMaxAccessPointSeries - 1];
    std::set<std::string> addresses;
    for (const std::string& line : samples) {
        // Nothing from the name leaks into the label set: exactly four labels.
        EXPECT_EQ(line.find("evil=\"1\""), std::string::npos) << line;
        EXPECT_FALSE(labelOf(line, "band").empty()) << line;
        addresses.insert(labelOf(line, "bssid"));
        const double level = std::stod(line.substr(line.rfind(' ') + 1));
        EXPECT_GE(level, threshold) << "a weaker access point kept over a stronger one: " << line;
    }
    EXPECT_EQ(addresses.size(), samples.size());
    const std::size_t listed = m_model.accessPoints.size();
    EXPECT_NE(text.find("\nnolvo_access_points_not_exported " + std::to_string(listed - 256) + "\n"),
              std::string::npos);

    // promtool, where installed (scripts/install-deps installs it), must accept the whole file.
    if (!fs::exists("/usr/bin/promtool")) {
        GTEST_SKIP() << "promtool is not installed";
    }
    const std::string path = m_dir.file("flood.prom");
    std::string error;
    ASSERT_TRUE(replaceFileAtomically(path, text, error)) << error;
    const std::string command = "/usr/bin/promtool check metrics < '" + path + "' > '" + path + ".out' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readFile(path + ".out");
}

TEST_F(BeaconFlood, AccessPointsNotHeardForThreeMinutesLeaveTheMetrics)
{
    AccessPointBatch batch;
    for (std::uint8_t i = 1; i <= 3; ++i) {
        batch.push_back(std::make_unique<AccessPoint>());
        batch.back()->bssid = {0x02, 0, 0, 0, 0, i};
        batch.back()->channel = 6;
    }
    m_model.storeAccessPointScan(batch);
    MetricsCollector collector(m_model);
    EXPECT_EQ(collector.collect({}, false, false).bands[0].accessPoints, 3);
    m_clocks.advance(AccessPointList::kAgeLimitMs);
    const MetricsSnapshot aged = collector.collect({}, false, false);
    EXPECT_EQ(aged.bands[0].accessPoints, 0);
    EXPECT_TRUE(aged.accessPoints.empty());
}

TEST(MetricsFile, ReplacesTheFileAndFailsWithoutTouchingIt)
{
    test::TempDir dir;
    const std::string path = dir.file("nolvo.prom");
    std::string error;
    ASSERT_TRUE(replaceFileAtomically(path, "first\n", error)) << error;
    ASSERT_TRUE(replaceFileAtomically(path, "second\n", error)) << error;
    EXPECT_EQ(readFile(path), "second\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::others_read);
    // No temporary is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(replaceFileAtomically(dir.file("missing/nolvo.prom"), "x\n", error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(Rotation, BoundariesInLocalTime)
{
    test::PinnedClocks clocks;
    using Rotate = UnattendedOptions::Rotate;
    const std::time_t t = test::kWallSecond; // 2024-03-15 09:30:05 UTC
    const std::time_t nextHour = t + 30 * 60;  // 10:00:05
    const std::time_t midnight = t + 14 * 3600 + 30 * 60; // 2024-03-16 00:00:05
    const struct {
        Rotate rotate;
        std::uint64_t limit;
        std::time_t opened;
        std::time_t now;
        std::uint64_t bytes;
        bool due;
    } cases[] = {
        {Rotate::kHourly, 0, t, t + 29 * 60, 0, false},
        {Rotate::kHourly, 0, t, nextHour, 0, true},
        {Rotate::kHourly, 0, t, t + 24 * 3600, 0, true}, // the same hour on the next day
        {Rotate::kDaily, 0, t, nextHour, 0, false},
        {Rotate::kDaily, 0, t, midnight, 0, true},
        {Rotate::kDaily, 0, t, t + 365 * 86400, 0, true}, // the same day of a later year
        {Rotate::kSize, 4096, t, t, 4095, false},
        {Rotate::kSize, 4096, t, t, 4096, true},
        {Rotate::kNone, 0, t, midnight, 1u << 30, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rotationDue(c.rotate, c.limit, c.opened, c.now, c.bytes), c.due)
            << static_cast<int>(c.rotate) << " " << c.now - c.opened << " s " << c.bytes << " bytes";
    }
}

TEST(Retention, DeletesOnlyOurOldestLogsAndNeverTheCurrentOne)
{
    const std::time_t now = test::kWallSecond;
    const std::vector<LogFileEntry> files = {
        {"Nolvo_20240310_120000.csv", now - 5 * 86400},
        {"Nolvo_20240310_120000_10.csv", now - 5 * 86400},
        {"Nolvo_20240310_120000_2.csv", now - 5 * 86400},
        {"Nolvo_20240314_090000.csv", now - 86400 + 60},
        {"Nolvo_20240315_093005.csv", now},                // the one being written
        {"notes.csv", now - 100 * 86400},                  // not ours
        {"Nolvo_20240101_000000.csv.bak", now - 100 * 86400},
        {"Nolvo_20240101_000000_0.csv", now - 100 * 86400},
        {"Nolvo_2024_000000.csv", now - 100 * 86400},
        {"Nolvo_20240101_000000.png", now - 100 * 86400},  // a screenshot
    };
    const std::string current = "Nolvo_20240315_093005.csv";
    const struct {
        int keepFiles;
        int keepDays;
        std::vector<std::string> victims;
    } cases[] = {
        {0, 0, {}},
        {2, 0, {"Nolvo_20240310_120000.csv", "Nolvo_20240310_120000_2.csv", "Nolvo_20240310_120000_10.csv"}},
        {4, 0, {"Nolvo_20240310_120000.csv"}},
        {1, 0,
         {"Nolvo_20240310_120000.csv", "Nolvo_20240310_120000_2.csv", "Nolvo_20240310_120000_10.csv",
          "Nolvo_20240314_090000.csv"}},
        {0, 1, {"Nolvo_20240310_120000.csv", "Nolvo_20240310_120000_2.csv", "Nolvo_20240310_120000_10.csv"}},
        {0, 6, {}},
        {9, 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(retentionVictims(files, current, c.keepFiles, c.keepDays, now), c.victims)
            << "keep " << c.keepFiles << " files, " << c.keepDays << " days";
    }

    test::TempDir dir;
    for (const LogFileEntry& file : files) {
        std::ofstream(dir.file(file.name)) << "x\n";
    }
    fs::create_directory(dir.file("Nolvo_20200101_000000.csv")); // a directory with our name
    const auto deleted = applyRetention(dir.path(), current, 1, 0, now);
    EXPECT_EQ(deleted.size(), 4u);
    EXPECT_TRUE(fs::exists(dir.file(current)));
    EXPECT_TRUE(fs::exists(dir.file("notes.csv")));
    EXPECT_TRUE(fs::is_directory(dir.file("Nolvo_20200101_000000.csv")));
}

class UnattendedLogging : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        m_file.setWallClock(test::testWallClock);
        m_model.deviceInfo.modelId = 2;
        m_sweep.assign(256, -90.0f);
    }
    void TearDown() override
    {
        m_logger.waitForWrites();
        m_file.setWriter(nullptr);
        m_file.stopDataLog();
        IsolatedStoreTest::TearDown();
    }
    void sweep()
    {
        m_logger.logSpectrum(kBand24, m_sweep.data(), static_cast<int>(m_sweep.size()));
        m_logger.writePending();
        m_logger.waitForWrites(); // files are opened, written and closed on the writer thread
    }
    std::vector<std::string> logs() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.file("data"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::PinnedClocks m_clocks{5000};
    DataModel m_model;
    DataLogFile m_file;
    DataLogger m_logger{m_model, m_file};
    std::vector<float> m_sweep;
};

TEST_F(UnattendedLogging, RotationStartsNewFilesWithTheirOwnHeaderAndNeverOverwrites)
{
    m_logger.setRotationCheck(makeRotationCheck(m_file, UnattendedOptions::Rotate::kHourly, 0));
    m_model.dataLogState = kLogStartRequested;
    sweep();
    sweep();
    test::g_wallSeconds = test::kWallSecond + 30 * 60; // 10:00:05
    sweep();
    sweep();
    test::g_wallSeconds = test::kWallSecond + 90 * 60; // 11:00:05
    sweep();
    const std::vector<std::string> expected = {"Nolvo_20240315_093005.csv", "Nolvo_20240315_100005.csv",
                                               "Nolvo_20240315_110005.csv"};
    ASSERT_EQ(logs(), expected);
    const std::size_t rows[] = {2, 2, 1};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::vector<std::string> lines = linesOf(readFile(m_dir.file("data/" + expected[i])));
        ASSERT_EQ(lines.size(), 3 + rows[i]) << expected[i];
        EXPECT_EQ(lines[0], "Spectrum");
        EXPECT_EQ(lines[3].rfind("2024-03-15 ", 0), 0u) << "first row without the wall-clock time: " << lines[3];
    }
}

std::size_t failingWriter(std::FILE*, const char*, std::size_t)
{
    return 0;
}
std::uint64_t g_freeBytes = 0;
std::uint64_t fakeFreeSpace(const std::string&)
{
    return g_freeBytes;
}

TEST_F(UnattendedLogging, FullDiskIsReportedOnceAndLoggingResumesWhenSpaceReturns)
{
    std::vector<std::string> said;
    LogKeeper keeper(m_model, m_file, m_logger, [&](const std::string& line) { said.push_back(line); }, true);
    keeper.setFreeSpace(fakeFreeSpace);
    m_model.accessoryConnected = true;
    m_model.dataLogState = kLogStartRequested;
    sweep();
    m_file.setWriter(failingWriter); // the disk is full
    g_freeBytes = 0;
    std::uint64_t second = 1;
    for (; second <= 30; ++second) {
        sweep();
        keeper.tick(second);
    }
    ASSERT_EQ(said.size(), 1u) << "the outage must be told once";
    EXPECT_NE(said[0].find("logging paused"), std::string::npos) << said[0];
    EXPECT_TRUE(keeper.stalled());
    EXPECT_FALSE(m_file.isOpen());

    g_freeBytes = LogKeeper::kResumeFreeBytes; // space is back, but writes still fail for a while
    for (; second <= 60; ++second) {
        sweep();
        keeper.tick(second);
    }
    EXPECT_EQ(said.size(), 1u) << said.back();

    m_file.setWriter(nullptr); // writes succeed again
    for (std::uint64_t end = second + 70; second <= end && keeper.stalled(); ++second) {
        sweep();
        keeper.tick(second);
    }
    ASSERT_FALSE(keeper.stalled());
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].find("logging resumed"), std::string::npos) << said[1];
    // The first file keeps what was written before the disk filled; the new one starts afresh.
    const std::vector<std::string> names = logs();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(linesOf(readFile(m_dir.file("data/" + names.front()))).size(), 4u);
    EXPECT_EQ(linesOf(readFile(m_file.path()))[0], "Spectrum");
}

TEST_F(UnattendedLogging, AnUnpluggedAccessoryIsWaitedForAndLoggedToANewFile)
{
    std::vector<std::string> said;
    LogKeeper keeper(m_model, m_file, m_logger, [&](const std::string& line) { said.push_back(line); }, true);
    m_model.accessoryConnected = true;
    m_model.dataLogState = kLogStartRequested;
    sweep();
    // The delegate closes the log when the accessory goes.
    m_model.accessoryConnected = false;
    m_logger.closeLog();
    keeper.tick(1);
    keeper.tick(2);
    EXPECT_EQ(m_model.dataLogState.load(), kLogOff);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("waiting"), std::string::npos) << said[0];
    test::g_wallSeconds = test::kWallSecond + 5;
    m_model.accessoryConnected = true;
    keeper.tick(3);
    keeper.tick(4);
    sweep();
    EXPECT_TRUE(m_file.isOpen());
    EXPECT_EQ(logs().size(), 2u);
    EXPECT_EQ(said.size(), 2u) << "one line when it goes, one when it comes back";
}

TEST_F(UnattendedLogging, RtlPowerLayoutWritesOneHeaderlessRowPerSweep)
{
    m_logger.setLayout(DataLogLayout::kRtlPower);
    m_model.dataLogState = kLogStartRequested;
    sweep();
    sweep();
    const std::vector<std::string> lines = linesOf(readFile(m_file.path()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("2024-03-15, 09:30:05, 2400000000, 2496000000, 1000000.00, 1, -90.00, ", 0), 0u)
        << lines[0];
}

TEST(RtlPowerRow, ColumnsFollowTheFrequencyLine)
{
    test::PinnedClocks clocks;
    std::vector<float> values(600);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = -100.0f + 0.125f * static_cast<float>(i);
    }
    const struct {
        int model;
        int band;
        int count;
        std::string head; // date, time, Hz low, Hz high, Hz step, samples
        int cells;        // dB values, 0 for no row
    } cases[] = {
        {2, 0, 256, "2024-03-15, 09:30:05, 2400000000, 2496000000, 1000000.00, 1", 96},
        {2, 0, 50, "2024-03-15, 09:30:05, 2400000000, 2450000000, 1000000.00, 1", 50},
        {6, 0, 256, "2024-03-15, 09:30:05, 2400000000, 2496078430, 392156.86, 1", 245},
        {7, 0, 245, "2024-03-15, 09:30:05, 2400000000, 2496078430, 392156.86, 1", 245},
        {2, 1, 600, "2024-03-15, 09:30:05, 5145000000, 5861399216, 1399217.22, 1", 512},
        {0, 0, 256, "", 0},
        {2, 0, 0, "", 0},
    };
    for (const auto& c : cases) {
        const std::string row = rtlPowerRow(test::kWallSecond, c.model, c.band, values.data(), c.count);
        if (c.cells == 0) {
            EXPECT_EQ(row, "") << c.model;
            continue;
        }
        EXPECT_EQ(row.rfind(c.head + ", -100.00, -99.88, ", 0), 0u) << row.substr(0, 120);
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 5 + c.cells) << c.model << " " << c.band;
        EXPECT_EQ(row.back(), '\n');
    }
    values[3] = NAN;
    EXPECT_EQ(rtlPowerRow(test::kWallSecond, 2, 0, values.data(), 96), "");
}

TEST(UnattendedOptionsParse, GoodAndBadCommandLines)
{
    const struct {
        std::vector<const char*> args;
        bool good;
        std::string error; // part of the message for a bad line
    } cases[] = {
        {{"--metrics", "/tmp/n.prom", "--metrics-interval", "60"}, true, ""},
        {{"--metrics", "/tmp/"}, false, "--metrics"},
        {{"--metrics-interval", "0"}, false, "--metrics-interval"},
        {{"--rotate", "hourly", "--keep", "48"}, true, ""},
        {{"--rotate", "50M", "--keep-days", "7"}, true, ""},
        {{"--rotate", "512"}, false, "--rotate"},
        {{"--rotate", "weekly"}, false, "--rotate"},
        {{"--rotate", "5T"}, false, "--rotate"},
        {{"--keep", "0"}, false, "--keep"},
        {{"--format", "rtl_power", "--mode", "power"}, false, "rtl_power"},
        {{"--format", "csv2"}, false, "--format"},
        {{"--until-stopped", "--accessory-only", "--seconds", "5"}, true, ""},
        {{"--replay", "res", "--accessory-only"}, false, "--accessory-only"},
        {{"--replay-file", "a.nolrec", "--until-stopped"}, false, "--until-stopped"},
        {{"--replay-file", "a.nolrec", "--metrics", "m.prom"}, false, "--replay-file takes none"},
        {{"--replay-file", "a.nolrec", "--format", "rtl_power"}, false, "--replay-file takes none"},
        {{"--metrics"}, false, "missing value"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"nolvo-log"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string error;
        const auto options = LogOptions::parse(static_cast<int>(argv.size()), argv.data(), error);
        EXPECT_EQ(options.has_value(), c.good) << c.args[0] << " " << error;
        if (!c.good) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
    const char* argv[] = {"nolvo-log", "--rotate", "64K", "--until-stopped", "--format", "rtl_power"};
    std::string error;
    const auto options = LogOptions::parse(6, argv, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->unattended.rotate, UnattendedOptions::Rotate::kSize);
    EXPECT_EQ(options->unattended.rotateBytes, 65536u);
    EXPECT_TRUE(options->unattended.untilStopped);
    EXPECT_TRUE(options->unattended.rtlPower);
}

} // namespace
} // namespace nolvo
