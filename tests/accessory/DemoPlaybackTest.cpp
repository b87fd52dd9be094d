// Demo playback: which recording is fed, in which chunks, at which pace, and the replay through
// the parser that identifies the recorded model and fills the histories.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "accessory/DemoPlayback.h"
#include "fakes/AccessoryRig.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using testing::Bytes;

std::uint64_t g_now = 0;
std::uint64_t fakeNow() { return g_now; }

// Recordings in a directory of their own, found through the resource search paths.
class DemoFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine::FileUtils* files = engine::FileUtils::getInstance();
        m_savedRoots = files->getResourceRoots();
        m_savedPaths = files->getSearchPaths();
        files->setResourceRoots({m_dir.path()});
        files->setSearchPaths({"res"});
        g_now = 1000;
        engine::clock::setSource(&fakeNow);
    }
    void TearDown() override
    {
        engine::FileUtils::getInstance()->setResourceRoots(m_savedRoots);
        engine::FileUtils::getInstance()->setSearchPaths(m_savedPaths);
        engine::clock::setSource(nullptr);
    }
    void write(const std::string& name, const Bytes& bytes)
    {
        const std::filesystem::path path = std::filesystem::path(m_dir.path()) / "res" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    // Byte i of a recording is i mod 251, so a fed chunk tells where in the file it came from.
    static Bytes counting(std::size_t size)
    {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) {
            b[i] = static_cast<std::uint8_t>(i % 251);
        }
        return b;
    }

    test::TempDir m_dir;
    std::vector<std::string> m_savedRoots;
    std::vector<std::string> m_savedPaths;
};

struct Fed {
    std::size_t start; // offset in the recording (from the first byte's value, files < 251 bytes)
    std::size_t size;
};

class DemoStreams : public DemoFiles {
protected:
    std::vector<Bytes> fed;
    DemoPlayback playback;
    DataModel model;

    void step()
    {
        playback.stepStreaming(g_now, model, [](const std::uint8_t*, int) { return -1; },
                               [this](const std::uint8_t* b, std::size_t n) { fed.emplace_back(b, b + n); });
    }
};

TEST_F(DemoStreams, ChunkSizePerModelModeAndBand)
{
    struct Case {
        int hardware;
        int spectrumMode;
        int band;
        const char* file;
        std::size_t chunk; // 0: nothing may be fed
    };
    const Case cases[] = {
        {0, 0, 0, "packets/Nolvo/Nolvo_powerWifi.bin", 62},
        {1, 0, 0, "packets/Nolvo2/Nolvo2_powerWifi.bin", 1254},
        {2, 0, 0, "packets/Nolvo5x/Nolvo5x_powerWifi.bin", 0}, // no power on the dual-band model
        {0, 1, 0, "packets/Nolvo/Nolvo_spectrumWifi.bin", 52},
        {1, 1, 0, "packets/Nolvo2/Nolvo2_spectrumWifi.bin", 260},
        {2, 1, 0, "packets/Nolvo5x/Nolvo5x_spectrumWifi.bin", 260},
        {2, 1, 1, "packets/Nolvo5x/Nolvo5x_spectrum5GHzWifi.bin", 516},
        {1, 1, 1, "packets/Nolvo2/Nolvo2_spectrum5GHzWifi.bin", 0}, // no 5 GHz band
    };
    for (const Case& c : cases) {
        write(c.file, counting(4000));
        playback.reset();
        fed.clear();
        model.demo = DemoSettings{static_cast<std::uint8_t>(c.hardware), 1, 0};
        model.common.spectrumModeActive = static_cast<std::uint8_t>(c.spectrumMode);
        model.spectrum.band = c.band;
        step();
        if (c.chunk == 0) {
            EXPECT_TRUE(fed.empty()) << c.file;
        } else {
            ASSERT_EQ(fed.size(), 1u) << c.file;
            EXPECT_EQ(fed[0].size(), c.chunk) << c.file;
        }
    }
}

TEST_F(DemoStreams, ChunksLoopAndArePacedByTheRecordedRefreshInterval)
{
    write("packets/Nolvo2/Nolvo2_spectrumNone.bin", counting(520));
    model.demo = DemoSettings{1, 0, 0};
    model.common.spectrumModeActive = 1;
    model.refreshInterval[0] = 0.2f;
    const std::uint64_t times[] = {1000, 1100, 1199, 1200, 1300, 1400, 1600};
    for (std::uint64_t t : times) {
        g_now = t;
        step();
    }
    // Fed at 1000, 1200, 1400 and 1600: 0..259, 260..519, then from the start again.
    ASSERT_EQ(fed.size(), 4u);
    const std::uint8_t firstBytes[] = {0, static_cast<std::uint8_t>(260 % 251), 0, static_cast<std::uint8_t>(260 % 251)};
    for (std::size_t i = 0; i < fed.size(); ++i) {
        ASSERT_EQ(fed[i].size(), 260u);
        EXPECT_EQ(fed[i][0], firstBytes[i]) << "chunk " << i;
        EXPECT_EQ(fed[i][259], static_cast<std::uint8_t>((i % 2 == 0 ? 259 : 519) % 251)) << "chunk " << i;
    }
}

