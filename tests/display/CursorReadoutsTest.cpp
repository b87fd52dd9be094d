#include <gtest/gtest.h>

#include "display/CursorReadouts.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

class CursorReadoutsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.common.spectrumModeActive = 1;
        model.spectrum.displayMode = 0;
        model.spectrum.band = 0;
        model.cursors.shown = 1;
        model.cursors.verticalSelected = 1;
        model.cursors.horizontalSelected = 0;
        model.cursors.activeCursor = 0;
        model.cursors.verticalX[0] = 100.0f; // 2400 + 100 x 0.25 = 2425 MHz
        model.cursors.verticalX[1] = 200.0f; // 2450 MHz
        model.spectrum.traceSelection[0] = 1; // raw
        model.spectrum.traceSelection[1] = 6; // heat map: no readout
        model.spectrum.traceSelection[2] = 4; // max hold
        model.cursorResults.binCount = 256;
        model.cursorResults.cursor[0].values = {-60, 0, 0, -40, 0};
        model.cursorResults.cursor[1].values = {-70, 0, 0, -35, 0};
    }
    DataModel model;
    const engine::Size plot{400.0f, 200.0f};
};

TEST_F(CursorReadoutsTest, FrequencyPairAndOneAmplitudePairPerSelectedTrace)
{
    const CursorReadouts r = makeCursorReadouts(model, plot);
    EXPECT_TRUE(r[0].shown);
    EXPECT_EQ(r[0].value, "@Hz: 2.425 GHz");
    EXPECT_EQ(r[0].delta, "ΔHz: 25.00 MHz");
    EXPECT_EQ(r[1].value, "@dBm: -60.00dBm");
    EXPECT_EQ(r[1].delta, "ΔdBm: -10.00dB");
    EXPECT_EQ(r[2].value, "@dBm: -40.00dBm");
    EXPECT_EQ(r[2].delta, "ΔdBm: 5.00dB");
    EXPECT_FALSE(r[3].shown);
}

TEST_F(CursorReadoutsTest, SecondCursorActiveWattsAndAttenuation)
{
    model.cursors.activeCursor = 1;
    model.common.powerUnits = 1;
    model.common.externalAttenuation = 10.0f;
    model.accessoryConnected.store(true);
    const CursorReadouts r = makeCursorReadouts(model, plot);
    EXPECT_EQ(r[0].value, "@Hz: 2.450 GHz");
    EXPECT_EQ(r[1].value, "@W: 1.00 nW"); // -70 + 10 = -60 dBm
    EXPECT_EQ(r[1].delta, "ΔdBm: 10.00dB");
}

TEST_F(CursorReadoutsTest, HorizontalCursorsReadLevelsAndOffReadsNothing)
{
    model.cursors.verticalSelected = 0;
    model.cursors.horizontalSelected = 1;
    model.band24.amplitudeBottom = -100.0f;
    model.band24.amplitudeTop = 0.0f;
    model.cursors.horizontalY[0] = 50.0f;  // -75 dBm
    model.cursors.horizontalY[1] = 150.0f; // -25 dBm
    CursorReadouts r = makeCursorReadouts(model, plot);
    EXPECT_FALSE(r[0].shown);
    EXPECT_EQ(r[1].value, "@dBm: -75.00dBm");
    EXPECT_EQ(r[1].delta, "ΔdBm: 50.00dB");

    model.cursors.shown = 0;
    r = makeCursorReadouts(model, plot);
    for (const CursorReadout& c : r) EXPECT_FALSE(c.shown);
}

TEST_F(CursorReadoutsTest, FiveGigahertzSpan)
{
    model.spectrum.band = 1;
    model.cursors.verticalX[0] = 0.0f;
    model.cursors.verticalX[1] = 400.0f;
    const CursorReadouts r = makeCursorReadouts(model, plot);
    EXPECT_EQ(r[0].value, "@Hz: 5.145 GHz");
    EXPECT_EQ(r[0].delta, "ΔHz: 715.00 MHz");
}

} // namespace
} // namespace nolvo
