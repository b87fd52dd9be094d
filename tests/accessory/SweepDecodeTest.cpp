// Spectrum frame decoding and segment reordering of the protocol objects.
#include <gtest/gtest.h>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/sim/AccessorySimulator.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using testing::Bytes;

template <typename Protocol>
void identify(Protocol& protocol, sim::SimulatedModel which)
{
    sim::AccessorySimulator simulator(which);
    const Bytes f = simulator.identificationFrame();
    ASSERT_EQ(protocol.decodeIdentification(f.data(), static_cast<int>(f.size()), nullptr), 0);
}

struct Decoded {
    int result;
    int count;
    int band;
    int segment;
    std::vector<float> values;
};

Decoded decode(const AccessoryProtocol& protocol, const Bytes& f, int capacity = kMaxSpectrumValues)
{
    Decoded d{0, -1, -1, -1, std::vector<float>(kMaxSpectrumValues, 0.0f)};
    d.result = protocol.decodeSpectrum(f.data(), static_cast<int>(f.size()), d.values.data(), capacity, &d.count,
                                       &d.band, &d.segment);
    return d;
}

TEST(SpectrumDecode, SecondGenerationConvertsAndFloors)
{
    AccessoryProtocolNolvo2 protocol;
    identify(protocol, sim::SimulatedModel::kNolvo2); // scale 0.5, offset −120, floor −100
    Bytes f = testing::wideSpectrum(0, 0);
    f[4] = 0;    // −120 dBm: below the floor
    f[5] = 39;   // −100.5: below the floor
    f[6] = 40;   // −100: the floor itself
    f[7] = 200;  // −20
    f[259] = 255;
    const Decoded d = decode(protocol, f);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.count, 256);
    EXPECT_EQ(d.band, kSpectrumBand24);
    EXPECT_EQ(d.segment, 0);
    EXPECT_FLOAT_EQ(d.values[0], -100.0f);
    EXPECT_FLOAT_EQ(d.values[1], -100.0f);
    EXPECT_FLOAT_EQ(d.values[2], -100.0f);
    EXPECT_FLOAT_EQ(d.values[3], -20.0f);
    EXPECT_FLOAT_EQ(d.values[255], 7.5f);
}

TEST(SpectrumDecode, DualBandFramesAndStatusFrame)
{
    AccessoryProtocolNolvo25 protocol;
    identify(protocol, sim::SimulatedModel::kNolvo25); // 5 GHz: scale 0.5, offset −125, floor −105
    Bytes five = testing::wideSpectrum(1, 0);
    five[515] = 250; // last value: 0.5 × 250 − 125 = 0
    const Decoded d5 = decode(protocol, five);
    ASSERT_EQ(d5.result, 0);
    EXPECT_EQ(d5.count, 512);
    EXPECT_EQ(d5.band, kSpectrumBand5);
    EXPECT_FLOAT_EQ(d5.values[511], 0.0f);
    EXPECT_FLOAT_EQ(d5.values[0], -105.0f);

    // A 5 GHz frame needs room for 512 values.
    EXPECT_EQ(decode(protocol, five, 256).result, -2);

    const Bytes status = {0xAA, 0xA1, 0x00, 0x00}; // type 5, status bits 1
    const Decoded ds = decode(protocol, status);
    EXPECT_EQ(ds.result, 0);
    EXPECT_EQ(ds.count, 0);

    Bytes badBand = testing::wideSpectrum(0, 0);
    badBand[2] = 2;
    const Decoded db = decode(protocol, badBand);
    EXPECT_EQ(db.result, -99);
    EXPECT_EQ(db.count, 0);
    EXPECT_EQ(db.segment, 255);
}

