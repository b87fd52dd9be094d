#pragma once
// A 4x4 matrix, column-major as OpenGL takes it (m[12], m[13] hold the translation). The engine
// is 2D, so only the operations the scene graph needs are here.

#include "engine/math/Geometry.h"
#include "engine/math/Vec2.h"

namespace engine {

struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static const Mat4 IDENTITY;

    // Orthographic projection mapping [left, right] x [bottom, top] to clip space.
    static Mat4 orthographic(float left, float right, float bottom, float top);
    static Mat4 translation(float x, float y);

    Mat4 operator*(const Mat4& o) const;
    bool operator==(const Mat4& o) const;
    bool operator!=(const Mat4& o) const { return !(*this == o); }

    Vec2 transformPoint(const Vec2& p) const
    {
        return {m[0] * p.x + m[4] * p.y + m[12], m[1] * p.x + m[5] * p.y + m[13]};
    }
    // Inverse of the 2D affine part (z passes through). When singular every entry is NaN, so
    // every point maps to NaN and fails any containment test.
    Mat4 getInversed() const;
    // The axis-aligned hull of a rectangle's four transformed corners.
    Rect transformRectHull(const Rect& r) const;
    bool isIdentity() const;
};

} // namespace engine
