// The recorder's writer thread: the link thread hands reads on without waiting for the disk, and
// a disk that cannot keep up costs dropped reads (counted and reported) instead of memory or a
// stalled link; the file stays a whole, readable recording.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "model/DataModel.h"
#include "model/LogSink.h"
#include "model/SharedField.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int held = 0;
};
Gate g_gate;

// Writes the header at once (start() waits for it), then holds every write until the gate opens
// (at most 10 s, so a failing test still ends).
long gatedWrite(int fd, const void* data, std::size_t size)
{
    std::unique_lock<std::mutex> lock(g_gate.mutex);
    if (g_gate.held++ > 0) {
        g_gate.changed.notify_all();
        g_gate.changed.wait_for(lock, std::chrono::seconds(10), [] { return g_gate.open; });
    }
    return static_cast<long>(::write(fd, data, size));
}

class Lines : public LogSink {
public:
    void logLine(int, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(text);
    }
    std::mutex mutex;
    std::vector<std::string> lines;
};

TEST(RecorderWriterThread, AStalledDiskDropsCountedReadsAndKeepsAWholeRecording)
{
    test::TempDir dir;
    DataModel model;
    Lines log;
    model.setLogSink(&log);
    LinkRecorder recorder(&model);
    recorder.setWriteFunction(gatedWrite);
    recording::Header header;
    header.identification = {0xAA, 0x60, 0x07};
    header.commonSettings.assign(16, 0);
    header.spectrumSettings.assign(88, 0);
    header.powerSettings.assign(44, 0);
    std::string error;
    ASSERT_TRUE(recorder.start(dir.path(), header, error)) << error;
    const std::string path = recorder.path();

    // 2048-byte reads, the largest the link makes: twice what the queue holds, all handed on while
    // the disk holds the first one. Written on this thread, the second read would wait 10 s.
    const std::vector<std::uint8_t> read(2048, 0xAA);
    const int reads = static_cast<int>(2 * LinkRecorder::kMaxQueuedBytes / read.size());
    for (int i = 0; i < reads; ++i) {
        recorder.received(read.data(), static_cast<unsigned>(read.size()));
    }
    {
        std::lock_guard<std::mutex> lock(g_gate.mutex);
        EXPECT_FALSE(g_gate.open);
    }
    const std::uint64_t dropped = recorder.droppedReads();
    EXPECT_GT(dropped, 0u);
    EXPECT_LT(dropped, static_cast<std::uint64_t>(reads));
    {
        std::lock_guard<std::mutex> lock(g_gate.mutex);
        g_gate.open = true;
        g_gate.changed.notify_all();
    }
    EXPECT_EQ(recorder.stop(), path);
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        ASSERT_EQ(log.lines.size(), 2u);
        EXPECT_NE(log.lines[0].find("cannot keep up"), std::string::npos) << log.lines[0];
        EXPECT_NE(log.lines[1].find(std::to_string(dropped) + " reads were dropped"), std::string::npos) << log.lines[1];
    }
    const auto recording = Recording::open(path, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_FALSE(recording->cut());
    EXPECT_EQ(recording->chunks().size(), static_cast<std::size_t>(reads) - dropped);
    model.setLogSink(nullptr);
}

// The parser stores the mode and the power scale indexes on identification while a recording may
// be starting on the render thread: the header reads them through the shared-access helpers
// (under ThreadSanitizer a plain copy of the records is a reported race).
TEST(RecorderWriterThread, TheHeaderReadsSettingsThatTheParserWrites)
{
    DataModel model;
    std::atomic<bool> done{false};
    std::thread parser([&] {
        for (int i = 0; !done.load(); ++i) {
            storeShared<std::uint8_t>(model.common.spectrumModeActive, static_cast<std::uint8_t>(i & 1));
            storeShared(model.power.timeScaleIndex, i & 15);
            storeShared(model.power.amplitudeScaleIndex, 0);
        }
    });
    std::vector<std::uint8_t> modes;
    for (int i = 0; i < 2000; ++i) {
        const recording::Header header = LinkRecorder::headerFor(model, {0xAA}, "t");
        modes.push_back(header.commonSettings.at(11)); // spectrumModeActive
    }
    done = true;
    parser.join();
    for (std::uint8_t mode : modes) {
        EXPECT_LE(mode, 1);
    }
}

} // namespace
} // namespace nolvo
