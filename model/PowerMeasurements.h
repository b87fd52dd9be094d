#pragma once
// Pulse and level measurements of one power trace, and their names and display texts for the
// measurement panel and picker.
//
// The record holds 23 floats in identifier order (0 Period ... 22 Cycle RMS, see
// PowerMeasurementId); a value that cannot be determined from a trace is a quiet NaN. Delay, Burst
// Width, Phase, Overshoot (+/-), Amplitude, High and Low are offered by the catalogue but never
// computed: compute() leaves them as they are.
//
// Threads: compute() runs where power packets are processed, with dataLock held on the model's
// record; the text functions are pure and may be called from any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/MeasurementStores.h"

namespace nolvo {

enum class PowerMeasurementId : std::uint8_t {
    Period = 0,
    Frequency,
    Delay,
    RiseTime,
    FallTime,
    DutyPositive,
    DutyNegative,
    PulsePositive,
    PulseNegative,
    BurstWidth,
    Phase,
    OvershootPositive,
    OvershootNegative,
    PeakToPeak,
    Amplitude,
    High,
    Low,
    Max,
    Min,
    Mean,
    CycleMean,
    Rms,
    CycleRms,
    None = 255,
};

class PowerMeasurements {
public:
    using Record = std::array<float, kMeasurementCount>;
    static constexpr int kPanelSlots = 6;

    struct PanelEntry {
        std::string name;
        std::string value;
    };

    // Seconds between two samples of a trace: seconds per division x 10 / samples per screen;
    // 0 (which compute() refuses) when either is unusable.
    static double sampleInterval(float secondsPerDivision, int samplesPerScreen);

    // Measures `count` dBm samples taken `dt` seconds apart into `record`. Leaves the record
    // untouched (and returns false) when it is null, there are no samples, or dt is not > 0.
    static bool compute(Record* record, const float* samples, std::size_t count, double dt);

    // The picker's long name ("Duty Cycle (+)"); "None" for 255 and for unknown identifiers.
    static const char* pickerName(std::uint8_t id);
    // The panel's short name ("Duty (+)"); "" for 255 and for unknown identifiers.
    static const char* panelName(std::uint8_t id);

    // The panel text of one measurement. Level values (P-P excepted) get `attenuationOffset` (dB)
    // added; `watts` shows levels as 10^(dBm/10) x 0.001 W instead of dBm. Unknown identifiers and
    // 255 give "", as do the measurements that are never computed.
    static std::string panelValue(std::uint8_t id, const Record& record, bool watts, float attenuationOffset);

    // Name and value of each of the six panel slots.
    static std::array<PanelEntry, kPanelSlots> panel(const std::uint8_t (&slots)[kPanelSlots], const Record& record,
                                                      bool watts, float attenuationOffset);
};

} // namespace nolvo
