#include "engine/ui/ScrollView.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/base/Scheduler.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"

namespace engine::ui {

namespace {

// Inertia: the speed falls by e^-kFriction per second; below kStopSpeed it stops.
constexpr float kFriction = 4.0f;
constexpr float kStopSpeed = 8.0f;
constexpr float kMaxSpeed = 8000.0f;
// Bounce: a critically damped spring pulls an overshoot back to the end in about 0.3 s.
constexpr float kSpring = 300.0f;
constexpr float kDamping = 34.64f;  // 2 * sqrt(kSpring)
// Past an end, a drag moves the content half as far as the finger.
constexpr float kRubberBand = 0.5f;
// The release speed is measured over the drag's last 100 ms.
constexpr std::uint64_t kVelocityWindowMs = 100;
constexpr float kMaxStep = 1.0f / 120.0f;
constexpr float kMaxFrameTime = 1.0f; // seconds of motion one update may advance

float component(const Vec2& v, int axis) { return axis == 0 ? v.x : v.y; }
void setComponent(Vec2& v, int axis, float value) { (axis == 0 ? v.x : v.y) = value; }

} // namespace

ScrollView* ScrollView::create()
{
    auto* view = new (std::nothrow) ScrollView();
    if (view && view->init()) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

ScrollView::~ScrollView()
{
    if (m_mouseListener) {
        m_eventDispatcher->removeEventListener(m_mouseListener);
        m_mouseListener->release();
    }
}

bool ScrollView::init()
{
    if (!Layout::init()) return false;
    setClippingEnabled(true);
    m_inner = Layout::create();
    if (!m_inner) return false;
    m_inner->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
    Layout::addChild(m_inner, 0);
    m_watchDescendantTouches = true;
    setTouchEnabled(true);
    m_mouseListener = EventListenerMouse::create();
    m_mouseListener->retain();
    m_mouseListener->onMouseScroll = [this](EventMouse* e) { scrollByWheel(e->getScrollX(), e->getScrollY()); };
    m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_mouseListener, this);
    scheduleUpdate();
    return true;
}

void ScrollView::onEnter()
{
    // Removed with cleanup and added again: listen and move again.
    if (m_mouseListener && !m_mouseListener->isRegistered()) {
        m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_mouseListener, this);
    }
    if (!m_scheduler->isUpdateScheduled(this)) scheduleUpdate();
    Layout::onEnter();
}

// ---- children go to the inner container ----

void ScrollView::addChild(Node* child)
{
    if (m_inner) m_inner->addChild(child);
    else Layout::addChild(child);
}

void ScrollView::addChild(Node* child, int localZOrder)
{
    if (m_inner) m_inner->addChild(child, localZOrder);
    else Layout::addChild(child, localZOrder);
}

void ScrollView::addChild(Node* child, int localZOrder, int tag)
{
    if (m_inner) m_inner->addChild(child, localZOrder, tag);
    else Layout::addChild(child, localZOrder, tag);
}

void ScrollView::addChild(Node* child, int localZOrder, const std::string& name)
{
    if (m_inner) m_inner->addChild(child, localZOrder, name);
    else Layout::addChild(child, localZOrder, name);
}

void ScrollView::removeChild(Node* child, bool cleanup)
{
    if (m_inner && child && child->getParent() == m_inner) m_inner->removeChild(child, cleanup);
    else Layout::removeChild(child, cleanup);
}

void ScrollView::removeAllChildrenWithCleanup(bool cleanup)
{
    if (m_inner) m_inner->removeAllChildrenWithCleanup(cleanup);
}

// ---- geometry ----

void ScrollView::setDirection(Direction direction)
{
    m_direction = direction;
}

Vec2 ScrollView::axisMask() const
{
    switch (m_direction) {
    case Direction::VERTICAL: return {0.0f, 1.0f};
    case Direction::HORIZONTAL: return {1.0f, 0.0f};
    case Direction::BOTH: return {1.0f, 1.0f};
    case Direction::NONE: break;
    }
    return {0.0f, 0.0f};
}

const Size& ScrollView::getInnerContainerSize() const
{
    return m_inner->getContentSize();
}

const Vec2& ScrollView::getInnerContainerPosition() const
{
    return m_inner->getPosition();
}

Vec2 ScrollView::getMinPosition() const
{
    const Size view = getContentSize();
    const Size inner = m_inner->getContentSize();
    return {std::min(0.0f, view.width - inner.width), std::min(0.0f, view.height - inner.height)};
}

Vec2 ScrollView::clampPosition(const Vec2& p) const
{
    const Vec2 lo = getMinPosition();
    return {std::clamp(p.x, lo.x, 0.0f), std::clamp(p.y, lo.y, 0.0f)};
}

