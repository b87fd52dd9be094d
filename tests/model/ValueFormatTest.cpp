#include <cmath>

#include <gtest/gtest.h>

#include "model/ValueFormat.h"

namespace nolvo::test {
namespace {

const std::string kMicro = "\xC2\xB5"; // U+00B5, the SI micro sign
const std::string kMu = "\xCE\xBC";    // U+03BC, the Greek small mu

TEST(FormatFixed, TwoDecimals)
{
    EXPECT_EQ(formatFixed(12.5f), "12.50");
    EXPECT_EQ(formatFixed(-3.0f), "-3.00");
    EXPECT_EQ(formatFixed(0.0049f), "0.00");
    EXPECT_EQ(formatFixed(3.4e38f).size(), 42u); // the largest float still fits
}

TEST(FormatSI, PrefixesSwitchJustBelowEachDecade)
{
    const struct {
        float value;
        int precision;
        std::string text;
    } cases[] = {
        {0.0f, 2, "0.00 "},
        {-0.5f, 1, "-500.0 m"},
        {999.9f, 1, "999.9 "},
        {1000.0f, 2, "1.00 k"},
        {2.4e9f, 2, "2.40 G"},
        {0.001f, 2, "1.00 m"},
        {0.00099f, 0, "990 " + kMicro},
        {1e-7f, 2, "0.10 " + kMicro},      // 1e-7 is not below 9.999999e-08
        {9.9e-8f, 1, "99.0 n"},
        {0.99999f, 3, "999.990 m"},
        {1.0f, 2, "1.00 "},
        {999999.0f, 1, "1000.0 k"},         // still "k": 999.999 rounds up at one decimal
        {1e6f, 2, "1.00 M"},
        {999999999.0f, 0, "1 G"},
        {1e7f, 2, "10.00 M"},
        {-2.5e-9f, 2, "-2.50 n"},
        {12.5f, -3, "12 "},                 // a negative precision counts as none
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatSI(c.value, c.precision), c.text) << c.value << " @" << c.precision;
    }
}

TEST(FormatSIAuto, ThreeSignificantDigitsAroundEveryThreshold)
{
    const struct {
        float value;
        std::string text;
    } cases[] = {
        {0.0f, "0 "},
        {5e-10f, "0 "},
        {-5e-10f, "0 "},
        {12.345f, "12.3 "},
        {2.5e5f, "250 k"},
        {2.4e9f, "2400 M"},
        {1e8f, "100 M"},
        {1.5e7f, "15.0 M"},
        {1e6f, "1.00 M"},
        {99999.0f, "100.0 k"},
        {1e4f, "10.0 k"},
        {1000.0f, "1.00 k"},
        {999.0f, "999 "},
        {100.0f, "100 "},
        {99.5f, "99.5 "},
        {1.0f, "1.00 "},
        {0.5f, "500 m"},
        {0.05f, "50.0 m"},
        {0.001f, "1.00 m"},
        {4e-4f, "400 " + kMu},
        {2e-5f, "20.0 " + kMu},
        {2e-6f, "2.00 " + kMu},
        {1e-6f, "1000 n"},                  // 1e-6f is just below 1e-6
        {5e-7f, "500 n"},
        {5e-8f, "50.0 n"},
        {1.5e-9f, "1.50 n"},
        {-0.002f, "-2.00 m"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatSIAuto(c.value), c.text) << c.value;
    }
}

TEST(FormatSIAuto, NotANumberIsNotDisguisedAsZero)
{
    EXPECT_NE(formatSIAuto(NAN), "0 ");
}

} // namespace
} // namespace nolvo::test
