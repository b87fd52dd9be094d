#include "engine/input/EventDispatcher.h"

#include <algorithm>
#include <unordered_map>

#include "engine/app/Director.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/Node.h"
#include "engine/scene/Scene.h"

namespace engine {

EventDispatcher::~EventDispatcher()
{
    m_dispatching = 0;
    for (EventListener* l : m_listeners) {
        l->m_registered = false;
        l->release();
    }
    m_listeners.clear();
}

void EventDispatcher::addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node)
{
    if (!listener || !node || listener->m_registered) return;
    listener->retain();
    listener->m_registered = true;
    listener->m_node = node;
    listener->m_fixedPriority = 0;
    listener->m_paused = !node->isRunning();
    m_listeners.push_back(listener);
}

void EventDispatcher::addEventListenerWithFixedPriority(EventListener* listener, int priority)
{
    if (!listener || priority == 0 || listener->m_registered) return;
    listener->retain();
    listener->m_registered = true;
    listener->m_node = nullptr;
    listener->m_fixedPriority = priority;
    listener->m_paused = false;
    m_listeners.push_back(listener);
}

void EventDispatcher::removeEventListener(EventListener* listener)
{
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it == m_listeners.end() || !listener->m_registered) return;
    listener->m_registered = false;
    listener->m_node = nullptr;
    if (m_dispatching == 0) {
        m_listeners.erase(it);
        listener->release();
    }
}

void EventDispatcher::removeEventListenersForTarget(Node* node, bool recursive)
{
    // Copy: removal edits the list.
    const auto listeners = m_listeners;
    for (EventListener* l : listeners) {
        if (l->m_registered && l->m_node == node) removeEventListener(l);
    }
    if (recursive) {
        for (Node* child : node->getChildren()) removeEventListenersForTarget(child, true);
    }
}

void EventDispatcher::removeAllEventListeners()
{
    const auto listeners = m_listeners;
    for (EventListener* l : listeners) removeEventListener(l);
}

void EventDispatcher::pauseEventListenersForTarget(Node* node, bool recursive)
{
    for (EventListener* l : m_listeners) {
        if (l->m_node == node) l->m_paused = true;
    }
    if (recursive) {
        for (Node* child : node->getChildren()) pauseEventListenersForTarget(child, true);
    }
}

void EventDispatcher::resumeEventListenersForTarget(Node* node, bool recursive)
{
    for (EventListener* l : m_listeners) {
        if (l->m_node == node) l->m_paused = false;
    }
    if (recursive) {
        for (Node* child : node->getChildren()) resumeEventListenersForTarget(child, true);
    }
}

std::size_t EventDispatcher::getListenerCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_listeners.begin(), m_listeners.end(), [](const EventListener* l) { return l->m_registered; }));
}

void EventDispatcher::collectOrder(Node* node, std::vector<Node*>& order) const
{
    // Drawing order: children behind (z < 0), the node, then the children in front.
    node->sortAllChildren();
    const auto& children = node->getChildren();
    std::size_t i = 0;
    for (; i < children.size() && children[i]->getLocalZOrder() < 0; ++i) collectOrder(children[i], order);
    order.push_back(node);
    for (; i < children.size(); ++i) collectOrder(children[i], order);
}

