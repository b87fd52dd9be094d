// The simulated accessory's access-point scans: frames the real decoders accept, a set that covers
// what the tables must show, access points that come and go, energy in the spectrum, and the whole
// chain from the scan command to graded access points in the model.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/sim/SimulatedAccessPoints.h"
#include "fakes/AccessoryRig.h"
#include "support/Eventually.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using sim::AccessorySimulator;
using sim::SignalScene;
using sim::SimulatedAccessPoint;
using sim::SimulatedAccessPoints;
using sim::SimulatedModel;
using testing::Bytes;

struct DecodedScan {
    std::vector<int> recordsPerFrame;
    std::vector<AccessPoint> accessPoints;
    std::string printed;
};

// Cuts one scan's bytes into frames as the parser would and decodes each one.
DecodedScan decodeScan(const AccessoryProtocol& protocol, const Bytes& bytes)
{
    DecodedScan scan;
    ::testing::internal::CaptureStdout();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const int length = protocol.frameLength(bytes.data() + pos, static_cast<int>(bytes.size() - pos));
        if (length <= 0) {
            ADD_FAILURE() << "frame length " << length << " at " << pos;
            break;
        }
        std::unique_ptr<AccessPointBatch> list;
        EXPECT_EQ(protocol.decodeAccessPoints(bytes.data() + pos, length, &list), 0);
        scan.recordsPerFrame.push_back(bytes[pos + 2]);
        if (list) {
            for (const auto& ap : *list) {
                scan.accessPoints.push_back(*ap);
            }
        }
        pos += static_cast<std::size_t>(length);
    }
    scan.printed = ::testing::internal::GetCapturedStdout();
    return scan;
}

bool contains(const DecodedScan& scan, const std::string& ssid)
{
    for (const AccessPoint& ap : scan.accessPoints) {
        if (ap.ssidBytes() == ssid) {
            return true;
        }
    }
    return false;
}

TEST(SimulatedScan, FramesDecodeWithBothModelsAndMatchTheSet)
{
    AccessoryProtocolNolvo2 gen2;
    AccessoryProtocolNolvo25 dual;
    for (const bool dualBand : {false, true}) {
        const AccessoryProtocol& protocol = dualBand ? static_cast<const AccessoryProtocol&>(dual) : gen2;
        SimulatedAccessPoints scans(9);
        bool sawFullFrame = false;
        for (int scan = 0; scan < 8; ++scan) {
            const DecodedScan decoded = decodeScan(protocol, scans.nextScan(dualBand));
            EXPECT_EQ(decoded.printed, "") << "a checksum failed in scan " << scan;
            ASSERT_FALSE(decoded.recordsPerFrame.empty());
            for (std::size_t f = 0; f < decoded.recordsPerFrame.size(); ++f) {
                EXPECT_LE(decoded.recordsPerFrame[f], 20);
                sawFullFrame = sawFullFrame || decoded.recordsPerFrame[f] == 20;
                // Only the last frame of a scan is short: that is how the host knows it ended.
                if (f + 1 < decoded.recordsPerFrame.size()) {
                    EXPECT_EQ(decoded.recordsPerFrame[f], 20);
                }
            }
            EXPECT_LT(decoded.recordsPerFrame.back(), 20);
            std::size_t expected = 0;
            for (const SimulatedAccessPoint& p : scans.accessPoints()) {
                expected += (SimulatedAccessPoints::heardIn(p, scan) && (dualBand || p.band == 0)) ? 1 : 0;
            }
            // The dual-band placeholder record is skipped by the decoder.
            EXPECT_EQ(decoded.accessPoints.size(), expected) << "scan " << scan;
            for (const AccessPoint& ap : decoded.accessPoints) {
                EXPECT_GE(ap.rssi, -100.0f);
                EXPECT_LE(ap.rssi, -40.0f);
                EXPECT_TRUE(dualBand || ap.band == kBand24);
                if (!dualBand) {
                    EXPECT_TRUE(ap.modes == 1 || ap.modes == 2 || ap.modes == 4) << int(ap.modes);
                }
            }
        }
        EXPECT_TRUE(sawFullFrame);
    }
}

