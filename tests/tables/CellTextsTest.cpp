#include <gtest/gtest.h>

#include "TableTestSupport.h"
#include "tables/CellTexts.h"
#include "tables/TableColumns.h"

namespace nolvo {
namespace {

using testing::makeAp;

TEST(CellTexts, SecurityTextAndLock)
{
    struct Case {
        int security;
        int encryption;
        const char* text;
        bool lock;
    };
    const Case cases[] = {
        {0, 0, "OPEN", false}, {0, 3, "OPEN", false}, // open never shows the lock
        {1, 0, "WPS", false},  {1, 2, "WPS", true},   // WPS only when encrypted
        {2, 0, "WEP", true},   {3, 0, "WPA", true},  {4, 0, "WPA2", true},
        {5, 0, "?", true},     {-1, 0, "?", true},    // unknown codes: "?" with the lock
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(cell::securityText(c.security), c.text) << c.security;
        EXPECT_EQ(cell::lockShown(c.security, c.encryption), c.lock) << c.security << "/" << c.encryption;
    }
}

TEST(CellTexts, ModeText)
{
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x00, ""}, {0x01, "b"}, {0x07, "b/g/n"}, {0x08, "a"}, {0x18, "a/ac"}, {0x1F, "a/b/g/n/ac"}, {0x14, "n/ac"},
    };
    for (const auto& [modes, text] : cases) {
        EXPECT_EQ(cell::modeText(modes), text) << int(modes);
    }
}

TEST(CellTexts, ChannelSuffixAndFrequency)
{
    struct Case {
        int band, channel, width, code;
        const char* channelText;
        const char* frequency;
    };
    const Case cases[] = {
        {0, 6, 40, 1, "6L", "2.437"},  {0, 6, 40, 2, "6U", "2.437"}, {0, 6, 20, 1, "6", "2.437"},
        {0, 6, 40, 0, "6", "2.437"},   {0, 14, 20, 0, "14", "2.484"}, {0, 1, 20, 0, "1", "2.412"},
        {0, 15, 20, 0, "15", "0.000"}, {1, 36, 40, 1, "36L", "5.180"}, {1, 165, 20, 0, "165", "5.825"},
        {2, 6, 40, 1, "6", "0.000"}, // an unknown band has no suffix and no frequency
    };
    for (const Case& c : cases) {
        AccessPoint ap = makeAp(1, c.channel, -50.0f, c.width, c.code, c.band);
        const AccessPointRow row = AccessPointRow::from(ap, false);
        EXPECT_EQ(cell::channelText(row), c.channelText) << c.band << "/" << c.channel;
        EXPECT_EQ(cell::frequencyText(c.band, c.channel), c.frequency) << c.band << "/" << c.channel;
    }
}

TEST(CellTexts, BssidRssiAndCount)
{
    EXPECT_EQ(cell::bssidText({0x00, 0x1a, 0xFF, 0x09, 0xab, 0x10}), "[00:1a:ff:09:ab:10]");
    EXPECT_EQ(cell::rssiText(-60.4f), "-60 dBm");
    EXPECT_EQ(cell::rssiText(-60.6f), "-61 dBm");
    EXPECT_EQ(cell::rssiText(std::numeric_limits<float>::quiet_NaN()), "-- dBm");
    EXPECT_EQ(cell::countText(99), "99");
}

TEST(CellTexts, SignalBarPercentAndColour)
{
    struct Case {
        float rssi, percent;
        int red, green;
    };
    const Case cases[] = {
        {-100.0f, 10.0f, 255, 0}, {-90.0f, 10.0f, 255, 0}, {-75.0f, 30.0f, 255, 127}, {-60.0f, 50.0f, 255, 255},
        {-45.0f, 75.0f, 127, 255}, {-30.0f, 100.0f, 0, 255}, {-10.0f, 100.0f, 0, 255},
        {std::numeric_limits<float>::quiet_NaN(), 10.0f, 255, 0}, // no level: the weakest bar
    };
    for (const Case& c : cases) {
        const SignalBar bar = cell::signalBar(c.rssi);
        EXPECT_NEAR(bar.percent, c.percent, 1e-3f) << c.rssi;
        EXPECT_EQ(bar.red, c.red) << c.rssi;
        EXPECT_EQ(bar.green, c.green) << c.rssi;
        EXPECT_EQ(bar.blue, 0) << c.rssi;
    }
}

