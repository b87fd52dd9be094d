// The power-mode cursor readouts of the status strip: times from the trigger point, levels under
// the cursors with the attenuation offset, energy, and the PHASE and RATIO units.

#include <gtest/gtest.h>

#include "display/PowerCursorReadouts.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

class PowerCursorReadoutsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.common.spectrumModeActive = 0;
        model.common.powerUnits = 0;
        model.cursors.shown = 1;
        model.cursors.verticalSelected = 1;
        model.cursors.horizontalSelected = 0;
        model.cursors.activeCursor = 0; // cursor 0 active
        model.cursors.verticalX[0] = 300.0f;
        model.cursors.verticalX[1] = 500.0f;
        model.powerStore.timePerDivision = {0.001f}; // 10 ms across 1000 points: 10 µs per point
        model.power.timeScaleIndex = 0;
        model.power.triggerDelay = 0.0f; // trigger point at x = 500
        model.cursorResults.cursor[0].values[kTraceRaw] = -30.0f;
        model.cursorResults.cursor[1].values[kTraceRaw] = -20.0f;
        model.powerStore.cursorEnergy = 2e-6f;
    }
    CursorReadouts readouts() const { return makePowerCursorReadouts(model, plot); }

    DataModel model;
    engine::Size plot{1000.0f, 500.0f};
};

TEST_F(PowerCursorReadoutsTest, VerticalCursorsReadTimeLevelAndEnergy)
{
    const CursorReadouts r = readouts();
    ASSERT_TRUE(r[0].shown);
    EXPECT_EQ(r[0].value, "@t: -2.00 ms");
    EXPECT_EQ(r[0].delta, "Δt: 2.00 ms");
    EXPECT_EQ(r[1].value, "@dBm: -30.00dBm");
    EXPECT_EQ(r[1].delta, "ΔdBm: 10.00dB");
    EXPECT_EQ(r[2].value, "Ws: 2.00 µWs");
    EXPECT_FALSE(r[3].shown);

    // A connected accessory's attenuation raises levels and energy: +10 dB, ten times the energy.
    model.accessoryConnected.store(true);
    model.common.externalAttenuation = 10.0f;
    model.common.powerUnits = 1;
    const CursorReadouts w = readouts();
    EXPECT_EQ(w[1].value, "@W: 10.00 µW"); // -30 + 10 = -20 dBm
    EXPECT_EQ(w[1].delta, "ΔW: 90.00 µW"); // 100 µW - 10 µW
    EXPECT_EQ(w[2].value, "Ws: 20.00 µWs");

    // Nothing under the cursor: dashes, not numbers.
    model.cursorResults.cursor[0].values[kTraceRaw] = NAN;
    model.powerStore.cursorEnergy = NAN;
    const CursorReadouts d = readouts();
    EXPECT_EQ(d[1].value, "@W: --");
    EXPECT_EQ(d[2].value, "Ws: --");
}

TEST_F(PowerCursorReadoutsTest, PhaseAndRatioUnitsCountTheChosenSpan)
{
    struct Case {
        std::uint8_t unit, within360, within100;
        const char* value;
        const char* delta;
    } const cases[] = {
        {kUnitPhase, kWithinFiveDivisions, 0, "@t: -144.00°", "Δt: 144.00°"}, // span 5 ms
        {kUnitPhase, kWithinGrid, 0, "@t: -72.00°", "Δt: 72.00°"},            // span 10 ms
        {kUnitPhase, kWithinCursors, 0, "@t: -360.00°", "Δt: 360.00°"},       // span 2 ms
        {kUnitRatio, 0, kWithinGrid, "@t: -20.00%", "Δt: 20.00%"},
        {kUnitRatio, 0, kWithinFiveDivisions, "@t: -40.00%", "Δt: 40.00%"},
    };
    for (const Case& c : cases) {
        model.cursors.option9 = c.unit;
        model.cursors.option10 = c.within360;
        model.cursors.option11 = c.within100;
        const CursorReadouts r = readouts();
        EXPECT_EQ(r[0].value, c.value);
        EXPECT_EQ(r[0].delta, c.delta);
    }
    // Cursors on top of each other with the cursor span: no span to divide by.
    model.cursors.option9 = kUnitPhase;
    model.cursors.option10 = kWithinCursors;
    model.cursors.verticalX[1] = 300.0f;
    EXPECT_EQ(readouts()[0].delta, "Δt: --");
}

TEST_F(PowerCursorReadoutsTest, HorizontalCursorsReadLevelsAndSpectrumModeNothing)
{
    model.cursors.verticalSelected = 0;
    model.cursors.horizontalSelected = 1;
    model.cursors.horizontalY[0] = 250.0f; // half of -40..0 dBm
    model.cursors.horizontalY[1] = 375.0f;
    const CursorReadouts r = readouts();
    EXPECT_FALSE(r[0].shown);
    EXPECT_EQ(r[1].value, "@dBm: -20.00dBm");
    EXPECT_EQ(r[1].delta, "ΔdBm: 10.00dB");
    model.common.spectrumModeActive = 1;
    for (const CursorReadout& c : readouts()) EXPECT_FALSE(c.shown);
}

} // namespace
} // namespace nolvo