void ScrollView::setInnerContainerSize(const Size& size)
{
    if (!m_inner) return;
    const Size view = getContentSize();
    const Size old = m_inner->getContentSize();
    const Size fitted(std::max(size.width, view.width), std::max(size.height, view.height));
    if (fitted == old) return;
    // The content's top stays where it is on screen.
    Vec2 pos = m_inner->getPosition();
    pos.y += old.height - fitted.height;
    m_inner->setContentSize(fitted);
    moveInnerTo(clampPosition(pos));
    onInnerContainerMoved();
}

void ScrollView::onSizeChanged()
{
    Layout::onSizeChanged();
    if (!m_inner) return;
    const Size view = getContentSize();
    const Size inner = m_inner->getContentSize();
    // The view's top moved: keep the content's top at the same distance from it.
    Vec2 pos = m_inner->getPosition();
    pos.y += view.height - m_viewHeight;
    m_viewHeight = view.height;
    const Size fitted(std::max(inner.width, view.width), std::max(inner.height, view.height));
    if (!(fitted == inner)) {
        pos.y += inner.height - fitted.height;
        m_inner->setContentSize(fitted);
    }
    moveInnerTo(clampPosition(pos));
    onInnerContainerMoved();
}

void ScrollView::setInnerContainerPosition(const Vec2& position)
{
    stopAutoScroll();
    m_moving = false;
    moveInnerTo(clampPosition(position));
}

void ScrollView::moveInnerTo(const Vec2& position)
{
    if (position == m_inner->getPosition()) return;
    m_inner->setPosition(position);
    onInnerContainerMoved();
    fireEvent(EventType::SCROLLING);
    fireEvent(EventType::CONTAINER_MOVED);
}

void ScrollView::fireEvent(EventType type)
{
    if (!m_eventCallback) return;
    retain();  // the callback may remove this view
    m_eventCallback(this, type);
    release();
}

// ---- jumps and animated scrolls ----

void ScrollView::jumpToTop() { setInnerContainerPosition({m_inner->getPositionX(), getMinPosition().y}); }
void ScrollView::jumpToBottom() { setInnerContainerPosition({m_inner->getPositionX(), 0.0f}); }
void ScrollView::jumpToLeft() { setInnerContainerPosition({0.0f, m_inner->getPositionY()}); }
void ScrollView::jumpToRight() { setInnerContainerPosition({getMinPosition().x, m_inner->getPositionY()}); }

void ScrollView::jumpToPercentVertical(float percent)
{
    const float p = std::clamp(percent, 0.0f, 100.0f) / 100.0f;
    setInnerContainerPosition({m_inner->getPositionX(), getMinPosition().y * (1.0f - p)});
}

void ScrollView::jumpToPercentHorizontal(float percent)
{
    const float p = std::clamp(percent, 0.0f, 100.0f) / 100.0f;
    setInnerContainerPosition({getMinPosition().x * p, m_inner->getPositionY()});
}

void ScrollView::jumpToPercentBothDirection(const Vec2& percent)
{
    const Vec2 lo = getMinPosition();
    const float px = std::clamp(percent.x, 0.0f, 100.0f) / 100.0f;
    const float py = std::clamp(percent.y, 0.0f, 100.0f) / 100.0f;
    setInnerContainerPosition({lo.x * px, lo.y * (1.0f - py)});
}

void ScrollView::scrollToTop(float timeInSec, bool attenuated)
{
    scrollToPosition({m_inner->getPositionX(), getMinPosition().y}, timeInSec, attenuated);
}

void ScrollView::scrollToBottom(float timeInSec, bool attenuated)
{
    scrollToPosition({m_inner->getPositionX(), 0.0f}, timeInSec, attenuated);
}

void ScrollView::scrollToPercentVertical(float percent, float timeInSec, bool attenuated)
{
    const float p = std::clamp(percent, 0.0f, 100.0f) / 100.0f;
    scrollToPosition({m_inner->getPositionX(), getMinPosition().y * (1.0f - p)}, timeInSec, attenuated);
}

void ScrollView::scrollToPercentHorizontal(float percent, float timeInSec, bool attenuated)
{
    const float p = std::clamp(percent, 0.0f, 100.0f) / 100.0f;
    scrollToPosition({getMinPosition().x * p, m_inner->getPositionY()}, timeInSec, attenuated);
}

