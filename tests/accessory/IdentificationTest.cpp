// Decoding of the identification frame of each model into its calibration and AccessoryInfo.
#include <gtest/gtest.h>

#include <cmath>

#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/AccessoryProtocolNolvo2.h"
#include "accessory/protocols/AccessoryProtocolNolvo25.h"
#include "accessory/protocols/BigEndian.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using testing::Bytes;

// First generation, 68 bytes.
Bytes gen1Identification()
{
    Bytes f(68, 0);
    f[0] = 0xAA;
    f[1] = 0x60; // type 3
    f[2] = 2;    // model id
    f[3] = 0x11; // hardware
    f[4] = 0x22;
    f[6] = 0x01; // version
    f[7] = 0x02;
    f[11] = 0x09;
    f[8] = 1;    // spectrum
    f[9] = 1;    // power
    for (int i = 0; i < 8; ++i) {
        be::writeF32(&f[static_cast<std::size_t>(12 + 4 * i)], 2.5f * i); // attenuator steps
    }
    be::writeF32(&f[44], 0.5f);     // power scale
    be::writeF32(&f[48], -100.0f);  // power offset
    be::writeU32(&f[60], 0xDEADBEEF);
    f[64] = 10;                     // spectrum floor byte
    return f;
}

// Second generation, 60 bytes.
Bytes gen2Identification()
{
    Bytes f(60, 0);
    f[0] = 0xAA;
    f[1] = 0x60;
    f[2] = 6;
    f[3] = 3;
    f[4] = 4;
    f[6] = 5;
    f[7] = 6;
    f[15] = 7;
    f[8] = 1;  // spectrum
    f[9] = 0;  // no power
    for (int i = 0; i < 17; ++i) {
        f[static_cast<std::size_t>(16 + i)] = static_cast<std::uint8_t>(i * 15); // serial 00 0f 1e ... f0
    }
    be::writeF32(&f[36], 0.25f);   // power scale
    be::writeF32(&f[40], -55.0f);  // power offset as reported (5 dB high)
    be::writeF32(&f[44], 0.5f);    // spectrum scale
    be::writeF32(&f[48], -120.0f); // spectrum offset
    f[56] = 40;                    // floor byte: -100 dBm
    return f;
}

// Dual band, 56 bytes.
Bytes dualIdentification()
{
    Bytes f(56, 0);
    f[0] = 0xAA;
    f[1] = 0x60;
    f[2] = 7;
    f[8] = 1;  // access points
    f[9] = 1;  // 2.4 GHz
    f[10] = 1; // 5 GHz
    for (int i = 0; i < 12; ++i) {
        f[static_cast<std::size_t>(12 + i)] = static_cast<std::uint8_t>(0xA0 + i);
    }
    be::writeF32(&f[24], 0.5f);
    be::writeF32(&f[28], -120.0f);
    f[36] = 20;                    // 2.4 GHz floor -110
    be::writeF32(&f[40], 0.25f);
    be::writeF32(&f[44], -100.0f);
    f[52] = 100;                   // 5 GHz floor -75
    return f;
}

