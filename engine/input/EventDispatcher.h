#pragma once
// Delivers events to listeners. Order: fixed-priority listeners below 0 (lowest first), then
// scene-graph listeners from the front-most node to the back-most (the reverse of drawing order),
// then fixed-priority listeners above 0. The order is cached until a listener is added or removed
// or the scene graph changes. Listeners may be added or removed while an event is being
// delivered; a removed listener hears nothing more. The dispatcher retains its listeners and
// keeps a listener's node alive while its callback runs.
//
// Touches: a listener claims a touch by returning true from onTouchBegan; the touch's moves and
// its end go to every listener that claims it. A listener that is paused or disabled keeps its
// claim but hears no moves; when the touch ends it hears onTouchCancelled instead. Every claim on a
// touch is dropped when the touch ends or is cancelled. The mouse wheel goes to the front-most
// node under the pointer that listens for it. Render thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/input/Event.h"

namespace engine {

class EventListener;
class EventListenerTouchOneByOne;
class Node;
class Touch;

class EventDispatcher : public Ref {
public:
    EventDispatcher() = default;
    ~EventDispatcher() override;

    void addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node);
    // priority must not be 0 (that is the scene graph's place).
    void addEventListenerWithFixedPriority(EventListener* listener, int priority);
    void removeEventListener(EventListener* listener);
    void removeEventListenersForTarget(Node* node, bool recursive = false);
    void removeAllEventListeners();
    void pauseEventListenersForTarget(Node* node, bool recursive = false);
    void resumeEventListenersForTarget(Node* node, bool recursive = false);
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    std::size_t getListenerCount() const;

    // Touch, mouse, keyboard and custom events; touches through dispatchTouchEvent.
    void dispatchEvent(Event* event);
    void dispatchTouchEvent(EventTouch* event);

    // Hands the touch to `taker` alone: every other listener that claims it hears
    // onTouchCancelled and loses its claim; taker claims it from now on (a container taking over
    // a drag that started on its content).
    void handOverTouch(Touch* touch, EventListenerTouchOneByOne* taker);
    // Drops the listener's claim on the touch; with notify, it hears onTouchCancelled.
    void cancelTouchClaim(Touch* touch, EventListenerTouchOneByOne* listener, bool notify = true);
    // Whether a listener other than `except` holds a claim on the touch.
    bool isTouchClaimedByOthers(const Touch* touch, const EventListener* except) const;
    // Times the listener order was rebuilt (the cache at work: see the class comment).
    std::size_t getOrderBuildCount() const { return m_orderBuilds; }

    // Custom events by name. The listener is registered with fixed priority 1 and returned (the
    // dispatcher holds it; pass it to removeEventListener to stop hearing).
    EventListener* addCustomEventListener(const std::string& eventName, const std::function<void(EventCustom*)>& callback);
    void removeCustomEventListeners(const std::string& eventName);
    void dispatchCustomEvent(const std::string& eventName, void* userData = nullptr);

private:
    struct OrderCache {
        std::vector<EventListener*> listeners;
        std::uint64_t graphGeneration = 0;
        const void* scene = nullptr;
        bool valid = false;
    };
    const std::vector<EventListener*>& sortedListeners(int type);
    void invalidateOrder();
    void collectOrder(Node* node, std::vector<Node*>& order) const;
    void compact();
    void touchBegan(Touch* touch, EventTouch* event, const std::vector<EventListener*>& order);
    void touchEnded(Touch* touch, EventTouch* event, const std::vector<EventListener*>& order);
    void sendCancelled(EventListenerTouchOneByOne* listener, Touch* touch);
    bool deliverWheel(EventListener* listener, EventMouse* event) const;
    template <typename F>
    void callWithNodeAlive(EventListener* listener, F&& fn);
    void dispatchCustom(EventCustom* event);

    std::vector<EventListener*> m_listeners;
    OrderCache m_order[4];
    std::size_t m_orderBuilds = 0;
    int m_dispatching = 0;
    bool m_enabled = true;
};

} // namespace engine
