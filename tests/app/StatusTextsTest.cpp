#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "app/StatusTexts.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

class StatusTextsTest : public ::testing::Test {
protected:
    std::unique_ptr<DataModel> model = std::make_unique<DataModel>();
    DataModel& m = *model;
};

TEST_F(StatusTextsTest, RealWaveAmplitudeInDbmAndWatts)
{
    m.common.spectrumModeActive = 1;
    m.spectrum.displayMode = 0;
    m.spectrum.band = 0;
    m.band24.amplitudeBottom = -90.0f;
    m.band24.amplitudeTop = -10.0f;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:10.00dBm/div");
    m.common.powerUnits = 1; // 10 dB per division is a factor 10: 0.01 W
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:10.00 mW/div");
    m.common.powerUnits = 0;
    m.spectrum.band = 1; // the 5 GHz window is the one shown
    m.band5.amplitudeBottom = -100.0f;
    m.band5.amplitudeTop = 0.0f;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:12.50dBm/div");
    m.band5.amplitudeTop = NAN;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:--dBm/div");
    m.common.powerUnits = 1;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:--W/div");
}

TEST_F(StatusTextsTest, WaterfallAmplitudeIsTimePerDivision)
{
    m.common.spectrumModeActive = 1;
    m.spectrum.displayMode = 1;
    m.spectrum.band = 0;
    m.band24.waterfallRowsPerDivision = 2;
    m.refreshInterval[0] = 0.1f;
    // rows x interval x 500 / z, z = 1, 2, 5 for the selectors 0, 1, 2 and 1 for anything else.
    const struct {
        int selector;
        const char* text;
    } cases[] = {{0, "A:100.00 s/div"}, {1, "A:50.00 s/div"}, {2, "A:20.00 s/div"}, {9, "A:100.00 s/div"}, {-1, "A:100.00 s/div"}};
    for (const auto& c : cases) {
        m.spectrum.waterfallTimeScale = c.selector;
        EXPECT_EQ(StatusTexts::amplitudeScale(m), c.text) << "selector " << c.selector;
    }
    m.refreshInterval[0] = NAN;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:--s/div");
}

TEST_F(StatusTextsTest, FrequencySpanPerBand)
{
    m.common.spectrumModeActive = 1;
    m.spectrum.band = 0;
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "Hz:10.00 MHz/div");
    m.spectrum.band = 1; // 5145 .. 5860 MHz
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "Hz:71.50 MHz/div");
    m.spectrum.band = 7; // out of range reads as 2.4 GHz
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "Hz:10.00 MHz/div");
}

TEST_F(StatusTextsTest, PowerModeScales)
{
    m.common.spectrumModeActive = 0;
    m.powerStore.amplitudeBottom = -40.0f;
    m.powerStore.amplitudeTop = 0.0f;
    EXPECT_EQ(StatusTexts::amplitudeScale(m), "A:5.00dBm/div");
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "T:--sec/div"); // no table yet
    m.powerStore.timePerDivision = {0.001f, 0.01f};
    m.power.timeScaleIndex = 0;
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "T:1 msec/div");
    m.power.timeScaleIndex = 99; // clamped to the last entry
    EXPECT_EQ(StatusTexts::frequencyOrTimeScale(m), "T:10 msec/div");
}

TEST_F(StatusTextsTest, TriggerByAcquisitionPhase)
{
    m.deviceInfo.rollThreshold = 3;
    m.power.timeScaleIndex = 2; // roll mode: no trigger text
    m.powerStore.acquisitionPhase = 0;
    EXPECT_EQ(StatusTexts::trigger(m, "TRIG?"), "");
    m.power.timeScaleIndex = 3;
    const struct {
        int phase;
        bool autoTrigger;
        const char* text;
    } cases[] = {
        {0, false, "TRIG"}, {0, true, "TRIG"},   {1, true, "AUTO"},
        {1, false, "TRIG?"}, {2, true, "TRIG?"}, {7, true, "previous"}, // unknown phase: unchanged
    };
    for (const auto& c : cases) {
        m.powerStore.acquisitionPhase = c.phase;
        m.power.autoTrigger = c.autoTrigger ? 1 : 0;
        EXPECT_EQ(StatusTexts::trigger(m, "previous"), c.text) << "phase " << c.phase;
    }
}

} // namespace
} // namespace nolvo
