#pragma once
// The waterfall image: one row per sweep of the newest 500, oldest first (row 0), one column
// per bin, each pixel coloured by its dBm value between the two thresholds. Pure; the caller
// holds dataLock for the history.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/ColorMaps.h"
#include "model/MeasurementStores.h"
#include "model/SweepHistory.h"

namespace nolvo {

constexpr int kWaterfallRows = 500;

// Maps a dBm value to a colour-table entry between the thresholds.
struct ThresholdScale {
    float low = 0.0f;
    float high = 0.0f;
    float k = 0.0f;
    float o = 0.0f;
    static ThresholdScale of(float low, float high);
    // Entry of a value at or above low: truncate(v k + o) below high, else 255.
    int entry(float value) const;
};

struct WaterfallImageSize {
    int columns = 0; // bins
    int rows = 0;    // sweeps
};

// Fills columns x rows RGBA pixels (tight rows, row 0 the oldest shown sweep) into `pixels`.
// Returns {0, 0} for an empty history, and {-1, -1} (pixels untouched) when `capacity` bytes
// cannot hold the image. Bins with index above displayedBins and values below the low
// threshold are transparent.
WaterfallImageSize buildWaterfallPixels(const SweepHistory& history, int binCount, std::uint32_t displayedBins,
                                        const std::vector<Rgb>& table, const ThresholdScale& scale,
                                        std::uint8_t* pixels, std::size_t capacity);

// Cursor peaks of the waterfall: the five highest values at or above `low` along one history
// row (`row` 0 the newest sweep; index = bin) or one bin column over the `rows` newest sweeps
// (index = row, 0 the newest). An invalid row or column leaves the list empty.
void waterfallRowPeaks(const SweepHistory& history, int row, int binCount, float low, PeakList& peaks);
void waterfallColumnPeaks(const SweepHistory& history, int bin, int rows, float low, PeakList& peaks);

} // namespace nolvo
