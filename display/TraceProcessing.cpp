#include "display/TraceProcessing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nolvo {

int sweepsInWindow(float seconds, float refreshInterval, std::size_t entries)
{
    // Computed in double and bounded before truncation: a zero or tiny interval must not turn
    // into an out-of-range float-to-int conversion.
    const double ratio = static_cast<double>(seconds) / static_cast<double>(refreshInterval);
    if (!(ratio >= 1.0)) return 0;
    if (ratio >= static_cast<double>(entries)) return static_cast<int>(entries);
    return static_cast<int>(ratio);
}

void insertPeak(PeakList& peaks, int index, float value)
{
    int k = 0;
    while (k < kPeakSlots && peaks[k].bin >= 0 && !(peaks[k].value < value)) ++k;
    if (k == kPeakSlots) return;
    for (int j = kPeakSlots - 1; j > k; --j) peaks[j] = peaks[j - 1];
    peaks[k] = Peak{index, value};
}

void findPeaks(const float* trace, int n, PeakList& peaks)
{
    peaks.fill(Peak{});
    for (int i = 0; i < n; ++i) insertPeak(peaks, i, trace[i]);
}

const float* derivedTrace(const DerivedTraces& traces, int kind)
{
    switch (kind) {
    case kTraceRaw: return traces.raw.data();
    case kTraceDecay: return traces.decay.data();
    case kTraceAverage: return traces.average.data();
    case kTraceMaxHold: return traces.maxHold.data();
    case kTraceMinHold: return traces.minHold.data();
    default: return nullptr;
    }
}

namespace {

void updateDecay(DerivedTraces& d, const SweepHistory& history, int n, int k, float rate)
{
    if (k < 1) return;
    const std::size_t entries = history.size();
    for (int i = 0; i < n; ++i) d.decay[i] -= rate;
    for (int back = 0; back < k; ++back) {
        const float* entry = history.entry(entries - 1 - static_cast<std::size_t>(back));
        for (int i = 0; i < n; ++i) {
            if (entry[i] > d.decay[i]) d.decay[i] = entry[i];
        }
    }
}

void updateAverage(DerivedTraces& d, const SweepHistory& history, int n, int m)
{
    if (m < 1) return;
    const std::size_t entries = history.size();
    std::fill_n(d.average.begin(), n, 0.0f);
    for (int back = 0; back < m; ++back) {
        const float* entry = history.entry(entries - 1 - static_cast<std::size_t>(back));
        for (int i = 0; i < n; ++i) d.average[i] += entry[i];
    }
    if (m > 1) {
        const float divisor = static_cast<float>(m);
        for (int i = 0; i < n; ++i) d.average[i] /= divisor;
    }
}

} // namespace

void processBand(BandStore& store, const TraceTiming& timing)
{
    if (!store.newSweep) return;
    DerivedTraces& d = store.derived;
    const SweepHistory& history = store.history;
    const std::size_t entries = history.size();
    const int n = std::min(store.usableBinCount(), history.entrySize());
    if (entries == 0) {
        d.binCount = 0;
    } else {
        const float* newest = history.newest();
        const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(float);
        std::memcpy(d.raw.data(), newest, bytes);
        if (d.binCount == 0) {
            // First sweep after a reset: every trace starts from it.
            std::memcpy(d.decay.data(), newest, bytes);
            std::memcpy(d.maxHold.data(), newest, bytes);
            std::memcpy(d.minHold.data(), newest, bytes);
            std::memcpy(d.average.data(), newest, bytes);
        } else {
            updateDecay(d, history, n, sweepsInWindow(timing.holdTime, timing.refreshInterval, entries), timing.decayRate);
            updateAverage(d, history, n, sweepsInWindow(timing.averageTime, timing.refreshInterval, entries));
            for (int i = 0; i < n; ++i) {
                if (newest[i] > d.maxHold[i]) d.maxHold[i] = newest[i];
                if (newest[i] < d.minHold[i]) d.minHold[i] = newest[i];
            }
        }
        d.binCount = static_cast<std::uint32_t>(n);
        for (int kind = 0; kind < kTraceKinds; ++kind) findPeaks(derivedTrace(d, kind), n, d.peaks[kind]);
    }
    store.newSweep = false;
    d.changed = true;
}

AmplitudeMapping AmplitudeMapping::of(float bottom, float top, float height)
{
    AmplitudeMapping map;
    const float span = top - bottom;
    // An empty window maps nothing rather than dividing by zero.
    if (span == 0.0f || !std::isfinite(span)) return map;
    map.scale = height / span;
    map.offset = -bottom * map.scale;
    return map;
}

CursorResult cursorValues(const DerivedTraces& traces, int n, float x, float width, const AmplitudeMapping& map)
{
    CursorResult result;
    const float last = static_cast<float>(n - 1);
    float p = width > 0.0f ? last / width * x : 0.0f;
    if (!(p >= 0.0f)) p = 0.0f;
    if (p > last) p = last;
    const int j = static_cast<int>(p);
    const float f = p - static_cast<float>(j);
    result.bin = j;
    for (int kind = 0; kind < kTraceKinds; ++kind) {
        const float* t = derivedTrace(traces, kind);
        const float v = (j >= n - 1) ? t[n - 1] : t[j] * (1.0f - f) + t[j + 1] * f;
        result.values[kind] = v;
        result.screenY[kind] = map.y(v);
    }
    return result;
}

} // namespace nolvo
