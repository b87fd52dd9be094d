#include "engine/ui/Widget.h"

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/ui/LayoutParameter.h"

namespace engine::ui {

Widget::Widget()
{
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    m_cascadeOpacity = true;
    m_cascadeColor = true;
}

Widget::~Widget()
{
    setTouchEnabled(false);
    if (m_layoutParameter) m_layoutParameter->release();
}

void Widget::setLayoutParameter(LayoutParameter* parameter)
{
    if (parameter == m_layoutParameter) return;
    if (parameter) parameter->retain();
    if (m_layoutParameter) m_layoutParameter->release();
    m_layoutParameter = parameter;
    if (m_parent && m_parent->isLayoutContainer()) m_parent->requestLayout();
}

bool Widget::init()
{
    return true;
}

void Widget::setTouchEnabled(bool enabled)
{
    if (enabled == isTouchEnabled()) return;
    if (enabled) {
        m_touchListener = EventListenerTouchOneByOne::create();
        m_touchListener->retain();
        m_touchListener->setSwallowTouches(m_swallow);
        m_touchListener->setWatchDescendantTouches(m_watchDescendantTouches);
        m_touchListener->onTouchBegan = [this](Touch* t, Event* e) { return onTouchBegan(t, e); };
        m_touchListener->onTouchMoved = [this](Touch* t, Event* e) { onTouchMoved(t, e); };
        m_touchListener->onTouchEnded = [this](Touch* t, Event* e) { onTouchEnded(t, e); };
        m_touchListener->onTouchCancelled = [this](Touch* t, Event* e) { onTouchCancelled(t, e); };
        m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_touchListener, this);
    } else {
        m_eventDispatcher->removeEventListener(m_touchListener);
        m_touchListener->release();
        m_touchListener = nullptr;
    }
}

void Widget::onEnter()
{
    // cleanup() unregisters every listener of a removed node; a widget added again listens again.
    if (m_touchListener && !m_touchListener->isRegistered()) {
        m_eventDispatcher->addEventListenerWithSceneGraphPriority(m_touchListener, this);
    }
    Node::onEnter();
}

void Widget::setSwallowTouches(bool swallow)
{
    m_swallow = swallow;
    if (m_touchListener) m_touchListener->setSwallowTouches(swallow);
}

void Widget::setEnabled(bool enabled)
{
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    m_highlighted = false;
    applyState();
}

void Widget::setBright(bool bright)
{
    if (bright == m_bright) return;
    m_bright = bright;
    applyState();
}

void Widget::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted) return;
    m_highlighted = highlighted;
    applyState();
}

void Widget::applyState()
{
    if (!m_enabled || !m_bright) onPressStateChangedToDisabled();
    else if (m_highlighted) onPressStateChangedToPressed();
    else onPressStateChangedToNormal();
    Director::markDirty();
}

bool Widget::hitTest(const Vec2& worldPoint) const
{
    const Node* parent = getParent();
    if (m_touchArea.size.width <= 0 || m_touchArea.size.height <= 0 || !parent) return hitTestContent(worldPoint);
    // NaN (a singular transform) fails containsPoint's comparisons.
    if (!m_touchArea.containsPoint(parent->convertToNodeSpace(worldPoint))) return false;
    return isVisibleInTree() && isUnclippedByAncestors(worldPoint);
}

void Widget::ignoreContentAdaptWithSize(bool ignore)
{
    if (ignore == m_ignoreSize) return;
    m_ignoreSize = ignore;
    if (ignore) updateContentSizeFromRenderer();
    else Widget::setContentSize(m_customSize);
}

void Widget::setContentSize(const Size& size)
{
    m_customSize = size;
    Node::setContentSize(m_ignoreSize ? getVirtualRendererSize() : size);
    onSizeChanged();
}

void Widget::updateContentSizeFromRenderer()
{
    // Until a size is given, stretching starts from the image's own size.
    if (m_customSize == Size::ZERO) m_customSize = getVirtualRendererSize();
    if (m_ignoreSize) {
        Node::setContentSize(getVirtualRendererSize());
        onSizeChanged();
    }
}

void Widget::fire(TouchEventType type)
{
    // The callback may remove this widget; keep it alive until we return.
    retain();
    if (m_touchCallback) m_touchCallback(this, type);
    if (type == TouchEventType::ENDED && m_clickCallback) m_clickCallback(this);
    release();
}

bool Widget::onTouchBegan(Touch* touch, Event* /*event*/)
{
    m_touchBegan = touch->getLocation();
    if (!m_enabled || !hitTest(m_touchBegan)) return false;
    setHighlighted(true);
    fire(TouchEventType::BEGAN);
    return true;
}

void Widget::onTouchMoved(Touch* touch, Event* /*event*/)
{
    m_touchMoved = touch->getLocation();
    setHighlighted(m_enabled && hitTest(m_touchMoved));
    fire(TouchEventType::MOVED);
}

void Widget::onTouchEnded(Touch* touch, Event* /*event*/)
{
    m_touchEnded = touch->getLocation();
    // Disabled while pressed: the press ends without a click.
    const bool inside = m_enabled && m_highlighted && hitTest(m_touchEnded);
    setHighlighted(false);
    fire(inside ? TouchEventType::ENDED : TouchEventType::CANCELED);
}

void Widget::onTouchCancelled(Touch* touch, Event* /*event*/)
{
    m_touchEnded = touch->getLocation();
    setHighlighted(false);
    fire(TouchEventType::CANCELED);
}

} // namespace engine::ui
