#pragma once
// Device information decoded from an accessory's identification frame. The accessory protocol
// object fills it; the parser copies it whole into the DataModel, where the rest of the program
// reads it. Before any identification it holds the neutral values below.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace nolvo {

struct AccessoryInfo {
    static constexpr int kMaxAttenuatorSteps = 8;

    std::uint8_t modelId = 0;           // 2 first generation, 6 second generation, 7 dual band
    std::uint8_t hardware[2] = {0, 0};
    std::uint8_t reserved = 0;
    std::uint8_t version[4] = {0, 0, 0, 0};
    bool has24Spectrum = false;
    bool has5Spectrum = false;
    bool has24AccessPoints = false;
    bool has5AccessPoints = false;
    bool hasPower = false;
    std::uint8_t modelByte = 0;
    bool concurrentScan = false;
    std::string serial;
    std::uint8_t flag = 0;
    float attenuatorTable[kMaxAttenuatorSteps] = {};
    std::uint32_t attenuatorCount = 0;
    std::uint32_t auxiliaryWord = 0;
    std::uint8_t modeBytes[4] = {0, 0, 0, 0};
    std::uint32_t raw24 = 100;          // raw values per 2.4 GHz sweep
    std::uint32_t raw5 = 0;             // raw values per 5 GHz sweep
    std::uint32_t powerSamples = 0;     // samples per power trace
    std::uint32_t bins24 = 0;           // displayed 2.4 GHz bins
    std::uint32_t bins5 = 0;            // displayed 5 GHz bins
    std::int32_t levels24 = 256;
    std::uint32_t levels5 = 256;
    float refreshInterval24 = 0.1f;     // seconds per 2.4 GHz sweep
    float refreshInterval5 = 0.1f;      // seconds per 5 GHz sweep
    float refreshIntervalPower = 0.1f;  // seconds per power trace
    float accessPointDelay = 0.0f;      // seconds (demo playback)
    float accessPointInterval = 0.0f;   // seconds (demo playback)
    std::vector<float> timePerDivision; // seconds per division of each time-scale index
    std::int32_t rollThreshold = -1;
    std::int32_t rollReferenceIndex = -1;
    std::vector<float> extraTable;      // the amplitude-per-division table
    float powerMin = NAN;
    float powerMax = NAN;
    float min24 = NAN;
    float max24 = NAN;
    float min5 = NAN;
    float max5 = NAN;

    // The attenuator table entry of an internal attenuation index, 0 when outside the table.
    float attenuatorEntry(std::int32_t index) const
    {
        return (index >= 0 && static_cast<std::uint32_t>(index) < attenuatorCount &&
                index < kMaxAttenuatorSteps)
                   ? attenuatorTable[index]
                   : 0.0f;
    }
};

} // namespace nolvo
