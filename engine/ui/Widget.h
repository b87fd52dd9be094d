#pragma once
// Base of the touchable widgets: enabled and highlighted states, a swallowing one-by-one touch
// listener registered with scene-graph priority when touch is enabled, and the touch event
// callback (began, moved, ended inside, cancelled when released outside or interrupted).
// Widgets cascade colour and opacity to their parts. Render thread only.

#include <functional>

#include "engine/scene/Node.h"

namespace engine {
class EventListenerTouchOneByOne;
class Event;
}

namespace engine::ui {

class LayoutParameter;

class Widget : public Node {
public:
    enum class TouchEventType { BEGAN, MOVED, ENDED, CANCELED };
    enum class TextureResType { LOCAL, PLIST };
    using ccWidgetTouchCallback = std::function<void(Ref*, TouchEventType)>;
    using ccWidgetClickCallback = std::function<void(Ref*)>;

    ~Widget() override;
    bool init() override;

    // A widget with touch enabled listens while it is in a running scene; removed (and cleaned
    // up) and added again, it listens again.
    void setTouchEnabled(bool enabled);
    bool isTouchEnabled() const { return m_touchListener != nullptr; }
    void onEnter() override;
    // A disabled widget ignores touches and shows its disabled look.
    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // A widget that is not bright shows its disabled look while still taking touches (a choice
    // that is shown as unavailable but explains itself when tapped).
    void setBright(bool bright);
    bool isBright() const { return m_bright; }
    // Pressed look.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }
    void setSwallowTouches(bool swallow);
    bool isSwallowTouches() const { return m_swallow; }

    void addTouchEventListener(const ccWidgetTouchCallback& callback) { m_touchCallback = callback; }
    void addClickEventListener(const ccWidgetClickCallback& callback) { m_clickCallback = callback; }

    // World point on the widget as drawn: inside its content rectangle, visible, and not
    // clipped away by an ancestor.
    // With a touch area set, a point inside that area counts instead of the content rectangle.
    virtual bool hitTest(const Vec2& worldPoint) const;
    // A rectangle in the parent's space that takes this widget's touches in place of its own
    // content rectangle: a small icon that stands for a bigger target (an icon with its title
    // under it, the whole column being the button). Rect::ZERO returns to the content rectangle.
    void setTouchArea(const Rect& areaInParent) { m_touchArea = areaInParent; }
    const Rect& getTouchArea() const { return m_touchArea; }
    // When true (the default) the content size follows the image; setContentSize is kept for
    // when it turns false.
    virtual void ignoreContentAdaptWithSize(bool ignore);
    bool isIgnoreContentAdaptWithSize() const { return m_ignoreSize; }
    void setContentSize(const Size& size) override;
    // The smallest size the widget shows its content at without cutting it: its image or text
    // when it adapts to it, nothing otherwise. A layout container never makes a widget that
    // takes its size from outside smaller than this.
    virtual Size getMinimumSize() const { return m_ignoreSize ? getVirtualRendererSize() : Size::ZERO; }

    // Margins and gravity inside a layout container (retained); the container lays out again.
    void setLayoutParameter(LayoutParameter* parameter);
    LayoutParameter* getLayoutParameter() const { return m_layoutParameter; }

    const Vec2& getTouchBeganPosition() const { return m_touchBegan; }
    const Vec2& getTouchMovePosition() const { return m_touchMoved; }
    const Vec2& getTouchEndPosition() const { return m_touchEnded; }

    EventListenerTouchOneByOne* getTouchListener() const { return m_touchListener; }

protected:
    Widget();
    virtual void onPressStateChangedToNormal() {}
    virtual void onPressStateChangedToPressed() {}
    virtual void onPressStateChangedToDisabled() {}
    // Size of the image the widget shows (its content size when adapting to it).
    virtual Size getVirtualRendererSize() const { return m_contentSize; }
    // The content size changed: lay the parts out again.
    virtual void onSizeChanged() {}
    void updateContentSizeFromRenderer();
    void applyState();

    bool m_enabled = true;
    bool m_highlighted = false;
    bool m_bright = true;
    bool m_ignoreSize = true;
    Size m_customSize;
    // A container that sees the touches its content claims (scroll views); set before touch is enabled.
    bool m_watchDescendantTouches = false;

    // The widget's own touch handling; subclasses that react to where the touch is extend it.
    virtual bool onTouchBegan(Touch* touch, Event* event);
    virtual void onTouchMoved(Touch* touch, Event* event);
    virtual void onTouchEnded(Touch* touch, Event* event);
    virtual void onTouchCancelled(Touch* touch, Event* event);

private:
    void fire(TouchEventType type);

    EventListenerTouchOneByOne* m_touchListener = nullptr;
    LayoutParameter* m_layoutParameter = nullptr;
    bool m_swallow = true;
    ccWidgetTouchCallback m_touchCallback;
    ccWidgetClickCallback m_clickCallback;
    Vec2 m_touchBegan;
    Vec2 m_touchMoved;
    Vec2 m_touchEnded;
    Rect m_touchArea;
};

} // namespace engine::ui