TEST(CellTexts, UtilizationChannelProposal)
{
    struct Case {
        bool selected;
        int channel, width, code;
        std::vector<std::uint8_t> suggestions;
        const char* text;
    };
    const Case cases[] = {
        {false, 3, 20, 0, {11}, "3"},            // not selected: no proposal
        {true, 3, 20, 0, {}, "3->?"},            // nothing proposed yet
        {true, 3, 20, 0, {3, 3}, "3"},           // stays where it is
        {true, 1, 20, 0, {11}, "1->11"},
        {true, 3, 20, 0, {6, 11, 11, 6}, "3->6"}, // a tie goes to the lower channel
        {true, 3, 20, 0, {14, 14, 14}, "3->?"},  // channel 14 is never proposed
        {true, 3, 40, 1, {7, 7, 1}, "3L->7L"},
    };
    for (const Case& c : cases) {
        AccessPoint ap = makeAp(1, c.channel, -50.0f, c.width, c.code);
        for (std::uint8_t s : c.suggestions) ap.addSuggestion(s);
        EXPECT_EQ(cell::utilizationChannelText(AccessPointRow::from(ap, c.selected)), c.text) << c.text;
    }
}

TEST(CellTexts, GradeTexts)
{
    EXPECT_EQ(cell::gradePercentText(94.6f), "95%");
    EXPECT_STREQ(cell::gradeLetterText(94.6f), "A");
    EXPECT_EQ(cell::gradeCompactText(82.5f), "B(82%)"); // %.0f rounds half to even
    EXPECT_EQ(cell::gradePercentText(140.0f), "0%");    // out of range shows 0
    EXPECT_STREQ(cell::gradeLetterText(-3.0f), "F");
}

TEST(TableColumns, LayoutsAndHeaderTexts)
{
    auto titles = [](TableKind table, bool compact) {
        std::vector<std::string> out;
        for (const auto& c : tableColumns(table, compact)) out.push_back(headerTitle(c, compact, 0, 0));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(titles(TableKind::AccessPoints, false), (V{"SEC.", "MODE", "SSID", "RSSI", "BSSID", "CH.", "FREQ", "CNT."}));
    EXPECT_EQ(titles(TableKind::AccessPoints, true), (V{"SEC.", "SSID", "RSSI", "CH."}));
    EXPECT_EQ(titles(TableKind::Utilization, false), (V{"SSID", "RSSI", "CHANNEL", "GRADE %", "GRADE"}));
    EXPECT_EQ(titles(TableKind::Utilization, true), (V{"SSID", "RSSI", "CH.", "GRADE"}));
    EXPECT_EQ(counterText(12, 340), "Total AP: 12 Total Scan: 340");
}

TEST(TableColumns, SortingFromTheHeaders)
{
    DataModel model;
    model.spectrum.apTableSortCriteria = 0;
    model.spectrum.apTableDescending = 0;
    const auto columns = tableColumns(TableKind::AccessPoints, false);
    auto header = [&](ColumnKind kind) {
        for (const auto& c : columns)
            if (c.kind == kind) return headerTitle(c, false, model.spectrum.apTableSortCriteria, model.spectrum.apTableDescending);
        return std::string("missing");
    };
    struct Step {
        std::uint8_t press;
        std::uint8_t criterion, descending;
        ColumnKind column;
        const char* title;
    };
    const Step steps[] = {
        {SpectrumSettings::kSortSsid, 2, 0, ColumnKind::Ssid, "SSID+"},
        {SpectrumSettings::kSortSsid, 2, 1, ColumnKind::Ssid, "SSID-"},
        {SpectrumSettings::kSortRssi, 3, 1, ColumnKind::Rssi, "RSSI-"}, // RSSI starts strongest first
        {SpectrumSettings::kSortRssi, 3, 0, ColumnKind::Rssi, "RSSI+"},
        {SpectrumSettings::kSortBssid, 1, 0, ColumnKind::HardwareAddress, "BSSID+"},
    };
    for (const Step& s : steps) {
        model.accessPointListChanged[0] = false;
        pressSortHeader(model, TableKind::AccessPoints, s.press);
        EXPECT_EQ(model.spectrum.apTableSortCriteria, s.criterion) << s.title;
        EXPECT_EQ(model.spectrum.apTableDescending, s.descending) << s.title;
        EXPECT_EQ(header(s.column), s.title);
        EXPECT_EQ(header(ColumnKind::Security), "SEC."); // the others read plain
        EXPECT_TRUE(model.accessPointListChanged[0]) << "the scene must re-sort";
    }
    // The utilization table keeps its own criterion.
    EXPECT_EQ(model.spectrum.utilizationSortCriteria, DataModel().spectrum.utilizationSortCriteria);
}

} // namespace
} // namespace nolvo
