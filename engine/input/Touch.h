#pragma once
// One finger (or the left mouse button) on the window. "View" coordinates are window points
// with the origin at the top-left, as the window system reports them; plain locations are GL
// points with the origin at the bottom-left, as nodes use them. Render thread only.

#include <cstdint>

#include "engine/base/Ref.h"
#include "engine/math/Vec2.h"

namespace engine {

class Touch : public Ref {
public:
    Touch() = default;

    int getID() const { return m_id; }
    Vec2 getLocation() const { return toGL(m_point); }
    Vec2 getPreviousLocation() const { return toGL(m_prevPoint); }
    Vec2 getStartLocation() const { return toGL(m_startPoint); }
    // Movement since the previous location, GL points.
    Vec2 getDelta() const { return getLocation() - getPreviousLocation(); }
    Vec2 getLocationInView() const { return m_point; }
    Vec2 getPreviousLocationInView() const { return m_prevPoint; }
    Vec2 getStartLocationInView() const { return m_startPoint; }

    // Starts the touch at a view point: previous and start locations are the same point.
    void setTouchInfo(int id, float viewX, float viewY, float viewHeight);
    // Moves the touch; the old point becomes the previous location.
    void moveTo(float viewX, float viewY);

private:
    Vec2 toGL(const Vec2& p) const { return {p.x, m_viewHeight - p.y}; }

    int m_id = 0;
    float m_viewHeight = 0.0f;
    Vec2 m_point;
    Vec2 m_prevPoint;
    Vec2 m_startPoint;
};

} // namespace engine
