#include "engine/app/GLView.h"

#include <cmath>
#include <vector>

#include <GL/glew.h>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/Touch.h"
#include "platform/Clock.h"

namespace engine {

namespace {
GLContextAttrs g_attrs;
}

void GLView::setGLContextAttrs(const GLContextAttrs& attrs)
{
    g_attrs = attrs;
}

GLContextAttrs GLView::getGLContextAttrs()
{
    return g_attrs;
}

GLView::~GLView()
{
    for (auto& entry : m_touches) entry.second->release();
}

void GLView::setFrameSize(float width, float height)
{
    m_frameSize = Size(width, height);
}

void GLView::applyViewport() const
{
    glViewport(0, 0, m_drawableWidth, m_drawableHeight);
}

void GLView::setScissorInPoints(float x, float y, float w, float h)
{
    const float sx = pixelScaleX(), sy = pixelScaleY();
    // Round outward-consistently so adjacent boxes share edges.
    const auto px = static_cast<GLint>(std::lround(x * sx));
    const auto py = static_cast<GLint>(std::lround(y * sy));
    const auto pw = static_cast<GLsizei>(std::lround((x + w) * sx)) - px;
    const auto ph = static_cast<GLsizei>(std::lround((y + h) * sy)) - py;
    glScissor(px, py, pw > 0 ? pw : 0, ph > 0 ? ph : 0);
}

bool GLView::isScissorEnabled() const
{
    return glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
}

Rect GLView::getScissorRect() const
{
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    const float sx = pixelScaleX(), sy = pixelScaleY();
    return {box[0] / sx, box[1] / sy, box[2] / sx, box[3] / sy};
}

void GLView::dispatchTouches(EventTouch::EventCode code, int num, const std::intptr_t ids[], const float xs[],
                             const float ys[])
{
    std::vector<Touch*> touches;
    for (int i = 0; i < num && i < EventTouch::MAX_TOUCHES; ++i) {
        auto it = m_touches.find(ids[i]);
        if (code == EventTouch::EventCode::BEGAN) {
            if (it != m_touches.end()) continue;  // already down: a duplicate begin is dropped
            auto* touch = new Touch();
            touch->setTouchInfo(m_nextTouchId++, xs[i], ys[i], m_frameSize.height);
            m_touches.emplace(ids[i], touch);
            touches.push_back(touch);
        } else {
            if (it == m_touches.end()) continue;  // never began: ignore
            it->second->moveTo(xs[i], ys[i]);
            touches.push_back(it->second);
        }
    }
    if (touches.empty()) return;
    for (Touch* t : touches) t->retain();
    auto* event = new EventTouch();
    stamp(event);
    event->setEventCode(code);
    event->setTouches(touches);
    Director::getInstance()->getEventDispatcher()->dispatchTouchEvent(event);
    event->release();
    if (code == EventTouch::EventCode::ENDED || code == EventTouch::EventCode::CANCELLED) {
        for (int i = 0; i < num; ++i) {
            auto it = m_touches.find(ids[i]);
            if (it != m_touches.end()) {
                it->second->release();
                m_touches.erase(it);
            }
        }
    }
    for (Touch* t : touches) t->release();
    if (m_touches.empty()) m_nextTouchId = 0;
}

void GLView::handleTouchesBegin(int num, const std::intptr_t ids[], const float xs[], const float ys[])
{
    dispatchTouches(EventTouch::EventCode::BEGAN, num, ids, xs, ys);
}

void GLView::handleTouchesMove(int num, const std::intptr_t ids[], const float xs[], const float ys[])
{
    dispatchTouches(EventTouch::EventCode::MOVED, num, ids, xs, ys);
}

void GLView::handleTouchesEnd(int num, const std::intptr_t ids[], const float xs[], const float ys[])
{
    dispatchTouches(EventTouch::EventCode::ENDED, num, ids, xs, ys);
}

void GLView::handleTouchesCancel(int num, const std::intptr_t ids[], const float xs[], const float ys[])
{
    dispatchTouches(EventTouch::EventCode::CANCELLED, num, ids, xs, ys);
}

void GLView::cancelAllTouches()
{
    std::vector<std::intptr_t> ids;
    std::vector<float> xs, ys;
    for (auto& entry : m_touches) {
        ids.push_back(entry.first);
        xs.push_back(entry.second->getLocationInView().x);
        ys.push_back(entry.second->getLocationInView().y);
    }
    if (!ids.empty()) handleTouchesCancel(static_cast<int>(ids.size()), ids.data(), xs.data(), ys.data());
}

void GLView::handleMouse(EventMouse::MouseEventType type, EventMouse::MouseButton button, float x, float y,
                         float scrollX, float scrollY)
{
    auto* event = new EventMouse(type);
    stamp(event);
    event->setMouseButton(button);
    event->setLocation(Vec2(x, m_frameSize.height - y));
    event->setScrollData(scrollX, scrollY);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(event);
    event->release();
}

void GLView::stamp(Event* event) const
{
    event->setTimestamp(clock::steadyMs());
    event->setModifiers(m_modifiers);
}

void GLView::handleKey(EventKeyboard::KeyCode code, bool pressed, int rawKey, bool repeat)
{
    auto* event = new EventKeyboard(code, pressed, rawKey, repeat);
    stamp(event);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(event);
    event->release();
}

} // namespace engine
