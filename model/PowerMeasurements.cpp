#include "model/PowerMeasurements.h"

#include <cmath>
#include <limits>

#include "model/ValueFormat.h"

namespace nolvo {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Names {
    const char* picker;
    const char* panel;
};

constexpr Names kNames[kMeasurementCount] = {
    {"Period", "Period"},
    {"Frequency", "Freq"},
    {"Delay", "Delay"},
    {"Rise Time", "Rise Time"},
    {"Fall Time", "Fall Time"},
    {"Duty Cycle (+)", "Duty (+)"},
    {"Duty Cycle (-)", "Duty (-)"},
    {"Pulse Width (+)", "Pulse (+)"},
    {"Pulse Width (-)", "Pulse (-)"},
    {"Burst Width", "Burst Width"},
    {"Phase", "Phase"},
    {"Overshoot (+)", "Overshoot (+)"},
    {"Overshoot (-)", "Overshoot (-)"},
    {"Peak To Peak", "P-P"},
    {"Amplitude", "Amplitude"},
    {"High", "High"},
    {"Low", "Low"},
    {"Max", "Max"},
    {"Min", "Min"},
    {"Mean", "Mean"},
    {"Cycle Mean", "Cycle Mean"},
    {"RMS", "RMS"},
    {"Cycle RMS", "Cycle RMS"},
};

std::size_t slot(PowerMeasurementId id)
{
    return static_cast<std::size_t>(id);
}

// An edge (rise or fall) that starts on crossing one threshold and finishes on reaching the other.
struct Edge {
    bool started = false;
    bool finished = false;
    std::size_t start = 0;
    std::size_t finish = 0;

    void step(std::size_t i, bool starts, bool finishes)
    {
        if (!started) {
            if (starts) {
                started = true;
                start = i;
            }
        } else if (!finished && finishes) {
            finished = true;
            finish = i;
        }
    }
    float duration(double dt) const
    {
        return finished ? static_cast<float>(static_cast<double>(finish - start) * dt) : kNaN;
    }
};

// Level texts: dBm with two decimals, or watts in engineering notation.
std::string levelText(float dbm, bool watts)
{
    if (watts) {
        return formatSIAuto(static_cast<float>(std::pow(10.0, dbm / 10.0) * 0.001)) + "W";
    }
    return formatFixed(dbm) + "dBm";
}

} // namespace

double PowerMeasurements::sampleInterval(float secondsPerDivision, int samplesPerScreen)
{
    if (!(secondsPerDivision > 0.0f) || !std::isfinite(secondsPerDivision) || samplesPerScreen <= 0) {
        return 0.0;
    }
    return static_cast<double>(secondsPerDivision) * 10.0 / samplesPerScreen;
}

