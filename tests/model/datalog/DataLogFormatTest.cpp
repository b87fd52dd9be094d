#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "TestClocks.h"
#include "model/DataLogFormat.h"

namespace nolvo {
namespace {

// Splits "Freq (MHz):,a,b,c\n" into its cells (without the line break).
std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> out;
    std::string body = line;
    if (!body.empty() && body.back() == '\n') {
        body.pop_back();
    }
    std::size_t begin = 0;
    while (true) {
        const auto comma = body.find(',', begin);
        out.push_back(body.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        if (comma == std::string::npos) {
            break;
        }
        begin = comma + 1;
    }
    return out;
}

DataLogContext spectrumContext(int modelCode, int band)
{
    DataLogContext ctx;
    ctx.powerMode = false;
    ctx.modelCode = modelCode;
    ctx.band = band;
    return ctx;
}

DataLogContext powerContext(float timePerDivision, float bottom, float top)
{
    DataLogContext ctx;
    ctx.powerMode = true;
    ctx.modelCode = 2;
    ctx.timePerDivision = timePerDivision;
    ctx.amplitudeBottom = bottom;
    ctx.amplitudeTop = top;
    return ctx;
}

const std::string kSpectrumScale = "Spectrum Mode :: Frequency: MHz :: Amplitude: dBm\n";

TEST(DataLogFormat, ScaleLines)
{
    EXPECT_EQ(dataLogScaleLine(spectrumContext(6, 0)), kSpectrumScale);
    // The default power window -40..0 dBm is 5 dB per division; 1 s per division has no prefix.
    EXPECT_EQ(dataLogScaleLine(powerContext(1.0f, -40.0f, 0.0f)), "time:,1 ,s/div, Power:,5.00 ,dBm/div,\n");
    // 400 microseconds per division (U+00B5 micro sign), a 10 dB window.
    EXPECT_EQ(dataLogScaleLine(powerContext(0.0004f, -30.0f, -20.0f)),
              "time:,400 \xC2\xB5,s/div, Power:,1.25 ,dBm/div,\n");
    // No time-per-division table: the time reads 0.
    EXPECT_EQ(dataLogScaleLine(powerContext(0.0f, -40.0f, 0.0f)), "time:,0 ,s/div, Power:,5.00 ,dBm/div,\n");
    EXPECT_EQ(dataLogScaleLine(powerContext(NAN, -40.0f, 0.0f)), "time:,0 ,s/div, Power:,5.00 ,dBm/div,\n");
}

struct FrequencyCase {
    int modelCode;
    int band;
    const char* start; // the line up to and including its third frequency
    const char* end;   // its last two frequencies and the line break
    int count;
    int sampleIndex; // one frequency checked in the middle
    const char* sample;
};

class FrequencyLine : public ::testing::TestWithParam<FrequencyCase> {};

TEST_P(FrequencyLine, CharacterByCharacter)
{
    const FrequencyCase& c = GetParam();
    const std::string header = dataLogHeader(spectrumContext(c.modelCode, c.band), true);
    const std::string prefix = "Spectrum\n" + kSpectrumScale;
    ASSERT_EQ(header.compare(0, prefix.size(), prefix), 0) << header.substr(0, 80);
    const std::string line = header.substr(prefix.size());
    ASSERT_EQ(line.compare(0, std::string(c.start).size(), c.start), 0) << line.substr(0, 40);
    const std::string end = c.end;
    ASSERT_GE(line.size(), end.size());
    EXPECT_EQ(line.substr(line.size() - end.size()), end);
    const auto parts = cells(line);
    ASSERT_EQ(parts.size(), static_cast<std::size_t>(c.count) + 1); // the label cell, then the frequencies
    EXPECT_EQ(parts[static_cast<std::size_t>(c.sampleIndex) + 1], c.sample);
    EXPECT_EQ(dataLogFrequencyCount(c.modelCode, c.band), c.count);
    // Exactly one line break, at the end.
    EXPECT_EQ(line.find('\n'), line.size() - 1);

    // Without the scale line the block is the mode line and the frequency line.
    EXPECT_EQ(dataLogHeader(spectrumContext(c.modelCode, c.band), false), "Spectrum\n" + line);
}

INSTANTIATE_TEST_SUITE_P(
    ModelsAndBands, FrequencyLine,
    ::testing::Values(
        // First generation: a blank, then whole MHz 2400..2495.
        FrequencyCase{2, 0, "Freq (MHz):, 2400,2401,2402,", ",2494,2495\n", 96, 50, "2450"},
        // Second generation and dual band on 2.4 GHz: 100/255 MHz apart, one decimal, no blank.
        FrequencyCase{6, 0, "Freq (MHz):,2400.0,2400.4,2400.8,", ",2495.3,2495.7\n", 245, 128, "2450.2"},
        FrequencyCase{7, 0, "Freq (MHz):,2400.0,2400.4,2400.8,", ",2495.3,2495.7\n", 245, 3, "2401.2"},
        // 5 GHz: 715/511 MHz apart from 5145 to 5860, a blank first.
        FrequencyCase{7, 1, "Freq (MHz):, 5145.0,5146.4,5147.8,", ",5858.6,5860.0\n", 512, 100, "5284.9"},
        FrequencyCase{2, 1, "Freq (MHz):, 5145.0,5146.4,5147.8,", ",5858.6,5860.0\n", 512, 511, "5860.0"}));

TEST(DataLogFormat, HeaderWithoutFrequencyLine)
{
    // An unknown model on 2.4 GHz has no frequency line.
    EXPECT_EQ(dataLogHeader(spectrumContext(0, 0), true), "Spectrum\n" + kSpectrumScale);
    EXPECT_EQ(dataLogFrequencyCount(0, 0), -1);
    EXPECT_EQ(dataLogFrequencyCount(3, 0), -1);
    // Power mode never has one.
    EXPECT_EQ(dataLogHeader(powerContext(1.0f, -40.0f, 0.0f), true),
              "Power\ntime:,1 ,s/div, Power:,5.00 ,dBm/div,\n");
    EXPECT_EQ(dataLogHeader(powerContext(1.0f, -40.0f, 0.0f), false), "Power\n");
}

TEST(DataLogFormat, TimeCells)
{
    test::PinnedClocks clocks;
    std::uint64_t start = 1000;
    EXPECT_EQ(dataLogTime(true, 0, test::kWallSecond, 1000, start), "2024-03-15 09:30:05.000,");
    EXPECT_EQ(start, 1000u); // an absolute cell leaves the start alone
    // 31 ms after the start.
    EXPECT_EQ(dataLogTime(false, 0, test::kWallSecond, 1031, start), "0.031,");
    // The offset of a power row adds to the elapsed time.
    EXPECT_EQ(dataLogTime(false, 82, test::kWallSecond, 1031, start), "0.113,");
    EXPECT_EQ(dataLogTime(false, 0, test::kWallSecond, 3601000 + 1000, start), "3601.000,");
    // A clock that went backwards reads as no time passed, not as a huge number.
    EXPECT_EQ(dataLogTime(false, 0, test::kWallSecond, 500, start), "0.000,");

    // No start time yet: it becomes now.
    std::uint64_t unset = 0;
    EXPECT_EQ(dataLogTime(false, 41, test::kWallSecond, 777, unset), "0.041,");
    EXPECT_EQ(unset, 777u);
}

TEST(DataLogFormat, ValuesAndRows)
{
    const float values[] = {-90.5f, -12.34567f, 0.0f, 3.25f};
    EXPECT_EQ(dataLogValues(values, 3), "-90.5000,-12.3457,0.0000\n");
    EXPECT_EQ(dataLogValues(values, 1), "-90.5000\n");
    EXPECT_EQ(dataLogValues(values, 0), "\n");
    EXPECT_EQ(dataLogValues(nullptr, 5), "\n");
    EXPECT_EQ(dataLogValues(values, -2), "\n");

    // Cut to the columns of the frequency line ...
    EXPECT_EQ(dataLogRow(values, 4, 2), "-90.5000,-12.3457\n");
    // ... or padded with empty cells, never with made-up numbers.
    EXPECT_EQ(dataLogRow(values, 2, 4), "-90.5000,-12.3457,,\n");
    EXPECT_EQ(dataLogRow(values, 0, 3), ",,\n");
    EXPECT_EQ(dataLogRow(values, 3, -1), "-90.5000,-12.3457,0.0000\n");
}

TEST(DataLogFormat, BaseName)
{
    test::PinnedClocks clocks;
    EXPECT_EQ(dataLogBaseName(test::kWallSecond), "Nolvo_20240315_093005");
    EXPECT_EQ(dataLogBaseName(1704067199), "Nolvo_20231231_235959");
}

} // namespace
} // namespace nolvo
