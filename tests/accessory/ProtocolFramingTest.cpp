// Frame lengths, command packets and acknowledgement checks of the three accessory models.
#include <gtest/gtest.h>

#include <memory>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using testing::Bytes;
using testing::frame;

enum Model { kGen1, kGen2, kDual };

std::unique_ptr<AccessoryProtocol> make(Model model)
{
    switch (model) {
    case kGen1:
        return std::make_unique<AccessoryProtocolNolvo>();
    case kGen2:
        return std::make_unique<AccessoryProtocolNolvo2>();
    default:
        return std::make_unique<AccessoryProtocolNolvo25>();
    }
}

struct LengthCase {
    Model model;
    int type;
    int low;            // byte 1 bits 4..0
    std::uint8_t byte2;
    std::size_t available;
    int expected;
};

TEST(FrameLength, TableOfEveryTypePerModel)
{
    const LengthCase cases[] = {
        // first generation
        {kGen1, 0, 0, 0, 100, -2},
        {kGen1, 1, 0, 0, 62, 62},     // power
        {kGen1, 1, 0, 0, 61, -1},
        {kGen1, 2, 0, 0, 3, 3},       // settings ack
        {kGen1, 3, 0, 2, 20, -1},     // identification, partial
        {kGen1, 3, 0, 2, 68, 68},
        {kGen1, 4, 0, 0, 100, -2},
        {kGen1, 5, 1, 0, 52, 52},     // spectrum segment
        {kGen1, 5, 1, 0, 51, -1},
        {kGen1, 6, 0, 0, 100, -2},    // no stop ack on this model
        {kGen1, 7, 0, 1, 2000, -1},   // no access-point frames: never completes
        // second generation
        {kGen2, 0, 0, 0, 100, -2},
        {kGen2, 1, 0, 0, 1254, 1254},
        {kGen2, 1, 0, 0, 1253, -1},
        {kGen2, 2, 0, 0, 3, 3},
        {kGen2, 3, 0, 6, 60, 60},
        {kGen2, 3, 0, 6, 59, -1},
        {kGen2, 4, 0, 0, 100, -2},
        {kGen2, 5, 0, 0, 260, 260},
        {kGen2, 6, 0, 0, 4, 4},       // stop ack
        {kGen2, 6, 0, 0, 3, -1},      // ... split across reads: wait, do not skip it
        {kGen2, 7, 0, 3, 196, 196},   // 4 + 64 x 3
        {kGen2, 7, 0, 3, 195, -1},
        {kGen2, 7, 0, 0, 4, 4},       // empty scan result
        // dual band
        {kDual, 0, 0, 0, 100, -2},
        {kDual, 1, 0, 0, 1254, -2},   // no power mode
        {kDual, 2, 0, 0, 3, 3},
        {kDual, 3, 0, 7, 56, 56},
        {kDual, 3, 0, 7, 55, -1},
        {kDual, 5, 0, 0, 260, 260},   // 2.4 GHz
        {kDual, 5, 0, 1, 300, -1},    // 5 GHz, partial
        {kDual, 5, 0, 1, 516, 516},
        {kDual, 5, 0, 2, 516, -99},   // no such band
        {kDual, 5, 1, 0, 4, 4},       // status frame arriving on its own
        {kDual, 5, 0, 0, 4, -1},      // ... but not without its status bits
        {kDual, 6, 0, 0, 4, 4},
        {kDual, 6, 0, 0, 3, -1},
        {kDual, 7, 0, 20, 1284, 1284},
        {kDual, 7, 0, 21, 4, -99},    // more records than the model can report
        {kDual, 7, 0, 21, 3, -1},     // count byte seen, but not yet four bytes
    };
    for (const LengthCase& c : cases) {
        auto protocol = make(c.model);
        const Bytes f = frame(c.type, c.low, c.byte2, c.available);
        EXPECT_EQ(protocol->frameLength(f.data(), static_cast<int>(f.size())), c.expected)
            << "model " << c.model << " type " << c.type << " byte2 " << int(c.byte2) << " available "
            << c.available;
    }
}

TEST(FrameLength, ShortOrMissingBufferAndBadSync)
{
    for (Model model : {kGen1, kGen2, kDual}) {
        auto protocol = make(model);
        const Bytes one = {0xAA};
        const Bytes badSync = {0xAB, 0x40, 0x00};
        EXPECT_EQ(protocol->frameLength(nullptr, 10), -1);
        EXPECT_EQ(protocol->frameLength(one.data(), 1), -1);
        EXPECT_EQ(protocol->frameLength(badSync.data(), 3), -3);
    }
}

struct CommandCase {
    Model model;
    int (AccessoryProtocol::*build)(std::uint8_t*, int) const;
    int (AccessoryProtocol::*length)() const;
    Bytes expected; // empty: the model has no such command
};

