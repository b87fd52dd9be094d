#pragma once
// The SDL2 window with its OpenGL context. Input arrives through pollEvents() (or
// handleSDLEvent() for injected events): the left mouse button is touch 0, touchscreen fingers
// are touches of their own, the wheel, buttons and keys go to mouse and keyboard listeners.
// Minimizing calls the background handler, restoring the foreground handler; closing calls
// the background handler (unless already in the background) and ends the loop.
// Render thread only.

#include <functional>
#include <string>

#include "engine/app/GLView.h"

union SDL_Event;
struct SDL_Window;

namespace engine {

class GLViewImpl : public GLView {
public:
    // A window of rect's size (points) times frameZoomFactor, titled viewName. Null when no
    // window or GL context can be made (no display, no GL).
    static GLViewImpl* createWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor = 1.0f,
                                      bool resizable = true);
    static GLViewImpl* create(const std::string& viewName);

    bool isOpenGLReady() const override { return m_context != nullptr; }
    void makeCurrent() override;
    void swapBuffers() override;
    void end() override { m_shouldClose = true; }
    bool windowShouldClose() const override { return m_shouldClose; }
    void pollEvents() override;
    // Waits up to timeoutMs for one event and handles everything pending. For a stopped loop.
    void waitEvents(int timeoutMs);
    void handleSDLEvent(const SDL_Event& event);
    void setFrameSize(float width, float height) override;

    void setLifecycleHandlers(std::function<void()> enterBackground, std::function<void()> enterForeground);
    bool isInBackground() const { return m_inBackground; }
    SDL_Window* getWindow() const { return m_window; }
    // Why creation failed (empty after success).
    static const std::string& getLastError();

private:
    GLViewImpl() = default;
    ~GLViewImpl() override;
    bool initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor, bool resizable);
    void updateDrawableSize();
    void enterBackground();
    void enterForeground();

    SDL_Window* m_window = nullptr;
    void* m_context = nullptr;
    bool m_shouldClose = false;
    bool m_inBackground = false;
    bool m_mouseDown = false;
    std::function<void()> m_onBackground;
    std::function<void()> m_onForeground;
};

} // namespace engine
