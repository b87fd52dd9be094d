#include "engine/input/EventDispatcher.h"

#include <algorithm>
#include <unordered_map>

#include "engine/app/Director.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/Node.h"
#include "engine/scene/Scene.h"

namespace engine {

namespace {

bool isUsable(const EventListener* l)
{
    return l->isRegistered() && l->isEnabled() && !l->isPaused();
}

bool isAncestorOf(const Node* ancestor, const Node* node)
{
    for (const Node* n = node ? node->getParent() : nullptr; n; n = n->getParent()) {
        if (n == ancestor) return true;
    }
    return false;
}

} // namespace

EventDispatcher::~EventDispatcher()
{
    m_dispatching = 0;
    for (EventListener* l : m_listeners) {
        l->m_registered = false;
        l->release();
    }
    m_listeners.clear();
}

void EventDispatcher::invalidateOrder()
{
    for (auto& cache : m_order) cache.valid = false;
}

void EventDispatcher::addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node)
{
    if (!listener || !node || listener->m_registered) return;
    // A listener removed earlier in this dispatch is still held in the list: registering it again
    // must not put it there twice.
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
        listener->retain();
        m_listeners.push_back(listener);
    }
    listener->m_registered = true;
    listener->m_node = node;
    listener->m_fixedPriority = 0;
    listener->m_paused = !node->isRunning();
    invalidateOrder();
}

void EventDispatcher::addEventListenerWithFixedPriority(EventListener* listener, int priority)
{
    if (!listener || priority == 0 || listener->m_registered) return;
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
        listener->retain();
        m_listeners.push_back(listener);
    }
    listener->m_registered = true;
    listener->m_node = nullptr;
    listener->m_fixedPriority = priority;
    listener->m_paused = false;
    invalidateOrder();
}

void EventDispatcher::removeEventListener(EventListener* listener)
{
    if (!listener || !listener->m_registered) return;
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it == m_listeners.end()) return;
    listener->m_registered = false;
    listener->m_node = nullptr;
    if (listener->m_type == EventListener::Type::TOUCH_ONE_BY_ONE) {
        static_cast<EventListenerTouchOneByOne*>(listener)->m_claimed.clear();
    }
    invalidateOrder();
    if (m_dispatching == 0) {
        m_listeners.erase(it);
        listener->release();
    }
}