bool PowerMeasurements::compute(Record* record, const float* samples, std::size_t count, double dt)
{
    if (record == nullptr || samples == nullptr || count == 0 || !(dt > 0.0)) {
        return false;
    }
    Record& r = *record;

    // Level statistics.
    float minimum = samples[0];
    float maximum = samples[0];
    double sum = 0.0;
    double sumOfSquares = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const float x = samples[i];
        minimum = std::fmin(minimum, x);
        maximum = std::fmax(maximum, x);
        sum += x;
        sumOfSquares += static_cast<double>(x) * x;
    }
    const double n = static_cast<double>(count);
    r[slot(PowerMeasurementId::Max)] = maximum;
    r[slot(PowerMeasurementId::Min)] = minimum;
    r[slot(PowerMeasurementId::Mean)] = static_cast<float>(sum / n);
    r[slot(PowerMeasurementId::Rms)] = static_cast<float>(std::sqrt(sumOfSquares / n));
    r[slot(PowerMeasurementId::PeakToPeak)] = std::fabs(maximum - minimum);

    const float range = std::fabs(maximum - minimum);
    const float low = minimum + 0.1f * range;
    const float high = minimum + 0.9f * range;
    const float mid = (maximum + minimum) * 0.5f;

    Edge rise;
    Edge fall;
    // Cycle segments: the first one also holds sample 0.
    double segmentSum = samples[0];
    double segmentSquares = static_cast<double>(samples[0]) * samples[0];
    double segmentCount = 1.0;
    double rmsTotal = 0.0;
    double meanTotal = 0.0;
    int cycles = 0;
    std::size_t firstClose = 0;
    bool toggle = false;
    // Duty window: 0 not opened yet, 1 open, 2 closed.
    int window = 0;
    std::size_t dutyTotal = 0;
    std::size_t dutyHigh = 0;

    for (std::size_t i = 1; i < count; ++i) {
        const float x = samples[i];
        const float p = samples[i - 1];
        rise.step(i, p < low && low <= x, x >= high);
        fall.step(i, p > high && high >= x, x <= low);

        segmentSum += x;
        segmentSquares += static_cast<double>(x) * x;
        segmentCount += 1.0;
        const bool crossing = (p <= mid) != (x <= mid);
        if (crossing) {
            if (!toggle) {
                rmsTotal += std::sqrt(segmentSquares / segmentCount);
                meanTotal += segmentSum / segmentCount;
                if (cycles == 0) {
                    firstClose = i;
                }
                ++cycles;
                segmentSum = 0.0;
                segmentSquares = 0.0;
                segmentCount = 0.0;
            }
            toggle = !toggle;
        }

        if (crossing && x > mid) {
            window = window == 0 ? 1 : 2;
        }
        if (window == 1) {
            ++dutyTotal;
            if (x > mid) {
                ++dutyHigh;
            }
        }
    }

    r[slot(PowerMeasurementId::RiseTime)] = rise.duration(dt);
    r[slot(PowerMeasurementId::FallTime)] = fall.duration(dt);

    if (dutyTotal > 0) {
        const double share = static_cast<double>(dutyHigh) / static_cast<double>(dutyTotal);
        r[slot(PowerMeasurementId::DutyPositive)] = static_cast<float>(share * 100.0);
        r[slot(PowerMeasurementId::DutyNegative)] = static_cast<float>((1.0 - share) * 100.0);
        r[slot(PowerMeasurementId::PulsePositive)] = static_cast<float>(static_cast<double>(dutyHigh) * dt);
        r[slot(PowerMeasurementId::PulseNegative)] =
            static_cast<float>(static_cast<double>(dutyTotal - dutyHigh) * dt);
    } else {
        r[slot(PowerMeasurementId::DutyPositive)] = kNaN;
        r[slot(PowerMeasurementId::DutyNegative)] = kNaN;
        r[slot(PowerMeasurementId::PulsePositive)] = kNaN;
        r[slot(PowerMeasurementId::PulseNegative)] = kNaN;
    }

    if (cycles > 0) {
        const double period = static_cast<double>(firstClose) * dt;
        r[slot(PowerMeasurementId::CycleRms)] = static_cast<float>(rmsTotal / cycles);
        r[slot(PowerMeasurementId::CycleMean)] = static_cast<float>(meanTotal / cycles);
        r[slot(PowerMeasurementId::Period)] = static_cast<float>(period);
        r[slot(PowerMeasurementId::Frequency)] = static_cast<float>(1.0 / period);
    } else {
        r[slot(PowerMeasurementId::CycleRms)] = kNaN;
        r[slot(PowerMeasurementId::CycleMean)] = kNaN;
        r[slot(PowerMeasurementId::Period)] = kNaN;
        r[slot(PowerMeasurementId::Frequency)] = kNaN;
    }
    return true;
}

const char* PowerMeasurements::pickerName(std::uint8_t id)
{
    return id < kMeasurementCount ? kNames[id].picker : "None";
}

const char* PowerMeasurements::panelName(std::uint8_t id)
{
    return id < kMeasurementCount ? kNames[id].panel : "";
}

std::string PowerMeasurements::panelValue(std::uint8_t id, const Record& record, bool watts, float attenuationOffset)
{
    if (id >= kMeasurementCount) {
        return {};
    }
    const float value = record[id];
    const bool missing = std::isnan(value);
    switch (static_cast<PowerMeasurementId>(id)) {
    case PowerMeasurementId::Period:
    case PowerMeasurementId::PulsePositive:
    case PowerMeasurementId::PulseNegative:
        return missing ? "Low Freq" : formatSIAuto(value) + "s";
    case PowerMeasurementId::Frequency:
        return missing ? "Low Freq" : formatSIAuto(value) + "Hz";
    case PowerMeasurementId::RiseTime:
    case PowerMeasurementId::FallTime:
        return missing ? "--" : formatSIAuto(value) + "s";
    case PowerMeasurementId::DutyPositive:
    case PowerMeasurementId::DutyNegative:
        return missing ? "Low Freq" : formatSIAuto(value) + "%";
    case PowerMeasurementId::PeakToPeak:
        // A difference of two levels: the attenuation offset cancels out.
        return missing ? "--" : levelText(value, watts);
    case PowerMeasurementId::Max:
    case PowerMeasurementId::Min:
    case PowerMeasurementId::Mean:
    case PowerMeasurementId::Rms:
        return missing ? "--" : levelText(value + attenuationOffset, watts);
    case PowerMeasurementId::CycleMean:
    case PowerMeasurementId::CycleRms:
        return missing ? "Low Freq" : levelText(value + attenuationOffset, watts);
    default:
        return {};
    }
}

std::array<PowerMeasurements::PanelEntry, PowerMeasurements::kPanelSlots>
PowerMeasurements::panel(const std::uint8_t (&slots)[kPanelSlots], const Record& record, bool watts,
                         float attenuationOffset)
{
    std::array<PanelEntry, kPanelSlots> entries;
    for (int i = 0; i < kPanelSlots; ++i) {
        entries[static_cast<std::size_t>(i)] = {panelName(slots[i]),
                                                panelValue(slots[i], record, watts, attenuationOffset)};
    }
    return entries;
}

} // namespace nolvo
