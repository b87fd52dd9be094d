// The three settings command layouts in power and spectrum mode.
#include <gtest/gtest.h>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/sim/AccessorySimulator.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using testing::Bytes;

// Identifies `protocol` with the simulator's calibration (power scale 0.25 dB, offset −60 dBm)
// and copies the device information into `model`, as the parser does.
void identify(AccessoryProtocol& protocol, sim::SimulatedModel which, DataModel& model)
{
    sim::AccessorySimulator simulator(which);
    const Bytes f = simulator.identificationFrame();
    AccessoryInfo info;
    ASSERT_EQ(protocol.decodeIdentification(f.data(), static_cast<int>(f.size()), &info), 0);
    model.setAccessoryInfo(info);
}

Bytes build(AccessoryProtocol& protocol, DataModel& model)
{
    Bytes buffer(static_cast<std::size_t>(protocol.settingsLength()), 0xEE);
    const int length = protocol.buildSettings(buffer.data(), static_cast<int>(buffer.size()), &model);
    EXPECT_EQ(length, protocol.settingsLength());
    return buffer;
}

// Power mode, 0.02 s per division (index 5, not roll), power trigger, delay 12.3 ms, hold-off 501.3 ms.
void powerTriggerSettings(DataModel& model)
{
    model.common.spectrumModeActive = 0;
    model.common.internalAttenuationIndex = 3;
    model.power.timeScaleIndex = 5;
    model.power.triggerType = 1;      // power trigger
    model.power.autoTrigger = 1;
    model.power.triggerLevel = -30.1f;
    model.power.powerEdgeRising = 1;  // rounds the level code down
    model.power.triggerDelay = 0.0123f;
    model.power.triggerHoldoff = 0.5013f;
}

TEST(SettingsCommand, FirstGenerationPowerTrigger)
{
    DataModel model;
    AccessoryProtocolNolvo protocol;
    identify(protocol, sim::SimulatedModel::kNolvo, model);
    powerTriggerSettings(model);
    // 240 samples per 0.2 s trace: 1200 samples/s. Delay (0.1 + 0.0123) × 1200 = 134.76 -> 134;
    // hold-off 0.5013 × 1200 = 601.56 -> 601, sent as 601 − 134 = 467.
    // Level (−30.1 + 60) / 0.25 = 119.6, rounded down for a rising edge -> 119.
    const Bytes expected = {
        0xAA, 0x20, 0x02, 0x53, // header, 32 bytes, "S"
        0x00, 0x77,             // 4..5 level code 119
        0x05,                   // 6 time index
        0x00, 0x00,             // 7, 8
        0x01,                   // 9 trigger flags: rising power edge
        0x01,                   // 10 auto trigger
        0x03,                   // 11 attenuator code
        0x00, 0x00,             // 12, 13
        0xFF,                   // 14
        0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00,             // 20 trigger code, 21 parameters: digital only
        0x01,                   // 22 sequence number
        0x01,                   // 23 power mode
        0x00, 0x00, 0x01, 0xD3, // 24..27 hold-off 467
        0x00, 0x00, 0x00, 0x86, // 28..31 delay 134
    };
    EXPECT_EQ(build(protocol, model), expected);

    // Falling edge: the level code is rounded up and the flags are 0.
    model.power.powerEdgeRising = 0;
    const Bytes falling = build(protocol, model);
    EXPECT_EQ(falling[5], 120);
    EXPECT_EQ(falling[9], 0);
    EXPECT_EQ(falling[22], 2); // next sequence number
}

TEST(SettingsCommand, FirstGenerationDigitalTriggerAndAttenuationOffset)
{
    DataModel model;
    AccessoryProtocolNolvo protocol;
    identify(protocol, sim::SimulatedModel::kNolvo, model);
    powerTriggerSettings(model);
    model.power.triggerType = 0;        // digital trigger
    model.power.edgeBRise = 1;          // -> flags 3
    model.power.digitalCombination = 2; // -> code 3
    model.power.digitalInputA = 0x21;   // only the low nibble is sent
    model.power.digitalInputB = 2;
    const Bytes digital = build(protocol, model);
    EXPECT_EQ(digital[4], 0);      // no level code
    EXPECT_EQ(digital[5], 0);
    EXPECT_EQ(digital[9], 3);
    EXPECT_EQ(digital[20], 3);
    EXPECT_EQ(digital[21], 0x21);  // (2 × 16) | 1
    model.power.edgeBRise = -1;    // read as signed: not positive
    EXPECT_EQ(build(protocol, model)[9], 0);

    // With the accessory connected the level is relative to external + internal attenuation:
    // the simulator's attenuator step 3 is 12 dB, plus 1.5 dB external:
    // (−30.1 − 13.5 + 60) / 0.25 = 65.6 -> 65 (rising edge).
    model.power.triggerType = 1;
    model.common.externalAttenuation = 1.5f;
    model.accessoryConnected = true;
    EXPECT_EQ(build(protocol, model)[5], 65);
    model.accessoryConnected = false;
    EXPECT_EQ(build(protocol, model)[5], 119);
}