void ScrollView::scrollToPosition(const Vec2& position, float timeInSec, bool attenuated)
{
    if (timeInSec <= 0.0f) {
        setInnerContainerPosition(position);
        return;
    }
    m_autoStart = m_inner->getPosition();
    m_autoTarget = clampPosition(position);
    m_autoDuration = timeInSec;
    m_autoElapsed = 0.0f;
    m_autoAttenuated = attenuated;
    m_autoScrolling = true;
    m_moving = true;
    m_velocity = Vec2::ZERO;
    fireEvent(EventType::SCROLLING_BEGAN);
}

float ScrollView::getScrolledPercentVertical() const
{
    const float lo = getMinPosition().y;
    return lo == 0.0f ? 0.0f : (1.0f - m_inner->getPositionY() / lo) * 100.0f;
}

float ScrollView::getScrolledPercentHorizontal() const
{
    const float lo = getMinPosition().x;
    return lo == 0.0f ? 0.0f : m_inner->getPositionX() / lo * 100.0f;
}

void ScrollView::stopAutoScroll()
{
    m_autoScrolling = false;
    m_velocity = Vec2::ZERO;
}

// ---- wheel ----

void ScrollView::scrollByWheel(float stepsX, float stepsY)
{
    if (m_direction == Direction::NONE || !m_enabled) return;
    const float step = kLinesPerNotch * m_wheelLineHeight;
    Vec2 pos = m_inner->getPosition();
    const bool vertical = m_direction == Direction::VERTICAL || m_direction == Direction::BOTH;
    const bool horizontal = m_direction == Direction::HORIZONTAL || m_direction == Direction::BOTH;
    // Away from the user shows what is above (the content moves down, towards "top").
    if (vertical) pos.y -= stepsY * step;
    if (horizontal) {
        pos.x -= stepsX * step;
        // A plain wheel over a sideways list moves it sideways: away = towards the left.
        if (!vertical && stepsX == 0.0f) pos.x += stepsY * step;
    }
    stopAutoScroll();
    m_moving = false;
    moveInnerTo(clampPosition(pos));
}

// ---- touch ----

bool ScrollView::onTouchBegan(Touch* touch, Event* event)
{
    if (!m_enabled || !hitTest(touch->getLocation())) return false;
    // A touch catches moving content where it is.
    m_autoScrolling = false;
    m_moving = false;
    m_velocity = Vec2::ZERO;
    m_touching = true;
    m_dragging = false;
    // Offered after content that claimed it (see setWatchDescendantTouches).
    m_touchTakenByContent = m_eventDispatcher->isTouchClaimedByOthers(touch, getTouchListener());
    m_touchStart = touch->getLocation();
    m_samples[0] = {Vec2::ZERO, event->getTimestamp()};
    m_sampleNext = 1;
    m_sampleCount = 1;
    return true;
}

void ScrollView::onTouchMoved(Touch* touch, Event* event)
{
    if (!m_touching) return;
    const Vec2 mask = axisMask();
    Vec2 delta = touch->getDelta();
    delta = {delta.x * mask.x, delta.y * mask.y};
    if (!m_dragging) {
        const Vec2 total = touch->getLocation() - m_touchStart;
        const Vec2 along(total.x * mask.x, total.y * mask.y);
        if (std::hypot(along.x, along.y) <= kDragThreshold) return;
        // A drag: the view takes the touch from its content (a pressed button is cancelled).
        m_dragging = true;
        m_eventDispatcher->handOverTouch(touch, getTouchListener());
        fireEvent(EventType::SCROLLING_BEGAN);
        delta = along;
    }
    Vec2 pos = m_inner->getPosition();
    const Vec2 lo = getMinPosition();
    for (int axis = 0; axis < 2; ++axis) {
        const float d = component(delta, axis);
        if (d == 0.0f) continue;
        float p = component(pos, axis);
        const float low = component(lo, axis);
        float next = p + d;
        if (next < low || next > 0.0f) {
            if (m_bounceEnabled) {
                // The part of the move beyond the end counts half.
                const float edge = next < low ? low : 0.0f;
                const float inside = (p < low || p > 0.0f) ? 0.0f : edge - p;
                next = p + inside + (d - inside) * kRubberBand;
            } else {
                next = std::clamp(next, low, 0.0f);
            }
        }
        setComponent(pos, axis, next);
    }
    m_samples[m_sampleNext] = {delta, event->getTimestamp()};
    m_sampleNext = (m_sampleNext + 1) % 8;
    m_sampleCount = std::min(m_sampleCount + 1, 8);
    moveInnerTo(pos);
}

