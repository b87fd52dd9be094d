#include "tables/TableGeometry.h"

#include <algorithm>

namespace nolvo {

TableMetrics tableMetrics(int displaySizeClass)
{
    switch (displaySizeClass) {
    case 0: return {52.0f, true, 16.0f, 5.0f};
    case 1: return {26.0f, false, 16.0f, 5.0f};
    case 2:
    case 3: return {26.0f, false, 14.0f, 3.0f};
    default: return {20.0f, false, 10.0f, 5.0f};
    }
}

float keptOffsetY(float oldY, float oldMinY, float newMinY, float containerHeight, float fallback)
{
    if (!(containerHeight > 0.0f) || oldY > 0.0f || !(newMinY < 0.0f)) {
        return fallback;
    }
    return std::clamp(oldY - oldMinY + newMinY, newMinY, 0.0f);
}

float scrolledOffsetY(float offsetY, float minY, float delta)
{
    if (minY >= 0.0f) {
        return minY; // everything fits: nothing to scroll
    }
    return std::clamp(offsetY + delta, minY, 0.0f);
}

} // namespace nolvo
