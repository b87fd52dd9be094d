// Picker columns and button texts of trigger times and levels.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/PowerPickerFormat.h"

namespace nolvo {
namespace {

using F = PowerPickerFormat;

TEST(PowerPickerFormat, TimesPickTheirUnitFromTheMagnitudeAndKeepTheSign)
{
    struct Case {
        double seconds;
        PickerEntry entry;
        const char* text;
    } const cases[] = {
        {0.0, {false, 0, 0, 3}, "0.00s"},
        {0.0004, {false, 0, 40, 2}, "0.40ms"},          // 400 µs would not fit the 0..99 column
        {-0.0004, {true, 0, 40, 2}, "-0.40ms"},
        {1.6e-5, {false, 16, 0, 1}, "16.00µs"},
        {-3.52e-5, {true, 35, 20, 1}, "-35.20µs"},
        {5e-9, {false, 5, 0, 0}, "5.00ns"},
        {-5e-9, {true, 5, 0, 0}, "-5.00ns"},             // below 1e-11 no longer: sign and value kept
        {9.999e-8, {false, 99, 99, 0}, "99.99ns"},       // the last nanosecond value
        {1.0e-7, {false, 0, 10, 1}, "0.10µs"},
        {0.09999, {false, 99, 99, 2}, "99.99ms"},
        {0.1, {false, 0, 10, 3}, "0.10s"},
        {1.5, {false, 1, 50, 3}, "1.50s"},
        {150.0, {false, 99, 99, 3}, "99.99s"},          // past the column range
        {-150.0, {true, 99, 99, 3}, "-99.99s"},
        {5e-12, {false, 0, 0, 3}, "0.00s"},              // too small to show
        {-5e-12, {false, 0, 0, 3}, "0.00s"},
        {std::numeric_limits<double>::quiet_NaN(), {false, 0, 0, 3}, "0.00s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(F::timeEntry(c.seconds), c.entry);
        EXPECT_EQ(F::timeText(c.seconds), c.text);
    }
}

TEST(PowerPickerFormat, TimeColumnsGiveBackTheirValue)
{
    EXPECT_DOUBLE_EQ(F::timeFromEntry({true, 35, 20, 1}), -35.2e-6);
    EXPECT_DOUBLE_EQ(F::timeFromEntry({false, 0, 40, 2}), 0.4e-3);
    EXPECT_DOUBLE_EQ(F::timeFromEntry({false, 99, 99, 3}), 99.99);
    // Columns out of range are clamped, not trusted.
    EXPECT_DOUBLE_EQ(F::timeFromEntry({false, 500, 250, 9}), 99.99);
    // A negative delay round-trips through the picker.
    const double delay = -1.6e-5;
    EXPECT_NEAR(F::timeFromEntry(F::timeEntry(delay)), delay, 1e-12);
}

TEST(PowerPickerFormat, DbmLevelsShowSignWholeAndHundredths)
{
    struct Case {
        double dbm;
        PickerEntry entry;
        const char* text;
    } const cases[] = {
        {-30.56, {true, 30, 56, 3}, "-30.56dBm"},
        {0.0, {false, 0, 0, 3}, "0.00dBm"},
        {12.5, {false, 12, 50, 3}, "12.50dBm"},
        {-150.0, {true, 99, 99, 3}, "-99.99dBm"},
        {-0.001, {false, 0, 0, 3}, "0.00dBm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbm);
        EXPECT_EQ(F::dbmEntry(c.dbm), c.entry);
        EXPECT_EQ(F::levelText(c.dbm, false), c.text);
    }
    EXPECT_DOUBLE_EQ(F::dbmFromEntry({true, 30, 56, 3}), -30.56);
}

TEST(PowerPickerFormat, WattLevelsUseAnSiPrefix)
{
    struct Case {
        double dbm;
        PickerEntry entry;
        const char* text;
    } const cases[] = {
        {-30.0, {false, 1, 0, 1}, "1.00µW"},  // 1e-6 W
        {0.0, {false, 1, 0, 2}, "1.00mW"},
        {-36.31, {false, 0, 23, 1}, "0.23µW"},
        {30.0, {false, 1, 0, 3}, "1.00W"},
        {-60.0, {false, 1, 0, 0}, "1.00nW"},
        {60.0, {false, 99, 99, 3}, "99.99W"}, // 1 kW: past the columns
        {-130.0, {false, 0, 0, 0}, "0.00nW"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbm);
        EXPECT_EQ(F::wattEntry(c.dbm), c.entry);
        EXPECT_EQ(F::levelText(c.dbm, true), c.text);
    }
}

TEST(PowerPickerFormat, WattEntryNeverStoresMinusInfinity)
{
    float level = -30.56f;
    // 0 W would be -inf dBm: the previous level stays.
    EXPECT_FALSE(F::applyLevelEntry({false, 0, 0, 1}, true, level));
    EXPECT_FLOAT_EQ(level, -30.56f);
    EXPECT_FALSE(F::applyLevelEntry({true, 2, 0, 1}, true, level)); // negative watts
    EXPECT_FLOAT_EQ(level, -30.56f);
    // 2.50 µW = -26.02 dBm.
    EXPECT_TRUE(F::applyLevelEntry({false, 2, 50, 1}, true, level));
    EXPECT_NEAR(level, 10.0 * std::log10(2.5e-6 / 1e-3), 1e-4);
    // In dBm any entry is a level.
    EXPECT_TRUE(F::applyLevelEntry({true, 40, 0, 3}, false, level));
    EXPECT_FLOAT_EQ(level, -40.0f);
}

} // namespace
} // namespace nolvo
