// The demo recordings shipped in res/packets: every file the playback names is there, splits into
// whole frames that the model's protocol object decodes, and shows what its scene promises.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/DemoPlayback.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/DemoScene.h"
#include "model/AccessPoint.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"

namespace nolvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readRecording(const std::string& name)
{
    std::ifstream in(std::string(NOLVO_SOURCE_DIR) + "/res/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<AccessoryProtocol> protocolFor(int hardware)
{
    switch (hardware) {
    case 0:
        return std::make_unique<AccessoryProtocolNolvo>();
    case 1:
        return std::make_unique<AccessoryProtocolNolvo2>();
    default:
        return std::make_unique<AccessoryProtocolNolvo25>();
    }
}

struct Contents {
    int frames = 0;
    int triggered = 0;
    int bad = 0;
    float maxDbm = -1000.0f;
};

// Cuts a recording into frames with the protocol's lengths and decodes each one.
Contents decodeAll(AccessoryProtocol& protocol, const Bytes& bytes)
{
    Contents c;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const int length = protocol.frameLength(bytes.data() + pos, static_cast<int>(bytes.size() - pos));
        if (length <= 0) {
            ++c.bad;
            break;
        }
        float values[kMaxSpectrumValues > kMaxPowerValues ? kMaxSpectrumValues : kMaxPowerValues];
        int count = 0, band = 0, segment = 0;
        bool triggered = false;
        const int type = bytes[pos + 1] >> 5;
        int result = -1;
        if (type == kFrameSpectrum) {
            result = protocol.decodeSpectrum(bytes.data() + pos, length, values, kMaxSpectrumValues, &count, &band,
                                             &segment);
        } else if (type == kFramePower) {
            result = protocol.decodePower(bytes.data() + pos, length, values, kMaxPowerValues, &count, &segment,
                                          &triggered);
        }
        if (result != 0 || count <= 0) {
            ++c.bad;
        }
        for (int i = 0; i < count; ++i) {
            c.maxDbm = std::max(c.maxDbm, values[i]);
        }
        c.triggered += triggered ? 1 : 0;
        ++c.frames;
        pos += static_cast<std::size_t>(length);
    }
    return c;
}

TEST(Recordings, EveryNamedFileIsThereAndDecodes)
{
    const char* scenes[] = {"None", "Wifi", "Dect", "Dsss"};
    for (int hardware = 0; hardware < 3; ++hardware) {
        const std::string prefix = DemoPlayback::prefix(hardware);
        auto protocol = protocolFor(hardware);
        const Bytes id = readRecording(prefix + "discover.bin");
        AccessoryInfo info;
        ASSERT_EQ(protocol->decodeIdentification(id.data(), static_cast<int>(id.size()), &info), 0) << prefix;
        EXPECT_EQ(protocol->checkSettingsAck(readRecording(prefix + "settings.bin").data(), 3), 0) << prefix;
        // The access-point scans that go with the Wi-Fi scene (the first generation does not scan).
        const Bytes ssid = readRecording(prefix + "ssid.bin");
        EXPECT_EQ(ssid.empty(), hardware == 0) << prefix;
        int accessPoints = 0;
        for (std::size_t pos = 0; pos < ssid.size();) {
            const int length = protocol->frameLength(ssid.data() + pos, static_cast<int>(ssid.size() - pos));
            ASSERT_GT(length, 0) << prefix << " at " << pos;
            std::unique_ptr<AccessPointBatch> list;
            ASSERT_EQ(protocol->decodeAccessPoints(ssid.data() + pos, length, &list), 0) << prefix << " at " << pos;
            accessPoints += list ? static_cast<int>(list->size()) : 0;
            pos += static_cast<std::size_t>(length);
        }
        EXPECT_EQ(accessPoints > 0, hardware != 0) << prefix;
        for (int scene = 0; scene < 4; ++scene) {
            const Bytes spectrum = readRecording(prefix + "spectrum" + DemoPlayback::sceneFile(scene, false));
            ASSERT_FALSE(spectrum.empty()) << prefix << scenes[scene];
            EXPECT_EQ(spectrum.size() % DemoPlayback::spectrumChunk(hardware, false), 0u);
            const Contents c = decodeAll(*protocol, spectrum);
            EXPECT_EQ(c.bad, 0) << prefix << scenes[scene];
            // A scene with transmitters rises well above the floor somewhere; the empty one does not.
            if (scene == 0) {
                EXPECT_LT(c.maxDbm, -80.0f) << prefix << scenes[scene];
            } else {
                EXPECT_GT(c.maxDbm, -60.0f) << prefix << scenes[scene];
            }
            if (hardware == 2) {
                const Bytes five = readRecording(prefix + "spectrum" + DemoPlayback::sceneFile(scene, true));
                ASSERT_FALSE(five.empty());
                EXPECT_EQ(five.size() % DemoPlayback::spectrumChunk(2, true), 0u);
                EXPECT_EQ(decodeAll(*protocol, five).bad, 0);
                continue;
            }
            const Bytes power = readRecording(prefix + "power" + DemoPlayback::sceneFile(scene, false));
            ASSERT_FALSE(power.empty()) << prefix << scenes[scene];
            EXPECT_EQ(power.size() % DemoPlayback::powerChunk(hardware), 0u);
            const Contents p = decodeAll(*protocol, power);
            EXPECT_EQ(p.bad, 0);
            // Signals trigger every capture, and above the demo's preset trigger level; noise never does.
            EXPECT_EQ(p.triggered, scene == 0 ? 0 : p.frames) << prefix << scenes[scene];
            if (scene != 0) {
                EXPECT_GT(p.maxDbm, -31.7f);
            }
        }
    }
}

TEST(Recordings, SimulatedPowerFramesInterleaveLikeTheAccessory)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo);
    AccessoryProtocolNolvo protocol;
    const Bytes id = simulator.identificationFrame();
    ASSERT_EQ(protocol.decodeIdentification(id.data(), static_cast<int>(id.size()), nullptr), 0);
    std::vector<double> ramp;
    for (int i = 0; i < 240; ++i) {
        ramp.push_back(-60.0 + 0.25 * i);
    }
    const Bytes frames = simulator.powerFramesFor(ramp, true);
    ASSERT_EQ(frames.size(), 6u * 62);
    std::vector<float> trace(240);
    for (int s = 0; s < 6; ++s) {
        float values[40];
        int count = 0, segment = 0;
        bool triggered = false;
        ASSERT_EQ(protocol.decodePower(frames.data() + 62 * s, 62, values, 40, &count, &segment, &triggered), 0);
        EXPECT_TRUE(triggered);
        for (int k = 0; k < 40; ++k) {
            trace[static_cast<std::size_t>(6 * k + segment)] = values[k];
        }
    }
    for (int i = 0; i < 240; ++i) {
        EXPECT_FLOAT_EQ(trace[static_cast<std::size_t>(i)], static_cast<float>(ramp[static_cast<std::size_t>(i)]));
    }
}

