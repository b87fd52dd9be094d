// beacon_flood [ACCESS_POINTS (default 100000)]: access-point scan frames with that many distinct
// BSSIDs, 20 records a frame, through the parser into the model, as a dual-band accessory in
// spectrum mode with the overlay on would deliver them. Every 50 frames it prints the list size,
// the mean merge cost per frame of those 50 and the resident memory, then a summary: the list must
// stay at its 2,048 bound, the cost per frame and the memory flat. Run by bench/beacon-flood.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedAccessPoints.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "accessory/sim/SimulatedUsbDevice.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace {

using namespace nolvo;

long residentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// One full frame of 20 records, access points `first` .. `first` + 19 (BSSIDs from their numbers).
std::vector<std::uint8_t> frameOf(int first, std::uint8_t counter)
{
    std::vector<std::uint8_t> frame = {0xAA, 7 << 5, sim::SimulatedAccessPoints::kMaxRecordsPerFrame, counter};
    for (int i = 0; i < sim::SimulatedAccessPoints::kMaxRecordsPerFrame; ++i) {
        const int n = first + i;
        sim::SimulatedAccessPoint ap;
        ap.bssid = {0x02, 0x4E, static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                    static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
        ap.ssid = "flood-" + std::to_string(n);
        ap.band = n % 4 == 0 ? 1 : 0;
        ap.channel = ap.band == 1 ? 36 + 4 * (n % 8) : 1 + n % 13;
        ap.securityWord = sim::SimulatedAccessPoints::kWpa2Ccmp;
        ap.modes = 0x06;
        const auto record = sim::SimulatedAccessPoints::encodeRecord(ap, -40.0 - n % 50, true);
        frame.insert(frame.end(), record.begin(), record.end());
    }
    return frame;
}

} // namespace

int main(int argc, char** argv)
{
    const int total = argc > 1 ? std::max(20, std::atoi(argv[1])) : 100000;
    constexpr int kReportEvery = 50;

    DataModel model;
    model.common.spectrumModeActive = 1;
    model.spectrum.ssidOverlay = 1;
    auto simulator = std::make_shared<sim::AccessorySimulator>(sim::SimulatedModel::kNolvo25);
    sim::SimulatedUsbBackend backend;
    sim::SimulatedUsbDevice device(sim::SimulatedUsbBackend::accessoryDescriptor(), simulator,
                                   std::make_shared<sim::SimulatedBusCounters>(), 0);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{{}, false});
    delegate.connected(&link, &device);
    delegate.runWorkerPass();
    auto identification = simulator->identificationFrame();
    delegate.dataReceived(&link, &device, identification.data(), static_cast<unsigned>(identification.size()));
    if (delegate.protocolModelId() != 7) {
        std::fprintf(stderr, "beacon_flood: the simulated accessory was not identified\n");
        return 1;
    }

    const int frames = total / sim::SimulatedAccessPoints::kMaxRecordsPerFrame;
    std::vector<double> windowUs;
    std::vector<long> windowRss;
    std::size_t maxList = 0;
    double windowTotal = 0.0;
    std::printf("%8s %10s %8s %14s %10s\n", "frame", "BSSIDs", "list", "us per frame", "RSS kB");
    for (int f = 0; f < frames; ++f) {
        std::vector<std::uint8_t> frame = frameOf(f * sim::SimulatedAccessPoints::kMaxRecordsPerFrame,
                                                  static_cast<std::uint8_t>(f));
        const auto start = std::chrono::steady_clock::now();
        delegate.dataReceived(&link, &device, frame.data(), static_cast<unsigned>(frame.size()));
        windowTotal += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if ((f + 1) % kReportEvery == 0) {
            std::size_t listSize = 0;
            {
                ModelLock lock(model, kAccessPointLock);
                listSize = model.accessPoints.size();
            }
            maxList = std::max(maxList, listSize);
            windowUs.push_back(windowTotal / kReportEvery);
            windowRss.push_back(residentKb());
            if (windowUs.size() % 10 == 1 || f + 1 == frames) {
                std::printf("%8d %10d %8zu %14.1f %10ld\n", f + 1, (f + 1) * sim::SimulatedAccessPoints::kMaxRecordsPerFrame,
                            listSize, windowUs.back(), windowRss.back());
            }
            windowTotal = 0.0;
        }
    }
    if (windowUs.size() < 4) {
        std::printf("too few frames for a summary\n");
        return 0;
    }
    // Compare the second window (the list is full from about frame 103 on) with the last quarter.
    const std::size_t quarter = windowUs.size() * 3 / 4;
    double late = 0.0;
    for (std::size_t i = quarter; i < windowUs.size(); ++i) late += windowUs[i];
    late /= static_cast<double>(windowUs.size() - quarter);
    const std::size_t fullFrom = std::min<std::size_t>(3, windowUs.size() - 1);
    std::printf("access points fed %d in %d frames; the list peaked at %zu entries (bound 2048)\n",
                frames * sim::SimulatedAccessPoints::kMaxRecordsPerFrame, frames, maxList);
    std::printf("merge cost per frame: %.1f us once the list is full (frames %zu-%zu), %.1f us in the last quarter\n",
                windowUs[fullFrom], fullFrom * kReportEvery + 1, (fullFrom + 1) * kReportEvery, late);
    std::printf("RSS: %ld kB once the list is full, %ld kB at the end (%+ld kB)\n", windowRss[fullFrom],
                windowRss.back(), windowRss.back() - windowRss[fullFrom]);
    return maxList <= 2048 ? 0 : 1;
}