TEST(Commands, ShortCommandsPerModel)
{
    using P = AccessoryProtocol;
    const CommandCase cases[] = {
        {kGen1, &P::buildStartPower, &P::startPowerLength, {0xAA, 0x03, 0x01}},
        {kGen2, &P::buildStartPower, &P::startPowerLength, {0xAA, 0x03, 0x01}},
        {kDual, &P::buildStartPower, &P::startPowerLength, {}},
        {kGen1, &P::buildStartSpectrum, &P::startSpectrumLength, {0xAA, 0x03, 0x05}},
        {kGen2, &P::buildStartSpectrum, &P::startSpectrumLength, {0xAA, 0x03, 0x05}},
        {kDual, &P::buildStartSpectrum, &P::startSpectrumLength, {0xAA, 0x03, 0x05}},
        {kGen1, &P::buildStartAccessPointScan, &P::startAccessPointScanLength, {}},
        {kGen2, &P::buildStartAccessPointScan, &P::startAccessPointScanLength, {0xAA, 0x03, 0x07}},
        {kDual, &P::buildStartAccessPointScan, &P::startAccessPointScanLength, {0xAA, 0x03, 0x07}},
        {kGen1, &P::buildStop, &P::stopLength, {}},
        {kGen2, &P::buildStop, &P::stopLength, {0xAA, 0x03, 0x06}},
        {kDual, &P::buildStop, &P::stopLength, {0xAA, 0x03, 0x06}},
    };
    for (const CommandCase& c : cases) {
        auto protocol = make(c.model);
        std::uint8_t buffer[8] = {};
        const int written = ((*protocol).*c.build)(buffer, sizeof buffer);
        EXPECT_EQ(((*protocol).*c.length)(), static_cast<int>(c.expected.size())) << c.model;
        if (c.expected.empty()) {
            EXPECT_EQ(written, -1) << c.model;
            continue;
        }
        ASSERT_EQ(written, 3) << c.model;
        EXPECT_EQ(Bytes(buffer, buffer + 3), c.expected) << c.model;
        EXPECT_EQ(((*protocol).*c.build)(nullptr, 8), -1);
        EXPECT_EQ(((*protocol).*c.build)(buffer, 2), -1);
    }
}

TEST(Commands, CapabilitiesAndSegmentCounts)
{
    auto gen1 = make(kGen1);
    auto gen2 = make(kGen2);
    auto dual = make(kDual);
    EXPECT_TRUE(gen1->needsRepeatedStart());
    EXPECT_FALSE(gen2->needsRepeatedStart());
    EXPECT_FALSE(dual->needsRepeatedStart());
    EXPECT_EQ(gen1->spectrumSegments(kSpectrumBand24), 2);
    EXPECT_EQ(gen2->spectrumSegments(kSpectrumBand24), 1);
    EXPECT_EQ(dual->spectrumSegments(kSpectrumBand5), 1);
    EXPECT_EQ(gen1->powerSegments(), 6);
    EXPECT_EQ(gen2->powerSegments(), 1);
    EXPECT_EQ(gen1->settingsLength(), 32);
    EXPECT_EQ(gen2->settingsLength(), 20);
    EXPECT_EQ(dual->settingsLength(), 8);
    // Before identification only the models that always scan say so.
    EXPECT_FALSE(gen1->supportsAccessPointScan());
    EXPECT_TRUE(gen2->supportsAccessPointScan());
    EXPECT_TRUE(dual->supportsAccessPointScan());
    EXPECT_EQ(gen1->reserved9() + gen1->reserved10(), 0);
}

TEST(Acknowledgements, SettingsAndStop)
{
    const Bytes settingsAck = {0xAA, 0x40, 0x07};   // type 2
    const Bytes stopAck = {0xAA, 0xC0, 0x00, 0x00}; // type 6
    const Bytes wrongType = {0xAA, 0xA0, 0x00, 0x00}; // type 5
    const Bytes badSync = {0x55, 0x40, 0x00, 0x00};
    for (Model model : {kGen1, kGen2, kDual}) {
        auto protocol = make(model);
        EXPECT_EQ(protocol->checkSettingsAck(settingsAck.data(), 3), 0);
        EXPECT_LT(protocol->checkSettingsAck(settingsAck.data(), 2), 0);
        EXPECT_LT(protocol->checkSettingsAck(wrongType.data(), 4), 0);
        EXPECT_LT(protocol->checkSettingsAck(badSync.data(), 4), 0);
        EXPECT_LT(protocol->checkSettingsAck(nullptr, 3), 0);
        if (model == kGen1) {
            EXPECT_EQ(protocol->checkStopAck(stopAck.data(), 4), -99);
            continue;
        }
        EXPECT_EQ(protocol->checkStopAck(stopAck.data(), 4), 0);
        EXPECT_LT(protocol->checkStopAck(stopAck.data(), 3), 0);
        EXPECT_LT(protocol->checkStopAck(settingsAck.data(), 3), 0);
        EXPECT_LT(protocol->checkStopAck(wrongType.data(), 4), 0);
    }
}

} // namespace
} // namespace nolvo
