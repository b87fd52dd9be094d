#pragma once
// Listeners registered with the EventDispatcher. A listener tied to a node (scene-graph
// priority) hears events only while the node is running; the front-most node hears first.

#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/input/Event.h"

namespace engine {

class Node;
class Touch;

class EventListener : public Ref {
public:
    enum class Type { TOUCH_ONE_BY_ONE, MOUSE, KEYBOARD, CUSTOM };

    Type getType() const { return m_type; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    bool isRegistered() const { return m_registered; }
    bool isPaused() const { return m_paused; }
    Node* getAssociatedNode() const { return m_node; }
    int getFixedPriority() const { return m_fixedPriority; }

protected:
    explicit EventListener(Type type) : m_type(type) {}

private:
    friend class EventDispatcher;
    Type m_type;
    bool m_enabled = true;
    bool m_registered = false;
    bool m_paused = false;
    Node* m_node = nullptr;
    int m_fixedPriority = 0;
};

class EventListenerTouchOneByOne : public EventListener {
public:
    static EventListenerTouchOneByOne* create();

    // Returning true claims the touch: its moves and its end come to this listener.
    std::function<bool(Touch*, Event*)> onTouchBegan;
    std::function<void(Touch*, Event*)> onTouchMoved;
    std::function<void(Touch*, Event*)> onTouchEnded;
    std::function<void(Touch*, Event*)> onTouchCancelled;

    // A swallowing listener that claims a touch hides it from the listeners behind.
    void setSwallowTouches(bool swallow) { m_swallow = swallow; }
    bool isSwallowTouches() const { return m_swallow; }
    // When set, a touch that a listener of one of this node's descendants claims is offered to
    // this listener too (onTouchBegan after the descendants, even when they swallow it): a
    // scrolling container sees the drags that start on its content and may take them over
    // with EventDispatcher::handOverTouch.
    void setWatchDescendantTouches(bool watch) { m_watchDescendants = watch; }
    bool isWatchDescendantTouches() const { return m_watchDescendants; }
    // Whether this listener holds a claim on the touch.
    bool hasClaimed(const Touch* touch) const;

private:
    friend class EventDispatcher;
    EventListenerTouchOneByOne() : EventListener(Type::TOUCH_ONE_BY_ONE) {}
    bool m_swallow = false;
    bool m_watchDescendants = false;
    std::vector<Touch*> m_claimed;
};

class EventListenerMouse : public EventListener {
public:
    static EventListenerMouse* create();
    std::function<void(EventMouse*)> onMouseDown;
    std::function<void(EventMouse*)> onMouseUp;
    std::function<void(EventMouse*)> onMouseMove;
    // The wheel goes to the front-most node under the pointer that listens for it (listeners
    // with a fixed priority hear every wheel event).
    std::function<void(EventMouse*)> onMouseScroll;

private:
    EventListenerMouse() : EventListener(Type::MOUSE) {}
};

class EventListenerKeyboard : public EventListener {
public:
    static EventListenerKeyboard* create();
    std::function<void(EventKeyboard::KeyCode, Event*)> onKeyPressed;
    std::function<void(EventKeyboard::KeyCode, Event*)> onKeyReleased;

private:
    EventListenerKeyboard() : EventListener(Type::KEYBOARD) {}
};

// Hears the custom events of one name.
class EventListenerCustom : public EventListener {
public:
    static EventListenerCustom* create(const std::string& eventName, const std::function<void(EventCustom*)>& callback);
    const std::string& getEventName() const { return m_eventName; }

private:
    friend class EventDispatcher;
    EventListenerCustom() : EventListener(Type::CUSTOM) {}
    std::string m_eventName;
    std::function<void(EventCustom*)> m_callback;
};

} // namespace engine
