#include "display/PowerUIAndTouchLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "display/ScalingPopoverLayer.h"
#include "engine/app/Director.h"
#include "engine/input/Event.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/PowerMeasurements.h"
#include "model/PowerPickerFormat.h"
#include "model/ValueFormat.h"

namespace nolvo {

using engine::Label;
using engine::Sprite;
using engine::Vec2;

namespace {

constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr const char* kDelayIcon = "PositionAndDelayIcon.png";
constexpr const char* kSidewaysIcon = "PositionAndDelayIconSideways.png";
constexpr const char* kBubbleImage = "WhiteBubbleTextureMap.png";
constexpr const char* kGroundImage = "groundLabel.png";
// Drawn size of the ground marker, as fractions of the layer's width.
constexpr float kGroundWidth = 0.1857f;
constexpr float kGroundHeight = 0.0571f;
constexpr const char* kWheelEndKey = "powerWheelPinchEnd";
constexpr float kWheelPinchHold = 0.6f; // seconds the popover stays after the last notch
constexpr float kInset = 4.0f;
const engine::Color4B kTextColour(230, 230, 230, 255);

std::function<void()>& reconfigureRequest()
{
    static std::function<void()> request;
    return request;
}

Label* makeLabel(const std::string& text, float size)
{
    Label* label = Label::createWithFont(text, kFont, size);
    if (label) label->setTextColor(kTextColour);
    return label;
}

void setText(Label* label, const std::string& text)
{
    if (label && label->getString() != text) label->setString(text);
}

std::string levelText(float dbm, int units)
{
    if (units == 1) return formatSI(std::pow(10.0f, dbm / 10.0f) * 0.001f, 2) + "W";
    return formatFixed(dbm) + "dBm";
}

// The grab area of a sprite: its bounding box grown by the slop.
bool hits(const Sprite* sprite, const Vec2& p)
{
    if (!sprite || !sprite->isVisible()) return false;
    engine::Rect box = sprite->getBoundingBox();
    const float slop = PowerUIAndTouchLayer::kHandleSlop;
    box = engine::Rect(box.origin.x - slop, box.origin.y - slop, box.size.width + 2 * slop, box.size.height + 2 * slop);
    return box.containsPoint(p);
}

} // namespace

void PowerUIAndTouchLayer::setReconfigureRequest(std::function<void()> request) { reconfigureRequest() = std::move(request); }

PowerUIAndTouchLayer* PowerUIAndTouchLayer::create() { return createWithModel(*DataModel::getInstance()); }

PowerUIAndTouchLayer* PowerUIAndTouchLayer::createWithModel(DataModel& model)
{
    auto* layer = new PowerUIAndTouchLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

PowerUIAndTouchLayer::~PowerUIAndTouchLayer()
{
    for (engine::Touch* t : m_touches) t->release();
}

bool PowerUIAndTouchLayer::init()
{
    if (!engine::Layer::init()) return false;
    m_fontSize = m_model.displaySizeClass.load() == 0 ? 12.0f : 14.0f;
    m_levelHandle = Sprite::create(kSidewaysIcon);
    m_delayHandle = Sprite::create(kDelayIcon);
    m_delaySideways = Sprite::create(kSidewaysIcon);
    m_ground = Sprite::create(kGroundImage);
    m_bubble = Sprite::create(kBubbleImage);
    m_bubbleLabel = makeLabel("-00000.00dBm", m_fontSize);
    m_referenceLabel = makeLabel("REF: RF", m_fontSize);
    if (!m_levelHandle || !m_delayHandle || !m_delaySideways || !m_ground || !m_bubble || !m_bubbleLabel ||
        !m_referenceLabel) {
        return false;
    }
    m_drawNode = engine::DrawNode::create(1.0f);
    addChild(m_drawNode);
    for (Sprite* s : {m_levelHandle, m_delayHandle, m_delaySideways, m_ground}) addChild(s, 2);
    m_bubble->setVisible(false);
    m_bubble->setColor(engine::Color3B(40, 40, 40));
    addChild(m_bubble, 3);
    m_bubbleLabel->setVisible(false);
    m_bubbleLabel->setAnchorPoint(Vec2(0.5f, 0.5f));
    addChild(m_bubbleLabel, 4);
    m_referenceLabel->setAnchorPoint(Vec2(0.0f, 1.0f));
    addChild(m_referenceLabel, 2);
    for (Label*& label : m_panel) {
        label = makeLabel("", m_fontSize);
        if (!label) return false;
        label->setAnchorPoint(Vec2(0.0f, 0.0f));
        addChild(label, 2);
    }

    // Handles and the panel first, and hidden from the cursors behind; then every other touch
    // inside the layer, seen but left to the layers behind, for the pinch.
    auto* handles = engine::EventListenerTouchOneByOne::create();
    handles->setSwallowTouches(true);
    handles->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onHandleTouchBegan(t); };
    handles->onTouchMoved = [this](engine::Touch* t, engine::Event*) { onTouchMoved(t); };
    handles->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    handles->onTouchCancelled = [this](engine::Touch* t, engine::Event*) { onTouchCancelled(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(handles, this);
    auto* fingers = engine::EventListenerTouchOneByOne::create();
    fingers->setSwallowTouches(false);
    fingers->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onTouchBegan(t); };
    fingers->onTouchMoved = [this](engine::Touch* t, engine::Event*) { onTouchMoved(t); };
    fingers->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    fingers->onTouchCancelled = [this](engine::Touch* t, engine::Event*) { onTouchCancelled(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(fingers, this);
    auto* mouse = engine::EventListenerMouse::create();
    mouse->onMouseScroll = [this](engine::EventMouse* e) { onWheel(e->getScrollY(), e->getLocation(), m_shiftDown); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(mouse, this);
    auto* keys = engine::EventListenerKeyboard::create();
    keys->onKeyPressed = [this](engine::EventKeyboard::KeyCode key, engine::Event*) {
        if (key == engine::EventKeyboard::KeyCode::KEY_SHIFT) m_shiftDown = true;
    };
    keys->onKeyReleased = [this](engine::EventKeyboard::KeyCode key, engine::Event*) {
        if (key == engine::EventKeyboard::KeyCode::KEY_SHIFT) m_shiftDown = false;
    };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(keys, this);
    scheduleUpdate();
    return true;
}

void PowerUIAndTouchLayer::onExit()
{
    // A touch cut off by the layer's removal must not leave the model thinking a pinch goes on.
    for (engine::Touch* t : m_touches) t->release();
    m_touches.clear();
    if (m_mode == DragMode::Pinch) {
        if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
    }
    m_mode = DragMode::None;
    m_model.powerTouchActive.store(false);
    engine::Layer::onExit();
}

PowerMapping PowerUIAndTouchLayer::mapping() const
{
    return PowerMapping{m_model.powerStore.amplitudeBottom, m_model.powerStore.amplitudeTop, getContentSize().height,
                        static_cast<float>(m_model.powerChannel.verticalOffset())};
}

float PowerUIAndTouchLayer::timeWindow() const { return PowerPlot::timeWindow(m_model.timePerDivision()); }

bool PowerUIAndTouchLayer::inside(const Vec2& world) const
{
    const Vec2 inParent = m_parent ? m_parent->convertToNodeSpace(world) : world;
    return getBoundingBox().containsPoint(inParent);
}

void PowerUIAndTouchLayer::update(float /*dt*/)
{
    const engine::Size size = getContentSize();
    PowerMapping map;
    float offset = 0.0f;
    float window = 1.0f;
    {
        ModelLock lock(m_model, kDataLock);
        map = mapping();
        offset = m_model.attenuationOffset();
        window = timeWindow();
    }
    const PowerSettings& s = m_model.power;
    const float level = m_mode == DragMode::Level ? m_dragLevel : loadShared(s.triggerLevel);
    const float delay = m_mode == DragMode::Delay ? m_dragDelay : loadShared(s.triggerDelay);
    // The level handle only stands for the power trigger.
    m_levelHandle->setVisible(loadShared(s.triggerType) != 0);
    placeLevelHandle(PowerPlot::levelHandleY(level, offset, map));
    placeDelayHandle(PowerPlot::delayHandleX(delay, window, size.width));
    placeGround(map.channelOffset);

    m_drawNode->clear();
    if (m_mode == DragMode::Level) {
        const float y = std::clamp(m_levelY, 0.0f, size.height);
        const float alpha = 0.55f * m_levelHandle->getOpacity() / 255.0f;
        m_drawNode->drawLine(Vec2(0, y), Vec2(size.width, y), engine::Color4F(0.1f, 0.1f, 0.1f, alpha));
        showBubble(levelText(level, m_model.common.powerUnits), Vec2(m_levelHandle->getBoundingBox().getMaxX(), y));
    } else if (m_mode == DragMode::Delay) {
        const float x = std::clamp(m_delayX, 0.0f, size.width);
        showBubble(PowerPickerFormat::timeText(delay), Vec2(x, size.height - m_delayHandle->getContentSize().height));
    } else if (m_bubble->isVisible()) {
        m_bubble->setVisible(false);
        m_bubbleLabel->setVisible(false);
    }
    setText(m_referenceLabel, m_model.referenceChannel.shown ? "REF: RF" : "RF");
    const std::uint8_t* rgb = m_model.powerChannel.color;
    m_referenceLabel->setColor(engine::Color3B(rgb[0], rgb[1], rgb[2]));
    m_referenceLabel->setPosition(Vec2(kInset + m_delaySideways->getContentSize().width, size.height - kInset));
    updatePanel();
}

void PowerUIAndTouchLayer::placeLevelHandle(float y)
{
    m_levelY = y;
    const float h = getContentSize().height;
    if (y < 0.0f || std::isnan(y)) {
        m_levelHandle->setAnchorPoint(Vec2(0.0f, 0.0f));
        m_levelHandle->setPosition(Vec2(0.0f, 0.0f));
    } else if (y > h) {
        m_levelHandle->setAnchorPoint(Vec2(0.0f, 1.0f));
        m_levelHandle->setPosition(Vec2(0.0f, h));
    } else {
        m_levelHandle->setAnchorPoint(Vec2(0.0f, 0.5f));
        m_levelHandle->setPosition(Vec2(0.0f, y));
    }
}

void PowerUIAndTouchLayer::placeDelayHandle(float x)
{
    m_delayX = x;
    const engine::Size size = getContentSize();
    const bool left = x < 0.0f || std::isnan(x);
    m_delaySideways->setVisible(left);
    m_delayHandle->setVisible(!left);
    if (left) {
        m_delaySideways->setAnchorPoint(Vec2(0.0f, 1.0f));
        m_delaySideways->setPosition(Vec2(0.0f, size.height));
        return;
    }
    m_delayHandle->setAnchorPoint(Vec2(0.5f, 1.0f));
    m_delayHandle->setPosition(Vec2(std::min(x, size.width), size.height));
}

void PowerUIAndTouchLayer::placeGround(float channelOffset)
{
    // The bottom of the live channel's window, at the right edge, kept whole on the layer; the
    // marker grows and shrinks with the layer's width.
    const float w = getContentSize().width;
    const float h = getContentSize().height;
    const engine::Size image = m_ground->getContentSize();
    if (image.width > 0 && image.height > 0) {
        m_ground->setScale(kGroundWidth * w / image.width, kGroundHeight * w / image.height);
    }
    const float half = image.height * m_ground->getScaleY() * 0.5f;
    m_ground->setAnchorPoint(Vec2(1.0f, 0.5f));
    m_ground->setPosition(Vec2(getContentSize().width, std::clamp(channelOffset, half, std::max(half, h - half))));
}

void PowerUIAndTouchLayer::showBubble(const std::string& text, const Vec2& at)
{
    setText(m_bubbleLabel, text);
    const engine::Size label = m_bubbleLabel->getContentSize();
    const engine::Size image = m_bubble->getContentSize();
    const float w = label.width + 12.0f;
    const float h = label.height + 8.0f;
    if (image.width > 0 && image.height > 0) m_bubble->setScale(w / image.width, h / image.height);
    const engine::Size size = getContentSize();
    const float x = std::clamp(at.x + w / 2 + kInset, w / 2, std::max(w / 2, size.width - w / 2));
    const float y = std::clamp(at.y, h / 2, std::max(h / 2, size.height - h / 2));
    m_bubble->setPosition(Vec2(x, y));
    m_bubbleLabel->setPosition(Vec2(x, y));
    m_bubble->setVisible(true);
    m_bubbleLabel->setVisible(true);
}

void PowerUIAndTouchLayer::updatePanel()
{
    std::array<PowerMeasurements::PanelEntry, PowerMeasurements::kPanelSlots> entries;
    {
        ModelLock lock(m_model, kDataLock);
        entries = PowerMeasurements::panel(m_model.power.measurements, m_model.powerStore.measurements,
                                           m_model.common.powerUnits == 1, m_model.attenuationOffset());
    }
    for (std::size_t i = 0; i < m_panel.size(); ++i) {
        const auto& e = entries[i];
        setText(m_panel[i], e.name.empty() ? std::string() : e.name + ": " + e.value);
    }
    layoutPanel();
}

void PowerUIAndTouchLayer::layoutPanel()
{
    // Each label in its column, moved by its own drags and kept whole inside the layer.
    const float width = getContentSize().width;
    const float column = width / static_cast<float>(m_panel.size());
    for (std::size_t i = 0; i < m_panel.size(); ++i) {
        const float home = kInset + column * static_cast<float>(i);
        const float right = std::max(0.0f, width - m_panel[i]->getContentSize().width);
        const float x = std::clamp(home + m_labelShift[i], 0.0f, right);
        m_labelShift[i] = x - home;
        m_panel[i]->setPosition(Vec2(x, kInset));
    }
}

void PowerUIAndTouchLayer::track(engine::Touch* touch)
{
    touch->retain();
    m_touches.push_back(touch);
}

bool PowerUIAndTouchLayer::untrack(engine::Touch* touch)
{
    const auto it = std::find(m_touches.begin(), m_touches.end(), touch);
    if (it == m_touches.end()) return false;
    (*it)->release();
    m_touches.erase(it);
    return true;
}

void PowerUIAndTouchLayer::rememberCapture()
{
    if (m_touches.size() >= 3) return;
    ModelLock lock(m_model, kDataLock);
    PowerPlot::rememberStoppedCapture(m_model);
}

bool PowerUIAndTouchLayer::onHandleTouchBegan(engine::Touch* touch)
{
    if (!m_touches.empty() || !isRunning() || !inside(touch->getLocation())) return false;
    const Vec2 p = convertToNodeSpace(touch->getLocation());
    m_draggedLabel = -1;
    for (std::size_t i = 0; i < m_panel.size(); ++i) {
        const Label* label = m_panel[i];
        if (!label->getString().empty() && label->getBoundingBox().containsPoint(p)) m_draggedLabel = static_cast<int>(i);
    }
    if (m_draggedLabel >= 0) {
        m_mode = DragMode::Panel;
    } else if (m_levelHandle->isVisible() && hits(m_levelHandle, p)) {
        m_mode = DragMode::Level;
        m_dragLevel = loadShared(m_model.power.triggerLevel);
    } else if (hits(m_delayHandle, p) || hits(m_delaySideways, p)) {
        m_mode = DragMode::Delay;
        m_dragDelay = loadShared(m_model.power.triggerDelay);
    } else {
        return false;
    }
    track(touch);
    if (m_mode != DragMode::Panel) rememberCapture();
    engine::Director::markDirty();
    return true;
}

bool PowerUIAndTouchLayer::onTouchBegan(engine::Touch* touch)
{
    if (!isRunning() || !inside(touch->getLocation())) return false;
    track(touch);
    bool hardware = false;
    {
        ModelLock lock(m_model, kDataLock);
        hardware = m_model.powerHardwarePresent();
    }
    if (m_touches.size() == 2 && hardware) {
        m_mode = DragMode::Pinch;
        m_pinchX = m_pinchY = 0.0f;
        m_pinchStepped = false;
        m_model.powerTouchActive.store(true);
        rememberCapture();
    }
    return true;
}

void PowerUIAndTouchLayer::onTouchMoved(engine::Touch* touch)
{
    if (std::find(m_touches.begin(), m_touches.end(), touch) == m_touches.end()) return;
    const Vec2 delta = convertToNodeSpace(touch->getLocation()) - convertToNodeSpace(touch->getPreviousLocation());
    switch (m_mode) {
    case DragMode::Level: {
        ModelLock lock(m_model, kDataLock);
        m_dragLevel = PowerPlot::draggedLevel(m_dragLevel, delta.y, mapping());
        break;
    }
    case DragMode::Delay: {
        ModelLock lock(m_model, kDataLock);
        m_dragDelay = PowerPlot::draggedDelay(m_dragDelay, delta.x, timeWindow(), getContentSize().width);
        break;
    }
    case DragMode::Panel:
        if (m_draggedLabel >= 0) m_labelShift[static_cast<std::size_t>(m_draggedLabel)] += delta.x;
        layoutPanel();
        break;
    case DragMode::Pinch: {
        if (m_touches.size() != 2) return;
        engine::Touch* a = m_touches[0];
        engine::Touch* b = m_touches[1];
        const Vec2 now = a->getLocation() - b->getLocation();
        const Vec2 before = (a == touch ? a->getPreviousLocation() : a->getLocation()) -
                            (b == touch ? b->getPreviousLocation() : b->getLocation());
        m_pinchX += std::fabs(now.x) - std::fabs(before.x);
        m_pinchY += std::fabs(now.y) - std::fabs(before.y);
        if (std::fabs(m_pinchX) >= kPinchStep) {
            m_pinchStepped = stepTimeScale(m_pinchX > 0.0f) || m_pinchStepped;
            m_pinchX = 0.0f;
        }
        if (std::fabs(m_pinchY) >= kPinchStep) {
            m_pinchStepped = stepAmplitudeScale(m_pinchY > 0.0f) || m_pinchStepped;
            m_pinchY = 0.0f;
        }
        break;
    }
    case DragMode::None: return;
    }
    engine::Director::markDirty();
}

void PowerUIAndTouchLayer::onTouchEnded(engine::Touch* touch)
{
    if (!untrack(touch)) return;
    bool changed = false;
    // A drag is stored when its finger lifts (the last one on the layer).
    const bool last = m_touches.empty();
    if (m_mode == DragMode::Level && last && std::isfinite(m_dragLevel)) {
        storeShared(m_model.power.triggerLevel, m_dragLevel);
        changed = true;
    } else if (m_mode == DragMode::Delay && last && std::isfinite(m_dragDelay)) {
        storeShared(m_model.power.triggerDelay, m_dragDelay);
        changed = true;
    } else if (m_mode == DragMode::Pinch && m_touches.size() < 2) {
        if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
        changed = m_pinchStepped;
        m_pinchStepped = false;
    }
    if (last) endGesture();
    if (changed) requestReconfigure();
    engine::Director::markDirty();
}

void PowerUIAndTouchLayer::onTouchCancelled(engine::Touch* touch)
{
    if (!untrack(touch)) return;
    if (m_touches.empty()) endGesture();
    engine::Director::markDirty();
}

void PowerUIAndTouchLayer::endGesture()
{
    if (m_mode == DragMode::Pinch) {
        if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
    }
    m_mode = DragMode::None;
    m_pinchStepped = false;
    m_model.powerTouchActive.store(false);
}

bool PowerUIAndTouchLayer::stepTimeScale(bool up)
{
    int previousAmplitude = 0;
    {
        ModelLock lock(m_model, kDataLock);
        if (!m_model.powerHardwarePresent()) return false;
        const std::int32_t old = loadShared(m_model.power.timeScaleIndex);
        const std::int32_t next = PowerPlot::steppedIndex(old, m_model.powerStore.timePerDivision.size(), up);
        if (next == old) return false;
        storeShared(m_model.power.timeScaleIndex, next);
        previousAmplitude = loadShared(m_model.power.amplitudeScaleIndex);
    }
    announceScales(previousAmplitude);
    return true;
}

bool PowerUIAndTouchLayer::stepAmplitudeScale(bool up)
{
    int previousAmplitude = 0;
    {
        ModelLock lock(m_model, kDataLock);
        if (!m_model.powerHardwarePresent()) return false;
        const std::int32_t old = loadShared(m_model.power.amplitudeScaleIndex);
        const std::int32_t next = PowerPlot::steppedIndex(old, m_model.powerStore.amplitudePerDivision.size(), up);
        if (next == old) return false;
        storeShared(m_model.power.amplitudeScaleIndex, next);
        previousAmplitude = old;
    }
    announceScales(previousAmplitude);
    return true;
}

void PowerUIAndTouchLayer::announceScales(int previousAmplitude)
{
    ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive();
    if (!popover) return;
    int timeCount = 0;
    int ampCount = 0;
    {
        ModelLock lock(m_model, kDataLock);
        timeCount = static_cast<int>(m_model.powerStore.timePerDivision.size());
        ampCount = static_cast<int>(m_model.powerStore.amplitudePerDivision.size());
    }
    popover->announce(timeCount, loadShared(m_model.power.timeScaleIndex), ampCount, loadShared(m_model.power.amplitudeScaleIndex),
                      previousAmplitude);
    popover->setDirty();
}

void PowerUIAndTouchLayer::onWheel(float steps, const Vec2& worldPoint, bool amplitude)
{
    if (steps == 0.0f || !isRunning() || !inside(worldPoint)) return;
    {
        ModelLock lock(m_model, kDataLock);
        PowerPlot::rememberStoppedCapture(m_model);
    }
    const bool stepped = amplitude ? stepAmplitudeScale(steps > 0.0f) : stepTimeScale(steps > 0.0f);
    if (!stepped) return;
    m_wheelStepped = true;
    // A wheel has no end of gesture: the popover stays briefly, then the accessory is told.
    unschedule(kWheelEndKey);
    scheduleOnce(
        [this](float) {
            if (ScalingPopoverLayer* popover = ScalingPopoverLayer::getActive()) popover->setPinchActive(false);
            if (m_wheelStepped) requestReconfigure();
            m_wheelStepped = false;
        },
        kWheelPinchHold, kWheelEndKey);
    engine::Director::markDirty();
}

void PowerUIAndTouchLayer::requestReconfigure()
{
    if (reconfigureRequest()) reconfigureRequest()();
}

} // namespace nolvo
