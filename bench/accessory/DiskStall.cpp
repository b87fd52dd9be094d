// disk_stall [SECONDS (default 5)]: how long the link thread stays away from the USB while a data
// log and a stream recording are written, with a disk that takes writes at once and with one that
// sleeps like a 1 MB/s disk. A dual-band accessory (simulated) streams a 2.4 GHz sweep every 10 ms
// through the real link, parser and data logger; every read is recorded.
//
// "Away" is the time from the end of one bulk read to the start of the next: what the link thread
// spends in the parser, the data log, the recorder and its 1 ms pass. Data-log rows and recording
// writes go to writer threads, so this must not grow with the slow disk; what the slow disk cannot
// take is dropped and counted (printed below). Exits 1 when, with the slow disk, the median grows
// by more than 1 ms or the 99th percentile by more than 2 ms. Run by bench/disk-stall.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;
using Clock = std::chrono::steady_clock;

// Microseconds between the end of one read and the start of the next, kept by the link thread.
struct Gaps {
    std::mutex mutex;
    std::vector<double> us;
    bool measuring = false;
};

// The simulated accessory's handle with the time between reads noted.
class MeasuringDevice final : public TamrelAccessoryDevice {
public:
    MeasuringDevice(std::unique_ptr<TamrelAccessoryDevice> inner, Gaps& gaps)
        : TamrelAccessoryDevice(inner->descriptor()), m_inner(std::move(inner)), m_gaps(gaps)
    {
    }
    int bulkTransfer(unsigned char endpoint, unsigned char* data, int length, int* transferred,
                     unsigned timeoutMs) override
    {
        if ((endpoint & kInDirection) == 0) {
            return m_inner->bulkTransfer(endpoint, data, length, transferred, timeoutMs);
        }
        const Clock::time_point start = Clock::now();
        if (m_readEnded != Clock::time_point{}) {
            std::lock_guard<std::mutex> lock(m_gaps.mutex);
            if (m_gaps.measuring) {
                m_gaps.us.push_back(std::chrono::duration<double, std::micro>(start - m_readEnded).count());
            }
        }
        const int result = m_inner->bulkTransfer(endpoint, data, length, transferred, timeoutMs);
        m_readEnded = Clock::now();
        return result;
    }

protected:
    int openHandle() override { return m_inner->open(); }
    void closeHandle(int) override { m_inner->close(); }

private:
    std::unique_ptr<TamrelAccessoryDevice> m_inner;
    Gaps& m_gaps;
    Clock::time_point m_readEnded{};
};

class MeasuringBackend final : public UsbBackend {
public:
    MeasuringBackend(sim::SimulatedUsbBackend& inner, Gaps& gaps) : m_inner(inner), m_gaps(gaps) {}
    int listDevices(DeviceList& out) override
    {
        DeviceList found;
        const int count = m_inner.listDevices(found);
        out.clear();
        for (auto& device : found) {
            out.push_back(std::make_unique<MeasuringDevice>(std::move(device), m_gaps));
        }
        return count;
    }

private:
    sim::SimulatedUsbBackend& m_inner;
    Gaps& m_gaps;
};

// The disk: 0 bytes per second is instant, otherwise each write sleeps for its share of a second.
std::atomic<double> g_bytesPerSecond{0.0};

void sleepFor(std::size_t bytes)
{
    const double rate = g_bytesPerSecond.load();
    if (rate > 0.0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(static_cast<double>(bytes) / rate));
    }
}

std::size_t csvWrite(std::FILE* file, const char* data, std::size_t size)
{
    sleepFor(size);
    const std::size_t written = std::fwrite(data, 1, size, file);
    return std::fflush(file) == 0 ? written : 0;
}

long recordingWrite(int fd, const void* data, std::size_t size)
{
    sleepFor(size);
    return static_cast<long>(::write(fd, data, size));
}

struct Result {
    std::size_t reads = 0;
    double p50 = 0, p99 = 0, max = 0;
    std::uint64_t rowsDropped = 0, readsDropped = 0;
    std::uintmax_t csvBytes = 0, recordingBytes = 0;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())));
    return values[at];
}

