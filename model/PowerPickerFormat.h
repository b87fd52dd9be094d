#pragma once
// The value pickers of power mode: a trigger time (delay, holdoff) or a trigger level shown in
// picker columns (sign, whole part 0..99, hundredths 0..99, unit) and as the text of the button
// that opens the picker, and the value a set of columns stands for.
//
// Times: the unit is chosen from the magnitude, so a negative delay keeps its sign and value:
// up to 99.99 ns in nanoseconds, up to 99.99 µs in microseconds, up to 99.99 ms in milliseconds,
// else seconds; 99.99 s is the most a picker shows. Magnitudes below 1e-11 s show as zero.
// Levels in dBm show -99.99 .. 99.99. Levels in watts (10^(dBm/10) x 0.001) are entered with an
// SI prefix (nW, µW, mW, W); a watt entry of 0 or less stands for no level and is refused, so a
// stored level is never -inf dBm.
//
// The shown number is the magnitude in its unit plus 0.005, truncated to two decimals.
// Pure functions; any thread.

#include <string>

namespace nolvo {

struct PickerEntry {
    bool negative = false;
    int whole = 0;      // 0..99
    int hundredths = 0; // 0..99
    int unit = 0;       // 0 nano, 1 micro, 2 milli, 3 base unit

    bool operator==(const PickerEntry&) const = default;
};

class PowerPickerFormat {
public:
    static constexpr int kUnitCount = 4;
    static constexpr int kMaxWhole = 99;

    // Unit column labels.
    static const char* timeUnit(int unit);  // "ns", "µs", "ms", "s"
    static const char* wattUnit(int unit);  // "nW", "µW", "mW", "W"

    // Columns of a time in seconds (NaN shows as zero).
    static PickerEntry timeEntry(double seconds);
    // Seconds a set of columns stands for (columns outside their range are clamped).
    static double timeFromEntry(const PickerEntry& entry);
    // Button text, e.g. "0.00s", "-1.50ms", "99.99s".
    static std::string timeText(double seconds);

    // Columns of a level in dBm (unit column unused, 3).
    static PickerEntry dbmEntry(double dbm);
    static double dbmFromEntry(const PickerEntry& entry);
    // Columns of a dBm level shown in watts.
    static PickerEntry wattEntry(double dbm);
    // The dBm level of a watt entry; false (and `dbm` untouched) when it is 0 W or less.
    static bool dbmFromWattEntry(const PickerEntry& entry, double& dbm);
    // Button text of a level: "-30.56dBm" or "1.00µW".
    static std::string levelText(double dbm, bool watts);

    // Stores the level a picker entry stands for into `level` (dBm): in watts a refused entry
    // keeps the previous level. Returns whether `level` changed.
    static bool applyLevelEntry(const PickerEntry& entry, bool watts, float& level);

private:
    static PickerEntry scaledEntry(double value, double smallest);
    static double entryMagnitude(const PickerEntry& entry);
    static std::string entryText(const PickerEntry& entry, const char* unit);
};

} // namespace nolvo
