#include "display/CursorsLayer.h"
#include "model/ModelLock.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/platform/Device.h"
#include "engine/scene/DrawNode.h"
#include "model/DataModel.h"

namespace nolvo {

using engine::Color4F;
using engine::Vec2;

namespace {
constexpr int kVerticalDashes = 40;
constexpr int kHorizontalDashes = 50;
constexpr float kDashShare = 0.66f;
constexpr float kGrabInches = 0.123f;

// The cursor that a touch at `p` grabs among two positions, or -1.
int choose(const float positions[2], float p, float radius, int active)
{
    const float d0 = std::fabs(positions[0] - p);
    const float d1 = std::fabs(positions[1] - p);
    if (d0 > radius && d1 > radius) return -1;
    if (d0 == d1) return active;
    return d0 < d1 ? 0 : 1;
}
} // namespace

CursorsLayer* CursorsLayer::create() { return createWithModel(*DataModel::getInstance()); }

CursorsLayer* CursorsLayer::createWithModel(DataModel& model)
{
    auto* layer = new CursorsLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

bool CursorsLayer::init()
{
    if (!engine::Layer::init()) return false;
    m_drawNode = engine::DrawNode::create(2.0f);
    addChild(m_drawNode);
    auto* listener = engine::EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(true);
    listener->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onTouchBegan(t); };
    listener->onTouchMoved = [this](engine::Touch* t, engine::Event*) { onTouchMoved(t); };
    listener->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    listener->onTouchCancelled = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
    return true;
}

int CursorsLayer::activeCursor(const DataModel& model) { return model.cursors.activeCursor >= 1 ? 1 : 0; }

float CursorsLayer::grabRadius()
{
    float zoom = 1.0f;
    float scale = 1.0f;
    if (engine::GLView* view = engine::Director::getInstance()->getOpenGLView()) {
        zoom = view->getFrameZoomFactor();
        scale = view->getScaleX();
    }
    return static_cast<float>(engine::Device::getDPI()) * kGrabInches * zoom / (scale > 0.0f ? scale : 1.0f);
}

bool CursorsLayer::waterfallView() const
{
    return loadShared(m_model.common.spectrumModeActive) != 0 && loadShared(m_model.spectrum.displayMode) == 1;
}

void CursorsLayer::draw(engine::Renderer* /*renderer*/, const engine::Mat4& /*transform*/, std::uint32_t /*flags*/)
{
    const CursorSettings& c = m_model.cursors;
    m_drawNode->clear();
    m_drawNode->setVisible(c.shown != 0);
    if (c.shown == 0) return;
    Color4F colour(192 / 255.0f, 192 / 255.0f, 192 / 255.0f, 1.0f);
    if (loadShared(m_model.common.spectrumModeActive) == 0) {
        const std::uint8_t* rgb = m_model.powerChannel.color;
        colour = Color4F(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1.0f);
    }
    if (c.verticalSelected || waterfallView()) {
        // The trace layer writes the results under dataLock; draw from a copy taken under it.
        std::array<CursorResult, 2> results;
        {
            ModelLock lock(m_model, kDataLock);
            results = m_model.cursorResults.cursor;
        }
        drawVertical(colour, results);
    }
    if (c.horizontalSelected || waterfallView()) drawHorizontal(colour);
    m_dirty = false;
}

void CursorsLayer::drawVertical(const Color4F& colour, const std::array<CursorResult, 2>& results)
{
    const engine::Size size = getContentSize();
    const float tick = size.width / 50.0f;
    const int active = activeCursor(m_model);
    const bool spectrum = loadShared(m_model.common.spectrumModeActive) != 0;
    for (int i = 0; i < 2; ++i) {
        const float x = m_model.cursors.verticalX[i];
        if (i == active) {
            m_drawNode->drawLine(Vec2(x, 0), Vec2(x, size.height), colour);
        } else {
            for (int k = 0; k < kVerticalDashes; ++k) {
                m_drawNode->drawLine(Vec2(x, k * size.height / kVerticalDashes),
                                     Vec2(x, (k + kDashShare) * size.height / kVerticalDashes), colour);
            }
        }
        if (waterfallView()) continue;
        const CursorResult& result = results[static_cast<std::size_t>(i)];
        if (!spectrum) {
            m_drawNode->drawLine(Vec2(x - tick / 2, result.screenY[0]), Vec2(x + tick / 2, result.screenY[0]), colour);
            continue;
        }
        for (std::uint8_t selection : m_model.spectrum.traceSelection) {
            const int kind = DataModel::traceKindOf(selection) - 1; // 1 raw .. 5 min hold
            if (kind < 0 || kind >= kTraceKinds) continue;
            const std::uint8_t* rgb = m_model.spectrum.traceColors[kind];
            const float y = result.screenY[static_cast<std::size_t>(kind)];
            m_drawNode->drawLine(Vec2(x - tick / 2, y), Vec2(x + tick / 2, y),
                                 Color4F(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1.0f));
        }
    }
}

void CursorsLayer::drawHorizontal(const Color4F& colour)
{
    const engine::Size size = getContentSize();
    const int active = activeCursor(m_model);
    for (int i = 0; i < 2; ++i) {
        const float y = m_model.cursors.horizontalY[i];
        if (i == active) {
            m_drawNode->drawLine(Vec2(0, y), Vec2(size.width, y), colour);
            continue;
        }
        for (int k = 0; k < kHorizontalDashes; ++k) {
            m_drawNode->drawLine(Vec2(k * size.width / kHorizontalDashes, y),
                                 Vec2((k + kDashShare) * size.width / kHorizontalDashes, y), colour);
        }
    }
}

bool CursorsLayer::onTouchBegan(engine::Touch* touch)
{
    CursorSettings& c = m_model.cursors;
    m_verticalGrab = m_horizontalGrab = false;
    if (getNumberOfRunningActions() > 0 || m_model.waterfallTouchInProgress.load() || c.shown == 0) return false;
    const float r = grabRadius();
    const Vec2 p = convertToNodeSpace(touch->getLocation());
    const engine::Size size = getContentSize();
    if (p.x < -r || p.y < -r || p.x > size.width + r || p.y > size.height + r) return false;
    const int active = activeCursor(m_model);
    const int vertical = (c.verticalSelected || waterfallView()) ? choose(c.verticalX, p.x, r, active) : -1;
    const int horizontal = (c.horizontalSelected || waterfallView()) ? choose(c.horizontalY, p.y, r, active) : -1;
    m_verticalGrab = vertical >= 0;
    m_horizontalGrab = horizontal >= 0;
    int chosen = -1;
    if (m_verticalGrab && m_horizontalGrab) {
        if (vertical == horizontal) {
            chosen = vertical;
        } else if (vertical == active) {
            m_horizontalGrab = false;
            chosen = vertical;
        } else {
            m_verticalGrab = false;
            chosen = horizontal;
        }
    } else if (m_verticalGrab) {
        chosen = vertical;
    } else if (m_horizontalGrab) {
        chosen = horizontal;
    }
    if (chosen < 0) return false;
    c.activeCursor = static_cast<std::uint8_t>(chosen);
    engine::Director::markDirty();
    return true;
}

void CursorsLayer::movePair(float positions[2], int active, float delta, float extent, bool tracking)
{
    float& a = positions[active];
    float& b = positions[1 - active];
    if (!tracking) {
        a = std::clamp(a + delta, 0.0f, std::max(extent, 0.0f));
        return;
    }
    const float separation = b - a; // signed: where the other cursor sits relative to the active one
    a += delta;
    b += delta;
    if (a > extent) {
        a = extent;
        b = extent + separation;
    }
    if (b > extent) {
        b = extent;
        a = extent - separation;
    }
    if (a < 0.0f) {
        a = 0.0f;
        b = separation;
    }
    if (b < 0.0f) {
        b = 0.0f;
        a = -separation;
    }
}

void CursorsLayer::onTouchMoved(engine::Touch* touch)
{
    if (m_model.waterfallTouchInProgress.load()) return;
    CursorSettings& c = m_model.cursors;
    const Vec2 delta = convertToNodeSpace(touch->getLocation()) - convertToNodeSpace(touch->getPreviousLocation());
    const engine::Size size = getContentSize();
    const int active = activeCursor(m_model);
    const bool tracking = c.optionFlag != 0;
    if (m_verticalGrab) movePair(c.verticalX, active, delta.x, size.width, tracking);
    if (m_horizontalGrab) movePair(c.horizontalY, active, delta.y, size.height, tracking);
    engine::Director::markDirty();
}

void CursorsLayer::onTouchEnded(engine::Touch* /*touch*/)
{
    m_verticalGrab = false;
    m_horizontalGrab = false;
}

} // namespace nolvo
