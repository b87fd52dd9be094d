#pragma once
// The text of the CSV data log: the scale line, the header block with its frequency line, the time
// cell and the data rows. Pure functions of their arguments (the caller supplies the clocks), so
// every line can be checked character by character. Any thread.

#include <cstdint>
#include <ctime>
#include <string>

namespace nolvo {

// What the header lines describe. Built from the model by the data logger.
struct DataLogContext {
    bool powerMode = false;        // false: spectrum rows, true: power rows
    int band = 0;                  // 0 2.4 GHz, 1 5 GHz (spectrum only)
    int modelCode = 0;             // identified accessory model: 2, 6, 7, or 0 when none
    float timePerDivision = 0.0f;  // seconds; 0 when the accessory has no time-per-division table
    float amplitudeBottom = -40.0f; // power amplitude window, dBm
    float amplitudeTop = 0.0f;
};

// Header line 1 with its line break:
//   spectrum: "Spectrum Mode :: Frequency: MHz :: Amplitude: dBm"
//   power:    "time:,1 ,s/div, Power:,5.00 ,dBm/div," (SI-formatted time and amplitude per division)
// A non-finite time per division reads as 0.
std::string dataLogScaleLine(const DataLogContext& context);

// The header block: "Spectrum" or "Power", the scale line when asked, and in spectrum mode the
// fixed frequency line of the model and band (none for a 2.4 GHz model code other than 2, 6, 7).
std::string dataLogHeader(const DataLogContext& context, bool includeScaleLine);

// Number of frequencies on the frequency line: 96 (code 2 on 2.4 GHz), 245 (codes 6 and 7 on
// 2.4 GHz), 512 (5 GHz band); -1 when the header has no frequency line. The data logger makes every
// spectrum row exactly this wide so that each column keeps its frequency.
int dataLogFrequencyCount(int modelCode, int band);

// The time cell, ending in a comma.
//   absolute: the local time of `wallClock` as "2024-03-15 09:30:05.000,";
//   relative: seconds since `startMs` as "%0.3f," of (nowMs - startMs + offsetMs) / 1000; when
//   startMs is 0 it is first set to nowMs. A clock that went backwards counts as no time passed.
// A cell longer than 40 characters becomes "".
std::string dataLogTime(bool absolute, std::uint64_t offsetMs, std::time_t wallClock, std::uint64_t nowMs,
                        std::uint64_t& startMs);

// `count` values with 4 decimals separated by "," and a line break; count <= 0 gives "\n".
std::string dataLogValues(const float* values, int count);

// A row of exactly `columns` cells: the first min(count, columns) values as dataLogValues writes
// them, then empty cells for the missing ones (no number is invented). columns < 0 means count.
std::string dataLogRow(const float* values, int count, int columns);

// "Nolvo_20240315_093005" for the local time of `wallClock` (no extension).
std::string dataLogBaseName(std::time_t wallClock);

} // namespace nolvo