TEST(Identification, FirstGenerationUsesFixedSpectrumCalibration)
{
    AccessoryProtocolNolvo protocol;
    Bytes f = gen1Identification();
    AccessoryInfo info;
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 68, &info), 0);
    EXPECT_EQ(info.modelId, 2);
    EXPECT_EQ(info.hardware[0], 0x11);
    EXPECT_EQ(info.hardware[1], 0x22);
    EXPECT_EQ(info.version[0], 1);
    EXPECT_EQ(info.version[1], 2);
    EXPECT_EQ(info.version[2], 9);
    EXPECT_EQ(info.version[3], 9);
    EXPECT_TRUE(info.has24Spectrum);
    EXPECT_FALSE(info.has5Spectrum);
    EXPECT_FALSE(info.has24AccessPoints);
    EXPECT_TRUE(info.hasPower);
    EXPECT_TRUE(info.concurrentScan);
    EXPECT_EQ(info.modelByte, 1);
    EXPECT_EQ(info.flag, 0);
    EXPECT_EQ(info.serial, "0");
    ASSERT_EQ(info.attenuatorCount, 8u);
    EXPECT_FLOAT_EQ(info.attenuatorTable[7], 17.5f);
    EXPECT_EQ(info.auxiliaryWord, 0xDEADBEEFu);
    EXPECT_EQ(info.modeBytes[0], 6);
    EXPECT_EQ(info.modeBytes[3], 1);
    EXPECT_EQ(info.raw24, 100u);
    EXPECT_EQ(info.bins24, 96u);
    EXPECT_EQ(info.powerSamples, 240u);
    EXPECT_EQ(info.timePerDivision.size(), 18u);
    EXPECT_EQ(info.rollThreshold, 4);
    EXPECT_EQ(info.extraTable.size(), 1u);
    // 256 − floor byte: the floor sits 10 steps above the offset.
    EXPECT_EQ(info.levels24, 246);
    // Ranges from the fixed calibration; the minimum is raised to the floor.
    EXPECT_NEAR(info.min24, 10 * 0.36290324f - 100.0f, 1e-4);
    EXPECT_NEAR(info.max24, 255 * 0.36290324f - 100.0f, 1e-4);
    EXPECT_TRUE(std::isnan(info.min5));
    // Power -100 .. 27.5 straddles 0 dBm: the maximum becomes 0.
    EXPECT_FLOAT_EQ(info.powerMin, -100.0f);
    EXPECT_FLOAT_EQ(info.powerMax, 0.0f);

    // A device that reports other spectrum calibration words still decodes with the fixed ones.
    be::writeF32(&f[24], 3.0f);
    be::writeF32(&f[28], 7.0f);
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 68, nullptr), 0);
    Bytes spectrum = testing::nolvoSpectrum(0, 200);
    float values[50];
    int count = 0, band = 0, segment = 0;
    ASSERT_EQ(protocol.decodeSpectrum(spectrum.data(), 52, values, 50, &count, &band, &segment), 0);
    EXPECT_FLOAT_EQ(values[0], 200 * 0.36290324f - 100.0f);
}

TEST(Identification, SecondGenerationPowerOffsetAndSerial)
{
    AccessoryProtocolNolvo2 protocol;
    const Bytes f = gen2Identification();
    AccessoryInfo info;
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 60, &info), 0);
    EXPECT_EQ(info.modelId, 6);
    EXPECT_EQ(info.version[2], 7);
    EXPECT_TRUE(info.has24AccessPoints);
    EXPECT_FALSE(info.hasPower);
    EXPECT_EQ(info.flag, 1);
    EXPECT_EQ(info.attenuatorCount, 0u);
    EXPECT_EQ(info.serial, "000f1e2d3c4b5a69788796a5b4c3d2e1f0");
    EXPECT_EQ(info.serial.size(), 34u);
    EXPECT_EQ(info.raw24, 256u);
    EXPECT_EQ(info.bins24, 245u);
    EXPECT_FLOAT_EQ(info.refreshInterval24, 0.2f);
    EXPECT_EQ(info.levels24, 216); // 256 − (−100 − −120) / 0.5
    EXPECT_FLOAT_EQ(info.min24, -100.0f);
    EXPECT_FLOAT_EQ(info.max24, 7.5f);
    // No power mode: no power range.
    EXPECT_TRUE(std::isnan(info.powerMin));

    // With power mode the offset is the reported one minus 5 dB: −60 .. 3.75, clipped at 0.
    Bytes withPower = f;
    withPower[9] = 1;
    ASSERT_EQ(protocol.decodeIdentification(withPower.data(), 60, &info), 0);
    EXPECT_TRUE(protocol.supportsPower());
    EXPECT_FLOAT_EQ(info.powerMin, -60.0f);
    EXPECT_FLOAT_EQ(info.powerMax, 0.0f);
}

