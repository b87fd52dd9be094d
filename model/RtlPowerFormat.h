#pragma once
// The data log in the layout rtl_power writes, so that the plotting scripts made for rtl_power
// (heat maps above all) read our sweeps:
//   date, time, Hz low, Hz high, Hz step, samples, dB, dB, ...
//   2024-03-15, 09:30:05, 2400000000, 2496000000, 1000000.00, 1, -91.50, -90.25, ...
// One row per sweep of a band (our sweeps arrive whole: a band is one segment). Value i belongs to
// Hz low + i x Hz step; Hz high is Hz low + values x Hz step (with the step as printed, rounded
// down to a whole Hz), the edge after the last value, as rtl_power writes it. "samples" is 1: every row is one sweep, not an average of several. The bins
// and their frequencies are those of the CSV's frequency line (see DataLogFormat), no header.
// Pure functions; any thread.

#include <ctime>
#include <optional>
#include <string>

namespace nolvo {

struct RtlPowerAxis {
    double firstHz = 0.0; // frequency of the first value
    double stepHz = 0.0;  // between two values
    int bins = 0;         // values a full sweep has
};

// The frequencies of a model code (2, 6, 7) and band (0 2.4 GHz, 1 5 GHz); nothing for a 2.4 GHz
// model whose frequencies are unknown.
std::optional<RtlPowerAxis> rtlPowerAxis(int modelCode, int band);

// One row with its line break: the local date and time of `wallClock`, then the first
// min(count, axis bins) values with two decimals. "" when there is no axis or no value, or a value
// is not finite (a row with a hole would shift every later column).
std::string rtlPowerRow(std::time_t wallClock, int modelCode, int band, const float* values, int count);

} // namespace nolvo
