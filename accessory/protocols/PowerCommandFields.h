#pragma once
// The power-mode quantities that the first- and second-generation settings commands share: time
// index, roll mode, level code, delay and hold-off counts and the trigger bytes. Each model's
// buildSettings places them at its own offsets.

#include <cstdint>

namespace nolvo {

class DataModel;

struct PowerCalibration {
    const float* timePerDivision = nullptr; // seconds per division, by time-scale index
    int timePerDivisionCount = 0;
    float powerScale = 1.0f;                // dBm per sample step
    float powerOffset = 0.0f;               // dBm
    int samplesPerTrace = 0;
};

struct PowerCommandFields {
    static constexpr int kLastRollIndex = 3;

    bool powerMode = false;           // spectrumModeActive == 0; everything below is 0 otherwise
    int timeIndex = 0;                // 0..timePerDivisionCount-1
    bool roll = false;                // time per division of 0.1 s or more
    bool powerTrigger = false;        // PowerSettings byte 25 non-zero
    bool autoTrigger = false;         // PowerSettings byte 24 non-zero
    std::uint16_t levelCode = 0;      // 0..255, only with a power trigger
    std::uint32_t holdoffCount = 0;   // the value sent: never 0
    std::uint32_t delayCount = 0;
    std::uint8_t triggerFlags = 0;
    std::uint8_t triggerCode = 0;     // 1..4 with a digital trigger
    std::uint8_t triggerParameters = 0;

    // Reads the model's settings (plain fields; the caller's thread owns the call).
    static PowerCommandFields compute(const DataModel& model, const PowerCalibration& calibration);
};

} // namespace nolvo

namespace nolvo {

// Seconds per division of the power time scale of the first- and second-generation models.
inline constexpr float kPowerTimePerDivision[18] = {1.0f,   0.4f,   0.2f,    0.1f,  0.04f, 0.02f,
                                                    0.01f,  0.004f, 0.002f,  0.001f, 4e-4f, 2e-4f,
                                                    1e-4f,  4e-5f,  2e-5f,   1e-5f,  4e-6f, 2e-6f};
constexpr int kPowerTimeScaleCount = 18;

} // namespace nolvo
