#pragma once
// Delivers events to listeners. Order: fixed-priority listeners below 0 (lowest first), then
// scene-graph listeners from the front-most node to the back-most (the reverse of drawing order),
// then fixed-priority listeners above 0. Listeners may be added or removed while an event is
// being delivered; a removed listener hears nothing more. The dispatcher retains its listeners.
// Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/input/Event.h"

namespace engine {

class EventListener;
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

    // Custom events by name. The listener is registered with fixed priority 1 and returned (the
    // dispatcher holds it; pass it to removeEventListener to stop hearing).
    EventListener* addCustomEventListener(const std::string& eventName, const std::function<void(EventCustom*)>& callback);
    void removeCustomEventListeners(const std::string& eventName);
    void dispatchCustomEvent(const std::string& eventName, void* userData = nullptr);

private:
    std::vector<EventListener*> sortedListeners(int type);
    void collectOrder(Node* node, std::vector<Node*>& order) const;
    void compact();
    void dispatchCustom(EventCustom* event);

    std::vector<EventListener*> m_listeners;
    int m_dispatching = 0;
    bool m_enabled = true;
};

} // namespace engine
