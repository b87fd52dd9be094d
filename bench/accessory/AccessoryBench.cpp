// Link thread CPU while scanning without an accessory, and the cost of one spectrum frame from
// the parser through decoding into the model's history.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LibusbBackend.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "accessory/sim/SimulatedUsbDevice.h"
#include "model/DataModel.h"

namespace {

using namespace nolvo;

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The program's normal state without hardware: the link thread scanning the real bus through
// libusb, with the delegate's callbacks bound. Reports the link's CPU use in percent of one core
// (the benchmark's own thread only sleeps meanwhile).
void BM_LinkScanningCpu(benchmark::State& state)
{
    DataModel model;
    for (auto _ : state) {
        AccessoryCommunication link(&LibusbBackend::instance());
        link.setDeviceCallbacks([](AccessoryCommunication*, TamrelAccessoryDevice* d) { return d->isAccessory(); },
                                {}, {}, {});
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processCpuSeconds();
        link.start();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        link.stop();
        const double cpu = processCpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
    }
}
BENCHMARK(BM_LinkScanningCpu)->Iterations(1)->Unit(benchmark::kSecond);

// The same scan on a simulated bus holding a dozen other devices (a laptop's hubs, camera,
// keyboard...), for machines whose real bus is empty.
void BM_LinkScanningCpuBusyBus(benchmark::State& state)
{
    sim::SimulatedUsbBackend backend;
    for (std::uint8_t i = 0; i < 12; ++i) {
        UsbDeviceDescriptor other;
        other.bus = 1;
        other.address = static_cast<std::uint8_t>(i + 1);
        other.idVendor = 0x1D6B;
        other.idProduct = i;
        backend.attachOther(other);
    }
    for (auto _ : state) {
        AccessoryCommunication link(&backend);
        link.setDeviceCallbacks([](AccessoryCommunication*, TamrelAccessoryDevice* d) { return d->isAccessory(); },
                                {}, {}, {});
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processCpuSeconds();
        link.start();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        link.stop();
        const double cpu = processCpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["scans"] = backend.listCalls();
    }
}
BENCHMARK(BM_LinkScanningCpuBusyBus)->Iterations(1)->Unit(benchmark::kSecond);

// One 260-byte dual-band 2.4 GHz frame: parse, decode 256 values, assemble, pushSweep (history,
// heat-map grid, flags) under dataLock.
void BM_DualBandFrameToHistory(benchmark::State& state)
{
    DataModel model;
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

    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < 64; ++i) {
        frames.push_back(simulator->sweepFrames(0));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        auto& frame = frames[next++ % frames.size()];
        delegate.dataReceived(&link, &device, frame.data(), static_cast<unsigned>(frame.size()));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["history"] = static_cast<double>(model.band24.history.size());
}
BENCHMARK(BM_DualBandFrameToHistory)->Unit(benchmark::kMicrosecond);

} // namespace
