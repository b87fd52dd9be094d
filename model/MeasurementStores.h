#pragma once
// The measurement stores of the DataModel: per band the sweep history, heat-map grid and derived
// traces; the power-mode stores; and the cursor results. All of it is guarded by dataLock.

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/SettingsRecords.h"
#include "model/HeatGridCounts.h"
#include "model/SweepHistory.h"

namespace nolvo {

enum Band : int { kBand24 = 0, kBand5 = 1, kBandCount = 2 };

constexpr int kBins24 = 256;
constexpr int kBins5 = 512;
constexpr int kMaxBins = kBins5;
constexpr int kDefaultHistoryLimit = 510;
constexpr int kHeatGridSweeps = 50;
constexpr int kPeakSlots = 5;
constexpr int kMeasurementCount = 23;
constexpr int kRollingHistoryCap = 2000;

// The five derived traces; the order of the peak lists, cursor values and trace settings.
enum TraceKind : int { kTraceRaw = 0, kTraceDecay, kTraceAverage, kTraceMaxHold, kTraceMinHold, kTraceKinds };

struct Peak {
    std::int32_t bin = -1;
    float value = NAN;
};
using PeakList = std::array<Peak, kPeakSlots>;

struct DerivedTraces {
    // Storage order: raw, decay, max hold, min hold, average.
    std::array<float, kMaxBins> raw{};
    std::array<float, kMaxBins> decay{};
    std::array<float, kMaxBins> maxHold{};
    std::array<float, kMaxBins> minHold{};
    std::array<float, kMaxBins> average{};
    std::uint32_t binCount = 0;               // 0: not seeded yet
    std::array<PeakList, kTraceKinds> peaks{}; // raw, decay, average, max hold, min hold
    bool changed = false;

    void reset()
    {
        binCount = 0;
        peaks = {};
        changed = false;
    }
};

struct HeatGrid {
    std::vector<std::uint16_t> cells; // row-major: row * width + bin
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool isNew = false;
    bool accumulated = false;
};

struct BandStore {
    explicit BandStore(int bins) : maxBins(bins), history(bins) {}

    const int maxBins;                 // 256 or 512
    SweepHistory history;
    std::int32_t historyLimit = kDefaultHistoryLimit; // 0 or less: unbounded
    std::int32_t binCount = -1;        // valid bins of the newest sweep
    bool newSweep = false;
    std::uint64_t sweepsStored = 0;    // sweeps pushed since start, never reset: readers see a new one
    DerivedTraces derived;
    HeatGrid grid;
    HeatGridCounts gridCounts;
    std::int32_t gridRows = 256;
    bool waterfallRedraw = true;       // the waterfall redraws: set with every new sweep and by view changes
    float amplitudeBottom = -90.0f;    // dBm
    float amplitudeTop = -10.0f;       // dBm
    std::uint8_t waterfallRowsPerDivision = 1;

    // The bin count readers should use: a value outside 1..maxBins means the full sweep.
    int usableBinCount() const { return (binCount <= 0 || binCount > maxBins) ? maxBins : binCount; }
};

struct CursorResult {
    std::int32_t bin = -1;
    std::array<float, kTraceKinds> values{};  // raw, decay, average, max hold, min hold
    std::array<float, kTraceKinds> screenY{};
};

struct CursorResults {
    std::array<CursorResult, 2> cursor{};
    std::uint32_t binCount = 0;
    // Waterfall cursor peaks: horizontal 1, vertical 1, horizontal 2, vertical 2.
    std::array<PeakList, 4> waterfallPeaks{};

    void reset() { *this = CursorResults{}; }
};

// What a stopped capture was taken with, so that it can be redrawn at another time scale or delay.
struct StoppedCapture {
    bool remembered = false;          // set while acquisition is stopped
    std::int32_t timeScaleIndex = 0;  // clamped index in effect at the stop
    std::int32_t amplitudeScaleIndex = 0;
    float secondsPerDivision = NAN;
    float delay = 0.0f;               // seconds
};

struct PowerStore {
    std::vector<float> timePerDivision;      // seconds, from the identified accessory
    std::vector<float> amplitudePerDivision; // the accessory's extra table
    float amplitudeBottom = -40.0f;
    float amplitudeTop = 0.0f;
    std::int32_t samplesPerScreen = 240;
    PowerTraces live;
    std::int32_t liveUpdate = 0;              // 1 when the live data was cleared
    bool newData = false;
    std::int32_t acquisitionPhase = 0;        // 0 triggered, 1 none for 10 s, 2 none for 2 s
    std::array<float, kMeasurementCount> measurements;
    StoppedCapture stoppedCapture;
    // Energy of the newest trace between the two vertical cursors, watt-seconds before the
    // attenuation offset; NaN when there is no trace under them.
    float cursorEnergy = NAN;

    PowerStore() { measurements.fill(NAN); }
};

} // namespace nolvo
