#pragma once
// The window as the engine sees it: frame size in points, the pixel size of the drawable, the
// scissor box in points, and the translation of window input (in view coordinates: points, origin
// top-left) into touches and mouse and keyboard events. GLViewImpl is the SDL window.
// Render thread only.

#include <cstdint>
#include <map>

#include "engine/base/Ref.h"
#include "engine/input/Event.h"
#include "engine/math/Geometry.h"

namespace engine {

class Touch;

struct GLContextAttrs {
    int redBits = 8;
    int greenBits = 8;
    int blueBits = 8;
    int alphaBits = 8;
    int depthBits = 24;
    int stencilBits = 8;
    int multisamplingCount = 0;
};

class GLView : public Ref {
public:
    // Attributes for the GL context of windows created afterwards.
    static void setGLContextAttrs(const GLContextAttrs& attrs);
    static GLContextAttrs getGLContextAttrs();

    virtual bool isOpenGLReady() const = 0;
    virtual void makeCurrent() = 0;
    virtual void swapBuffers() = 0;
    virtual void end() = 0;
    virtual bool windowShouldClose() const = 0;
    virtual void pollEvents() = 0;

    const Size& getFrameSize() const { return m_frameSize; }
    virtual void setFrameSize(float width, float height);
    Size getVisibleSize() const { return m_frameSize; }
    Vec2 getVisibleOrigin() const { return Vec2::ZERO; }
    float getFrameZoomFactor() const { return m_frameZoom; }
    // Points to GL pixels; 1 without design resolution.
    float getScaleX() const { return 1.0f; }
    float getScaleY() const { return 1.0f; }
    int getDrawableWidth() const { return m_drawableWidth; }
    int getDrawableHeight() const { return m_drawableHeight; }
    void applyViewport() const;

    // Scissor box in points (origin bottom-left); converted to drawable pixels.
    void setScissorInPoints(float x, float y, float w, float h);
    bool isScissorEnabled() const;
    Rect getScissorRect() const;

    // Touch input in view coordinates. ids: the caller's touch ids (any integers).
    void handleTouchesBegin(int num, const std::intptr_t ids[], const float xs[], const float ys[]);
    void handleTouchesMove(int num, const std::intptr_t ids[], const float xs[], const float ys[]);
    void handleTouchesEnd(int num, const std::intptr_t ids[], const float xs[], const float ys[]);
    void handleTouchesCancel(int num, const std::intptr_t ids[], const float xs[], const float ys[]);
    // Mouse and keyboard in view coordinates.
    void handleMouse(EventMouse::MouseEventType type, EventMouse::MouseButton button, float x, float y,
                     float scrollX = 0.0f, float scrollY = 0.0f);
    void handleKey(EventKeyboard::KeyCode code, bool pressed, int rawKey = 0);
    std::size_t getActiveTouchCount() const { return m_touches.size(); }

protected:
    GLView() = default;
    ~GLView() override;
    void dispatchTouches(EventTouch::EventCode code, int num, const std::intptr_t ids[], const float xs[],
                         const float ys[]);
    void cancelAllTouches();
    // Points to drawable pixels.
    float pixelScaleX() const { return m_frameSize.width > 0 ? m_drawableWidth / m_frameSize.width : 1.0f; }
    float pixelScaleY() const { return m_frameSize.height > 0 ? m_drawableHeight / m_frameSize.height : 1.0f; }

    Size m_frameSize;
    float m_frameZoom = 1.0f;
    int m_drawableWidth = 0;
    int m_drawableHeight = 0;
    std::map<std::intptr_t, Touch*> m_touches;
    int m_nextTouchId = 0;
};

} // namespace engine
