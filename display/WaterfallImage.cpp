#include "display/WaterfallImage.h"

#include <algorithm>
#include <cmath>

#include "display/TraceProcessing.h"

namespace nolvo {

ThresholdScale ThresholdScale::of(float low, float high)
{
    ThresholdScale s;
    s.low = std::min(low, high);
    s.high = high;
    const float span = s.high - s.low;
    if (span > 0.0f) {
        s.k = 255.0f / span;
        s.o = -s.k * s.low;
    }
    return s;
}

int ThresholdScale::entry(float value) const
{
    if (!(value < high)) return 255;
    const float e = value * k + o;
    // Rounding at the edges can land a hair outside the table.
    if (!(e > 0.0f)) return 0;
    if (e >= 255.0f) return 255;
    return static_cast<int>(e);
}

WaterfallImageSize buildWaterfallPixels(const SweepHistory& history, int binCount, std::uint32_t displayedBins,
                                        const std::vector<Rgb>& table, const ThresholdScale& scale,
                                        std::uint8_t* pixels, std::size_t capacity)
{
    const std::size_t entries = history.size();
    if (entries == 0) return {0, 0};
    const int n = std::clamp(binCount, 0, history.entrySize());
    const int rows = static_cast<int>(std::min<std::size_t>(entries, kWaterfallRows));
    const std::size_t bytes = static_cast<std::size_t>(rows) * static_cast<std::size_t>(n) * 4;
    if (bytes > capacity || table.size() < 256) return {-1, -1};
    const Rgb& top = table[255];
    std::uint8_t* p = pixels;
    for (int r = 0; r < rows; ++r) {
        const float* entry = history.entry(entries - static_cast<std::size_t>(rows) + static_cast<std::size_t>(r));
        for (int i = 0; i < n; ++i, p += 4) {
            const float v = entry[i];
            if (static_cast<std::uint32_t>(i) > displayedBins || !(v >= scale.low)) {
                p[0] = p[1] = p[2] = p[3] = 0;
                continue;
            }
            const Rgb& c = v < scale.high ? table[static_cast<std::size_t>(scale.entry(v))] : top;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 255;
        }
    }
    return {n, rows};
}

void waterfallRowPeaks(const SweepHistory& history, int row, int binCount, float low, PeakList& peaks)
{
    peaks.fill(Peak{});
    const auto entries = static_cast<int>(history.size());
    if (row < 0 || row >= entries) return;
    const float* entry = history.entry(static_cast<std::size_t>(entries - 1 - row));
    const int n = std::clamp(binCount, 0, history.entrySize());
    for (int i = 0; i < n; ++i) {
        if (entry[i] >= low) insertPeak(peaks, i, entry[i]);
    }
}

void waterfallColumnPeaks(const SweepHistory& history, int bin, int rows, float low, PeakList& peaks)
{
    peaks.fill(Peak{});
    const auto entries = static_cast<int>(history.size());
    if (bin < 0 || bin >= history.entrySize()) return;
    rows = std::min(rows, entries);
    for (int j = 0; j < rows; ++j) {
        const float v = history.entry(static_cast<std::size_t>(entries - 1 - j))[bin];
        if (v >= low) insertPeak(peaks, j, v);
    }
}

} // namespace nolvo
