#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo::test {
namespace {


TEST(MenuValuesTest, SliderMappingsAtTheirEdges)
{
    const struct {
        int p;
        float seconds;
        const char* label;
    } refresh[] = {
        {-5, 0, "ALWAYS"}, {0, 0, "ALWAYS"}, {1, 20, "20s"},  {24, 20, "20s"},   {25, 30, "30s"},
        {50, 60, "60s"},   {99, 110, "110s"}, {100, 120, "120s"}, {250, 120, "120s"},
    };
    for (const auto& c : refresh) {
        EXPECT_FLOAT_EQ(menu_values::refreshFromPercent(c.p), c.seconds) << "p = " << c.p;
        EXPECT_EQ(menu_values::refreshLabel(menu_values::refreshFromPercent(c.p)), c.label) << "p = " << c.p;
    }
    const struct {
        int p;
        int peaks;
    } peaks[] = {{0, 0}, {19, 0}, {20, 1}, {39, 1}, {40, 2}, {99, 4}, {100, 5}, {101, 5}, {-1, 0}};
    for (const auto& c : peaks) EXPECT_EQ(menu_values::peakCountFromPercent(c.p), c.peaks) << "p = " << c.p;

    EXPECT_FLOAT_EQ(menu_values::persistFromPercent(0), 0.1f);
    EXPECT_FLOAT_EQ(menu_values::persistFromPercent(100), 20.0f);
    EXPECT_NEAR(menu_values::persistFromPercent(50), 10.05f, 1e-4f);
    EXPECT_FLOAT_EQ(menu_values::holdFromPercent(100), 3.0f);
    EXPECT_FLOAT_EQ(menu_values::holdFromPercent(0), 0.0f);
    EXPECT_FLOAT_EQ(menu_values::decayFromPercent(100), 10.0f);
    EXPECT_FLOAT_EQ(menu_values::averageFromPercent(100), 4.0f);
    EXPECT_FLOAT_EQ(menu_values::averageFromPercent(25), 1.0f);
    EXPECT_EQ(menu_values::secondsLabel(1.0f), "1.00s");
    EXPECT_EQ(menu_values::decayLabel(2.0f), "2.00dBm");
}

// A slider shown at the position of a stored value gives that value back, so opening a menu and
// touching nothing never changes a setting.
TEST(MenuValuesTest, PositionsOfStoredValuesGiveTheValuesBack)
{
    for (int p = 0; p <= 100; ++p) {
        const float refresh = menu_values::refreshFromPercent(p);
        EXPECT_FLOAT_EQ(menu_values::refreshFromPercent(menu_values::percentOfRefresh(refresh)), refresh) << p;
        const float hold = menu_values::holdFromPercent(p);
        EXPECT_NEAR(menu_values::holdFromPercent(menu_values::percentOfHold(hold)), hold, 1e-5f) << p;
        const float decay = menu_values::decayFromPercent(p);
        EXPECT_NEAR(menu_values::decayFromPercent(menu_values::percentOfDecay(decay)), decay, 1e-5f) << p;
        const float average = menu_values::averageFromPercent(p);
        EXPECT_NEAR(menu_values::averageFromPercent(menu_values::percentOfAverage(average)), average, 1e-5f) << p;
        const float persist = menu_values::persistFromPercent(p);
        EXPECT_NEAR(menu_values::persistFromPercent(menu_values::percentOfPersist(persist)), persist, 1e-4f) << p;
        const int peaks = menu_values::peakCountFromPercent(p);
        EXPECT_EQ(menu_values::peakCountFromPercent(menu_values::percentOfPeakCount(peaks)), peaks) << p;
    }
    // Values no slider gives, and damaged ones, still land on the slider.
    EXPECT_EQ(menu_values::percentOfRefresh(5000.0f), 100);
    EXPECT_EQ(menu_values::percentOfRefresh(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(menu_values::percentOfHold(-3.0f), 0);
    EXPECT_EQ(menu_values::percentOfPeakCount(200), 100);
}

TEST(MenuValuesTest, LookupsByStoredIndexAreBoundsChecked)
{
    const struct {
        std::string (*lookup)(int);
        int index;
        const char* text;
    } cases[] = {
        {menu_values::traceName, 0, "NONE"},          {menu_values::traceName, 6, "HEAT MAP"},
        {menu_values::traceName, 7, "UNKNOWN"},       {menu_values::traceName, -1, "UNKNOWN"},
        {menu_values::traceName, 255, "UNKNOWN"},     {menu_values::planName, 0, "NONE"},
        {menu_values::planName, 7, "DEZ Custom"},     {menu_values::planName, 11, "802.11ac - 160MHz"},
        {menu_values::planName, 12, "UNKNOWN"},       {menu_values::planName, -2147483647, "UNKNOWN"},
        {menu_values::planName, 8, "802.11a/n - 20MHz"},
        {menu_values::colorMapName, 2, "X-RAY"},      {menu_values::colorMapName, 4, "UNKNOWN"},
        {menu_values::colorMapName, -1, "UNKNOWN"},   {menu_values::internalAttenuationName, 0, "0 dBm"},
        {menu_values::internalAttenuationName, 7, "28 dBm"}, {menu_values::internalAttenuationName, 8, "UNKNOWN"},
        {menu_values::internalAttenuationName, -1, "UNKNOWN"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.lookup(c.index), c.text) << "index " << c.index;
    EXPECT_EQ(menu_values::rowOf(3, 7), 3);
    EXPECT_EQ(menu_values::rowOf(7, 7), -1);
    EXPECT_EQ(menu_values::rowOf(-1, 7), -1);
    EXPECT_EQ(menu_values::externalAttenuationName(12.5f), "12.50 dBm");
    EXPECT_EQ(menu_values::externalAttenuationName(std::numeric_limits<float>::infinity()), "UNKNOWN");
    EXPECT_EQ(menu_values::nearestExternalAttenuationChoice(10.4f), 10);
    EXPECT_EQ(menu_values::nearestExternalAttenuationChoice(-50.0f), 0);
}

TEST(MenuValuesTest, GuidePickersShowThePlansTheyStore)
{
    const std::vector<std::string> rows24 = menu_values::guideRows(0);
    ASSERT_EQ(rows24.size(), 8u);
    EXPECT_EQ(rows24[0], "NONE");
    EXPECT_EQ(rows24[3], "802.11n - 20MHz");
    EXPECT_EQ(rows24[7], "DEZ Custom");
    const std::vector<std::string> rows5 = menu_values::guideRows(1);
    ASSERT_EQ(rows5.size(), 5u);
    EXPECT_EQ(rows5[1], "802.11a/n - 20MHz");
    EXPECT_EQ(rows5[4], "802.11ac - 160MHz");
    const struct {
        int band;
        std::int32_t stored;
        const char* title;
    } titles[] = {
        {0, 3, "802.11n - 20MHz"}, {0, 40, "UNKNOWN"}, {0, -1, "UNKNOWN"}, {1, 10, "802.11ac - 80MHz"},
        {1, 12, "UNKNOWN"},        {1, 3, "NONE"}, // a 2.4 GHz plan in the 5 GHz slot draws nothing
        {0, 9, "NONE"},
    };
    for (const auto& t : titles) {
        EXPECT_EQ(menu_values::guideTitle(t.band, t.stored), t.title) << t.band << "/" << t.stored;
    }
}

TEST(MenuValuesTest, MaskTitles)
{
    const struct {
        std::int32_t mask;
        const char* graticule;
        const char* alerts;
    } cases[] = {
        {31, "GRATICULE", "NONE"}, {0, "NONE", "NONE"},         {1, "CROSSHAIRS", "ON STARTUP"},
        {2, "MAJOR TICS", "ON DISCONNECT"}, {3, "CUSTOM", "ALERTS"}, {16, "MINOR GRID", "NONE"},
        {-1, "CUSTOM", "NONE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(menu_values::graticuleTitle(c.mask), c.graticule) << c.mask;
        EXPECT_EQ(menu_values::alertsTitle(c.mask), c.alerts) << c.mask;
    }
}

TEST(MenuValuesTest, PeakSlidersNameAndWriteTheirTrace)
{
    auto model = std::make_unique<DataModel>();
    SpectrumSettings& s = model->spectrum;
    const struct {
        std::uint8_t selection;
        const char* caption;
        int field; // peakCounts index, -1 none
    } cases[] = {
        {0, "PEAKS \n(NONE):", -1}, {1, "PEAKS \n(RAW):", 0}, {2, "PEAKS \n(DECAY):", 1}, {3, "PEAKS \n(AVG.):", 2},
        {4, "PEAKS \n(MAX):", 3},   {5, "PEAKS \n(MIN):", 4}, {6, "PEAKS \n(UNKNOWN):", -1},
        {200, "PEAKS \n(UNKNOWN):", -1},
    };
    s.displayMode = 0;
    for (const auto& c : cases) {
        for (int k = 0; k < 3; ++k) {
            s.traceSelection[k] = c.selection;
            const menu_values::PeakTarget target = menu_values::peakTarget(s, k);
            EXPECT_EQ(target.caption, c.caption);
            EXPECT_EQ(target.field, c.field < 0 ? nullptr : &s.peakCounts[c.field]) << int(c.selection);
        }
    }
    s.displayMode = 1;
    EXPECT_EQ(menu_values::peakTarget(s, 0).caption, "PEAKS \n(HORZ):");
    EXPECT_EQ(menu_values::peakTarget(s, 0).field, &s.peaksHorizontal);
    EXPECT_EQ(menu_values::peakTarget(s, 1).caption, "PEAKS \n(VERT):");
    EXPECT_EQ(menu_values::peakTarget(s, 1).field, &s.peaksVertical);
    EXPECT_EQ(menu_values::peakTarget(s, 2).field, nullptr);

    EXPECT_EQ(menu_values::onTopOfKind(6), 0); // HEAT MAP turns the on-top marking off
    EXPECT_EQ(menu_values::onTopOfKind(0), 0);
    EXPECT_EQ(menu_values::onTopOfKind(3), 3);
}

} // namespace
} // namespace nolvo::test