TEST(SimulatedScan, SetCoversEveryKindTheTablesShow)
{
    AccessoryProtocolNolvo25 dual;
    SimulatedAccessPoints scans(3);
    const DecodedScan decoded = decodeScan(dual, scans.nextScan(true));
    std::set<int> securities, widths, bands, secondaries;
    int hidden = 0;
    for (const AccessPoint& ap : decoded.accessPoints) {
        securities.insert(ap.security);
        widths.insert(ap.channelWidth);
        bands.insert(ap.band);
        secondaries.insert(ap.secondaryCode);
        hidden += ap.ssidLength == 0 ? 1 : 0;
    }
    EXPECT_EQ(securities, (std::set<int>{-1, 0, 1, 2, 3, 4}));
    EXPECT_EQ(widths, (std::set<int>{20, 40}));
    EXPECT_EQ(bands, (std::set<int>{kBand24, kBand5}));
    EXPECT_EQ(secondaries, (std::set<int>{0, 1, 2}));
    EXPECT_GE(hidden, 2);
    EXPECT_TRUE(contains(decoded, "50% off %s today"));
}

TEST(SimulatedScan, OneAccessPointLeavesAndOneReturns)
{
    AccessoryProtocolNolvo2 gen2;
    SimulatedAccessPoints scans(5);
    std::vector<bool> bus, neighbour;
    for (int scan = 0; scan < 7; ++scan) {
        const DecodedScan decoded = decodeScan(gen2, scans.nextScan(false));
        bus.push_back(contains(decoded, "Bus-WiFi"));
        neighbour.push_back(contains(decoded, "Neighbour"));
    }
    EXPECT_EQ(bus, (std::vector<bool>{true, true, true, false, false, false, false}));
    EXPECT_EQ(neighbour, (std::vector<bool>{true, true, false, false, false, true, true}));
}

TEST(SimulatedScan, FortyMegahertzTransmittersFillTheirWidth)
{
    SignalScene wide(4, -95.0);
    SignalScene narrow(4, -95.0);
    wide.addTransmitter(2442.0, -50.0, 1.0, 40.0);
    narrow.addTransmitter(2442.0, -50.0, 1.0);
    while (!wide.transmitters()[0].on || !narrow.transmitters()[0].on) {
        wide.beginSweep();
        narrow.beginSweep();
    }
    // 15 MHz off centre: inside a 40 MHz signal, far down the skirt of a 20 MHz one (23.6 dB).
    EXPECT_NEAR(wide.amplitudeAt(2457.0), -50.0, 6.0);
    EXPECT_NEAR(narrow.amplitudeAt(2457.0), -73.6, 6.0);
}

TEST(SimulatedScan, AccessPointEnergyIsInTheSpectrum)
{
    AccessorySimulator simulator(SimulatedModel::kNolvo2, 11);
    std::vector<double> mean(256, 0.0);
    constexpr int kSweeps = 300;
    for (int s = 0; s < kSweeps; ++s) {
        std::vector<float> dbm;
        simulator.sweepFrames(0, &dbm);
        for (std::size_t k = 0; k < dbm.size(); ++k) {
            mean[k] += dbm[k] / kSweeps;
        }
    }
    auto at = [&](double mhz) { return mean[static_cast<std::size_t>(std::lround((mhz - 2400.0) * 2.55))]; };
    // "HomeNet" at -45 dBm on channel 1 against the empty top of the band (channel 14, 2484 MHz).
    EXPECT_GT(at(2412.0), at(2490.0) + 15.0);
    EXPECT_GT(at(2412.0), -75.0);
    EXPECT_LT(at(2490.0), -85.0);
}

