// What the power menus show and write: GROUND with the attenuation offset, digital input
// buttons, measurement slots and the picker columns.

#include <gtest/gtest.h>

#include <cmath>

#include "menus/PowerMenuValues.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using namespace power_menu;

TEST(PowerMenuValues, GroundIsTheWindowBottomPlusTheAttenuationOffset)
{
    DataModel model;
    model.powerStore.amplitudeBottom = -40.0f;
    float level = -30.56f;
    ASSERT_TRUE(groundLevel(model, level));
    EXPECT_FLOAT_EQ(level, -40.0f); // no accessory: no offset
    model.accessoryConnected.store(true);
    model.common.externalAttenuation = 10.0f;
    model.common.internalAttenuationIndex = 2;
    model.deviceInfo.attenuatorCount = 8;
    model.deviceInfo.attenuatorTable[2] = 8.0f;
    ASSERT_TRUE(groundLevel(model, level));
    EXPECT_FLOAT_EQ(level, -22.0f);
    // A negative internal index adds nothing.
    model.common.internalAttenuationIndex = -1;
    ASSERT_TRUE(groundLevel(model, level));
    EXPECT_FLOAT_EQ(level, -30.0f);
    // No bottom to go to: the level stays.
    model.powerStore.amplitudeBottom = NAN;
    EXPECT_FALSE(groundLevel(model, level));
    EXPECT_FLOAT_EQ(level, -30.0f);
}

TEST(PowerMenuValues, DigitalInputsStepModuloFourLines)
{
    EXPECT_EQ(inputTitle('A', 0), "A: D1");
    EXPECT_EQ(inputTitle('B', 3), "B: D4");
    EXPECT_EQ(inputTitle('B', 7), "B: D?");
    EXPECT_EQ(steppedInput(3, 1), 0);
    EXPECT_EQ(steppedInput(0, -1), 3);
    EXPECT_EQ(steppedInput(2, -5), 1);
}

TEST(PowerMenuValues, MeasurementSlotsShowTheChosenNames)
{
    PowerSettings power{};
    const std::uint8_t slots[6] = {255, 17, 5, 22, 99, 0};
    std::copy(slots, slots + 6, power.measurements);
    const char* const titles[] = {"NONE", "Max", "Duty Cycle (+)", "Cycle RMS", "NONE", "Period"};
    for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(measurementSlotTitle(power, slot), titles[slot - 1]) << slot;
    EXPECT_EQ(measurementSlotTitle(power, 0), "UNKNOWN");
    EXPECT_EQ(measurementSlotTitle(power, 7), "UNKNOWN");

    const std::vector<std::string> rows = measurementOptions();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows.front(), "None");
    EXPECT_EQ(rows[1], "Period");
    EXPECT_EQ(rows.back(), "Cycle RMS");
    for (int row = 0; row < 24; ++row) EXPECT_EQ(measurementRowOf(measurementIdOfRow(row)), row) << row;
    EXPECT_EQ(measurementIdOfRow(0), 255);
    EXPECT_EQ(measurementIdOfRow(24), 255);
    EXPECT_EQ(measurementRowOf(23), -1);
}

TEST(PowerMenuValues, PickerColumnsEditOneColumnAtATime)
{
    const std::vector<std::string> units{"ns", "µs", "ms", "s"};
    EXPECT_EQ(columnOptions(Column::Sign, units), (std::vector<std::string>{"+", "-"}));
    EXPECT_EQ(columnOptions(Column::Whole, units).size(), 100u);
    EXPECT_EQ(columnOptions(Column::Hundredths, units)[5], "05");
    EXPECT_EQ(columnOptions(Column::Unit, units), units);

    PickerEntry e = PowerPickerFormat::timeEntry(1.6e-5); // 16.00 µs
    EXPECT_EQ(columnValue(e, Column::Whole), 16);
    EXPECT_EQ(columnValue(e, Column::Unit), 1);
    e = withColumn(e, Column::Sign, 1);
    e = withColumn(e, Column::Hundredths, 50);
    e = withColumn(e, Column::Unit, 2);
    EXPECT_DOUBLE_EQ(PowerPickerFormat::timeFromEntry(e), -16.5e-3);
    // Rows outside a column change nothing.
    EXPECT_EQ(withColumn(e, Column::Whole, 100), e);
    EXPECT_EQ(withColumn(e, Column::Unit, 4), e);
    EXPECT_EQ(withColumn(e, Column::Sign, 2), e);
}

} // namespace
} // namespace nolvo
