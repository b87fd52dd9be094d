#pragma once
// Runs the frames: computes the frame interval from the engine clock, updates the scheduler
// (timers, node updates, actions), runs the requested layouts, visits the running scene and, when anything visible changed,
// renders and presents it. A frame where nothing changed is visited (so nodes that rebuild
// geometry while drawing still can) but neither rendered nor presented.
//
// Frame pacing: after a frame, needsNextFrame() tells the application loop whether to run the
// next one at the animation pace (something is moving) or to sleep until an input event, a
// producer thread's wake-up (platform/FrameWake.h) or getIdleWait() passes. So a still window
// draws nothing and a window fed with data draws at the data's rate, at most once per animation
// interval. Render thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"

namespace engine {

class ActionManager;
class EventDispatcher;
class GLView;
class Renderer;
class Scene;
class Scheduler;
class TextureCache;


class Director {
public:
    // Custom event sent after the window's frame size changed; its user data points to the new
    // size (a Size, in points). Listen with EventDispatcher::addCustomEventListener.
    static constexpr const char* EVENT_WINDOW_RESIZED = "glview_window_resized";

    static Director* getInstance();

    // Something visible changed: the next frame must be rendered. Cheap; call freely.
    static void markDirty() { s_dirty = true; }
    static bool isDirty() { return s_dirty; }

    void setOpenGLView(GLView* view);
    GLView* getOpenGLView() const { return m_view; }

    void runWithScene(Scene* scene);
    void replaceScene(Scene* scene);
    Scene* getRunningScene() const { return m_runningScene; }

    // Window size in points, and the visible part of it (no design resolution: the whole window).
    Size getWinSize() const { return m_winSize; }
    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    void setContentScaleFactor(float factor);
    // Pixels per point for text; follows the window (GLView::getContentScale) when it is set.
    float getContentScaleFactor() const { return m_contentScaleFactor; }

    // Seconds between frames (1/60 by default).
    void setAnimationInterval(double interval);
    double getAnimationInterval() const { return m_animationInterval; }
    void stopAnimation() { m_invalid = true; }
    void startAnimation();
    bool isAnimationRunning() const { return !m_invalid; }

    // One frame (does nothing while the animation is stopped).
    void mainLoop();
    // After mainLoop(): whether the next frame is due at the animation pace: the frame just
    // drawn may be one step of a movement, an action is running, a timer falls due within one
    // interval, or something was marked dirty since. False once a frame changed nothing.
    bool needsNextFrame() const;
    // While no frame is needed: the seconds the loop may sleep waiting for events, up to the next
    // timer and at most kIdleWait (flags that producers raise without a wake-up are seen then).
    double getIdleWait() const;
    static constexpr double kIdleWait = 0.1;
    // Frame interval of the latest frame, seconds.
    float getDeltaTime() const { return m_deltaTime; }
    // Frames run and frames actually rendered since start.
    std::uint64_t getTotalFrames() const { return m_totalFrames; }
    std::uint64_t getRenderedFrames() const { return m_renderedFrames; }

    // Visits and renders the running scene into the back buffer without presenting it (tests,
    // screenshots). Runs pending captures.
    void renderFrame();

    // Asks the application loop to end after this frame.
    void end();
    bool isEnding() const { return m_ending; }
    // Drops the running scene, the view and every cache; the pool is drained. Tests and shutdown.
    void purge();

    Scheduler* getScheduler() const { return m_scheduler; }
    ActionManager* getActionManager() const { return m_actionManager; }
    EventDispatcher* getEventDispatcher() const { return m_eventDispatcher; }
    Renderer* getRenderer() const { return m_renderer; }
    TextureCache* getTextureCache();

    const Mat4& getProjectionMatrix() const { return m_projection; }
    // The GL view's frame changed size: the projection and viewport follow, and
    // EVENT_WINDOW_RESIZED is sent when the size is new.
    void onFrameSizeChanged();
    void setClearColor(float r, float g, float b, float a);

    // Runs fn after the next rendered frame is drawn and before it is presented; the frame is
    // rendered even if nothing changed. Used by utils::captureScreen.
    void addAfterDrawCallback(std::function<void()> fn);

    // Resets the frame clock so the next frame's interval starts now (after a pause).
    void resetDeltaTime() { m_lastTimeMs = 0; m_haveLastTime = false; }

private:
    Director();
    void setNextScene();
    void calculateDeltaTime();
    // Renders (and presents) when something changed; true when it did.
    bool drawScene(bool present);
    // Runs the layouts requested since the last frame (a layout may request another).
    void layoutScene();

    static bool s_dirty;

    GLView* m_view = nullptr;
    Scene* m_runningScene = nullptr;
    Scene* m_nextScene = nullptr;
    Scheduler* m_scheduler = nullptr;
    ActionManager* m_actionManager = nullptr;
    EventDispatcher* m_eventDispatcher = nullptr;
    Renderer* m_renderer = nullptr;
    TextureCache* m_textureCache = nullptr;
    Size m_winSize;
    Mat4 m_projection;
    float m_contentScaleFactor = 1.0f;
    double m_animationInterval = 1.0 / 60.0;
    float m_deltaTime = 0.0f;
    std::uint64_t m_lastTimeMs = 0;
    bool m_haveLastTime = false;
    bool m_invalid = false;
    bool m_ending = false;
    bool m_lastFrameDrawn = true;
    std::uint64_t m_totalFrames = 0;
    std::uint64_t m_renderedFrames = 0;
    float m_clear[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::vector<std::function<void()>> m_afterDraw;
};

} // namespace engine
