// A data log on a disk that takes 200 ms per write: the parser writes its rows only after it has
// released dataLock, so the render thread, which polls dataLock every frame, never waits for the
// disk; and every row reaches the file in order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "fakes/AccessoryRig.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using sim::SimulatedModel;
using testing::ParserRig;

std::atomic<int> g_slowWrites{0};

std::size_t slowWriter(std::FILE* file, const char* data, std::size_t size)
{
    ++g_slowWrites;
    std::this_thread::sleep_for(200ms);
    const std::size_t written = std::fwrite(data, 1, size, file);
    std::fflush(file);
    return written;
}

class DataLogStall : public test::IsolatedStoreTest {};

TEST_F(DataLogStall, SlowDiskNeverHoldsTheRenderThread)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    DataLogFile file;
    file.setWriter(slowWriter);
    DataLogger logger(rig.model, file);
    rig.delegate.setDataLogger(&logger);
    rig.bringUp();
    rig.model.dataLogState = kLogStartRequested;
    g_slowWrites = 0;

    // The render thread: takes dataLock once per 16 ms frame and notes the longest wait.
    std::atomic<bool> done{false};
    std::atomic<long long> longestWaitUs{0};
    std::thread render([&] {
        while (!done.load()) {
            const auto before = std::chrono::steady_clock::now();
            {
                ModelLock lock(rig.model, kDataLock);
                const auto waited =
                    std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - before);
                longestWaitUs = std::max<long long>(longestWaitUs.load(), waited.count());
            }
            std::this_thread::sleep_for(16ms);
        }
    });
    constexpr int kSweeps = 6;
    for (int i = 0; i < kSweeps; ++i) {
        rig.feed(testing::wideSpectrum(0, static_cast<std::uint8_t>(100 + i)));
    }
    done = true;
    render.join();
    logger.waitForWrites(); // the writer thread takes 200 ms per write
    EXPECT_GE(g_slowWrites.load(), kSweeps);
    // A write under the lock would make it wait the whole 200 ms; one frame is 16.7 ms (the bound
    // leaves room for a loaded machine or a sanitizer).
    EXPECT_LT(longestWaitUs.load(), 100'000);

    const std::string path = file.path();
    logger.closeLog();
    std::ifstream in(path);
    std::vector<std::string> firstCells;
    bool afterFrequencies = false;
    for (std::string line; std::getline(in, line);) {
        if (afterFrequencies && !line.empty()) {
            firstCells.push_back(line.substr(line.find(',') + 1, 8));
        }
        afterFrequencies = afterFrequencies || line.rfind("Freq (MHz):", 0) == 0;
    }
    // Sample 100 + i reads -70 + 0.5 i dBm.
    EXPECT_EQ(firstCells, (std::vector<std::string>{"-70.0000", "-69.5000", "-69.0000", "-68.5000", "-68.0000",
                                                    "-67.5000"}));
}

} // namespace
} // namespace nolvo