TEST(SpectrumDecode, HeaderChecksInOrder)
{
    AccessoryProtocolNolvo protocol;
    float values[64];
    int count = 7, band = 0, segment = 7;
    const Bytes spectrum = testing::nolvoSpectrum(1, 0);
    const Bytes power = testing::frame(1, 0, 0, 62);
    Bytes badSync = spectrum;
    badSync[0] = 0x00;
    EXPECT_EQ(protocol.decodeSpectrum(nullptr, 52, values, 64, &count, &band, &segment), -3);
    EXPECT_EQ(protocol.decodeSpectrum(spectrum.data(), 1, values, 64, &count, &band, &segment), -2);
    EXPECT_EQ(protocol.decodeSpectrum(badSync.data(), 52, values, 64, &count, &band, &segment), -1);
    EXPECT_EQ(protocol.decodeSpectrum(spectrum.data(), 2, values, 64, &count, &band, &segment), -2);
    EXPECT_EQ(protocol.decodeSpectrum(power.data(), 62, values, 64, &count, &band, &segment), -4);
    // After the header: count 0 and no segment on failure.
    EXPECT_EQ(protocol.decodeSpectrum(spectrum.data(), 51, values, 64, &count, &band, &segment), -2);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(segment, 255);
    EXPECT_EQ(protocol.decodeSpectrum(spectrum.data(), 52, values, 49, &count, &band, &segment), -2);
    EXPECT_EQ(protocol.decodeSpectrum(spectrum.data(), 52, nullptr, 64, &count, &band, &segment), -3);
    ASSERT_EQ(protocol.decodeSpectrum(spectrum.data(), 52, values, 64, &count, &band, &segment), 0);
    EXPECT_EQ(count, 50);
    EXPECT_EQ(segment, 1);
}

TEST(Reorder, InterleavedSegmentsOfTheFirstGeneration)
{
    AccessoryProtocolNolvo protocol;
    // Received segment 1 (values 100..149) then segment 0 (values 0..49).
    std::vector<float> values;
    for (int i = 0; i < 50; ++i) {
        values.push_back(100.0f + i);
    }
    for (int i = 0; i < 50; ++i) {
        values.push_back(static_cast<float>(i));
    }
    const std::uint8_t order[] = {1, 0};
    ASSERT_TRUE(protocol.reorderSegments(values.data(), 100, order, 2));
    for (int k = 0; k < 50; ++k) {
        EXPECT_EQ(values[static_cast<std::size_t>(2 * k)], static_cast<float>(k));
        EXPECT_EQ(values[static_cast<std::size_t>(2 * k + 1)], 100.0f + k);
    }
}

TEST(Reorder, BlocksAndBadArguments)
{
    AccessoryProtocolNolvo2 protocol;
    std::vector<float> values = {1, 2, 3, 4, 5, 6};
    const std::uint8_t swap[] = {2, 0, 1};
    ASSERT_TRUE(protocol.reorderSegments(values.data(), 6, swap, 3));
    EXPECT_EQ(values, (std::vector<float>{3, 4, 5, 6, 1, 2}));
    const std::uint8_t identity[] = {0, 1, 2};
    ASSERT_TRUE(protocol.reorderSegments(values.data(), 6, identity, 3));
    EXPECT_EQ(values, (std::vector<float>{3, 4, 5, 6, 1, 2}));

    const std::uint8_t outOfRange[] = {0, 3, 1};
    EXPECT_FALSE(protocol.reorderSegments(values.data(), 6, outOfRange, 3));
    EXPECT_FALSE(protocol.reorderSegments(nullptr, 6, identity, 3));
    EXPECT_FALSE(protocol.reorderSegments(values.data(), 6, nullptr, 3));
    EXPECT_FALSE(protocol.reorderSegments(values.data(), 0, identity, 3));
    EXPECT_FALSE(protocol.reorderSegments(values.data(), 6, identity, 0));
    AccessoryProtocolNolvo gen1;
    EXPECT_FALSE(gen1.reorderSegments(values.data(), 6, outOfRange, 3));
    EXPECT_TRUE(gen1.reorderSegments(values.data(), 6, identity, 1));
}

} // namespace
} // namespace nolvo
