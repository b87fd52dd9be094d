#pragma once
// The geometry of the power view, as pure functions of the settings and the model's power
// stores: where the trigger-level and trigger-delay handles sit, what a drag or a pinch step does
// to them, how recent traces fade (persistence), how the rolling trace is laid out, and how a
// stopped capture is stretched when the time scale or the delay changes after the stop.
//
// Units: layer points for x and y, dBm for levels, seconds for times. Polylines are interleaved
// x, y values with y in dBm (the layer maps dBm to points when it draws).
// Pure; the caller holds dataLock where it passes the model's power stores.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace nolvo {

struct PowerTraces;
struct ReferenceHistory;
class DataModel;

// dBm to layer points: the amplitude window [bottom, top] fills the height, then the channel
// offset (points) shifts it. A window that is not a positive finite span maps everything to the
// offset.
struct PowerMapping {
    float bottom = -40.0f;
    float top = 0.0f;
    float height = 0.0f;
    float channelOffset = 0.0f;

    float scale() const;                 // points per dB (0 for an unusable window)
    float y(float dbm) const { return (dbm - bottom) * scale() + channelOffset; }
    float dbmAt(float y) const;          // inverse of y(); bottom for an unusable window
};

// A horizontal affine map x' = scale * x + offset.
struct XTransform {
    float scale = 1.0f;
    float offset = 0.0f;
    bool operator==(const XTransform&) const = default;
};

class PowerPlot {
public:
    static constexpr float kDefaultPersistence = 2.0f; // seconds
    static constexpr float kDivisions = 10.0f;         // horizontal divisions of a capture

    // The time one screen spans: 10 x seconds per division; 1 for anything not finite and > 0.
    static float timeWindow(float secondsPerDivision);
    // The persistence to fade with: the stored value when finite and > 0, else 2 s.
    static float persistence(float stored);
    // The fade time: the persistence, or the accessory's shortest useful fade (+1e-5) when longer.
    static float decayTime(float persistenceSeconds, float shortestFade);
    // The shortest fade of the model's accessory: the time one power trace takes to arrive, so
    // the previous trace does not vanish before the next one is there.
    static float shortestFade(const DataModel& model);

    // Level handle: y of a trigger level (dBm). `offset` is the attenuation offset.
    static float levelHandleY(float level, float offset, const PowerMapping& map);
    // Delay handle: x of the trigger point for `delay` across `width` (a delay of 0 is the centre).
    static float delayHandleX(float delay, float window, float width);
    // A level dragged by dy points.
    static float draggedLevel(float level, float dy, const PowerMapping& map);
    // A delay dragged by dx points: moves opposite to the finger, never below -window / 2.
    static float draggedDelay(float delay, float dx, float window, float width);
    // One pinch or wheel step of a table index: up or down by one, kept inside [0, size - 1];
    // an empty table takes no step (returns `index` unchanged).
    static std::int32_t steppedIndex(std::int32_t index, std::size_t tableSize, bool up);

    // One frame of persistence over the live traces (newest last): calls `draw` for each trace
    // with opacity > 0 and at least two points, then fades every trace but the newest by
    // frameSeconds / decaySeconds (while there is more than one), and finally drops the newest
    // faded-out trace and all older ones with their raw traces and opacities.
    // Returns how many traces were dropped.
    using DrawTrace = std::function<void(const std::vector<float>& polyline, float opacity)>;
    static std::size_t fadeTraces(PowerTraces& live, float frameSeconds, float decaySeconds, const DrawTrace& draw);

    // The rolling trace: its newest samples (at most samplesPerScreen), spaced
    // width / (samplesPerScreen - 1) apart and ending at the right edge. Empty when the history
    // holds two samples or fewer, samplesPerScreen is below 2 or the width is not positive.
    static std::vector<float> rollPolyline(const std::vector<float>& rolling, std::int32_t samplesPerScreen, float width);

    // The reference waveform rebuilt from its samples at `width`: the newest saved trace, or the
    // saved rolling trace when it holds no trace.
    static std::vector<float> referencePolyline(const ReferenceHistory& reference, float width);

    // The horizontal map of a stopped capture drawn at another time scale or delay: stretched
    // about the centre by captureSpd / currentSpd and moved by the delay difference. Identity
    // when either time per division is not finite and > 0.
    static XTransform stoppedCaptureStretch(float width, float captureSpd, float currentSpd, float captureDelay,
                                            float currentDelay);

    // The energy (watt-seconds) of a polyline (y in dBm) between x0 and x1, with `secondsPerX`
    // seconds per x unit: the trapezoid sum of 10^(dBm/10) x 0.001 W over the points between
    // them. NaN when the polyline does not cover the range or secondsPerX is not finite and > 0.
    static float energyBetween(const std::vector<float>& polyline, float x0, float x1, float secondsPerX);

    // While acquisition is stopped, remembers once what the capture on screen was taken with
    // (time scale, amplitude scale, delay); while it runs, forgets it. dataLock held.
    static void rememberStoppedCapture(DataModel& model);
    static bool acquisitionStopped(int runState);

    // The level of a polyline at x (linear between its points); NaN when it has no point there.
    // Also gives the index of the point at or before x in `index` when not null.
    static float levelAt(const std::vector<float>& polyline, float x, std::int32_t* index = nullptr);
};

} // namespace nolvo