TEST(Recordings, NoiseFloorBreathesInStepWithTheLoop)
{
    // The mean floor of sweep 0 and sweep L (one loop later) agree; three quarters into it, at the trough, it is lower.
    sim::DemoScene scene(sim::DemoScene::Kind::kNone, false, 7);
    std::vector<double> frequencies(256);
    for (int k = 0; k < 256; ++k) {
        frequencies[static_cast<std::size_t>(k)] = 2400.0 + k * 100.0 / 255.0;
    }
    auto mean = [&](int index) {
        double sum = 0.0;
        for (double v : scene.sweep(frequencies, index, 100)) {
            sum += v;
        }
        return sum / 256.0;
    };
    const double start = mean(0);
    const double threeQuarters = mean(75);
    const double loop = mean(100);
    EXPECT_NEAR(start, loop, 0.4);
    EXPECT_GT(std::fabs(threeQuarters - start), 1.5);
}

} // namespace
} // namespace nolvo

namespace nolvo {
namespace {

std::uint64_t g_replayNow = 0;
std::uint64_t replayNow()
{
    return g_replayNow;
}

// The delegate playing the committed recordings with the access-point overlay on, as nolvo-log and
// the window do: the recordings switch into access-point scans and back, and sweeps must keep
// coming scan after scan (the dual-band model's periodic scans once ended the streaming for good
// after its second scan).
TEST(Recordings, DemoKeepsStreamingThroughItsAccessPointScans)
{
    engine::FileUtils* files = engine::FileUtils::getInstance();
    const auto roots = files->getResourceRoots();
    const auto paths = files->getSearchPaths();
    files->setResourceRoots({std::string(NOLVO_SOURCE_DIR) + "/res"});
    files->setSearchPaths({""});
    g_replayNow = 1000;
    engine::clock::setSource(&replayNow);
    for (const int hardware : {1, 2}) {
        DataModel model; // default settings: the overlay is on, with periodic scans
        model.demo = DemoSettings{static_cast<std::uint8_t>(hardware), 1, 1};
        AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
        std::uint64_t sweepsAt[4] = {};
        for (int second = 1; second <= 180; ++second) {
            for (int pass = 0; pass < 10; ++pass) {
                g_replayNow += 100;
                delegate.runWorkerPass();
            }
            if (second % 45 == 0) {
                ModelLock lock(model, kDataLock);
                sweepsAt[second / 45 - 1] = model.band24.sweepsStored;
            }
        }
        for (int i = 1; i < 4; ++i) {
            EXPECT_GT(sweepsAt[i], sweepsAt[i - 1] + 45) << "hardware " << hardware << ": no sweeps between "
                                                         << i * 45 << " s and " << (i + 1) * 45 << " s";
        }
        ModelLock lock(model, kAccessPointLock);
        EXPECT_GT(model.totalScanCount.load(), 1u) << "hardware " << hardware;
    }
    engine::clock::setSource(nullptr);
    files->setResourceRoots(roots);
    files->setSearchPaths(paths);
}

} // namespace
} // namespace nolvo