TEST_F(DemoStreams, FirstGenerationPowerEveryTenthOfASecond)
{
    write("packets/Nolvo/Nolvo_powerDect.bin", counting(62 * 6));
    model.demo = DemoSettings{0, 2, 0};
    model.common.spectrumModeActive = 0;
    model.refreshInterval[2] = 0.1f;
    for (int i = 0; i < 10; ++i) {
        g_now = 1000 + 50 * static_cast<std::uint64_t>(i);
        step();
    }
    ASSERT_EQ(fed.size(), 5u); // at 1000, 1100, 1200, 1300, 1400
    for (const Bytes& chunk : fed) {
        EXPECT_EQ(chunk.size(), 62u);
    }
    EXPECT_EQ(playback.position(DemoPlayback::kPower), 5u * 62);
}

TEST_F(DemoStreams, MissingOrShortRecordingsFeedNothing)
{
    model.demo = DemoSettings{1, 3, 0};
    model.common.spectrumModeActive = 1;
    step();
    EXPECT_TRUE(fed.empty());
    EXPECT_FALSE(playback.loaded(DemoPlayback::kSpectrum24));
    write("packets/Nolvo2/Nolvo2_spectrumDsss.bin", counting(100)); // shorter than one frame
    playback.reset();
    step();
    EXPECT_TRUE(fed.empty());
    // A scene outside 0..3 names no file at all.
    model.demo.scene = 9;
    playback.reset();
    step();
    EXPECT_TRUE(fed.empty());
}

TEST_F(DemoStreams, AccessPointFramesAfterTheDelayOneFrameAtATime)
{
    // Two frames of 10 and 6 bytes, then a tail whose length is unknown.
    Bytes ssid = {0xAA, 0xE0, 10, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xE0, 6, 0, 0, 0, 0xAA, 0xE0};
    write("packets/Nolvo5x/Nolvo5x_ssid.bin", ssid);
    write("packets/Nolvo5x/Nolvo5x_spectrumWifi.bin", counting(260));
    model.demo = DemoSettings{2, 1, 1};
    model.common.spectrumModeActive = 1;
    model.spectrum.ssidOverlay = 1;
    model.refreshInterval[0] = 100.0f; // only the first spectrum step feeds
    model.deviceInfo.accessPointDelay = 1.0f;
    model.deviceInfo.accessPointInterval = 0.5f;
    std::vector<std::size_t> sizes;
    auto frameLength = [](const std::uint8_t* b, int n) { return n >= 3 ? static_cast<int>(b[2]) : -1; };
    for (std::uint64_t t = 1000; t <= 4000; t += 100) {
        fed.clear();
        playback.stepStreaming(t, model, frameLength,
                               [this](const std::uint8_t* b, std::size_t n) { fed.emplace_back(b, b + n); });
        for (const Bytes& f : fed) {
            if (f.size() != 260) {
                sizes.push_back(f.size());
            }
        }
    }
    // Steps at 2000 (10), 2500 (6), 3000 (the tail: restart), 3500 (10), 4000 (6).
    EXPECT_EQ(sizes, (std::vector<std::size_t>{10, 6, 10, 6}));
    // Without the demo access-point switch nothing of it is fed.
    model.demo.accessPoints = 0;
    playback.reset();
    sizes.clear();
    for (std::uint64_t t = 1000; t <= 4000; t += 100) {
        fed.clear();
        playback.stepStreaming(t, model, frameLength,
                               [this](const std::uint8_t* b, std::size_t n) { fed.emplace_back(b, b + n); });
        EXPECT_TRUE(fed.empty() || fed[0].size() == 260u);
    }
}

// The delegate without an accessory: replays the recordings of the chosen hardware.
class DemoReplay : public DemoFiles {
protected:
    void record(sim::SimulatedModel which, const std::string& prefix)
    {
        sim::AccessorySimulator simulator(which);
        write(prefix + "discover.bin", simulator.identificationFrame());
        write(prefix + "settings.bin", testing::settingsAck());
        Bytes sweeps;
        for (int i = 0; i < 4; ++i) {
            const Bytes s = simulator.sweepFrames(0);
            sweeps.insert(sweeps.end(), s.begin(), s.end());
        }
        write(prefix + "spectrumWifi.bin", sweeps);
    }
    void passes(AccessoryCommunicationDelegate& delegate, int count)
    {
        for (int i = 0; i < count; ++i) {
            g_now += 100;
            delegate.runWorkerPass();
        }
    }
    std::size_t sweeps(DataModel& model)
    {
        ModelLock lock(model, kDataLock);
        return model.band24.history.size();
    }
};