TEST(Identification, DualBandRangesAndSerial)
{
    AccessoryProtocolNolvo25 protocol;
    const Bytes f = dualIdentification();
    AccessoryInfo info;
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 56, &info), 0);
    EXPECT_EQ(info.modelId, 7);
    EXPECT_TRUE(info.has24Spectrum);
    EXPECT_TRUE(info.has5Spectrum);
    EXPECT_TRUE(info.has24AccessPoints);
    EXPECT_TRUE(info.has5AccessPoints);
    EXPECT_FALSE(info.hasPower);
    EXPECT_FALSE(info.concurrentScan);
    EXPECT_EQ(info.serial, "a0a1a2a3a4a5a6a7a8a9aaab");
    EXPECT_EQ(info.version[0], 0);
    EXPECT_EQ(info.raw5, 512u);
    EXPECT_EQ(info.bins5, 512u);
    EXPECT_EQ(info.levels24, 236);  // 256 − 20
    EXPECT_EQ(info.levels5, 156u);  // 256 − 100
    EXPECT_FLOAT_EQ(info.min24, -110.0f);
    EXPECT_FLOAT_EQ(info.min5, -75.0f);
    EXPECT_FLOAT_EQ(info.max5, 255 * 0.25f - 100.0f);
    EXPECT_TRUE(info.timePerDivision.empty());
    EXPECT_TRUE(info.extraTable.empty());
    EXPECT_EQ(info.rollThreshold, -1);
    EXPECT_FLOAT_EQ(info.refreshInterval5, 1.25f);

    // Only the 5 GHz band: no 2.4 GHz spectrum or scan.
    Bytes only5 = f;
    only5[9] = 0;
    ASSERT_EQ(protocol.decodeIdentification(only5.data(), 56, &info), 0);
    EXPECT_FALSE(info.has24Spectrum);
    EXPECT_TRUE(info.has5Spectrum);
    EXPECT_FALSE(info.has24AccessPoints);
    EXPECT_TRUE(protocol.supportsSpectrum());
}

TEST(Identification, RejectsBadFramesWithTheirCodes)
{
    AccessoryProtocolNolvo2 protocol;
    Bytes f = gen2Identification();
    AccessoryInfo info;
    EXPECT_EQ(protocol.decodeIdentification(nullptr, 60, &info), -3);
    EXPECT_EQ(protocol.decodeIdentification(f.data(), 59, &info), -2);
    Bytes badSync = f;
    badSync[0] = 0xAB;
    EXPECT_EQ(protocol.decodeIdentification(badSync.data(), 60, &info), -1);
    Bytes wrongType = f;
    wrongType[1] = 0xA0;
    EXPECT_EQ(protocol.decodeIdentification(wrongType.data(), 60, &info), -4);
    Bytes otherModel = f;
    otherModel[2] = 7;
    EXPECT_EQ(protocol.decodeIdentification(otherModel.data(), 60, &info), -99);
    // A dual-band frame handed to the first-generation decoder is too short for it.
    AccessoryProtocolNolvo gen1;
    const Bytes dual = dualIdentification();
    EXPECT_EQ(gen1.decodeIdentification(dual.data(), 56, &info), -2);
}

TEST(Identification, BrokenCalibrationKeepsLevelsInRange)
{
    AccessoryProtocolNolvo2 protocol;
    Bytes f = gen2Identification();
    be::writeF32(&f[44], 0.0f); // zero scale
    AccessoryInfo info;
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 60, &info), 0);
    EXPECT_GE(info.levels24, 0);
    EXPECT_LE(info.levels24, 256);
    be::writeF32(&f[44], NAN);
    ASSERT_EQ(protocol.decodeIdentification(f.data(), 60, &info), 0);
    EXPECT_EQ(info.levels24, 256);
}

} // namespace
} // namespace nolvo