void EventDispatcher::removeEventListenersForTarget(Node* node, bool recursive)
{
    // Index loop: removal outside a dispatch shortens the list.
    for (std::size_t i = 0; i < m_listeners.size();) {
        EventListener* l = m_listeners[i];
        if (l->m_registered && l->m_node == node) {
            const std::size_t before = m_listeners.size();
            removeEventListener(l);
            if (m_listeners.size() < before) continue;
        }
        ++i;
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

const std::vector<EventListener*>& EventDispatcher::sortedListeners(int type)
{
    OrderCache& cache = m_order[type];
    Scene* scene = Director::getInstance()->getRunningScene();
    if (cache.valid && cache.graphGeneration == Node::getGraphGeneration() && cache.scene == scene) {
        return cache.listeners;
    }
    ++m_orderBuilds;
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
                if (scene) collectOrder(scene, order);
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
    cache.listeners = std::move(below);
    for (const auto& g : graph) cache.listeners.push_back(g.second);
    cache.listeners.insert(cache.listeners.end(), above.begin(), above.end());
    cache.graphGeneration = Node::getGraphGeneration();
    cache.scene = scene;
    cache.valid = true;
    return cache.listeners;
}

void EventDispatcher::compact()
{
    auto it = std::stable_partition(m_listeners.begin(), m_listeners.end(),
                                    [](const EventListener* l) { return l->m_registered; });
    if (it == m_listeners.end()) return;
    std::vector<EventListener*> gone(it, m_listeners.end());
    m_listeners.erase(it, m_listeners.end());
    invalidateOrder();
    for (EventListener* l : gone) l->release();
}

template <typename F>
void EventDispatcher::callWithNodeAlive(EventListener* listener, F&& fn)
{
    // The callback may remove (and so free) its own node; keep it alive until the call returns.
    Node* node = listener->m_node;
    if (node) node->retain();
    fn();
    if (node) node->release();
}

void EventDispatcher::sendCancelled(EventListenerTouchOneByOne* l, Touch* touch)
{
    if (!l->m_registered || !l->onTouchCancelled) return;
    auto* event = new EventTouch();
    event->setEventCode(EventTouch::EventCode::CANCELLED);
    event->setTouches({touch});
    event->setCurrentTarget(l->m_node);
    callWithNodeAlive(l, [&] { l->onTouchCancelled(touch, event); });
    event->release();
}

void EventDispatcher::touchBegan(Touch* touch, EventTouch* event, const std::vector<EventListener*>& order)
{
    // The claimers' nodes, retained: a listener that hears the touch later may remove (and so
    // free) an earlier claimer that let the touch go on, and the watchers below still look at it.
    struct Claimers {
        std::vector<Node*> nodes;
        ~Claimers()
        {
            for (Node* n : nodes) {
                if (n) n->release();
            }
        }
        void add(Node* n)
        {
            if (n) n->retain();
            nodes.push_back(n);
        }
    } claimers;
    std::vector<const EventListener*> offered;
    for (EventListener* base : order) {
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        if (!isUsable(l)) continue;
        offered.push_back(l);
        event->setCurrentTarget(l->m_node);
        bool claimed = false;
        if (l->onTouchBegan) callWithNodeAlive(l, [&] { claimed = l->onTouchBegan(touch, event); });
        if (claimed && l->m_registered) {
            if (!l->hasClaimed(touch)) l->m_claimed.push_back(touch);
            claimers.add(l->m_node);
            if (l->m_swallow) break;
        }
        if (event->isStopped()) break;
    }
    if (claimers.nodes.empty()) return;
    // Containers that watch their content hear of the touch too, front-most first.
    for (EventListener* base : order) {
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        if (!l->m_watchDescendants || !isUsable(l) || !l->m_node) continue;
        if (std::find(offered.begin(), offered.end(), l) != offered.end()) continue;
        const bool watches = std::any_of(claimers.nodes.begin(), claimers.nodes.end(),
                                         [l](const Node* n) { return n && isAncestorOf(l->m_node, n); });
        if (!watches || !l->onTouchBegan) continue;
        event->setCurrentTarget(l->m_node);
        bool claimed = false;
        callWithNodeAlive(l, [&] { claimed = l->onTouchBegan(touch, event); });
        if (claimed && l->m_registered && !l->hasClaimed(touch)) l->m_claimed.push_back(touch);
    }
}

void EventDispatcher::touchEnded(Touch* touch, EventTouch* event, const std::vector<EventListener*>& order)
{
    const bool ended = event->getEventCode() == EventTouch::EventCode::ENDED;
    for (EventListener* base : order) {
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        auto it = std::find(l->m_claimed.begin(), l->m_claimed.end(), touch);
        if (it == l->m_claimed.end()) continue;
        l->m_claimed.erase(it);
        if (!isUsable(l)) {
            sendCancelled(l, touch);
            continue;
        }
        event->setCurrentTarget(l->m_node);
        auto& fn = ended ? l->onTouchEnded : l->onTouchCancelled;
        if (fn) callWithNodeAlive(l, [&] { fn(touch, event); });
    }
    // Claimers outside the order (a node taken out of the scene while it held the touch): they
    // can no longer take the touch; tell them it is over. Index loop: callbacks may add listeners.
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        EventListener* base = m_listeners[i];
        if (base->m_type != EventListener::Type::TOUCH_ONE_BY_ONE) continue;
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        auto it = std::find(l->m_claimed.begin(), l->m_claimed.end(), touch);
        if (it == l->m_claimed.end()) continue;
        l->m_claimed.erase(it);
        sendCancelled(l, touch);
    }
}

void EventDispatcher::dispatchTouchEvent(EventTouch* event)
{
    if (!m_enabled || !event) return;
    // A copy: callbacks may add or remove listeners (removed ones stay allocated until the
    // outermost dispatch ends, see compact()).
    const std::vector<EventListener*> order = sortedListeners(static_cast<int>(EventListener::Type::TOUCH_ONE_BY_ONE));
    ++m_dispatching;
    const auto code = event->getEventCode();
    for (Touch* touch : event->getTouches()) {
        switch (code) {
        case EventTouch::EventCode::BEGAN: touchBegan(touch, event, order); break;
        case EventTouch::EventCode::MOVED:
            for (EventListener* base : order) {
                auto* l = static_cast<EventListenerTouchOneByOne*>(base);
                if (!isUsable(l) || !l->hasClaimed(touch)) continue;
                event->setCurrentTarget(l->m_node);
                if (l->onTouchMoved) callWithNodeAlive(l, [&] { l->onTouchMoved(touch, event); });
                if (event->isStopped()) break;
            }
            break;
        case EventTouch::EventCode::ENDED:
        case EventTouch::EventCode::CANCELLED: touchEnded(touch, event, order); break;
        }
    }
    --m_dispatching;
    if (m_dispatching == 0) compact();
}

void EventDispatcher::handOverTouch(Touch* touch, EventListenerTouchOneByOne* taker)
{
    if (!touch || !taker || !taker->m_registered) return;
    ++m_dispatching;
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        EventListener* base = m_listeners[i];
        if (base == taker || base->m_type != EventListener::Type::TOUCH_ONE_BY_ONE) continue;
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        auto it = std::find(l->m_claimed.begin(), l->m_claimed.end(), touch);
        if (it == l->m_claimed.end()) continue;
        l->m_claimed.erase(it);
        sendCancelled(l, touch);
    }
    if (taker->m_registered && !taker->hasClaimed(touch)) taker->m_claimed.push_back(touch);
    --m_dispatching;
    if (m_dispatching == 0) compact();
}

