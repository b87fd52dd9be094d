// The simulated accessory: its frames must be what each model's protocol object understands,
// and its scene must look like Wi-Fi (masks, bursty occupancy), or the end-to-end tests prove
// nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/sim/AccessorySimulator.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using sim::AccessorySimulator;
using sim::SignalScene;
using sim::SimulatedModel;
using testing::Bytes;

TEST(SignalScene, TwentyMegahertzMask)
{
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(0.0), 0.0);
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(-9.0), 0.0);
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(10.0), 10.0); // halfway to −20 dBr at 11 MHz
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(11.0), 20.0);
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(20.0), 28.0);
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(-30.0), 40.0);
    EXPECT_DOUBLE_EQ(SignalScene::maskAttenuation(80.0), 40.0);
}

TEST(SignalScene, TransmittersAreBurstyWithTheirOccupancy)
{
    SignalScene scene(7, -95.0);
    scene.addTransmitter(2437.0, -40.0, 0.3);
    int on = 0;
    int changes = 0;
    bool previous = false;
    const int sweeps = 20000;
    for (int i = 0; i < sweeps; ++i) {
        scene.beginSweep();
        const bool now = scene.transmitters()[0].on;
        on += now ? 1 : 0;
        changes += (i > 0 && now != previous) ? 1 : 0;
        previous = now;
    }
    EXPECT_NEAR(static_cast<double>(on) / sweeps, 0.3, 0.03);
    // Independent draws would change state in 42 % of the sweeps; bursts change far less often.
    EXPECT_LT(static_cast<double>(changes) / sweeps, 0.2);

    // In band a transmitting channel stands well above the floor; far away only noise is left.
    while (!scene.transmitters()[0].on) {
        scene.beginSweep();
    }
    EXPECT_GT(scene.amplitudeAt(2437.0), -50.0);
    EXPECT_LT(scene.amplitudeAt(2500.0), -75.0);
}

TEST(Simulator, FramesDecodeWithEachModelsProtocol)
{
    struct Case {
        SimulatedModel model;
        std::unique_ptr<AccessoryProtocol> protocol;
        int band;
        int values;
    };
    Case cases[] = {
        {SimulatedModel::kNolvo, std::make_unique<AccessoryProtocolNolvo>(), 0, 100},
        {SimulatedModel::kNolvo2, std::make_unique<AccessoryProtocolNolvo2>(), 0, 256},
        {SimulatedModel::kNolvo25, std::make_unique<AccessoryProtocolNolvo25>(), 1, 512},
    };
    for (Case& c : cases) {
        AccessorySimulator simulator(c.model);
        const Bytes identification = simulator.identificationFrame();
        AccessoryInfo info;
        ASSERT_EQ(c.protocol->decodeIdentification(identification.data(), static_cast<int>(identification.size()),
                                                   &info),
                  0);
        EXPECT_EQ(info.modelId, simulator.modelId());
        std::vector<float> expected;
        const Bytes frames = simulator.sweepFrames(c.band, &expected);
        ASSERT_EQ(static_cast<int>(expected.size()), c.values);
        // Cut the frames as the parser would and compare every decoded value.
        std::vector<float> decoded;
        std::size_t pos = 0;
        while (pos < frames.size()) {
            const int length = c.protocol->frameLength(frames.data() + pos, static_cast<int>(frames.size() - pos));
            ASSERT_GT(length, 0);
            float values[kMaxSpectrumValues];
            int count = 0, band = 0, segment = 0;
            ASSERT_EQ(c.protocol->decodeSpectrum(frames.data() + pos, length, values, kMaxSpectrumValues, &count,
                                                 &band, &segment),
                      0);
            decoded.insert(decoded.end(), values, values + count);
            pos += static_cast<std::size_t>(length);
        }
        if (c.model == SimulatedModel::kNolvo) {
            const std::uint8_t order[] = {0, 1};
            ASSERT_TRUE(c.protocol->reorderSegments(decoded.data(), 100, order, 2));
        }
        ASSERT_EQ(decoded.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_FLOAT_EQ(decoded[i], expected[i]) << static_cast<int>(c.model) << " value " << i;
        }
    }
}

TEST(Simulator, AnswersCommandsAsEachModelDoes)
{
    for (SimulatedModel model : {SimulatedModel::kNolvo, SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        AccessorySimulator simulator(model);
        int taken = 0;
        // Garbage before a command, then settings and stop commands.
        const Bytes settings = {0x00, 0x13, 0xAA, 0x08, 0x02, 0x53, 0x09, 0x01, 0x00, 0x00};
        ASSERT_EQ(simulator.write(settings.data(), static_cast<int>(settings.size()), &taken), 0);
        EXPECT_EQ(taken, static_cast<int>(settings.size()));
        const Bytes stop = {0xAA, 0x03, 0x06};
        ASSERT_EQ(simulator.write(stop.data(), 3, &taken), 0);
        std::uint8_t buffer[64];
        int count = 0;
        ASSERT_EQ(simulator.read(buffer, sizeof buffer, &count, 10), 0);
        const Bytes answer(buffer, buffer + count);
        ASSERT_GE(answer.size(), 3u);
        EXPECT_EQ(answer[0], 0xAA);
        EXPECT_EQ(answer[1] >> 5, 2); // settings acknowledged
        if (model == SimulatedModel::kNolvo) {
            EXPECT_EQ(answer.size(), 3u); // no stop acknowledgement from the first generation
        } else {
            ASSERT_EQ(answer.size(), 7u);
            EXPECT_EQ(answer[4] >> 5, 6);
        }
        if (model == SimulatedModel::kNolvo25) {
            EXPECT_EQ(simulator.selectedBand(), 1);
        }
        EXPECT_EQ(simulator.read(buffer, sizeof buffer, &count, 5), kUsbErrorTimeout);
    }
}

TEST(Simulator, FaultsAndStreaming)
{
    AccessorySimulator simulator(SimulatedModel::kNolvo2);
    simulator.setFrameInterval(std::chrono::milliseconds(1));
    int n = 0;
    std::uint8_t buffer[2048];
    const Bytes start = {0xAA, 0x03, 0x05};
    ASSERT_EQ(simulator.write(start.data(), 3, &n), 0);
    ASSERT_EQ(simulator.read(buffer, sizeof buffer, &n, 50), 0);
    EXPECT_EQ(n, 260);
    EXPECT_TRUE(simulator.streamingSpectrum());

    simulator.injectGarbage({0x01, 0x02});
    ASSERT_EQ(simulator.read(buffer, 2, &n, 50), 0);
    EXPECT_EQ(Bytes(buffer, buffer + n), (Bytes{0x01, 0x02}));

    simulator.failNextRead();
    EXPECT_EQ(simulator.read(buffer, sizeof buffer, &n, 50), kUsbErrorIo);
    simulator.failNextWrite();
    EXPECT_EQ(simulator.write(start.data(), 3, &n), kUsbErrorIo);
    simulator.setStalled(true);
    EXPECT_EQ(simulator.write(start.data(), 3, &n), kUsbErrorTimeout);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(simulator.read(buffer, sizeof buffer, &n, 5), kUsbErrorTimeout);
    simulator.setStalled(false);
    simulator.unplug();
    EXPECT_EQ(simulator.read(buffer, sizeof buffer, &n, 5), kUsbErrorNoDevice);
    EXPECT_FALSE(simulator.streamingSpectrum());
}

} // namespace
} // namespace nolvo