void ScrollView::onTouchEnded(Touch* touch, Event* event)
{
    if (!m_touching) return;
    // Release speed from the last 100 ms of the drag; none when the finger rested before lifting.
    Vec2 velocity;
    if (m_dragging && m_inertiaEnabled && m_sampleCount >= 2) {
        const int newest = (m_sampleNext + 7) % 8;
        const std::uint64_t last = m_samples[newest].timeMs;
        const std::uint64_t end = std::max(event->getTimestamp(), last);
        if (end - last <= kVelocityWindowMs) {
            Vec2 sum;
            std::uint64_t first = last;
            for (int i = 0; i < m_sampleCount - 1; ++i) {
                const Sample& s = m_samples[(newest - i + 8) % 8];
                if (last - s.timeMs > kVelocityWindowMs) break;
                sum = sum + s.delta;
                first = m_samples[(newest - i + 7) % 8].timeMs;
            }
            if (last > first) {
                const float seconds = static_cast<float>(last - first) / 1000.0f;
                velocity = Vec2(std::clamp(sum.x / seconds, -kMaxSpeed, kMaxSpeed),
                                std::clamp(sum.y / seconds, -kMaxSpeed, kMaxSpeed));
            }
        }
    }
    endTouch(touch, true, velocity);
}

void ScrollView::onTouchCancelled(Touch* touch, Event* /*event*/)
{
    if (!m_touching) return;
    endTouch(touch, false, Vec2::ZERO);
}

void ScrollView::endTouch(Touch* touch, bool tapAllowed, const Vec2& velocity)
{
    const bool wasDrag = m_dragging;
    m_touching = false;
    m_dragging = false;
    m_velocity = velocity;
    // Inertia and the way back inside the ends run in update().
    const Vec2 pos = m_inner->getPosition();
    m_moving = wasDrag || !(clampPosition(pos) == pos);
    if (!wasDrag && tapAllowed) onTap(touch);
}

// ---- motion ----

void ScrollView::update(float dt)
{
    // A frame time that is no number is skipped; a long stall moves on by at most kMaxFrameTime
    // (the glide and bounce settle within it), which also keeps the step count a small int.
    if (!m_moving || m_touching || !(dt > 0.0f)) return;
    dt = std::min(dt, kMaxFrameTime);
    const int steps = std::max(1, static_cast<int>(std::ceil(dt / kMaxStep)));
    const float h = dt / static_cast<float>(steps);
    for (int i = 0; i < steps && m_moving; ++i) stepMotion(h);
}

void ScrollView::stepMotion(float h)
{
    if (m_autoScrolling) {
        m_autoElapsed += h;
        const float t = std::min(1.0f, m_autoElapsed / m_autoDuration);
        const float e = m_autoAttenuated ? 1.0f - (1.0f - t) * (1.0f - t) * (1.0f - t) : t;
        moveInnerTo(clampPosition(m_autoStart + (m_autoTarget - m_autoStart) * e));
        if (t >= 1.0f) {
            m_autoScrolling = false;
            fireEvent(EventType::AUTOSCROLL_ENDED);
            finishMotion();
        }
        return;
    }
    Vec2 pos = m_inner->getPosition();
    const Vec2 lo = getMinPosition();
    bool settled = true;
    for (int axis = 0; axis < 2; ++axis) {
        float p = component(pos, axis);
        float v = component(m_velocity, axis);
        const float low = component(lo, axis);
        const float over = p < low ? p - low : (p > 0.0f ? p : 0.0f);
        if (over != 0.0f && m_bounceEnabled) {
            v += (-kSpring * over - kDamping * v) * h;
            float next = p + v * h;
            const float edge = over > 0.0f ? 0.0f : low;
            // Back at the end (or nearly so and slow): stop exactly there.
            const bool crossed = (over > 0.0f) ? next <= edge : next >= edge;
            if (crossed || (std::fabs(next - edge) < 0.5f && std::fabs(v) < 20.0f)) {
                next = edge;
                v = 0.0f;
            }
            p = next;
        } else if (over != 0.0f) {
            p = std::clamp(p, low, 0.0f);
            v = 0.0f;
        } else if (v != 0.0f) {
            v *= std::exp(-kFriction * h);
            if (std::fabs(v) < kStopSpeed) v = 0.0f;
            p += v * h;
            if (!m_bounceEnabled && (p < low || p > 0.0f)) {
                p = std::clamp(p, low, 0.0f);
                v = 0.0f;
            }
        }
        if (v != 0.0f || p < low || p > 0.0f) settled = false;
        setComponent(pos, axis, p);
        setComponent(m_velocity, axis, v);
    }
    moveInnerTo(pos);
    if (settled) finishMotion();
}

void ScrollView::finishMotion()
{
    m_moving = false;
    m_velocity = Vec2::ZERO;
    fireEvent(EventType::SCROLLING_ENDED);
}

} // namespace engine::ui