Result run(double bytesPerSecond, int seconds)
{
    g_bytesPerSecond = bytesPerSecond;
    const std::string dir = std::filesystem::temp_directory_path() / ("nolvo-disk-stall-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    engine::FileUtils::getInstance()->setWritablePath(dir);

    Gaps gaps;
    DataModel model;
    model.demo.hardware = 255; // only the accessory feeds the model
    auto simulator = std::make_shared<sim::AccessorySimulator>(sim::SimulatedModel::kNolvo25);
    simulator->setFrameInterval(std::chrono::milliseconds(10));
    sim::SimulatedUsbBackend bus;
    bus.attach(simulator);
    MeasuringBackend backend(bus, gaps);
    Result result;
    {
        AccessoryCommunication link(&backend);
        AccessoryCommunicationDelegate delegate(model);
        DataLogFile file;
        file.setWriter(csvWrite);
        DataLogger logger(model, file);
        delegate.setDataLogger(&logger);
        delegate.bind(link);
        LinkRecorder recorder(&model);
        recorder.setWriteFunction(recordingWrite);
        link.setRecorder(&recorder);
        link.start();
        for (int i = 0; i < 500 && !delegate.identified(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!delegate.identified()) {
            std::fprintf(stderr, "disk_stall: the simulated accessory was not identified\n");
            std::exit(2);
        }
        std::string error;
        if (!recorder.start(dir, LinkRecorder::headerFor(model, delegate.identificationFrame(), "bench"), error)) {
            std::fprintf(stderr, "disk_stall: cannot record: %s\n", error.c_str());
            std::exit(2);
        }
        model.dataLogState = kLogStartRequested;
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // streaming and logging
        {
            std::lock_guard<std::mutex> lock(gaps.mutex);
            gaps.measuring = true;
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        {
            std::lock_guard<std::mutex> lock(gaps.mutex);
            gaps.measuring = false;
        }
        const std::string csv = file.path();
        const std::string recordingPath = recorder.path();
        // What was queued is not part of the measurement: faster disk for the rest.
        g_bytesPerSecond = 0.0;
        link.stop();
        delegate.stop();
        logger.closeLog();
        recorder.stop();
        result.rowsDropped = logger.droppedPackets();
        result.readsDropped = recorder.droppedReads();
        std::error_code ignored;
        result.csvBytes = std::filesystem::file_size(csv, ignored);
        result.recordingBytes = std::filesystem::file_size(recordingPath, ignored);
    }
    result.reads = gaps.us.size();
    result.p50 = percentile(gaps.us, 0.50);
    result.p99 = percentile(gaps.us, 0.99);
    result.max = percentile(gaps.us, 1.0);
    std::filesystem::remove_all(dir);
    return result;
}

void print(const char* name, const Result& r, int seconds)
{
    std::printf("%-12s %7zu reads  away from USB p50 %7.0f us  p99 %7.0f us  max %8.0f us  |  CSV %6.0f kB/s, "
                "%llu packets dropped  |  recording %6.0f kB/s, %llu reads dropped\n",
                name, r.reads, r.p50, r.p99, r.max, static_cast<double>(r.csvBytes) / 1000.0 / seconds,
                static_cast<unsigned long long>(r.rowsDropped), static_cast<double>(r.recordingBytes) / 1000.0 / seconds,
                static_cast<unsigned long long>(r.readsDropped));
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Result fast = run(0.0, seconds);
    print("instant disk", fast, seconds);
    const Result slow = run(1e6, seconds);
    print("1 MB/s disk", slow, seconds);
    const bool grew = slow.p50 > fast.p50 + 1000.0 || slow.p99 > fast.p99 + 2000.0;
    std::printf("%s: with the slow disk the median moved %+.0f us and the 99th percentile %+.0f us\n",
                grew ? "FAIL (grew)" : "ok (did not grow)", slow.p50 - fast.p50, slow.p99 - fast.p99);
    return grew ? 1 : 0;
}
