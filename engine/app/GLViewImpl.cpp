#include "engine/app/GLViewImpl.h"

#include <cstdio>
#include <new>

#include <GL/glew.h>
#include <SDL2/SDL.h>

#include "engine/app/Director.h"
#include "engine/app/DisplayScale.h"
#include "engine/app/KeyMap.h"

namespace engine {

namespace {
std::string g_lastError;
// Finger ids live above the mouse's id 0 (SDL finger ids can be any 64-bit value).
constexpr std::intptr_t kMouseTouchId = 0;
std::intptr_t fingerKey(SDL_FingerID finger)
{
    return static_cast<std::intptr_t>(finger) ^ static_cast<std::intptr_t>(0x40000000);
}
}

const std::string& GLViewImpl::getLastError()
{
    return g_lastError;
}

GLViewImpl* GLViewImpl::create(const std::string& viewName)
{
    return createWithRect(viewName, Rect(0, 0, 960, 640));
}

GLViewImpl* GLViewImpl::createWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor,
                                       bool resizable)
{
    auto* view = new (std::nothrow) GLViewImpl();
    if (view && view->initWithRect(viewName, rect, frameZoomFactor, resizable)) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

bool GLViewImpl::initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor, bool resizable)
{
    g_lastError.clear();
    if (rect.size.width <= 0 || rect.size.height <= 0 || frameZoomFactor <= 0.0f) {
        g_lastError = "invalid window size";
        return false;
    }
    // Our own mouse-to-touch mapping; SDL must not synthesise one from the other.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        g_lastError = std::string("SDL video: ") + SDL_GetError();
        std::fprintf(stderr, "engine: %s\n", g_lastError.c_str());
        return false;
    }
    const GLContextAttrs attrs = getGLContextAttrs();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, attrs.redBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, attrs.greenBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, attrs.blueBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, attrs.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, attrs.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, attrs.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (attrs.multisamplingCount > 0) {
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, attrs.multisamplingCount);
    }
    // The display's content scale (NOLVO_SCALE or Xft.dpi) zooms the window: more pixels per point.
    m_frameZoom = frameZoomFactor * discoverContentScale(readScaleSources());
    const int w = static_cast<int>(rect.size.width * m_frameZoom);
    const int h = static_cast<int>(rect.size.height * m_frameZoom);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    if (resizable) flags |= SDL_WINDOW_RESIZABLE;
    m_window = SDL_CreateWindow(viewName.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!m_window) {
        g_lastError = std::string("window: ") + SDL_GetError();
        std::fprintf(stderr, "engine: %s\n", g_lastError.c_str());
        return false;
    }
    m_context = SDL_GL_CreateContext(m_window);
    if (!m_context) {
        g_lastError = std::string("GL context: ") + SDL_GetError();
        std::fprintf(stderr, "engine: %s\n", g_lastError.c_str());
        return false;
    }
    SDL_GL_MakeCurrent(m_window, m_context);
    glewExperimental = GL_TRUE;
    const GLenum glewStatus = glewInit();
    // Without GLX (EGL or offscreen drivers) glewInit reports "no GLX display" although every
    // entry point loaded; the GL version string tells whether GL really works.
    const GLubyte* version = glGetString(GL_VERSION);
    if (!version) {
        g_lastError = std::string("GLEW: ") + reinterpret_cast<const char*>(glewGetErrorString(glewStatus));
        std::fprintf(stderr, "engine: %s\n", g_lastError.c_str());
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    // Frame pacing is ours; vsync would only add latency under the sleep.
    SDL_GL_SetSwapInterval(0);
    m_frameSize = rect.size;
    updateDrawableSize();
    return true;
}

GLViewImpl::~GLViewImpl()
{
    cancelAllTouches();
    if (m_context) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
    if (m_window) SDL_DestroyWindow(m_window);
}

void GLViewImpl::makeCurrent()
{
    if (m_context && SDL_GL_GetCurrentContext() != m_context) {
        SDL_GL_MakeCurrent(m_window, static_cast<SDL_GLContext>(m_context));
    }
}

void GLViewImpl::swapBuffers()
{
    if (m_window) SDL_GL_SwapWindow(m_window);
}

void GLViewImpl::updateDrawableSize()
{
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_window, &w, &h);
    m_drawableWidth = w;
    m_drawableHeight = h;
}

void GLViewImpl::setFrameSize(float width, float height)
{
    if (width <= 0 || height <= 0 || (width == m_frameSize.width && height == m_frameSize.height)) return;
    GLView::setFrameSize(width, height);
    if (m_window) updateDrawableSize();
    if (Director::getInstance()->getOpenGLView() == this) Director::getInstance()->onFrameSizeChanged();
}

void GLViewImpl::setLifecycleHandlers(std::function<void()> enterBackground, std::function<void()> enterForeground)
{
    m_onBackground = std::move(enterBackground);
    m_onForeground = std::move(enterForeground);
}

