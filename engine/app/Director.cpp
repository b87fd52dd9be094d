#include "engine/app/Director.h"

#include <cmath>

#include <GL/glew.h>

#include <algorithm>

#include "engine/actions/ActionManager.h"
#include "engine/app/GLView.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Scheduler.h"
#include "engine/input/EventDispatcher.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/TextureCache.h"
#include "engine/scene/Scene.h"
#include "engine/text/FontCache.h"
#include "engine/text/GlyphAtlas.h"
#include "platform/Clock.h"

namespace engine {

bool Director::s_dirty = true;

Director* Director::getInstance()
{
    static Director* director = new Director();
    return director;
}

Director::Director()
{
    m_scheduler = new Scheduler();
    m_actionManager = new ActionManager();
    m_eventDispatcher = new EventDispatcher();
    m_renderer = new Renderer();
    m_scheduler->scheduleUpdate(m_actionManager, Scheduler::PRIORITY_SYSTEM, false);
}

TextureCache* Director::getTextureCache()
{
    if (!m_textureCache) m_textureCache = new TextureCache();
    return m_textureCache;
}

void Director::setOpenGLView(GLView* view)
{
    if (view == m_view) return;
    if (view) view->retain();
    if (m_view) m_view->release();
    m_view = view;
    if (m_view) onFrameSizeChanged();
}

void Director::onFrameSizeChanged()
{
    if (!m_view) return;
    const Size old = m_winSize;
    m_winSize = m_view->getFrameSize();
    m_projection = Mat4::orthographic(0.0f, m_winSize.width, 0.0f, m_winSize.height);
    // Text is rasterised at the window's pixels per point.
    const float scale = m_view->getContentScale();
    if (scale > 0.0f && std::isfinite(scale)) m_contentScaleFactor = scale;
    markDirty();
    if (m_winSize != old) {
        Size size = m_winSize;
        m_eventDispatcher->dispatchCustomEvent(EVENT_WINDOW_RESIZED, &size);
    }
}

Size Director::getVisibleSize() const
{
    return m_view ? m_view->getVisibleSize() : m_winSize;
}

Vec2 Director::getVisibleOrigin() const
{
    return m_view ? m_view->getVisibleOrigin() : Vec2::ZERO;
}

void Director::setContentScaleFactor(float factor)
{
    if (factor > 0.0f && factor != m_contentScaleFactor) {
        m_contentScaleFactor = factor;
        markDirty();
    }
}

void Director::setAnimationInterval(double interval)
{
    if (interval > 0.0) m_animationInterval = interval;
}

void Director::startAnimation()
{
    m_invalid = false;
    resetDeltaTime();
    markDirty();
}

void Director::setClearColor(float r, float g, float b, float a)
{
    m_clear[0] = r;
    m_clear[1] = g;
    m_clear[2] = b;
    m_clear[3] = a;
    markDirty();
}

void Director::runWithScene(Scene* scene)
{
    // The scene starts at the next frame, like a replacement.
    replaceScene(scene);
}

void Director::replaceScene(Scene* scene)
{
    if (!scene) return;
    scene->retain();
    if (m_nextScene) m_nextScene->release();
    m_nextScene = scene;
}

void Director::setNextScene()
{
    Scene* next = m_nextScene;
    m_nextScene = nullptr;
    if (m_runningScene) {
        m_runningScene->onExitTransitionDidStart();
        m_runningScene->onExit();
        m_runningScene->cleanup();
        m_runningScene->release();
    }
    m_runningScene = next;
    if (m_view && m_runningScene->getContentSize() == Size::ZERO) {
        m_runningScene->setContentSize(m_winSize);
    }
    m_runningScene->onEnter();
    m_runningScene->onEnterTransitionDidFinish();
    markDirty();
}

void Director::calculateDeltaTime()
{
    const std::uint64_t now = clock::steadyMs();
    if (!m_haveLastTime || now < m_lastTimeMs) {
        m_deltaTime = 0.0f;
    } else {
        m_deltaTime = static_cast<float>(now - m_lastTimeMs) / 1000.0f;
    }
    m_lastTimeMs = now;
    m_haveLastTime = true;
}

void Director::mainLoop()
{
    if (m_invalid) {
        AutoreleasePool::getInstance()->clear();
        return;
    }
    calculateDeltaTime();
    ++m_totalFrames;
    m_scheduler->update(m_deltaTime);
    if (m_nextScene) setNextScene();
    m_lastFrameDrawn = drawScene(true);
    AutoreleasePool::getInstance()->clear();
}

bool Director::needsNextFrame() const
{
    if (m_invalid) return false;
    return m_lastFrameDrawn || s_dirty || m_nextScene || m_actionManager->hasActiveActions() ||
           m_scheduler->secondsToNextTimer() <= static_cast<float>(m_animationInterval);
}

double Director::getIdleWait() const
{
    return std::min(kIdleWait, static_cast<double>(m_scheduler->secondsToNextTimer()));
}

void Director::renderFrame()
{
    if (m_nextScene) setNextScene();
    markDirty();
    drawScene(false);
}

void Director::addAfterDrawCallback(std::function<void()> fn)
{
    m_afterDraw.push_back(std::move(fn));
    markDirty();
}

bool Director::drawScene(bool present)
{
    if (!m_view || !m_view->isOpenGLReady()) {
        s_dirty = false;
        return false;
    }
    m_view->makeCurrent();
    if (m_runningScene) {
        // The frame's vertices are built during the visit: glyph places and the pixel grid the
        // lines snap to must be settled before it.
        GlyphAtlas::getInstance()->beginFrame();
        const Size frame = m_view->getFrameSize();
        m_renderer->setPixelScale(frame.width > 0 ? static_cast<float>(m_view->getDrawableWidth()) / frame.width : 1.0f);
        layoutScene();
        m_runningScene->visit(m_renderer, Mat4::IDENTITY, 0);
    }
    // Visiting may itself change geometry (nodes that rebuild while drawing).
    if (!s_dirty) {
        m_renderer->clear();
        return false;
    }
    s_dirty = false;
    m_view->applyViewport();
    glDisable(GL_SCISSOR_TEST);
    glClearColor(m_clear[0], m_clear[1], m_clear[2], m_clear[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    m_renderer->render();
    glDisable(GL_SCISSOR_TEST);
    ++m_renderedFrames;
    std::vector<std::function<void()>> callbacks;
    callbacks.swap(m_afterDraw);
    for (auto& fn : callbacks) fn();
    if (present) {
        m_view->swapBuffers();
    }
    return true;
}

void Director::layoutScene()
{
    // A container that resizes a child asks for its own layout again; sizes settle in a few
    // rounds, and the cap keeps two containers that disagree from stalling the frame.
    for (int round = 0; round < 8 && m_runningScene->layoutIfNeeded(); ++round) {
    }
}

void Director::end()
{
    m_ending = true;
    if (m_view) m_view->end();
}

void Director::purge()
{
    if (m_runningScene) {
        m_runningScene->onExitTransitionDidStart();
        m_runningScene->onExit();
        m_runningScene->cleanup();
        m_runningScene->release();
        m_runningScene = nullptr;
    }
    if (m_nextScene) {
        m_nextScene->release();
        m_nextScene = nullptr;
    }
    m_afterDraw.clear();
    AutoreleasePool::getInstance()->clear();
    if (m_view && m_view->isOpenGLReady()) m_view->makeCurrent();
    if (m_textureCache) {
        m_textureCache->release();
        m_textureCache = nullptr;
    }
    m_renderer->clear();
    GlyphAtlas::getInstance()->clear(m_view && m_view->isOpenGLReady());
    FontCache::getInstance()->clear();
    GLProgramCache::destroyInstance();
    m_renderer->releaseGLObjects();
    if (m_view) {
        m_view->release();
        m_view = nullptr;
    }
    AutoreleasePool::getInstance()->clear();
    m_ending = false;
    m_invalid = false;
    resetDeltaTime();
}

} // namespace engine
