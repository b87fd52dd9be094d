// The data log's writer thread: the packet thread hands rows on without waiting for the disk, a
// disk that cannot keep up costs dropped (counted and reported) packets rather than memory, and
// what reaches the file is whole, in order, with every file's header.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
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

// A disk that takes nothing until the test opens the gate (or 10 s pass, so a failing test ends).
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int waiting = 0; // writes held at the gate
};
Gate g_gate;

std::size_t gatedWriter(std::FILE* file, const char* data, std::size_t size)
{
    {
        std::unique_lock<std::mutex> lock(g_gate.mutex);
        ++g_gate.waiting;
        g_gate.changed.notify_all();
        g_gate.changed.wait_for(lock, std::chrono::seconds(10), [] { return g_gate.open; });
        --g_gate.waiting;
    }
    const std::size_t written = std::fwrite(data, 1, size, file);
    std::fflush(file);
    return written;
}

class Sink : public LogSink {
public:
    void logLine(int, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
    }
    std::vector<std::string> texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

std::vector<std::string> linesOf(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

class DataLogWriterThread : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        {
            std::lock_guard<std::mutex> lock(g_gate.mutex);
            g_gate.open = false;
        }
        m_file.setWallClock(test::testWallClock);
        m_file.setWriter(gatedWriter);
        m_model.setLogSink(&m_sink);
        m_model.deviceInfo.modelId = 2;
    }
    void TearDown() override
    {
        openGate();
        m_logger.closeLog();
        IsolatedStoreTest::TearDown();
    }
    void openGate()
    {
        std::lock_guard<std::mutex> lock(g_gate.mutex);
        g_gate.open = true;
        g_gate.changed.notify_all();
    }
    void waitUntilAWriteIsHeld()
    {
        std::unique_lock<std::mutex> lock(g_gate.mutex);
        ASSERT_TRUE(g_gate.changed.wait_for(lock, std::chrono::seconds(10), [] { return g_gate.waiting > 0; }));
    }
    // One sweep whose first value is `first`, handed on as the packet thread does.
    void sweep(float first)
    {
        std::vector<float> values(96, -90.0f);
        values[0] = first;
        m_logger.logSpectrum(kBand24, values.data(), static_cast<int>(values.size()));
        m_logger.writePending();
    }
    std::string path(const char* name = "Nolvo_20240315_093005.csv") const { return m_dir.file(std::string("data/") + name); }

    test::PinnedClocks m_clocks{5000};
    Sink m_sink;
    DataModel m_model;
    DataLogFile m_file;
    DataLogger m_logger{m_model, m_file};
};

TEST_F(DataLogWriterThread, ThePacketThreadNeverWaitsForTheDisk)
{
    m_model.dataLogState = kLogStartRequested;
    sweep(-50.0f);
    waitUntilAWriteIsHeld(); // the header and first row are at the disk, which does not answer
    // More sweeps are handed on while the disk holds the first write: were they written on this
    // thread, the first of them would wait at the gate for the 10 s it stays shut.
    for (int i = 1; i <= 5; ++i) {
        m_clocks.advance(100);
        sweep(-50.0f + static_cast<float>(i));
    }
    {
        std::lock_guard<std::mutex> lock(g_gate.mutex);
        EXPECT_FALSE(g_gate.open);
    }
    openGate();
    m_logger.waitForWrites();
    const auto lines = linesOf(path());
    ASSERT_EQ(lines.size(), 3u + 6u);
    // In order, with the times of the packets, not of the writes.
    for (int i = 0; i < 6; ++i) {
        const std::string& row = lines[3 + static_cast<std::size_t>(i)];
        char time[16];
        char value[16];
        std::snprintf(time, sizeof time, "0.%d00", i);
        std::snprintf(value, sizeof value, ",%d.0000,", -50 + i);
        if (i > 0) {
            EXPECT_EQ(row.substr(0, row.find(',')), time) << row;
        }
        EXPECT_NE(row.find(value), std::string::npos) << row;
    }
    EXPECT_EQ(m_logger.droppedPackets(), 0u);
}

TEST_F(DataLogWriterThread, ADiskThatCannotKeepUpCostsCountedPacketsNeverHeaders)
{
    m_model.dataLogState = kLogStartRequested;
    sweep(-50.0f);
    waitUntilAWriteIsHeld();
    // Far more than the queue takes: each row is about 900 bytes.
    const int sent = static_cast<int>(2 * DataLogger::kMaxQueuedBytes / 900);
    for (int i = 0; i < sent; ++i) {
        sweep(-60.0f);
    }
    const std::uint64_t dropped = m_logger.droppedPackets();
    EXPECT_GT(dropped, 0u);
    EXPECT_LT(dropped, static_cast<std::uint64_t>(sent));
    // Told once while it happens.
    const auto told = m_sink.texts();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("cannot keep up"), std::string::npos);

    // A new file while the queue is full still gets its header, then its rows.
    m_model.dataLogState = kLogStopRequested;
    sweep(-70.0f);
    test::g_wallSeconds = test::kWallSecond + 1;
    m_model.dataLogState = kLogStartRequested;
    sweep(-40.0f);
    openGate();
    m_logger.waitForWrites();

    const auto first = linesOf(path());
    EXPECT_EQ(first.size(), 3u + 1u + static_cast<std::size_t>(sent) - dropped);
    EXPECT_EQ(first[0], "Spectrum");
    for (std::size_t i = 3; i < first.size(); ++i) {
        EXPECT_EQ(std::count(first[i].begin(), first[i].end(), ','), 96) << "line " << i; // whole rows
    }
    const auto second = linesOf(path("Nolvo_20240315_093006.csv"));
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0], "Spectrum");
    EXPECT_NE(second[3].find(",-40.0000,"), std::string::npos);
    // The stop said how many packets the first file lost.
    const auto later = m_sink.texts();
    ASSERT_EQ(later.size(), 2u);
    EXPECT_NE(later[1].find(std::to_string(dropped) + " packets were dropped"), std::string::npos) << later[1];
}

} // namespace
} // namespace nolvo
