#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/TraceProcessing.h"

namespace nolvo {
namespace {

constexpr int kBins = 4;

// A 4-bin band whose sweeps are pushed by hand, as the producer would.
struct Band {
    BandStore store{kBins};
    TraceTiming timing;

    Band()
    {
        store.binCount = kBins;
        timing.refreshInterval = 0.1f;
    }
    void sweep(std::vector<float> values)
    {
        store.history.push(values.data(), kBins);
        store.newSweep = true;
        processBand(store, timing);
    }
    std::vector<float> trace(int kind) const
    {
        const float* t = derivedTrace(store.derived, kind);
        return {t, t + kBins};
    }
};

using V = std::vector<float>;

TEST(TraceProcessing, FirstSweepSeedsEveryTrace)
{
    Band band;
    band.sweep({-50, -60, -70, -80});
    for (int kind = 0; kind < kTraceKinds; ++kind) EXPECT_EQ(band.trace(kind), (V{-50, -60, -70, -80})) << kind;
    EXPECT_EQ(band.store.derived.binCount, 4u);
    EXPECT_FALSE(band.store.newSweep);
    EXPECT_TRUE(band.store.derived.changed);
}

TEST(TraceProcessing, NothingHappensWithoutTheNewSweepFlag)
{
    Band band;
    band.sweep({-50, -60, -70, -80});
    band.store.derived.changed = false;
    const float next[kBins] = {0, 0, 0, 0};
    band.store.history.push(next, kBins); // flag left clear
    processBand(band.store, band.timing);
    EXPECT_EQ(band.trace(kTraceRaw), (V{-50, -60, -70, -80}));
    EXPECT_FALSE(band.store.derived.changed);
}

TEST(TraceProcessing, HoldShorterThanOneSweepLeavesDecayAlone)
{
    Band band;
    band.timing.holdTime = 0.05f; // K = 0
    band.timing.decayRate = 3.0f;
    band.sweep({-50, -60, -70, -80});
    band.sweep({-40, -90, -70, -80});
    EXPECT_EQ(band.trace(kTraceDecay), (V{-50, -60, -70, -80})); // neither lowered nor raised
    EXPECT_EQ(band.trace(kTraceRaw), (V{-40, -90, -70, -80}));
}

TEST(TraceProcessing, DecayHoldsTheNewestSweepsThenFallsByTheRate)
{
    Band band;
    band.timing.holdTime = 0.2f; // K = 2
    band.timing.decayRate = 5.0f;
    band.sweep({-50, -60, -70, -80});
    band.sweep({-70, -60, -60, -90});
    // max(seed - 5, newest two sweeps)
    EXPECT_EQ(band.trace(kTraceDecay), (V{-50, -60, -60, -80}));
    band.sweep({-90, -90, -90, -90});
    // The first sweep has left the two-sweep window: max(previous - 5, -70/-60/-60/-90, -90s)
    EXPECT_EQ(band.trace(kTraceDecay), (V{-55, -60, -60, -85}));
    band.timing.holdTime = 0.1f; // K = 1
    band.sweep({-90, -90, -90, -90});
    EXPECT_EQ(band.trace(kTraceDecay), (V{-60, -65, -65, -90}));
}

TEST(TraceProcessing, AverageOverTheWindowWithOneAndZeroSweeps)
{
    Band band;
    band.timing.averageTime = 0.35f; // 3 sweeps, bounded by the two in the history
    band.sweep({-60, -60, -60, -60});
    band.sweep({-40, -50, -60, -70});
    // M = min(entries 2, 3) = 2
    EXPECT_EQ(band.trace(kTraceAverage), (V{-50, -55, -60, -65}));

    band.timing.averageTime = 0.15f; // M = 1: the newest sweep
    band.sweep({-10, -20, -30, -40});
    EXPECT_EQ(band.trace(kTraceAverage), (V{-10, -20, -30, -40}));

    band.timing.averageTime = 0.05f; // M = 0: frozen
    band.sweep({-99, -99, -99, -99});
    EXPECT_EQ(band.trace(kTraceAverage), (V{-10, -20, -30, -40}));
}

TEST(TraceProcessing, MaxAndMinHoldRunFromTheSeed)
{
    Band band;
    band.sweep({-50, -60, -70, -80});
    band.sweep({-40, -65, -70, -85});
    band.sweep({-45, -55, -75, -80});
    EXPECT_EQ(band.trace(kTraceMaxHold), (V{-40, -55, -70, -80}));
    EXPECT_EQ(band.trace(kTraceMinHold), (V{-50, -65, -75, -85}));
}

TEST(TraceProcessing, EmptyHistoryUnseedsAndTheNextSweepSeedsAgain)
{
    Band band;
    band.sweep({-50, -60, -70, -80});
    band.sweep({-40, -40, -40, -40});
    band.store.history.clear();
    band.store.newSweep = true;
    processBand(band.store, band.timing);
    EXPECT_EQ(band.store.derived.binCount, 0u);
    EXPECT_FALSE(band.store.newSweep);
    band.sweep({-90, -91, -92, -93});
    EXPECT_EQ(band.trace(kTraceMaxHold), (V{-90, -91, -92, -93})); // hold restarted
}

TEST(TraceProcessing, SweepWindowNeverOverflowsOnOddIntervals)
{
    EXPECT_EQ(sweepsInWindow(0.35f, 0.1f, 10), 3);
    EXPECT_EQ(sweepsInWindow(5.0f, 0.1f, 10), 10); // bounded by the history
    EXPECT_EQ(sweepsInWindow(1.0f, 0.0f, 7), 7);   // zero interval: the whole history
    EXPECT_EQ(sweepsInWindow(-1.0f, 0.1f, 7), 0);
    EXPECT_EQ(sweepsInWindow(NAN, 0.1f, 7), 0);
    EXPECT_EQ(sweepsInWindow(0.0f, 0.0f, 7), 0);
}

TEST(TraceProcessing, PeaksAreTheFiveHighestWithTiesToTheLowerBin)
{
    const float trace[] = {-80, -30, -30, -50, -20, -90, -40, -60};
    PeakList peaks;
    findPeaks(trace, 8, peaks);
    const int bins[] = {4, 1, 2, 6, 3};
    const float values[] = {-20, -30, -30, -40, -50};
    for (int k = 0; k < kPeakSlots; ++k) {
        EXPECT_EQ(peaks[k].bin, bins[k]) << k;
        EXPECT_EQ(peaks[k].value, values[k]) << k;
    }
}

TEST(TraceProcessing, FewerThanFiveBinsLeaveEmptySlots)
{
    const float trace[] = {-70, -60, -65};
    PeakList peaks;
    peaks.fill(Peak{9, 1.0f}); // stale contents are cleared
    findPeaks(trace, 3, peaks);
    EXPECT_EQ(peaks[0].bin, 1);
    EXPECT_EQ(peaks[1].bin, 2);
    EXPECT_EQ(peaks[2].bin, 0);
    EXPECT_EQ(peaks[3].bin, -1);
    EXPECT_TRUE(std::isnan(peaks[3].value));
    EXPECT_EQ(peaks[4].bin, -1);
}

TEST(TraceProcessing, CursorValuesInterpolateBetweenBinsAndClampToTheEnds)
{
    Band band;
    band.sweep({-100, -80, -60, -40});
    const AmplitudeMapping map = AmplitudeMapping::of(-100.0f, 0.0f, 200.0f); // 2 points per dB
    struct Case {
        float x;
        int bin;
        float value;
    } const cases[] = {
        {0.0f, 0, -100.0f},
        {50.0f, 1, -80.0f},    // p = 1: exactly on a bin
        {75.0f, 1, -70.0f},    // p = 1.5: half way to the next
        {150.0f, 3, -40.0f},   // the last bin
        {-20.0f, 0, -100.0f},  // left of the layer
        {900.0f, 3, -40.0f},   // right of the layer
    };
    for (const Case& c : cases) {
        const CursorResult r = cursorValues(band.store.derived, kBins, c.x, 150.0f, map);
        EXPECT_EQ(r.bin, c.bin) << c.x;
        for (int kind = 0; kind < kTraceKinds; ++kind) {
            EXPECT_FLOAT_EQ(r.values[kind], c.value) << c.x;
            EXPECT_FLOAT_EQ(r.screenY[kind], (c.value + 100.0f) * 2.0f) << c.x;
        }
    }
}

TEST(TraceProcessing, EmptyAmplitudeWindowMapsNothing)
{
    const AmplitudeMapping map = AmplitudeMapping::of(-50.0f, -50.0f, 300.0f);
    EXPECT_EQ(map.y(-20.0f), 0.0f);
}

} // namespace
} // namespace nolvo