TEST(SimulatedScan, ScanCommandStartsPeriodicReportsUntilStopped)
{
    AccessorySimulator simulator(SimulatedModel::kNolvo25);
    simulator.setScanInterval(10ms);
    int taken = 0;
    const Bytes startSpectrum = {0xAA, 0x03, 0x05};
    const Bytes startScan = {0xAA, 0x03, 0x07};
    const Bytes stop = {0xAA, 0x03, 0x06};
    ASSERT_EQ(simulator.write(startSpectrum.data(), 3, &taken), 0);
    ASSERT_TRUE(simulator.streamingSpectrum());
    ASSERT_EQ(simulator.write(startScan.data(), 3, &taken), 0);
    EXPECT_FALSE(simulator.streamingSpectrum()); // the dual-band accessory cannot do both
    EXPECT_TRUE(simulator.scanning());
    Bytes received;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (simulator.scansSent() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::uint8_t buffer[2048];
        int count = 0;
        if (simulator.read(buffer, sizeof buffer, &count, 100) == 0) {
            received.insert(received.end(), buffer, buffer + count);
        }
    }
    ASSERT_GE(simulator.scansSent(), 3);
    // Everything received is whole type-7 frames.
    AccessoryProtocolNolvo25 dual;
    std::size_t pos = 0, frames = 0;
    while (pos < received.size()) {
        ASSERT_EQ(received[pos], 0xAA);
        ASSERT_EQ(received[pos + 1] >> 5, 7);
        const int length = dual.frameLength(received.data() + pos, static_cast<int>(received.size() - pos));
        ASSERT_GT(length, 0);
        pos += static_cast<std::size_t>(length);
        ++frames;
    }
    EXPECT_GE(frames, 6u);
    ASSERT_EQ(simulator.write(stop.data(), 3, &taken), 0);
    EXPECT_FALSE(simulator.scanning());
    const int scans = simulator.scansSent();
    std::uint8_t buffer[2048];
    int count = 0;
    ASSERT_EQ(simulator.read(buffer, sizeof buffer, &count, 50), 0); // the stop acknowledgement
    EXPECT_EQ(count, 4);
    EXPECT_EQ(simulator.read(buffer, sizeof buffer, &count, 50), kUsbErrorTimeout);
    EXPECT_EQ(simulator.scansSent(), scans);
}

using test::eventually;

// Link thread, worker and the simulated second generation, which sweeps while it scans: the
// access points reach the list and the utilization pass grades them from the swept energy.
TEST(SimulatedScan, ScansReachTheModelAndAreGraded)
{
    DataModel model;
    model.common.spectrumModeActive = 1;
    model.spectrum.displayMode = 0;
    model.spectrum.ssidOverlay = 1;
    model.spectrum.ssidScanInterval = 0.0f;
    auto simulator = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo2);
    simulator->setFrameInterval(2ms);
    simulator->setScanInterval(100ms);
    sim::SimulatedUsbBackend backend;
    backend.attach(simulator);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{5ms, true});
    delegate.bind(link);
    ASSERT_TRUE(link.start());
    // The pass grades once 100 sweeps are stored: wait for those, then for a scan after them.
    std::uint32_t scansBefore = 0;
    const bool swept = eventually([&] {
        ModelLock lock(model, kDataLock);
        scansBefore = model.totalScanCount.load();
        return model.band24.history.size() >= 100;
    });
    const bool scanned = swept && eventually([&] { return model.totalScanCount.load() > scansBefore; });
    link.stop();
    delegate.stop();
    ASSERT_TRUE(swept);
    ASSERT_TRUE(scanned);
    ModelLock lock(model, kDataLock | kAccessPointLock);
    std::map<std::string, const AccessPoint*> byName;
    for (const auto& ap : model.accessPoints) {
        byName[ap->ssidDisplayText()] = ap.get();
    }
    ASSERT_TRUE(byName.count("HomeNet") && byName.count("Flat 5"));
    const AccessPoint& strong = *byName["HomeNet"];
    const AccessPoint& weak = *byName["Flat 5"];
    for (const auto& ap : model.accessPoints) {
        EXPECT_TRUE(std::isfinite(ap->grade) && std::isfinite(ap->utilization));
        EXPECT_GE(ap->grade, 0.0f);
        EXPECT_LE(ap->grade, 100.0f);
    }
    // The strongest access point stands well above the floor in its own span.
    EXPECT_GT(strong.utilization, 0.0f);
    EXPECT_GT(strong.rssi, weak.rssi + 20.0f);
    EXPECT_GT(strong.grade, weak.grade);
    EXPECT_EQ(model.accessPoints.size(), 22u); // every 2.4 GHz access point of the set
}

} // namespace
} // namespace nolvo
