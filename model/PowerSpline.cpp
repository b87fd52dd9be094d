#include "model/PowerSpline.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace nolvo {

namespace {

constexpr double kGuardTimes[PowerSpline::kPointsPerSegment] = {0.0, 0.25, 0.5, 0.75};

PowerSpline::Segment straight(double y0, double y1)
{
    return {y0, y1 - y0, 0.0, 0.0};
}

} // namespace

bool PowerSpline::fit(const float* y, std::size_t n, std::vector<Segment>& segments) noexcept
{
    segments.clear();
    if (y == nullptr || n < 2) {
        return false;
    }
    try {
        // One block for the chord lengths h, the second derivatives M and the elimination's
        // modified super-diagonal and right side. Indices are 0-based: point i is (i, y[i]).
        std::vector<double> work(4 * n);
        double* h = work.data();
        double* m = h + n;
        double* upper = m + n;
        double* rhs = upper + n;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const double dy = static_cast<double>(y[i + 1]) - y[i];
            h[i] = std::sqrt(1.0 + dy * dy);
        }
        // Row 0 and row n-1 hold M = 0 (natural end conditions); the rows between are
        // mu M[i-1] + 2 M[i] + lambda M[i+1] = r. Forward elimination without pivoting (the
        // system is diagonally dominant), then back substitution.
        upper[0] = 0.0;
        rhs[0] = 0.0;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const double lambda = h[i] / (h[i - 1] + h[i]);
            const double mu = 1.0 - lambda;
            const double r = 6.0 * ((static_cast<double>(y[i + 1]) - y[i]) / (h[i] * h[i]) * lambda -
                                     (static_cast<double>(y[i]) - y[i - 1]) / (h[i - 1] * h[i - 1]) * mu);
            const double pivot = 2.0 - mu * upper[i - 1];
            upper[i] = lambda / pivot;
            rhs[i] = (r - mu * rhs[i - 1]) / pivot;
        }
        m[n - 1] = 0.0;
        for (std::size_t i = n - 1; i-- > 0;) {
            m[i] = i == 0 ? 0.0 : rhs[i] - upper[i] * m[i + 1];
        }
        segments.resize(n - 1);
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const double h2 = h[i] * h[i];
            const double m0 = h2 * m[i];
            const double m1 = h2 * m[i + 1];
            segments[i] = {y[i], static_cast<double>(y[i + 1]) - y[i] - m0 / 3.0 - m1 / 6.0, m0 / 2.0,
                           (m1 - m0) / 6.0};
        }
        return true;
    } catch (const std::bad_alloc&) {
        segments.clear();
        return false;
    }
}

PowerSpline::Segment PowerSpline::guarded(const Segment& segment)
{
    const double y0 = segment.a;
    const double y1 = segment.a + segment.b + segment.c + segment.d;
    const double rise = std::fabs(y1 - y0);
    if (!(rise > 1e-6)) {
        return segment;
    }
    const double lowest = std::min(y0, y1) - 0.1 * rise;
    const double highest = std::max(y0, y1) + 0.1 * rise;
    for (const double t : kGuardTimes) {
        const double v = segment.at(t);
        if (v < lowest || v > highest) {
            return straight(y0, y1);
        }
    }
    return segment;
}

std::vector<float> PowerSpline::traceToPolyline(const float* y, std::size_t n, float width) noexcept
{
    std::vector<float> points;
    if (y == nullptr || n <= 1) {
        return points;
    }
    const double step = static_cast<double>(width) / static_cast<double>(n - 1);
    try {
        if (n > kMaxSmoothedSamples) {
            points.reserve(2 * n);
            for (std::size_t i = 0; i < n; ++i) {
                points.push_back(static_cast<float>(static_cast<double>(i) * step));
                points.push_back(y[i]);
            }
            return points;
        }
        // Without the spline (no memory for it) every segment is drawn straight.
        std::vector<Segment> segments;
        const bool smooth = fit(y, n, segments);
        points.reserve(2 * (kPointsPerSegment * (n - 1) + 1));
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const Segment segment = smooth ? guarded(segments[i]) : straight(y[i], y[i + 1]);
            for (const double t : kGuardTimes) {
                points.push_back(static_cast<float>((static_cast<double>(i) + t) * step));
                points.push_back(static_cast<float>(segment.at(t)));
            }
        }
        const Segment last = smooth ? guarded(segments[n - 2]) : straight(y[n - 2], y[n - 1]);
        points.push_back(static_cast<float>(static_cast<double>(n - 1) * step));
        points.push_back(static_cast<float>(last.a + last.b + last.c + last.d));
        return points;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace nolvo
