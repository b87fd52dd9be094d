#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "TestClocks.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::size_t cellCount(const std::string& line)
{
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

std::size_t failingWriter(std::FILE*, const char*, std::size_t)
{
    return 0;
}

class RecordingSink : public LogSink {
public:
    void logLine(int level, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        levels.push_back(level);
        texts.push_back(text);
    }
    std::vector<int> levels;
    std::vector<std::string> texts;

private:
    std::mutex m_mutex;
};

const std::string kScale = "Spectrum Mode :: Frequency: MHz :: Amplitude: dBm";
const std::string kAbsolute = "2024-03-15 09:30:05.000,";

class DataLoggerTest : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        m_file.setWallClock(test::testWallClock);
        m_model.setLogSink(&m_sink);
        m_model.deviceInfo.modelId = 2;
        m_model.powerStore.timePerDivision = {1.0f, 0.4f};
        m_model.power.timeScaleIndex = 0;
        m_sweep.assign(512, 0.0f);
        for (std::size_t i = 0; i < m_sweep.size(); ++i) {
            m_sweep[i] = -100.0f + 0.25f * static_cast<float>(i);
        }
    }
    void TearDown() override
    {
        m_file.stopDataLog();
        IsolatedStoreTest::TearDown();
    }

    void start() { m_model.dataLogState = kLogStartRequested; }
    void stop() { m_model.dataLogState = kLogStopRequested; }
    // One packet, handed on as the packet thread does once it has released dataLock; then waits
    // for the writer thread, so that the file can be looked at.
    void spectrum(int count, int band = kBand24)
    {
        m_logger.logSpectrum(band, m_sweep.data(), count);
        m_logger.writePending();
        m_logger.waitForWrites();
    }
    void logPower(const float* samples, int count)
    {
        m_logger.logPower(samples, count);
        m_logger.writePending();
        m_logger.waitForWrites();
    }
    std::string fileText(const std::string& name = "Nolvo_20240315_093005.csv") const
    {
        return readFile(m_dir.file("data/" + name));
    }

    test::PinnedClocks m_clocks{5000};
    RecordingSink m_sink;
    DataModel m_model;
    DataLogFile m_file;
    DataLogger m_logger{m_model, m_file};
    std::vector<float> m_sweep;
};

TEST_F(DataLoggerTest, OffWritesNothing)
{
    spectrum(100);
    EXPECT_FALSE(m_file.isOpen());
    EXPECT_EQ(m_model.dataLogState.load(), kLogOff);
}

TEST_F(DataLoggerTest, SpectrumFileFromStartToStop)
{
    start();
    spectrum(100); // the first-generation sweep holds 100 bins, its frequency line 96
    EXPECT_EQ(m_model.dataLogState.load(), kLogging);
    ASSERT_TRUE(m_file.isOpen());
    m_clocks.advance(31);
    spectrum(100);
    stop();
    m_clocks.advance(100);
    spectrum(100); // the stop packet writes nothing
    EXPECT_EQ(m_model.dataLogState.load(), kLogOff);
    EXPECT_FALSE(m_file.isOpen());
    m_clocks.advance(100);
    spectrum(100); // off

    const auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "Spectrum");
    EXPECT_EQ(rows[1], kScale);
    EXPECT_EQ(rows[2].substr(0, 18), "Freq (MHz):, 2400,");
    EXPECT_EQ(cellCount(rows[2]), 97u);
    // First row: the wall clock with ".000", then exactly the 96 listed bins.
    EXPECT_EQ(rows[3].substr(0, kAbsolute.size()), kAbsolute);
    EXPECT_EQ(cellCount(rows[3]), 97u);
    EXPECT_EQ(rows[3].substr(kAbsolute.size(), 18), "-100.0000,-99.7500");
    EXPECT_EQ(rows[3].substr(rows[3].size() - 9), ",-76.2500"); // bin 95
    // Second row: seconds since the start.
    EXPECT_EQ(rows[4].substr(0, 15), "0.031,-100.0000");
    EXPECT_EQ(cellCount(rows[4]), 97u);
}

TEST_F(DataLoggerTest, RowsMatchTheFrequencyLine)
{
    m_model.deviceInfo.modelId = 6;
    start();
    spectrum(256); // 256 bins, 245 frequencies: the bins past 2495.7 MHz are cut
    spectrum(200); // a short sweep is padded with empty cells
    auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(cellCount(rows[2]), 246u);
    EXPECT_EQ(cellCount(rows[3]), 246u);
    EXPECT_EQ(rows[3].substr(rows[3].size() - 9), ",-39.0000"); // bin 244
    EXPECT_EQ(cellCount(rows[4]), 246u);
    // Bin 199 is the last value; the 45 columns after it stay empty.
    const std::string tail = "-50.2500" + std::string(45, ',');
    EXPECT_EQ(rows[4].substr(rows[4].size() - tail.size()), tail);
}

TEST_F(DataLoggerTest, PowerRowsAreStepApart)
{
    // 1 s per division, 240 samples per screen: 41 ms between samples (41.67 truncated).
    const float first[] = {-30.0f, -31.5f};
    const float second[] = {-10.0f, -11.0f, -12.0f};
    start();
    logPower(first, 2);
    m_clocks.advance(500);
    logPower(second, 3);
    const auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], "Power");
    EXPECT_EQ(rows[1], "time:,1 ,s/div, Power:,5.00 ,dBm/div,");
    // Every row of the first packet carries the wall clock.
    EXPECT_EQ(rows[2], kAbsolute + "-30.0000");
    EXPECT_EQ(rows[3], kAbsolute + "-31.5000");
    EXPECT_EQ(rows[4], "0.500,-10.0000");
    EXPECT_EQ(rows[5], "0.541,-11.0000");
    EXPECT_EQ(rows[6], "0.582,-12.0000");
    EXPECT_EQ(DataLogger::powerRowStepMs(1.0f, 240), 41u);
    EXPECT_EQ(DataLogger::powerRowStepMs(0.0004f, 240), 0u);
    EXPECT_EQ(DataLogger::powerRowStepMs(1.0f, 0), 0u);
    EXPECT_EQ(DataLogger::powerRowStepMs(NAN, 240), 0u);
}

