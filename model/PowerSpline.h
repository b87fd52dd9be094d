#pragma once
// Turns a raw power trace into the polyline the power layer draws: a chord-length natural cubic
// spline through the samples, sampled four times per segment, with a guard that replaces a
// segment by a straight line where the curve would overshoot its end points by more than 10 % of
// the segment's rise. Long traces are drawn point for point.
//
// Running out of memory never ends the process: without working storage for the spline every
// segment is drawn straight, and without room for the polyline the result is empty.
//
// Pure functions; any thread (the power layer calls them under dataLock).

#include <cstddef>
#include <vector>

namespace nolvo {

class PowerSpline {
public:
    // Coefficients of one segment: y(t) = a + b t + c t^2 + d t^3 for t in [0, 1].
    struct Segment {
        double a = 0.0;
        double b = 0.0;
        double c = 0.0;
        double d = 0.0;

        double at(double t) const { return a + t * (b + t * (c + t * d)); }
    };

    // Traces longer than this are not smoothed.
    static constexpr std::size_t kMaxSmoothedSamples = 400;
    // Points emitted per segment before the next one starts.
    static constexpr int kPointsPerSegment = 4;

    // The spline through the points (i, y[i]), i = 0..n-1: n-1 segments in `segments` (replaced).
    // False, with `segments` empty, when n < 2 or its working storage could not be allocated.
    static bool fit(const float* y, std::size_t n, std::vector<Segment>& segments) noexcept;

    // Applies the overshoot guard to one segment: straight when the curve leaves
    // [min - 0.1 rise, max + 0.1 rise] at t = 0, 0.25, 0.5, 0.75 and the rise exceeds 1e-6.
    static Segment guarded(const Segment& segment);

    // The polyline of a trace of n samples across `width` (any unit; the layer passes pixels), as
    // interleaved x, y values: empty for n <= 1; 4 (n-1) + 1 points for n up to 400; the n raw
    // points beyond that.
    static std::vector<float> traceToPolyline(const float* y, std::size_t n, float width) noexcept;
};

} // namespace nolvo
