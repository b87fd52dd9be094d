#pragma once
// A scrolling container: a view rectangle (the scroll view's content size) showing part of an
// inner container (at least as large as the view) that moves behind it. The children added to
// the scroll view go to the inner container; the view clips them to its rectangle.
//
// Input: a drag moves the inner container (past an end with resistance when bounce is on) and,
// released, keeps moving with inertia, then settles back inside its ends. A drag may start on a
// child that claims the touch (a button): once it passes kDragThreshold points along a scroll
// direction the scroll view takes the touch over and the child hears a cancel, so a drag never
// presses a child; a tap that did not move is the child's. The mouse wheel over the view
// scrolls it by three text lines per notch (getWheelLineHeight points each).
//
// Positions: the inner container's bottom-left corner in the view's space. Vertically it lies
// between getMinPosition().y (its top at the view's top: "top", 0 percent) and 0 (its bottom at
// the view's bottom: "bottom", 100 percent); horizontally between 0 ("left", 0 percent) and
// getMinPosition().x ("right"). Render thread only.

#include <cstdint>
#include <functional>

#include "engine/ui/Layout.h"

namespace engine {
class EventListenerMouse;
class EventMouse;
}

namespace engine::ui {

class ScrollView : public Layout {
public:
    enum class Direction { NONE, VERTICAL, HORIZONTAL, BOTH };
    enum class EventType { SCROLLING_BEGAN, SCROLLING, SCROLLING_ENDED, CONTAINER_MOVED, AUTOSCROLL_ENDED };
    using ccScrollViewCallback = std::function<void(Ref*, EventType)>;

    // Movement (points) after which a touch is a drag of the view, not a tap of its content.
    static constexpr float kDragThreshold = 6.0f;
    // Text lines scrolled per wheel notch.
    static constexpr float kLinesPerNotch = 3.0f;

    static ScrollView* create();
    ~ScrollView() override;
    bool init() override;

    void setDirection(Direction direction);
    Direction getDirection() const { return m_direction; }

    Layout* getInnerContainer() const { return m_inner; }
    // Never smaller than the view: a smaller size is raised to the view's. The top stays where
    // it was on screen.
    void setInnerContainerSize(const Size& size);
    const Size& getInnerContainerSize() const;
    // Places the inner container (clamped between its ends) and stops any movement.
    void setInnerContainerPosition(const Vec2& position);
    const Vec2& getInnerContainerPosition() const;
    // The lowest position of each axis (view size minus inner size, <= 0); the highest is 0.
    Vec2 getMinPosition() const;

    void jumpToTop();
    void jumpToBottom();
    void jumpToLeft();
    void jumpToRight();
    // 0 = top (left), 100 = bottom (right).
    void jumpToPercentVertical(float percent);
    void jumpToPercentHorizontal(float percent);
    void jumpToPercentBothDirection(const Vec2& percent);
    // Animated moves over timeInSec seconds (attenuated: slowing down at the end).
    void scrollToTop(float timeInSec, bool attenuated = true);
    void scrollToBottom(float timeInSec, bool attenuated = true);
    void scrollToPercentVertical(float percent, float timeInSec, bool attenuated = true);
    void scrollToPercentHorizontal(float percent, float timeInSec, bool attenuated = true);
    void scrollToPosition(const Vec2& position, float timeInSec, bool attenuated = true);
    float getScrolledPercentVertical() const;
    float getScrolledPercentHorizontal() const;

    void setBounceEnabled(bool enabled) { m_bounceEnabled = enabled; }
    bool isBounceEnabled() const { return m_bounceEnabled; }
    void setInertiaScrollEnabled(bool enabled) { m_inertiaEnabled = enabled; }
    bool isInertiaScrollEnabled() const { return m_inertiaEnabled; }
    // Height of one text line of the content (points): the wheel's step is three of them.
    void setWheelLineHeight(float points) { m_wheelLineHeight = points; }
    float getWheelLineHeight() const { return m_wheelLineHeight; }

    // Dragged by a touch, or moving by itself (inertia, bounce, animated scroll).
    bool isScrolling() const { return m_dragging || m_moving; }
    bool isDragging() const { return m_dragging; }
    // Stops inertia, bounce and animated scrolls where they are (then settles inside the ends).
    void stopAutoScroll();

    void addEventListener(const ccScrollViewCallback& callback) { m_eventCallback = callback; }

    // Children go to the inner container.
    void addChild(Node* child) override;
    void addChild(Node* child, int localZOrder) override;
    void addChild(Node* child, int localZOrder, int tag) override;
    void addChild(Node* child, int localZOrder, const std::string& name) override;
    void removeChild(Node* child, bool cleanup = true) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    void update(float dt) override;
    void onEnter() override;

    // Scrolls by wheel steps (y positive: away from the user, towards the top; x positive:
    // towards the right). Public for tests and for owners that forward a wheel.
    void scrollByWheel(float stepsX, float stepsY);

protected:
    ScrollView() = default;
    void onSizeChanged() override;
    bool onTouchBegan(Touch* touch, Event* event) override;
    void onTouchMoved(Touch* touch, Event* event) override;
    void onTouchEnded(Touch* touch, Event* event) override;
    void onTouchCancelled(Touch* touch, Event* event) override;
    // The inner container moved (drag, inertia, wheel, jump or a size change).
    virtual void onInnerContainerMoved() {}
    // A touch ended without becoming a drag (location in world space).
    virtual void onTap(Touch* /*touch*/) {}
    // The touch in hand began on content that claimed it itself (a button): its tap is theirs.
    bool isTouchTakenByContent() const { return m_touchTakenByContent; }
    void fireEvent(EventType type);

private:
    Vec2 clampPosition(const Vec2& position) const;
    Vec2 axisMask() const;
    // Moves the inner container, tells the subclass and the listener.
    void moveInnerTo(const Vec2& position);
    void endTouch(Touch* touch, bool tapAllowed, const Vec2& velocity);
    void stepMotion(float dt);
    void finishMotion();

    Layout* m_inner = nullptr;
    EventListenerMouse* m_mouseListener = nullptr;
    Direction m_direction = Direction::VERTICAL;
    bool m_bounceEnabled = true;
    bool m_inertiaEnabled = true;
    float m_wheelLineHeight = 18.0f;
    float m_viewHeight = 0.0f;
    ccScrollViewCallback m_eventCallback;

    // Touch state.
    bool m_touching = false;
    bool m_dragging = false;
    bool m_touchTakenByContent = false;
    Vec2 m_touchStart;
    // Recent drag movement for the release velocity: (delta, time in ms).
    struct Sample {
        Vec2 delta;
        std::uint64_t timeMs;
    };
    Sample m_samples[8]{};
    int m_sampleCount = 0;
    int m_sampleNext = 0;

    // Motion by itself.
    bool m_moving = false;
    Vec2 m_velocity;
    bool m_autoScrolling = false;
    Vec2 m_autoStart;
    Vec2 m_autoTarget;
    float m_autoDuration = 0.0f;
    float m_autoElapsed = 0.0f;
    bool m_autoAttenuated = true;
};

} // namespace engine::ui
