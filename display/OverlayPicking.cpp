#include "display/OverlayPicking.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace nolvo {

bool outlineContains(const OverlayOutline& o, float x, float y, float slop)
{
    const float halfBottom = o.shape.bottomWidth / 2.0f;
    const float h = std::max(0.0f, o.height);
    if (y < -slop || y > h + slop) {
        return false;
    }
    const float level = std::clamp(y, 0.0f, h);
    float half = halfBottom;
    if (o.shape.dome) {
        // The upper half of an ellipse with radii halfBottom and h.
        const float t = h > 0.0f ? level / h : 0.0f;
        half = halfBottom * std::sqrt(std::max(0.0f, 1.0f - t * t));
    } else if (h > 0.0f) {
        const float halfTop = o.shape.topWidth / 2.0f;
        half = halfBottom + (halfTop - halfBottom) * (level / h);
    }
    return std::fabs(x - o.shape.x) <= half + slop;
}

int pickOutline(const std::vector<OverlayOutline>& outlines, float x, float y, float slop)
{
    int best = -1;
    for (std::size_t i = 0; i < outlines.size(); ++i) {
        if (!outlineContains(outlines[i], x, y, slop)) {
            continue;
        }
        // Strongest wins; a NaN level never beats a number.
        if (best < 0 || outlines[i].rssi > outlines[static_cast<std::size_t>(best)].rssi ||
            std::isnan(outlines[static_cast<std::size_t>(best)].rssi)) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

int cycleOutline(const std::vector<OverlayOutline>& outlines, const Bssid* current, int direction)
{
    if (outlines.empty()) {
        return -1;
    }
    std::vector<int> order(outlines.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const OverlayOutline& p = outlines[static_cast<std::size_t>(a)];
        const OverlayOutline& q = outlines[static_cast<std::size_t>(b)];
        if (p.shape.x != q.shape.x) return p.shape.x < q.shape.x;
        if (p.rssi != q.rssi) return p.rssi > q.rssi;
        return p.bssid < q.bssid;
    });
    const int n = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; current && i < n; ++i) {
        if (outlines[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])].bssid == *current) {
            at = i;
            break;
        }
    }
    if (at < 0) {
        return order[direction < 0 ? static_cast<std::size_t>(n - 1) : 0];
    }
    const int next = ((at + (direction < 0 ? -1 : 1)) % n + n) % n;
    return order[static_cast<std::size_t>(next)];
}

} // namespace nolvo
