#include "engine/input/EventListener.h"

#include <algorithm>
#include <new>

namespace engine {

EventListenerTouchOneByOne* EventListenerTouchOneByOne::create()
{
    auto* listener = new (std::nothrow) EventListenerTouchOneByOne();
    if (listener) listener->autorelease();
    return listener;
}

bool EventListenerTouchOneByOne::hasClaimed(const Touch* touch) const
{
    return std::find(m_claimed.begin(), m_claimed.end(), touch) != m_claimed.end();
}

EventListenerMouse* EventListenerMouse::create()
{
    auto* listener = new (std::nothrow) EventListenerMouse();
    if (listener) listener->autorelease();
    return listener;
}

EventListenerKeyboard* EventListenerKeyboard::create()
{
    auto* listener = new (std::nothrow) EventListenerKeyboard();
    if (listener) listener->autorelease();
    return listener;
}

EventListenerCustom* EventListenerCustom::create(const std::string& eventName,
                                                 const std::function<void(EventCustom*)>& callback)
{
    auto* listener = new (std::nothrow) EventListenerCustom();
    if (!listener) return nullptr;
    listener->m_eventName = eventName;
    listener->m_callback = callback;
    listener->autorelease();
    return listener;
}

} // namespace engine
