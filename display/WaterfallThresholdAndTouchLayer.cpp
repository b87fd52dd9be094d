#include "display/WaterfallThresholdAndTouchLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "display/ColorMaps.h"
#include "display/ScalingPopoverLayer.h"
#include "engine/app/Director.h"
#include "engine/input/Event.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/ValueFormat.h"

namespace nolvo {

using engine::Color4F;
using engine::Sprite;
using engine::Vec2;

namespace {
constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr const char* kHandleImage = "WhiteBubbleTextureMap.png";
constexpr const char* kWheelEndKey = "waterfallWheelPinchEnd";
// How long a wheel step keeps the popover up, seconds.
constexpr float kWheelPinchHold = 0.6f;

engine::Color3B colour3(const Rgb& c) { return {c.r, c.g, c.b}; }
Color4F colour4(const Rgb& c, float alpha) { return Color4F(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, alpha); }

std::string thresholdText(float dbm, int units)
{
    if (units == 0) return formatFixed(dbm) + "dBm";
    return formatSI(std::pow(10.0f, dbm / 10.0f) * 0.001f, 2) + "W";
}
} // namespace

WaterfallThresholdAndTouchLayer* WaterfallThresholdAndTouchLayer::create()
{
    return createWithModel(*DataModel::getInstance());
}

WaterfallThresholdAndTouchLayer* WaterfallThresholdAndTouchLayer::createWithModel(DataModel& model)
{
    auto* layer = new WaterfallThresholdAndTouchLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

WaterfallThresholdAndTouchLayer::~WaterfallThresholdAndTouchLayer() { releaseTouches(); }

void WaterfallThresholdAndTouchLayer::releaseTouches()
{
    for (engine::Touch* t : m_activeTouches) t->release();
    m_activeTouches.clear();
}

bool WaterfallThresholdAndTouchLayer::init()
{
    if (!engine::Layer::init()) return false;
    m_fontSize = m_model.displaySizeClass.load() == 0 ? 14.0f : 16.0f;
    m_lowHandle = Sprite::create(kHandleImage);
    m_highHandle = Sprite::create(kHandleImage);
    m_lowLabel = engine::Label::createWithTTF("-00.00 dBm", kFont, m_fontSize);
    m_highLabel = engine::Label::createWithTTF("-00.00 dBm", kFont, m_fontSize);
    if (!m_lowHandle || !m_highHandle || !m_lowLabel || !m_highLabel) return false;
    m_lowHandle->setColor(engine::Color3B::MAGENTA);
    m_highHandle->setColor(engine::Color3B::ORANGE);
    m_drawNode = engine::DrawNode::create(2.0f);
    addChild(m_drawNode);
    addChild(m_lowHandle);
    addChild(m_highHandle);
    for (engine::Label* label : {m_lowLabel, m_highLabel}) {
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        label->setVisible(false);
        addChild(label);
    }
    // The label box is sized for the longest value.
    engine::Label* probe = engine::Label::createWithTTF("-00000.00dBm", kFont, m_fontSize);
    m_labelBoxWidth = probe ? probe->getContentSize().width * 1.25f : 100.0f;
    m_labelBoxHeight = probe ? probe->getContentSize().height * 1.25f : 20.0f;

    m_touchListener = engine::EventListenerTouchOneByOne::create();
    m_touchListener->setSwallowTouches(false);
    m_touchListener->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onTouchBegan(t); };
    m_touchListener->onTouchMoved = [this](engine::Touch* t, engine::Event*) { onTouchMoved(t); };
    m_touchListener->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    m_touchListener->onTouchCancelled = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(m_touchListener, this);
    m_mouseListener = engine::EventListenerMouse::create();
    m_mouseListener->onMouseScroll = [this](engine::EventMouse* e) { onWheel(e->getScrollY(), e->getLocation()); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(m_mouseListener, this);
    return true;
}

void WaterfallThresholdAndTouchLayer::onEnter()
{
    engine::Layer::onEnter();
    scheduleUpdate(); // onExit stops it: a layer that is shown again updates again
}

void WaterfallThresholdAndTouchLayer::onExit()
{
    unscheduleUpdate();
    releaseTouches();
    if (m_touchState != TouchState::None) m_model.waterfallTouchInProgress.store(false);
    m_touchState = TouchState::None;
    engine::Layer::onExit();
}

void WaterfallThresholdAndTouchLayer::setBands(bool band24, bool band5)
{
    m_band24 = band24;
    m_band5 = band5;
}

void WaterfallThresholdAndTouchLayer::amplitudeWindow(float& bottom, float& top) const
{
    // The window and the accessory's attenuation table change with identification (parser).
    ModelLock lock(m_model, kDataLock);
    const BandStore& store = m_model.bandStore(m_band24 ? kBand24 : kBand5);
    const float offset = m_model.attenuationOffset();
    bottom = store.amplitudeBottom + offset;
    top = store.amplitudeTop + offset;
}

float WaterfallThresholdAndTouchLayer::pointsPerDb() const
{
    float bottom = 0, top = 0;
    amplitudeWindow(bottom, top);
    const float span = top - bottom;
    return span != 0.0f && std::isfinite(span) ? getContentSize().height / span : 0.0f;
}

float WaterfallThresholdAndTouchLayer::thresholdY(float value, float bottom, float top, float height)
{
    const float span = top - bottom;
    if (span == 0.0f || !std::isfinite(span)) return 0.0f;
    return (value - bottom) * height / span;
}

namespace {
// Texture rectangles are only set when they change: setting one always costs a redraw.
void setRectIfChanged(Sprite* sprite, const engine::Rect& rect)
{
    const engine::Rect& current = sprite->getTextureRect();
    if (current.origin == rect.origin && current.size.width == rect.size.width &&
        current.size.height == rect.size.height) {
        return;
    }
    sprite->setTextureRect(rect);
}
} // namespace

void WaterfallThresholdAndTouchLayer::placeHandle(Sprite* handle, float y)
{
    const engine::Size image = handle->getTexture() ? handle->getTexture()->getContentSize() : handle->getContentSize();
    const float h = getContentSize().height;
    handle->setPositionX(getContentSize().width);
    if (y < 0.0f) {
        // Below the window: only the upper half shows, resting on the bottom edge.
        setRectIfChanged(handle, engine::Rect(0, 0, image.width, image.height * 0.5f));
        handle->setAnchorPoint(Vec2(0.5f, 0.0f));
        handle->setPositionY(0.0f);
    } else if (y > h) {
        setRectIfChanged(handle, engine::Rect(0, image.height * 0.5f, image.width, image.height * 0.5f));
        handle->setAnchorPoint(Vec2(0.5f, 1.0f));
        handle->setPositionY(h);
    } else {
        setRectIfChanged(handle, engine::Rect(0, 0, image.width, image.height));
        handle->setAnchorPoint(Vec2(0.5f, 0.5f));
        handle->setPositionY(y);
    }
}

void WaterfallThresholdAndTouchLayer::update(float dt)
{
    const SpectrumSettings& s = m_model.spectrum;
    float bottom = 0, top = 0;
    amplitudeWindow(bottom, top);
    const float h = getContentSize().height;
    const float low = std::min(s.waterfallLowThreshold, s.waterfallHighThreshold);
    const float yLow = thresholdY(low, bottom, top, h);
    const float yHigh = thresholdY(s.waterfallHighThreshold, bottom, top, h);

    const std::vector<Rgb> table = buildWaterfallColorTable(DataModel::colorMapIndex(s.waterfallColorMap));
    m_lowHandle->setColor(colour3(table.front()));
    m_highHandle->setColor(colour3(table.back()));
    placeHandle(m_lowHandle, yLow);
    placeHandle(m_highHandle, yHigh);

    m_drawNode->clear();
    const bool dragging = m_touchState == TouchState::DragLow || m_touchState == TouchState::DragHigh;
    const float before = m_labelFade;
    m_labelFade = dragging ? 1.0f : m_labelFade - dt;
    if (m_labelFade <= 0.0f) {
        m_labelFade = 0.0f;
        m_lowLabel->setVisible(false);
        m_highLabel->setVisible(false);
        if (before > 0.0f) engine::Director::markDirty();
        return;
    }
    drawLabelsAndScale(yLow, yHigh);
    engine::Director::markDirty(); // the fade needs the next frame
}

void WaterfallThresholdAndTouchLayer::drawLabelsAndScale(float yLow, float yHigh)
{
    const SpectrumSettings& s = m_model.spectrum;
    const engine::Size size = getContentSize();
    const std::vector<Rgb> table = buildWaterfallColorTable(DataModel::colorMapIndex(s.waterfallColorMap));
    const auto alpha = static_cast<std::uint8_t>(m_labelFade * 255.0f);
    const float handleWidth = m_highHandle->getTexture() ? m_highHandle->getTexture()->getContentSize().width : 0.0f;
    const float boxRight = size.width - handleWidth * 0.5f;

    struct Item {
        engine::Label* label;
        float value;
        float y;
        Rgb colour;
    } const items[] = {
        {m_lowLabel, std::min(s.waterfallLowThreshold, s.waterfallHighThreshold), yLow, table.front()},
        {m_highLabel, s.waterfallHighThreshold, yHigh, table.back()},
    };
    for (const Item& item : items) {
        item.label->setString(thresholdText(item.value, m_model.common.powerUnits));
        item.label->setVisible(true);
        item.label->setOpacity(alpha);
        const float boxBottom = std::clamp(item.y - m_labelBoxHeight * 0.5f, 0.0f, std::max(0.0f, size.height - m_labelBoxHeight));
        const Vec2 a(boxRight - m_labelBoxWidth, boxBottom);
        const Vec2 b(boxRight, boxBottom + m_labelBoxHeight);
        m_drawNode->drawSolidRect(a, b, Color4F(0.1f, 0.1f, 0.1f, 0.55f * m_labelFade));
        m_drawNode->drawRect(a, b, colour4(item.colour, m_labelFade));
        item.label->setPosition(Vec2((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f));
    }

    // The colour scale between the handles.
    const float x0 = size.width - handleWidth * 0.5f;
    const float x1 = size.width;
    const float a = 0.65f * m_labelFade;
    auto band = [&](float y0, float y1, const Rgb& c) {
        y0 = std::clamp(y0, 0.0f, size.height);
        y1 = std::clamp(y1, 0.0f, size.height);
        if (y1 > y0) m_drawNode->drawSolidRect(Vec2(x0, y0), Vec2(x1, y1), colour4(c, a));
    };
    if (yLow >= size.height) {
        band(0.0f, size.height, table.front());
        return;
    }
    if (yHigh <= 0.0f) {
        band(0.0f, size.height, table.back());
        return;
    }
    band(0.0f, yLow, table.front());
    band(yHigh, size.height, table.back());
    const float d = (yHigh - yLow) / 255.0f;
    for (int j = 0; j < 255 && d > 0.0f; ++j) band(yLow + j * d, yLow + (j + 1) * d, table[static_cast<std::size_t>(j)]);
}

bool WaterfallThresholdAndTouchLayer::onTouchBegan(engine::Touch* touch)
{
    if (getNumberOfRunningActions() > 0) return false;
    const Vec2 inParent = m_parent ? m_parent->convertToNodeSpace(touch->getLocation()) : touch->getLocation();
    if (!getBoundingBox().containsPoint(inParent)) return false;
    touch->retain();
    m_activeTouches.push_back(touch);
    if (m_activeTouches.size() == 1) {
        const Vec2 p = convertToNodeSpace(touch->getLocation());
        if (m_highHandle->getBoundingBox().containsPoint(p)) {
            m_touchState = TouchState::DragHigh;
        } else if (m_lowHandle->getBoundingBox().containsPoint(p)) {
            m_touchState = TouchState::DragLow;
        } else {
            m_touchState = TouchState::None;
            m_model.waterfallTouchInProgress.store(false);
            return true;
        }
    } else if (m_activeTouches.size() == 2) {
        m_touchState = TouchState::Pinch;
        m_pinchY = 0.0f;
    }
    if (m_touchState != TouchState::None) m_model.waterfallTouchInProgress.store(true);
    return true;
}

void WaterfallThresholdAndTouchLayer::markRedraw()
{
    ModelLock lock(m_model, kDataLock);
    m_model.band24.waterfallRedraw = true;
    m_model.band5.waterfallRedraw = true;
}

void WaterfallThresholdAndTouchLayer::onTouchMoved(engine::Touch* touch)
{
    SpectrumSettings& s = m_model.spectrum;
    if (m_activeTouches.size() == 1) {
        const float scale = pointsPerDb();
        if (scale == 0.0f) return;
        const float dy = (convertToNodeSpace(touch->getLocation()) - convertToNodeSpace(touch->getPreviousLocation())).y;
        if (m_touchState == TouchState::DragHigh) {
            s.waterfallHighThreshold += dy / scale;
            if (s.waterfallHighThreshold < s.waterfallLowThreshold) s.waterfallLowThreshold = s.waterfallHighThreshold;
        } else if (m_touchState == TouchState::DragLow) {
            s.waterfallLowThreshold += dy / scale;
            if (s.waterfallLowThreshold > s.waterfallHighThreshold) s.waterfallHighThreshold = s.waterfallLowThreshold;
        } else {
            return;
        }
        markRedraw();
        return;
    }
    if (m_activeTouches.size() != 2 || m_touchState != TouchState::Pinch) return;
    const Vec2 delta = touch->getDelta();
    m_pinchY += std::fabs(delta.y);
    if (m_pinchY < kPinchStep) return;
    engine::Touch* a = m_activeTouches[0];
    engine::Touch* b = m_activeTouches[1];
    const float now = a->getLocation().distance(b->getLocation());
    const float before = a->getPreviousLocation().distance(b->getPreviousLocation());
    stepTimeScale(now > before);
    m_pinchY = 0.0f;
}

void WaterfallThresholdAndTouchLayer::stepTimeScale(bool up)
{
    std::int32_t& index = m_model.spectrum.waterfallTimeScale;
    const std::int32_t old = loadShared(index);
    // A stored value outside 0..2 reads as factor 1 (index 0): steps start from there.
    const std::int32_t current = (old >= 0 && old <= 2) ? old : 0;
    const std::int32_t next = up ? std::min(current + 1, 2) : std::max(current - 1, 0);
    if (next == old) return;
    storeShared(index, next);
    if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) {
        popover->announce(0, 0, 3, next, current);
    }
    engine::Director::markDirty();
}

void WaterfallThresholdAndTouchLayer::onWheel(float steps, const Vec2& worldPoint)
{
    if (steps == 0.0f || !isRunning()) return;
    const Vec2 inParent = m_parent ? m_parent->convertToNodeSpace(worldPoint) : worldPoint;
    if (!getBoundingBox().containsPoint(inParent)) return;
    stepTimeScale(steps > 0.0f);
    // A wheel has no end of gesture: the popover stays up briefly after the last notch.
    unschedule(kWheelEndKey);
    scheduleOnce(
        [](float) {
            if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
        },
        kWheelPinchHold, kWheelEndKey);
}

void WaterfallThresholdAndTouchLayer::onTouchEnded(engine::Touch* touch)
{
    const auto it = std::find(m_activeTouches.begin(), m_activeTouches.end(), touch);
    if (it != m_activeTouches.end()) {
        (*it)->release();
        m_activeTouches.erase(it);
    }
    if (m_activeTouches.size() < 2) {
        if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
    }
    if (m_activeTouches.empty()) {
        m_touchState = TouchState::None;
        m_model.waterfallTouchInProgress.store(false);
    }
}

} // namespace nolvo