TEST(SettingsCommand, FirstGenerationRollModeAndSpectrumMode)
{
    DataModel model;
    AccessoryProtocolNolvo protocol;
    identify(protocol, sim::SimulatedModel::kNolvo, model);
    powerTriggerSettings(model);
    model.power.timeScaleIndex = 3; // 0.1 s per division: roll mode, last roll index
    Bytes roll = build(protocol, model);
    EXPECT_EQ(roll[6], 5);
    EXPECT_EQ(roll[9], 0);
    EXPECT_EQ(roll[10], 2);
    EXPECT_EQ(roll[4] | roll[5] | roll[20] | roll[21], 0);
    EXPECT_EQ(Bytes(roll.begin() + 24, roll.end()), (Bytes{0, 0, 0, 1, 0, 0, 0, 0}));
    model.power.timeScaleIndex = 1;
    EXPECT_EQ(build(protocol, model)[6], 1);
    model.power.timeScaleIndex = 99; // out of range: clamped to the fastest scale
    EXPECT_EQ(build(protocol, model)[6], 17);

    model.common.spectrumModeActive = 1;
    model.common.internalAttenuationIndex = 7; // outside 1..6: code 0
    const Bytes spectrum = build(protocol, model);
    Bytes expected(32, 0);
    expected[0] = 0xAA;
    expected[1] = 0x20;
    expected[2] = 0x02;
    expected[3] = 0x53;
    expected[14] = 0xFF;
    expected[22] = 4; // fourth command of this object
    EXPECT_EQ(spectrum, expected);
}

TEST(SettingsCommand, SecondGenerationLayouts)
{
    DataModel model;
    AccessoryProtocolNolvo2 protocol;
    identify(protocol, sim::SimulatedModel::kNolvo2, model);
    powerTriggerSettings(model);
    model.power.powerEdgeRising = 0; // round up
    // 1000 samples per 0.2 s: 5000 samples/s. Delay 0.1123 × 5000 = 561.5 -> 561;
    // hold-off 0.5013 × 5000 = 2506.5 -> 2506, sent 2506 − 561 = 1945. Level 119.6 -> 120.
    const Bytes expected = {
        0xAA, 0x14, 0x02, 0x53, // header, 20 bytes
        0x01,                   // 4 sequence
        0x0C,                   // 5 17 − 5
        0x00, 0x78,             // 6..7 level code 120
        0x00,                   // 8 flags: falling power edge
        0x01,                   // 9 auto trigger
        0x00, 0x00,             // 10, 11 digital trigger fields
        0x00, 0x00, 0x07, 0x99, // 12..15 hold-off 1945
        0x00, 0x00, 0x02, 0x31, // 16..19 delay 561
    };
    EXPECT_EQ(build(protocol, model), expected);

    model.power.timeScaleIndex = 2; // roll
    const Bytes roll = {0xAA, 0x14, 0x02, 0x53, 0x02, 13, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(build(protocol, model), roll);

    model.common.spectrumModeActive = 1;
    const Bytes spectrum = {0xAA, 0x14, 0x02, 0x53, 0x03, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(build(protocol, model), spectrum);
}

TEST(SettingsCommand, CountsClampToTheirThirtyTwoBitField)
{
    DataModel model;
    AccessoryProtocolNolvo2 protocol;
    identify(protocol, sim::SimulatedModel::kNolvo2, model);
    powerTriggerSettings(model);
    model.power.timeScaleIndex = 17;    // 2 µs per division: 5e7 samples/s
    model.power.triggerDelay = 1000.0f; // 5e10 samples: more than 32 bits hold
    model.power.triggerHoldoff = 0.0f;  // hold-off below the delay: the delay is sent
    const Bytes b = build(protocol, model);
    EXPECT_EQ(Bytes(b.begin() + 12, b.end()), Bytes(8, 0xFF));

    // Nothing to wait for at all: a hold-off of 0 is sent as 1.
    model.power.triggerDelay = -1.0f;
    const Bytes zero = build(protocol, model);
    EXPECT_EQ(Bytes(zero.begin() + 12, zero.end()), (Bytes{0, 0, 0, 1, 0, 0, 0, 0}));

    // A nonsensical level never leaves 0..255.
    model.power.triggerLevel = 1e30f;
    EXPECT_EQ(build(protocol, model)[7], 255);
    model.power.triggerLevel = -1e30f;
    EXPECT_EQ(build(protocol, model)[7], 0);
}

TEST(SettingsCommand, DualBandSelectsTheBand)
{
    DataModel model;
    AccessoryProtocolNolvo25 protocol;
    model.spectrum.band = 1;
    EXPECT_EQ(build(protocol, model), (Bytes{0xAA, 0x08, 0x02, 0x53, 0x01, 0x01, 0x00, 0x00}));
    model.spectrum.band = 0;
    EXPECT_EQ(build(protocol, model), (Bytes{0xAA, 0x08, 0x02, 0x53, 0x02, 0x00, 0x00, 0x00}));
    model.spectrum.band = 5; // not a band: 2.4 GHz
    EXPECT_EQ(build(protocol, model)[5], 0);
}

TEST(SettingsCommand, SequenceWrapsAndBadArgumentsAreRefused)
{
    DataModel model;
    AccessoryProtocolNolvo25 protocol;
    std::uint8_t buffer[32];
    EXPECT_EQ(protocol.buildSettings(buffer, 7, &model), -1);
    EXPECT_EQ(protocol.buildSettings(buffer, 32, nullptr), -1);
    EXPECT_EQ(protocol.buildSettings(nullptr, 32, &model), -1);
    int previous = -1;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(protocol.buildSettings(buffer, 32, &model), 8);
        if (previous >= 0) {
            ASSERT_EQ(buffer[4], static_cast<std::uint8_t>(previous + 1));
        }
        previous = buffer[4];
    }
}

} // namespace
} // namespace nolvo