TEST_F(DemoReplay, RecordingsIdentifyTheModelAndFillTheHistory)
{
    record(sim::SimulatedModel::kNolvo2, "packets/Nolvo2/Nolvo2_");
    DataModel model;
    model.demo = DemoSettings{1, 1, 0};
    model.common.spectrumModeActive = 1;
    AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
    passes(delegate, 1);
    EXPECT_TRUE(delegate.identified());
    EXPECT_EQ(delegate.protocolModelId(), 6);
    EXPECT_EQ(model.deviceInfo.modelId, 6);
    passes(delegate, 3); // settings fed, acknowledged, streaming
    EXPECT_EQ(delegate.linkState(), AccessoryCommunicationDelegate::kStartStreaming);
    // The preset power trigger of the recorded scenes.
    EXPECT_FLOAT_EQ(model.power.triggerLevel, -36.31f);
    EXPECT_EQ(model.power.timeScaleIndex, 15);
    passes(delegate, 20); // 2 s at one sweep per 0.2 s
    EXPECT_EQ(sweeps(model), 10u);
}

TEST_F(DemoReplay, FirstGenerationPowerRecordingBecomesTraces)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo);
    const std::string prefix = "packets/Nolvo/Nolvo_";
    write(prefix + "discover.bin", simulator.identificationFrame());
    write(prefix + "settings.bin", testing::settingsAck());
    std::vector<double> ramp;
    for (int i = 0; i < 240; ++i) {
        ramp.push_back(-60.0 + 0.25 * i);
    }
    write(prefix + "powerDect.bin", simulator.powerFramesFor(ramp, true));
    DataModel model;
    model.demo = DemoSettings{0, 2, 0};
    model.common.spectrumModeActive = 0;
    AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
    passes(delegate, 4); // identified, trigger preset, settings acknowledged
    EXPECT_EQ(model.power.timeScaleIndex, 16);
    EXPECT_FLOAT_EQ(model.power.triggerLevel, -31.7f);
    passes(delegate, 12); // one 62-byte frame per pass: two six-frame traces
    ModelLock lock(model, kDataLock);
    ASSERT_EQ(model.powerStore.live.history.size(), 2u);
    const std::vector<float>& trace = model.powerStore.live.history.back();
    ASSERT_EQ(trace.size(), 240u);
    EXPECT_FLOAT_EQ(trace[0], -60.0f);
    EXPECT_FLOAT_EQ(trace[239], -60.0f + 0.25f * 239);
    EXPECT_EQ(model.powerStore.acquisitionPhase, 0);
}

TEST_F(DemoReplay, NothingIsFedWhileStoppedAndHardwareThreeIsOff)
{
    record(sim::SimulatedModel::kNolvo2, "packets/Nolvo2/Nolvo2_");
    DataModel model;
    model.demo = DemoSettings{1, 1, 0};
    model.common.spectrumModeActive = 1;
    AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
    passes(delegate, 4);
    model.runState = kStopped;
    passes(delegate, 10);
    EXPECT_EQ(sweeps(model), 0u);
    model.runState = kRunning;
    passes(delegate, 1);
    EXPECT_EQ(sweeps(model), 1u);
    // Demo hardware 3 switches playback off in the middle of a recording.
    model.demo.hardware = 3;
    passes(delegate, 10);
    EXPECT_EQ(sweeps(model), 1u);
    model.demo.hardware = 1;
    passes(delegate, 2);
    EXPECT_EQ(sweeps(model), 2u);

    DataModel off;
    off.demo = DemoSettings{3, 1, 0};
    AccessoryCommunicationDelegate idle(off, {std::chrono::milliseconds(100), false});
    passes(idle, 10);
    EXPECT_FALSE(idle.identified());
    EXPECT_EQ(idle.linkState(), AccessoryCommunicationDelegate::kIdentify);
}

TEST_F(DemoReplay, MissingRecordingsLeaveTheDelegateWaitingForIdentification)
{
    DataModel model;
    model.demo = DemoSettings{0, 0, 0};
    AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
    passes(delegate, 5);
    EXPECT_FALSE(delegate.identified());
    EXPECT_EQ(delegate.linkState(), AccessoryCommunicationDelegate::kAwaitIdentification);
}

} // namespace
} // namespace nolvo
