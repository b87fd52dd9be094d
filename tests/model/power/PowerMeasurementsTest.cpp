#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/PowerMeasurements.h"

namespace nolvo {
namespace {

using Id = PowerMeasurementId;
using Record = PowerMeasurements::Record;

float get(const Record& r, Id id)
{
    return r[static_cast<std::size_t>(id)];
}

// A record whose every field holds a marker, to see which fields a computation writes.
Record marked()
{
    Record r;
    r.fill(7.0f);
    return r;
}

Record measure(const std::vector<float>& samples, double dt)
{
    Record r = marked();
    EXPECT_TRUE(PowerMeasurements::compute(&r, samples.data(), samples.size(), dt));
    return r;
}

const Id kNeverComputed[] = {Id::Delay, Id::BurstWidth,        Id::Phase, Id::OvershootPositive,
                             Id::OvershootNegative, Id::Amplitude, Id::High,  Id::Low};
const Id kTiming[] = {Id::Period,        Id::Frequency,     Id::RiseTime,  Id::FallTime,
                      Id::DutyPositive,  Id::DutyNegative,  Id::PulsePositive, Id::PulseNegative,
                      Id::CycleMean,     Id::CycleRms};

void expectNeverComputedKept(const Record& r)
{
    for (const Id id : kNeverComputed) {
        EXPECT_EQ(get(r, id), 7.0f) << "field " << static_cast<int>(id);
    }
}

TEST(PowerMeasurements, NothingToMeasureLeavesTheRecord)
{
    const std::vector<float> samples = {-10.0f, -20.0f};
    Record r = marked();
    EXPECT_FALSE(PowerMeasurements::compute(nullptr, samples.data(), samples.size(), 0.001));
    EXPECT_FALSE(PowerMeasurements::compute(&r, samples.data(), 0, 0.001));
    EXPECT_FALSE(PowerMeasurements::compute(&r, nullptr, 2, 0.001));
    EXPECT_FALSE(PowerMeasurements::compute(&r, samples.data(), samples.size(), 0.0));
    EXPECT_FALSE(PowerMeasurements::compute(&r, samples.data(), samples.size(), -1.0));
    EXPECT_FALSE(PowerMeasurements::compute(&r, samples.data(), samples.size(), NAN));
    for (const float v : r) {
        EXPECT_EQ(v, 7.0f);
    }
}

TEST(PowerMeasurements, SingleSample)
{
    const Record r = measure({-25.0f}, 0.001);
    EXPECT_EQ(get(r, Id::Max), -25.0f);
    EXPECT_EQ(get(r, Id::Min), -25.0f);
    EXPECT_EQ(get(r, Id::Mean), -25.0f);
    EXPECT_EQ(get(r, Id::PeakToPeak), 0.0f);
    EXPECT_EQ(get(r, Id::Rms), 25.0f);
    for (const Id id : kTiming) {
        EXPECT_TRUE(std::isnan(get(r, id))) << "field " << static_cast<int>(id);
    }
    expectNeverComputedKept(r);
}

TEST(PowerMeasurements, FlatTraceHasNoTiming)
{
    const Record r = measure(std::vector<float>(50, -30.0f), 0.001);
    EXPECT_EQ(get(r, Id::Max), -30.0f);
    EXPECT_EQ(get(r, Id::Min), -30.0f);
    EXPECT_FLOAT_EQ(get(r, Id::Mean), -30.0f);
    EXPECT_FLOAT_EQ(get(r, Id::Rms), 30.0f);
    EXPECT_EQ(get(r, Id::PeakToPeak), 0.0f);
    for (const Id id : kTiming) {
        EXPECT_TRUE(std::isnan(get(r, id))) << "field " << static_cast<int>(id);
    }
    expectNeverComputedKept(r);
}

TEST(PowerMeasurements, SquareWave)
{
    // Two periods of 6 samples starting low; dt 1 ms. Range 40: low -36, high -4, mid -20.
    // Mid crossings at 3 (rising), 6 (falling), 9 (rising).
    const Record r = measure({-40, -40, -40, 0, 0, 0, -40, -40, -40, 0, 0, 0}, 0.001);
    EXPECT_EQ(get(r, Id::Max), 0.0f);
    EXPECT_EQ(get(r, Id::Min), -40.0f);
    EXPECT_FLOAT_EQ(get(r, Id::Mean), -20.0f);
    EXPECT_FLOAT_EQ(get(r, Id::Rms), std::sqrt(800.0f));
    EXPECT_EQ(get(r, Id::PeakToPeak), 40.0f);
    // The rise starts at 3 and can only finish from the next sample on: one sample, 1 ms.
    EXPECT_FLOAT_EQ(get(r, Id::RiseTime), 0.001f);
    EXPECT_FLOAT_EQ(get(r, Id::FallTime), 0.001f);
    // The duty window runs from the rising crossing at 3 up to (not including) the one at 9.
    EXPECT_FLOAT_EQ(get(r, Id::DutyPositive), 50.0f);
    EXPECT_FLOAT_EQ(get(r, Id::DutyNegative), 50.0f);
    EXPECT_FLOAT_EQ(get(r, Id::PulsePositive), 0.003f);
    EXPECT_FLOAT_EQ(get(r, Id::PulseNegative), 0.003f);
    // Segments close at the first and third crossings: samples 0..3 (-40 x 3 and 0: mean -30,
    // RMS sqrt(1200)), then after the restart samples 4..9 (0, 0, -40, -40, -40, 0: mean -20,
    // RMS sqrt(800)).
    EXPECT_FLOAT_EQ(get(r, Id::CycleMean), -25.0f);
    EXPECT_NEAR(get(r, Id::CycleRms), (std::sqrt(1200.0) + std::sqrt(800.0)) / 2.0, 1e-4);
    // The period is taken at the first close.
    EXPECT_FLOAT_EQ(get(r, Id::Period), 0.003f);
    EXPECT_NEAR(get(r, Id::Frequency), 333.333f, 1e-3);
    expectNeverComputedKept(r);
}

TEST(PowerMeasurements, SlowEdgesUseTheTenAndNinetyPercentLevels)
{
    // Range 40 from -40 to 0: low -36, high -4. dt 0.5 ms.
    const Record r = measure({-40, -40,
                              -37,  // still below low: no start
                              -30,  // first at/above low after a lower one: rise starts (index 3)
                              -10, -5,
                              -3,   // first at/above high: rise ends (index 6)
                              0, 0, -2,
                              -6,   // first at/below high after a higher one: fall starts (index 10)
                              -20, -35,
                              -37,  // first at/below low: fall ends (index 13)
                              -40},
                             0.0005);
    EXPECT_FLOAT_EQ(get(r, Id::RiseTime), 0.0015f);
    EXPECT_FLOAT_EQ(get(r, Id::FallTime), 0.0015f);
    // One rising crossing (at -10, index 4), no second: the window stays open to the end.
    // Inside it: indices 4..14, of which 4..10 are above mid (-20): 7 of 11.
    EXPECT_FLOAT_EQ(get(r, Id::DutyPositive), 700.0f / 11.0f);
    EXPECT_FLOAT_EQ(get(r, Id::PulsePositive), 0.0035f);
    EXPECT_FLOAT_EQ(get(r, Id::PulseNegative), 0.002f);
    EXPECT_FLOAT_EQ(get(r, Id::Period), 0.002f);
}

TEST(PowerMeasurements, FallingOnlyCrossing)
{
    // Crossing at 3, falling: period 3 x 10 ms, no duty window.
    const Record r = measure({0, 0, 0, -40, -40}, 0.01);
    EXPECT_FLOAT_EQ(get(r, Id::Period), 0.03f);
    EXPECT_NEAR(get(r, Id::Frequency), 33.3333f, 1e-3);
    EXPECT_TRUE(std::isnan(get(r, Id::DutyPositive)));
    EXPECT_TRUE(std::isnan(get(r, Id::DutyNegative)));
    EXPECT_TRUE(std::isnan(get(r, Id::PulsePositive)));
    EXPECT_TRUE(std::isnan(get(r, Id::PulseNegative)));
    EXPECT_TRUE(std::isnan(get(r, Id::RiseTime)));
    EXPECT_FLOAT_EQ(get(r, Id::FallTime), 0.01f);
    // The one closed segment is samples 0..3: 0, 0, 0, -40.
    EXPECT_FLOAT_EQ(get(r, Id::CycleMean), -10.0f);
    EXPECT_FLOAT_EQ(get(r, Id::CycleRms), 20.0f);
}

TEST(PowerMeasurements, NewTraceOverwritesOldTiming)
{
    Record r = measure({-40, -40, -40, 0, 0, 0, -40, -40, -40, 0, 0, 0}, 0.001);
    const std::vector<float> flat(10, -5.0f);
    ASSERT_TRUE(PowerMeasurements::compute(&r, flat.data(), flat.size(), 0.001));
    EXPECT_TRUE(std::isnan(get(r, Id::Period)));
    EXPECT_TRUE(std::isnan(get(r, Id::DutyPositive)));
    EXPECT_EQ(get(r, Id::Max), -5.0f);
}

TEST(PowerMeasurements, SampleInterval)
{
    // 240 samples over 10 divisions of 1 ms.
    EXPECT_DOUBLE_EQ(PowerMeasurements::sampleInterval(0.001f, 240), static_cast<double>(0.001f) / 24.0);
    // No time-per-division table (NaN), or nothing on screen: an interval compute() refuses.
    EXPECT_EQ(PowerMeasurements::sampleInterval(NAN, 240), 0.0);
    EXPECT_EQ(PowerMeasurements::sampleInterval(0.001f, 0), 0.0);
}

TEST(PowerMeasurements, Names)
{
    EXPECT_STREQ(PowerMeasurements::pickerName(0), "Period");
    EXPECT_STREQ(PowerMeasurements::panelName(1), "Freq");
    EXPECT_STREQ(PowerMeasurements::pickerName(5), "Duty Cycle (+)");
    EXPECT_STREQ(PowerMeasurements::panelName(5), "Duty (+)");
    EXPECT_STREQ(PowerMeasurements::pickerName(8), "Pulse Width (-)");
    EXPECT_STREQ(PowerMeasurements::panelName(13), "P-P");
    EXPECT_STREQ(PowerMeasurements::pickerName(13), "Peak To Peak");
    EXPECT_STREQ(PowerMeasurements::pickerName(22), "Cycle RMS");
    EXPECT_STREQ(PowerMeasurements::pickerName(255), "None");
    EXPECT_STREQ(PowerMeasurements::panelName(255), "");
    // A damaged settings store may hold any byte.
    EXPECT_STREQ(PowerMeasurements::pickerName(23), "None");
    EXPECT_STREQ(PowerMeasurements::panelName(200), "");
}

TEST(PowerMeasurements, PanelTexts)
{
    Record r;
    r.fill(NAN);
    r[static_cast<std::size_t>(Id::Period)] = 0.003f;
    r[static_cast<std::size_t>(Id::Frequency)] = 333.333f;
    r[static_cast<std::size_t>(Id::RiseTime)] = 0.00025f;
    r[static_cast<std::size_t>(Id::DutyPositive)] = 50.0f;
    r[static_cast<std::size_t>(Id::PeakToPeak)] = 12.5f;
    r[static_cast<std::size_t>(Id::Max)] = -12.5f;
    r[static_cast<std::size_t>(Id::Mean)] = -30.0f;
    r[static_cast<std::size_t>(Id::Delay)] = 1.0f; // never shown even if set

    struct Case {
        std::uint8_t id;
        bool watts;
        float offset;
        const char* text;
    };
    const Case cases[] = {
        {0, false, 0.0f, "3.00 ms"},
        {1, false, 0.0f, "333 Hz"},
        {3, false, 0.0f, "250 \xCE\xBCs"}, // U+03BC
        {5, false, 0.0f, "50.0 %"},
        {17, false, 10.0f, "-2.50dBm"},   // the attenuation offset is added
        {13, false, 10.0f, "12.50dBm"},   // but not to a difference of levels
        {17, true, 0.0f, "56.2 \xCE\xBCW"}, // -12.5 dBm
        {19, true, 30.0f, "1.00 mW"},     // -30 dBm + 30 dB = 0 dBm
        // What cannot be determined.
        {7, false, 0.0f, "Low Freq"},
        {4, false, 0.0f, "--"},
        {6, false, 0.0f, "Low Freq"},
        {18, false, 0.0f, "--"},
        {21, true, 0.0f, "--"},
        {20, false, 0.0f, "Low Freq"},
        {22, true, 0.0f, "Low Freq"},
        // Offered but never computed, none, and out of range.
        {2, false, 0.0f, ""},
        {16, false, 0.0f, ""},
        {255, false, 0.0f, ""},
        {99, false, 0.0f, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PowerMeasurements::panelValue(c.id, r, c.watts, c.offset), c.text) << "id " << int(c.id);
    }

    const std::uint8_t slots[PowerMeasurements::kPanelSlots] = {0, 2, 255, 17, 1, 40};
    const auto panel = PowerMeasurements::panel(slots, r, false, 0.0f);
    EXPECT_EQ(panel[0].name, "Period");
    EXPECT_EQ(panel[0].value, "3.00 ms");
    EXPECT_EQ(panel[1].name, "Delay");
    EXPECT_EQ(panel[1].value, "");
    EXPECT_EQ(panel[2].name, "");
    EXPECT_EQ(panel[2].value, "");
    EXPECT_EQ(panel[3].value, "-12.50dBm");
    EXPECT_EQ(panel[4].name, "Freq");
    EXPECT_EQ(panel[5].name, "");
}

} // namespace
} // namespace nolvo
