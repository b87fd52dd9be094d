#include "engine/input/EventListener.h"

#include <new>

namespace engine {

EventListenerTouchOneByOne* EventListenerTouchOneByOne::create()
{
    auto* listener = new (std::nothrow) EventListenerTouchOneByOne();
    if (listener) listener->autorelease();
    return listener;
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

} // namespace engine
