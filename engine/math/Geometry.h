#pragma once
// Size and Rect in points. Plain value types.

#include <algorithm>

#include "engine/math/Vec2.h"

namespace engine {

struct Size {
    float width = 0.0f;
    float height = 0.0f;

    constexpr Size() = default;
    constexpr Size(float w, float h) : width(w), height(h) {}

    static const Size ZERO;

    constexpr Size operator*(float s) const { return {width * s, height * s}; }
    constexpr Size operator/(float s) const { return {width / s, height / s}; }
    constexpr Size operator+(const Size& o) const { return {width + o.width, height + o.height}; }
    constexpr Size operator-(const Size& o) const { return {width - o.width, height - o.height}; }
    constexpr bool operator==(const Size& o) const { return width == o.width && height == o.height; }
    constexpr bool operator!=(const Size& o) const { return !(*this == o); }
    bool equals(const Size& o) const { return *this == o; }
    void setSize(float w, float h) { width = w; height = h; }
};

struct Rect {
    Vec2 origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    constexpr Rect(const Vec2& o, const Size& s) : origin(o), size(s) {}

    static const Rect ZERO;

    float getMinX() const { return origin.x; }
    float getMidX() const { return origin.x + size.width * 0.5f; }
    float getMaxX() const { return origin.x + size.width; }
    float getMinY() const { return origin.y; }
    float getMidY() const { return origin.y + size.height * 0.5f; }
    float getMaxY() const { return origin.y + size.height; }

    // Inclusive of the edges, as hit tests expect.
    bool containsPoint(const Vec2& p) const
    {
        return p.x >= getMinX() && p.x <= getMaxX() && p.y >= getMinY() && p.y <= getMaxY();
    }
    bool intersectsRect(const Rect& r) const
    {
        return !(getMaxX() < r.getMinX() || r.getMaxX() < getMinX() || getMaxY() < r.getMinY() ||
                 r.getMaxY() < getMinY());
    }
    // Smallest rectangle holding both.
    Rect unionWithRect(const Rect& r) const
    {
        const float x0 = std::min(getMinX(), r.getMinX());
        const float y0 = std::min(getMinY(), r.getMinY());
        const float x1 = std::max(getMaxX(), r.getMaxX());
        const float y1 = std::max(getMaxY(), r.getMaxY());
        return {x0, y0, x1 - x0, y1 - y0};
    }
    bool equals(const Rect& r) const { return origin == r.origin && size == r.size; }
    bool operator==(const Rect& r) const { return equals(r); }
    bool operator!=(const Rect& r) const { return !equals(r); }
};

} // namespace engine
