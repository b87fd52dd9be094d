#include "model/PowerPickerFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nolvo {

namespace {

// Base units per picker unit: nano, micro, milli, one.
constexpr double kUnitScale[PowerPickerFormat::kUnitCount] = {1e-9, 1e-6, 1e-3, 1.0};
constexpr double kLargestShown = 99.99;
// Below this many seconds a time shows as zero.
constexpr double kSmallestTime = 1e-11;

} // namespace

const char* PowerPickerFormat::timeUnit(int unit)
{
    static const char* const names[kUnitCount] = {"ns", "µs", "ms", "s"};
    return names[std::clamp(unit, 0, kUnitCount - 1)];
}

const char* PowerPickerFormat::wattUnit(int unit)
{
    static const char* const names[kUnitCount] = {"nW", "µW", "mW", "W"};
    return names[std::clamp(unit, 0, kUnitCount - 1)];
}

PickerEntry PowerPickerFormat::scaledEntry(double value, double smallest)
{
    PickerEntry entry;
    if (!std::isfinite(value) && !std::isinf(value)) return entry; // NaN: zero
    const double magnitude = std::fabs(value);
    if (magnitude < smallest) return entry;
    entry.negative = value < 0.0;
    if (magnitude >= kLargestShown) {
        entry.unit = kUnitCount - 1;
        entry.whole = kMaxWhole;
        entry.hundredths = 99;
        return entry;
    }
    // The first unit in which the magnitude reads 99.99 or less.
    int unit = 0;
    while (unit < kUnitCount - 1 && magnitude > kLargestShown * kUnitScale[unit]) ++unit;
    const double scaled = magnitude / kUnitScale[unit];
    const auto cents = static_cast<long>(std::floor((scaled + 0.005) * 100.0));
    const long capped = std::min(cents, static_cast<long>(kMaxWhole * 100 + 99));
    entry.unit = unit;
    entry.whole = static_cast<int>(capped / 100);
    entry.hundredths = static_cast<int>(capped % 100);
    return entry;
}

double PowerPickerFormat::entryMagnitude(const PickerEntry& entry)
{
    const int whole = std::clamp(entry.whole, 0, kMaxWhole);
    const int hundredths = std::clamp(entry.hundredths, 0, 99);
    const int unit = std::clamp(entry.unit, 0, kUnitCount - 1);
    return (whole + hundredths / 100.0) * kUnitScale[unit];
}

std::string PowerPickerFormat::entryText(const PickerEntry& entry, const char* unit)
{
    char text[32];
    const bool zero = entry.whole == 0 && entry.hundredths == 0;
    std::snprintf(text, sizeof text, "%s%d.%02d%s", entry.negative && !zero ? "-" : "", entry.whole, entry.hundredths,
                  unit);
    return text;
}

PickerEntry PowerPickerFormat::timeEntry(double seconds)
{
    PickerEntry entry = scaledEntry(seconds, kSmallestTime);
    // Zero reads in seconds, as the button's first text "0.00s" does.
    if (entry.whole == 0 && entry.hundredths == 0) entry = PickerEntry{false, 0, 0, kUnitCount - 1};
    return entry;
}

double PowerPickerFormat::timeFromEntry(const PickerEntry& entry)
{
    const double magnitude = entryMagnitude(entry);
    return entry.negative ? -magnitude : magnitude;
}

std::string PowerPickerFormat::timeText(double seconds)
{
    const PickerEntry entry = timeEntry(seconds);
    return entryText(entry, timeUnit(entry.unit));
}

PickerEntry PowerPickerFormat::dbmEntry(double dbm)
{
    // dBm has no prefix: the magnitude is shown as it is, limited to the columns.
    PickerEntry entry;
    entry.unit = kUnitCount - 1;
    if (std::isnan(dbm)) return entry;
    const double magnitude = std::min(std::fabs(dbm), kLargestShown);
    const auto cents = std::min(static_cast<long>(std::floor((magnitude + 0.005) * 100.0)), 9999L);
    entry.negative = dbm < 0.0 && cents > 0;
    entry.whole = static_cast<int>(cents / 100);
    entry.hundredths = static_cast<int>(cents % 100);
    return entry;
}

double PowerPickerFormat::dbmFromEntry(const PickerEntry& entry)
{
    const double magnitude = std::clamp(entry.whole, 0, kMaxWhole) + std::clamp(entry.hundredths, 0, 99) / 100.0;
    return entry.negative ? -magnitude : magnitude;
}

PickerEntry PowerPickerFormat::wattEntry(double dbm)
{
    if (std::isnan(dbm)) return PickerEntry{false, 0, 0, 0};
    const double watts = std::pow(10.0, dbm / 10.0) * 0.001;
    PickerEntry entry = scaledEntry(watts, 0.0);
    if (entry.whole == 0 && entry.hundredths == 0) entry.unit = 0; // too small to show: 0.00 nW
    return entry;
}

bool PowerPickerFormat::dbmFromWattEntry(const PickerEntry& entry, double& dbm)
{
    const double watts = entryMagnitude(entry);
    if (entry.negative || !(watts > 0.0)) return false;
    dbm = 10.0 * std::log10(watts / 0.001);
    return true;
}

std::string PowerPickerFormat::levelText(double dbm, bool watts)
{
    if (watts) {
        const PickerEntry entry = wattEntry(dbm);
        return entryText(entry, wattUnit(entry.unit));
    }
    return entryText(dbmEntry(dbm), "dBm");
}

bool PowerPickerFormat::applyLevelEntry(const PickerEntry& entry, bool watts, float& level)
{
    double dbm = 0.0;
    if (watts) {
        if (!dbmFromWattEntry(entry, dbm)) return false;
    } else {
        dbm = dbmFromEntry(entry);
    }
    const auto stored = static_cast<float>(dbm);
    if (!std::isfinite(stored) || stored == level) return false;
    level = stored;
    return true;
}

} // namespace nolvo
