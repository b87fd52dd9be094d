#pragma once
// The spectrum trace arithmetic, free of any drawing: derived traces from the sweep history,
// the top-five peak lists and the trace values under the frequency cursors. The caller holds
// dataLock for the stores passed in; the functions themselves are pure and any thread may call
// them.

#include <cstdint>

#include "model/MeasurementStores.h"

namespace nolvo {

struct TraceTiming {
    float holdTime = 0.0f;        // seconds peaks are held in the decay trace
    float decayRate = 0.0f;       // dB the decay trace falls per processed sweep
    float averageTime = 0.0f;     // seconds averaged
    float refreshInterval = 0.1f; // seconds per sweep of the band
};

// Number of history entries a time window covers: min(entries, truncate(seconds / interval)),
// 0 for a negative or NaN ratio and `entries` for an unbounded one (a zero interval).
int sweepsInWindow(float seconds, float refreshInterval, std::size_t entries);

// Top-five insertion of one (index, value): a strictly greater value wins a slot, ties keep the
// earlier entry.
void insertPeak(PeakList& peaks, int index, float value);

// Inserts the n values of `trace` into `peaks`: the five highest bins in descending order, equal
// values in ascending bin order; unused slots keep index -1.
void findPeaks(const float* trace, int n, PeakList& peaks);

// Trace processing of one band when its new-sweep flag is set: raw, decay, average, max and min
// hold, the peak lists, then clears the flag and raises the traces' changed flag. Does nothing
// while the flag is clear.
void processBand(BandStore& store, const TraceTiming& timing);

// The derived trace of a kind (raw, decay, average, max hold, min hold order).
const float* derivedTrace(const DerivedTraces& traces, int kind);

// Vertical mapping of dBm to layer points: y = value * scale + offset.
struct AmplitudeMapping {
    float scale = 0.0f;
    float offset = 0.0f;
    static AmplitudeMapping of(float bottom, float top, float height);
    float y(float value) const { return value * scale + offset; }
};

// The five trace values under a cursor at x (layer points) over `width` points, linearly
// interpolated between bins; n must be at least 2.
CursorResult cursorValues(const DerivedTraces& traces, int n, float x, float width, const AmplitudeMapping& map);

} // namespace nolvo
