#include "engine/math/Mat4.h"

#include <algorithm>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/math/Geometry.h"

namespace engine {

const Vec2 Vec2::ZERO{0.0f, 0.0f};
const Vec2 Vec2::ONE{1.0f, 1.0f};
const Vec2 Vec2::ANCHOR_MIDDLE{0.5f, 0.5f};
const Vec2 Vec2::ANCHOR_BOTTOM_LEFT{0.0f, 0.0f};
const Vec2 Vec2::ANCHOR_TOP_LEFT{0.0f, 1.0f};
const Vec2 Vec2::ANCHOR_BOTTOM_RIGHT{1.0f, 0.0f};
const Vec2 Vec2::ANCHOR_TOP_RIGHT{1.0f, 1.0f};
const Vec2 Vec2::ANCHOR_MIDDLE_LEFT{0.0f, 0.5f};
const Vec2 Vec2::ANCHOR_MIDDLE_RIGHT{1.0f, 0.5f};
const Vec2 Vec2::ANCHOR_MIDDLE_TOP{0.5f, 1.0f};
const Vec2 Vec2::ANCHOR_MIDDLE_BOTTOM{0.5f, 0.0f};
const Size Size::ZERO{0.0f, 0.0f};
const Rect Rect::ZERO{0.0f, 0.0f, 0.0f, 0.0f};
const Mat4 Mat4::IDENTITY{};

Mat4 Mat4::orthographic(float left, float right, float bottom, float top)
{
    Mat4 r;
    r.m[0] = 2.0f / (right - left);
    r.m[5] = 2.0f / (top - bottom);
    r.m[10] = -1.0f;
    r.m[12] = -(right + left) / (right - left);
    r.m[13] = -(top + bottom) / (top - bottom);
    return r;
}

Mat4 Mat4::translation(float x, float y)
{
    Mat4 r;
    r.m[12] = x;
    r.m[13] = y;
    return r;
}

Mat4 Mat4::operator*(const Mat4& o) const
{
    Mat4 r;
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += m[k * 4 + row] * o.m[col * 4 + k];
            }
            r.m[col * 4 + row] = sum;
        }
    }
    return r;
}

bool Mat4::operator==(const Mat4& o) const
{
    return std::memcmp(m, o.m, sizeof(m)) == 0;
}

bool Mat4::isIdentity() const
{
    return *this == IDENTITY;
}

Mat4 Mat4::getInversed() const
{
    const float a = m[0], b = m[1], c = m[4], d = m[5];
    const float det = a * d - b * c;
    if (det == 0.0f || !std::isfinite(det)) {
        // No inverse (a node scaled to 0): every point maps to NaN, so no point of the plane
        // lands inside anything, rather than passing for the identity.
        Mat4 r;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (float& v : r.m) v = nan;
        return r;
    }
    const float inv = 1.0f / det;
    Mat4 r;
    r.m[0] = d * inv;
    r.m[1] = -b * inv;
    r.m[4] = -c * inv;
    r.m[5] = a * inv;
    r.m[12] = -(r.m[0] * m[12] + r.m[4] * m[13]);
    r.m[13] = -(r.m[1] * m[12] + r.m[5] * m[13]);
    return r;
}

Rect Mat4::transformRectHull(const Rect& r) const
{
    const Vec2 corners[4] = {transformPoint({r.getMinX(), r.getMinY()}), transformPoint({r.getMaxX(), r.getMinY()}),
                             transformPoint({r.getMinX(), r.getMaxY()}), transformPoint({r.getMaxX(), r.getMaxY()})};
    float x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const Vec2& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace engine