TEST_F(DataLoggerTest, ScaleChangeWritesTheScaleLineAlone)
{
    const float sample[] = {-20.0f};
    start();
    logPower(sample, 1);
    m_model.powerStore.amplitudeBottom = -60.0f; // 7.5 dB per division now
    logPower(sample, 1);
    logPower(sample, 1); // unchanged: no header
    m_model.power.timeScaleIndex = 1;
    logPower(sample, 1);
    const auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[3], "time:,1 ,s/div, Power:,7.50 ,dBm/div,");
    EXPECT_EQ(rows[4].substr(0, 6), "0.000,");
    EXPECT_EQ(rows[5].substr(0, 6), "0.000,");
    EXPECT_EQ(rows[6], "time:,400 m,s/div, Power:,7.50 ,dBm/div,");
}

TEST_F(DataLoggerTest, BandOrModeChangeWritesTheHeaderBlock)
{
    const float sample[] = {-20.0f};
    start();
    spectrum(100);
    spectrum(512, kBand5);       // band change: mode line and frequency line, no scale line
    logPower(sample, 1); // mode change: scale line too, since it changed as well
    const auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[4], "Spectrum");
    EXPECT_EQ(rows[5].substr(0, 20), "Freq (MHz):, 5145.0,");
    EXPECT_EQ(cellCount(rows[6]), 513u);
    EXPECT_EQ(rows[7], "Power");
    EXPECT_EQ(rows[8], "time:,1 ,s/div, Power:,5.00 ,dBm/div,");
    EXPECT_EQ(rows[9].substr(0, 6), "0.000,");
}

TEST_F(DataLoggerTest, SettingsAcknowledgementRepeatsTheHeaderBlock)
{
    start();
    spectrum(100);
    m_logger.settingsAcknowledged();
    EXPECT_TRUE(m_logger.headerNeeded(2));
    spectrum(100);
    EXPECT_FALSE(m_logger.headerNeeded(2));
    m_logger.requestScaleLine();
    spectrum(100);
    const auto rows = lines(fileText());
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[4], "Spectrum");
    EXPECT_EQ(rows[5].substr(0, 12), "Freq (MHz):,");
    EXPECT_EQ(rows[7], kScale);

    // A stop forgets a pending acknowledgement; the next file starts with its own header anyway.
    m_logger.settingsAcknowledged();
    stop();
    spectrum(100);
    EXPECT_FALSE(m_logger.headerNeeded(2));
}

TEST_F(DataLoggerTest, RestartWithinTheSecondMakesANewFile)
{
    start();
    spectrum(100);
    stop();
    spectrum(100);
    start();
    spectrum(100);
    EXPECT_EQ(m_file.path(), m_dir.file("data/Nolvo_20240315_093005_2.csv"));
    EXPECT_EQ(lines(fileText()).size(), 4u);
    const auto second = lines(fileText("Nolvo_20240315_093005_2.csv"));
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[3].substr(0, kAbsolute.size()), kAbsolute);
}

TEST_F(DataLoggerTest, WriteFailureClosesAndTellsTheUserOnce)
{
    start();
    spectrum(100);
    const std::string path = m_file.path();
    m_file.setWriter(failingWriter);
    spectrum(100);
    spectrum(100);
    m_file.setWriter(nullptr);
    spectrum(100);
    EXPECT_FALSE(m_file.isOpen());
    EXPECT_EQ(m_model.dataLogState.load(), kLogging); // the state machine is not touched
    ASSERT_EQ(m_sink.texts.size(), 1u);
    EXPECT_EQ(m_sink.levels[0], DataLogger::kLogLevel);
    EXPECT_NE(m_sink.texts[0].find("Nolvo_20240315_093005.csv"), std::string::npos) << m_sink.texts[0];
    EXPECT_EQ(lines(readFile(path)).size(), 4u); // what was written stays

    // Stop and start again: a new file, and a later failure is reported again.
    stop();
    spectrum(100);
    start();
    spectrum(100);
    ASSERT_TRUE(m_file.isOpen());
    m_file.setWriter(failingWriter);
    spectrum(100);
    EXPECT_EQ(m_sink.texts.size(), 2u);
}

TEST_F(DataLoggerTest, StartThatCannotCreateAFileIsReported)
{
    std::ofstream(m_dir.file("blocker")) << "x";
    engine::FileUtils::getInstance()->setWritablePath(m_dir.file("blocker/data"));
    start();
    spectrum(100);
    spectrum(100);
    EXPECT_EQ(m_model.dataLogState.load(), kLogging);
    EXPECT_FALSE(m_file.isOpen());
    EXPECT_EQ(m_sink.texts.size(), 1u);
}

TEST_F(DataLoggerTest, DisconnectClosesTheLog)
{
    start();
    spectrum(100);
    m_logger.closeLog();
    EXPECT_FALSE(m_file.isOpen());
    EXPECT_EQ(m_model.dataLogState.load(), kLogOff);
}

} // namespace
} // namespace nolvo