void EventDispatcher::cancelTouchClaim(Touch* touch, EventListenerTouchOneByOne* listener, bool notify)
{
    if (!touch || !listener) return;
    auto it = std::find(listener->m_claimed.begin(), listener->m_claimed.end(), touch);
    if (it == listener->m_claimed.end()) return;
    listener->m_claimed.erase(it);
    if (!notify) return;
    ++m_dispatching;
    sendCancelled(listener, touch);
    --m_dispatching;
    if (m_dispatching == 0) compact();
}

bool EventDispatcher::isTouchClaimedByOthers(const Touch* touch, const EventListener* except) const
{
    return std::any_of(m_listeners.begin(), m_listeners.end(), [&](const EventListener* l) {
        return l != except && l->m_registered && l->m_type == EventListener::Type::TOUCH_ONE_BY_ONE &&
               static_cast<const EventListenerTouchOneByOne*>(l)->hasClaimed(touch);
    });
}

bool EventDispatcher::deliverWheel(EventListener* listener, EventMouse* event) const
{
    // Fixed-priority listeners hear every wheel event; a node's listener only when the pointer is
    // over the node as drawn.
    Node* node = listener->m_node;
    return !node || node->hitTestContent(event->getLocation());
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
    const std::vector<EventListener*> order = sortedListeners(static_cast<int>(type));
    ++m_dispatching;
    bool wheelTaken = false;
    for (EventListener* l : order) {
        if (!isUsable(l)) continue;
        event->setCurrentTarget(l->m_node);
        if (type == EventListener::Type::KEYBOARD) {
            auto* k = static_cast<EventListenerKeyboard*>(l);
            auto* e = static_cast<EventKeyboard*>(event);
            auto& fn = e->isPressed() ? k->onKeyPressed : k->onKeyReleased;
            if (fn) callWithNodeAlive(l, [&] { fn(e->getKeyCode(), event); });
        } else {
            auto* m = static_cast<EventListenerMouse*>(l);
            auto* e = static_cast<EventMouse*>(event);
            std::function<void(EventMouse*)>* fn = nullptr;
            switch (e->getMouseEventType()) {
            case EventMouse::MouseEventType::MOUSE_DOWN: fn = &m->onMouseDown; break;
            case EventMouse::MouseEventType::MOUSE_UP: fn = &m->onMouseUp; break;
            case EventMouse::MouseEventType::MOUSE_MOVE: fn = &m->onMouseMove; break;
            case EventMouse::MouseEventType::MOUSE_SCROLL:
                // One node under the pointer takes the wheel: the front-most that listens for it.
                if (!m->onMouseScroll || (l->m_node && wheelTaken) || !deliverWheel(l, e)) break;
                if (l->m_node) wheelTaken = true;
                fn = &m->onMouseScroll;
                break;
            case EventMouse::MouseEventType::MOUSE_NONE: break;
            }
            if (fn && *fn) callWithNodeAlive(l, [&] { (*fn)(e); });
        }
        if (event->isStopped()) break;
    }
    --m_dispatching;
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