std::vector<EventListener*> EventDispatcher::sortedListeners(int type)
{
    std::vector<EventListener*> below;
    std::vector<EventListener*> above;
    std::vector<std::pair<std::size_t, EventListener*>> graph;
    std::unordered_map<const Node*, std::size_t> rank;
    bool ranked = false;
    for (EventListener* l : m_listeners) {
        if (static_cast<int>(l->m_type) != type || !l->m_registered) continue;
        if (l->m_fixedPriority < 0) {
            below.push_back(l);
        } else if (l->m_fixedPriority > 0) {
            above.push_back(l);
        } else {
            if (!ranked) {
                std::vector<Node*> order;
                if (Scene* scene = Director::getInstance()->getRunningScene()) collectOrder(scene, order);
                for (std::size_t i = 0; i < order.size(); ++i) rank[order[i]] = i;
                ranked = true;
            }
            auto it = rank.find(l->m_node);
            if (it != rank.end()) graph.emplace_back(it->second, l);
        }
    }
    auto byPriority = [](const EventListener* a, const EventListener* b) { return a->m_fixedPriority < b->m_fixedPriority; };
    std::stable_sort(below.begin(), below.end(), byPriority);
    std::stable_sort(above.begin(), above.end(), byPriority);
    std::stable_sort(graph.begin(), graph.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<EventListener*> result = below;
    for (const auto& g : graph) result.push_back(g.second);
    result.insert(result.end(), above.begin(), above.end());
    return result;
}

void EventDispatcher::compact()
{
    auto it = std::stable_partition(m_listeners.begin(), m_listeners.end(),
                                    [](const EventListener* l) { return l->m_registered; });
    std::vector<EventListener*> gone(it, m_listeners.end());
    m_listeners.erase(it, m_listeners.end());
    for (EventListener* l : gone) l->release();
}

void EventDispatcher::dispatchTouchEvent(EventTouch* event)
{
    if (!m_enabled || !event) return;
    auto listeners = sortedListeners(static_cast<int>(EventListener::Type::TOUCH_ONE_BY_ONE));
    for (EventListener* l : listeners) l->retain();
    ++m_dispatching;
    const auto code = event->getEventCode();
    for (Touch* touch : event->getTouches()) {
        for (EventListener* base : listeners) {
            auto* l = static_cast<EventListenerTouchOneByOne*>(base);
            if (!l->m_registered || !l->m_enabled || l->m_paused) continue;
            event->setCurrentTarget(l->m_node);
            bool claimed = false;
            if (code == EventTouch::EventCode::BEGAN) {
                if (l->onTouchBegan && l->onTouchBegan(touch, event) && l->m_registered) {
                    l->m_claimed.push_back(touch);
                    claimed = true;
                }
            } else {
                auto it = std::find(l->m_claimed.begin(), l->m_claimed.end(), touch);
                if (it == l->m_claimed.end()) continue;
                claimed = true;
                if (code != EventTouch::EventCode::MOVED) l->m_claimed.erase(it);
                switch (code) {
                case EventTouch::EventCode::MOVED:
                    if (l->onTouchMoved) l->onTouchMoved(touch, event);
                    break;
                case EventTouch::EventCode::ENDED:
                    if (l->onTouchEnded) l->onTouchEnded(touch, event);
                    break;
                case EventTouch::EventCode::CANCELLED:
                    if (l->onTouchCancelled) l->onTouchCancelled(touch, event);
                    break;
                case EventTouch::EventCode::BEGAN: break;
                }
            }
            if ((claimed && l->m_swallow) || event->isStopped()) break;
        }
    }
    --m_dispatching;
    for (EventListener* l : listeners) l->release();
    if (m_dispatching == 0) compact();
}

void EventDispatcher::dispatchEvent(Event* event)
{
    if (!m_enabled || !event) return;
    if (event->getType() == Event::Type::TOUCH) {
        dispatchTouchEvent(static_cast<EventTouch*>(event));
        return;
    }
    if (event->getType() == Event::Type::CUSTOM) {
        dispatchCustom(static_cast<EventCustom*>(event));
        return;
    }
    const auto type = event->getType() == Event::Type::MOUSE ? EventListener::Type::MOUSE : EventListener::Type::KEYBOARD;
    auto listeners = sortedListeners(static_cast<int>(type));
    for (EventListener* l : listeners) l->retain();
    ++m_dispatching;
    for (EventListener* l : listeners) {
        if (!l->m_registered || !l->m_enabled || l->m_paused) continue;
        event->setCurrentTarget(l->m_node);
        if (type == EventListener::Type::KEYBOARD) {
            auto* k = static_cast<EventListenerKeyboard*>(l);
            auto* e = static_cast<EventKeyboard*>(event);
            auto& fn = e->isPressed() ? k->onKeyPressed : k->onKeyReleased;
            if (fn) fn(e->getKeyCode(), event);
        } else {
            auto* m = static_cast<EventListenerMouse*>(l);
            auto* e = static_cast<EventMouse*>(event);
            switch (e->getMouseEventType()) {
            case EventMouse::MouseEventType::MOUSE_DOWN: if (m->onMouseDown) m->onMouseDown(e); break;
            case EventMouse::MouseEventType::MOUSE_UP: if (m->onMouseUp) m->onMouseUp(e); break;
            case EventMouse::MouseEventType::MOUSE_MOVE: if (m->onMouseMove) m->onMouseMove(e); break;
            case EventMouse::MouseEventType::MOUSE_SCROLL: if (m->onMouseScroll) m->onMouseScroll(e); break;
            case EventMouse::MouseEventType::MOUSE_NONE: break;
            }
        }
        if (event->isStopped()) break;
    }
    --m_dispatching;
    for (EventListener* l : listeners) l->release();
    if (m_dispatching == 0) compact();
}

EventListener* EventDispatcher::addCustomEventListener(const std::string& eventName,
                                                      const std::function<void(EventCustom*)>& callback)
{
    EventListenerCustom* listener = EventListenerCustom::create(eventName, callback);
    addEventListenerWithFixedPriority(listener, 1);
    return listener;
}

void EventDispatcher::removeCustomEventListeners(const std::string& eventName)
{
    const auto listeners = m_listeners;
    for (EventListener* l : listeners) {
        if (l->m_type == EventListener::Type::CUSTOM && static_cast<EventListenerCustom*>(l)->m_eventName == eventName) {
            removeEventListener(l);
        }
    }
}

void EventDispatcher::dispatchCustomEvent(const std::string& eventName, void* userData)
{
    EventCustom event(eventName);
    event.setUserData(userData);
    dispatchEvent(&event);
}

void EventDispatcher::dispatchCustom(EventCustom* event)
{
    // Only fixed-priority or running-node listeners of this name; no scene walk is needed.
    std::vector<EventListenerCustom*> listeners;
    for (EventListener* l : m_listeners) {
        if (l->m_type != EventListener::Type::CUSTOM || !l->m_registered) continue;
        auto* c = static_cast<EventListenerCustom*>(l);
        if (c->m_eventName == event->getEventName()) listeners.push_back(c);
    }
    std::stable_sort(listeners.begin(), listeners.end(),
                     [](const EventListener* a, const EventListener* b) { return a->m_fixedPriority < b->m_fixedPriority; });
    for (EventListener* l : listeners) l->retain();
    ++m_dispatching;
    for (EventListenerCustom* l : listeners) {
        if (!l->m_registered || !l->m_enabled || l->m_paused) continue;
        event->setCurrentTarget(l->m_node);
        if (l->m_callback) l->m_callback(event);
        if (event->isStopped()) break;
    }
    --m_dispatching;
    for (EventListener* l : listeners) l->release();
    if (m_dispatching == 0) compact();
}

} // namespace engine
