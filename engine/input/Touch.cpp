#include "engine/input/Touch.h"

namespace engine {

void Touch::setTouchInfo(int id, float viewX, float viewY, float viewHeight)
{
    m_id = id;
    m_viewHeight = viewHeight;
    m_point = m_prevPoint = m_startPoint = Vec2(viewX, viewY);
}

void Touch::moveTo(float viewX, float viewY)
{
    m_prevPoint = m_point;
    m_point = Vec2(viewX, viewY);
}

} // namespace engine