void GLViewImpl::enterBackground()
{
    if (m_inBackground) return;
    m_inBackground = true;
    cancelAllTouches();
    m_mouseDown = false;
    if (m_onBackground) m_onBackground();
}

void GLViewImpl::enterForeground()
{
    if (!m_inBackground) return;
    m_inBackground = false;
    if (m_onForeground) m_onForeground();
    Director::markDirty();
}

void GLViewImpl::pollEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) handleSDLEvent(event);
}

void GLViewImpl::waitEvents(int timeoutMs)
{
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs)) {
        handleSDLEvent(event);
        pollEvents();
    }
}

namespace {

std::uint32_t modifiersFromSdl(unsigned mod)
{
    std::uint32_t m = 0;
    if (mod & KMOD_SHIFT) m |= Event::MOD_SHIFT;
    if (mod & KMOD_CTRL) m |= Event::MOD_CTRL;
    if (mod & KMOD_ALT) m |= Event::MOD_ALT;
    if (mod & KMOD_GUI) m |= Event::MOD_SUPER;
    return m;
}

} // namespace

void GLViewImpl::handleSDLEvent(const SDL_Event& e)
{
    const float zoom = m_frameZoom;
    // Keys carry their own modifier state; pointer events take the keyboard's current one.
    const bool key = e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
    setModifiers(modifiersFromSdl(key ? static_cast<unsigned>(e.key.keysym.mod) : static_cast<unsigned>(SDL_GetModState())));
    switch (e.type) {
    case SDL_QUIT:
        enterBackground();
        m_shouldClose = true;
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            setFrameSize(static_cast<float>(e.window.data1) / zoom, static_cast<float>(e.window.data2) / zoom);
            break;
        case SDL_WINDOWEVENT_MINIMIZED: enterBackground(); break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: enterForeground(); break;
        case SDL_WINDOWEVENT_EXPOSED: Director::markDirty(); break;
        case SDL_WINDOWEVENT_CLOSE:
            enterBackground();
            m_shouldClose = true;
            break;
        default: break;
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (e.button.which == SDL_TOUCH_MOUSEID) break;
        const float x = static_cast<float>(e.button.x) / zoom, y = static_cast<float>(e.button.y) / zoom;
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        EventMouse::MouseButton button = EventMouse::MouseButton::BUTTON_UNSET;
        if (e.button.button == SDL_BUTTON_LEFT) button = EventMouse::MouseButton::BUTTON_LEFT;
        else if (e.button.button == SDL_BUTTON_RIGHT) button = EventMouse::MouseButton::BUTTON_RIGHT;
        else if (e.button.button == SDL_BUTTON_MIDDLE) button = EventMouse::MouseButton::BUTTON_MIDDLE;
        handleMouse(down ? EventMouse::MouseEventType::MOUSE_DOWN : EventMouse::MouseEventType::MOUSE_UP, button, x, y);
        if (button == EventMouse::MouseButton::BUTTON_LEFT) {
            const std::intptr_t id = kMouseTouchId;
            if (down && !m_mouseDown) {
                m_mouseDown = true;
                handleTouchesBegin(1, &id, &x, &y);
            } else if (!down && m_mouseDown) {
                m_mouseDown = false;
                handleTouchesEnd(1, &id, &x, &y);
            }
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        if (e.motion.which == SDL_TOUCH_MOUSEID) break;
        const float x = static_cast<float>(e.motion.x) / zoom, y = static_cast<float>(e.motion.y) / zoom;
        handleMouse(EventMouse::MouseEventType::MOUSE_MOVE, EventMouse::MouseButton::BUTTON_UNSET, x, y);
        if (m_mouseDown) {
            const std::intptr_t id = kMouseTouchId;
            handleTouchesMove(1, &id, &x, &y);
        }
        break;
    }
    case SDL_MOUSEWHEEL: {
        if (e.wheel.which == SDL_TOUCH_MOUSEID) break;
        int mx = 0, my = 0;
        SDL_GetMouseState(&mx, &my);
        float sx = e.wheel.preciseX, sy = e.wheel.preciseY;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
            sx = -sx;
            sy = -sy;
        }
        handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET,
                    static_cast<float>(mx) / zoom, static_cast<float>(my) / zoom, sx, sy);
        break;
    }
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP: {
        // Finger positions are normalised to the window.
        const std::intptr_t id = fingerKey(e.tfinger.fingerId);
        const float x = e.tfinger.x * m_frameSize.width, y = e.tfinger.y * m_frameSize.height;
        if (e.type == SDL_FINGERDOWN) handleTouchesBegin(1, &id, &x, &y);
        else if (e.type == SDL_FINGERMOTION) handleTouchesMove(1, &id, &x, &y);
        else handleTouchesEnd(1, &id, &x, &y);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        handleKey(keyCodeFromSdl(e.key.keysym.sym), e.type == SDL_KEYDOWN, e.key.keysym.sym, e.key.repeat != 0);
        break;
    default: break;
    }
}

} // namespace engine
