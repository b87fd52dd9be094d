#include "engine/app/KeyMap.h"

#include <SDL2/SDL_keycode.h>

namespace engine {

EventKeyboard::KeyCode keyCodeFromSdl(int key)
{
    using K = EventKeyboard::KeyCode;
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<K>(static_cast<int>(K::KEY_A) + (key - SDLK_a));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return static_cast<K>(static_cast<int>(K::KEY_0) + (key - SDLK_0));
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return static_cast<K>(static_cast<int>(K::KEY_F1) + (key - SDLK_F1));
    }
    switch (key) {
    case SDLK_ESCAPE: return K::KEY_ESCAPE;
    case SDLK_SPACE: return K::KEY_SPACE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return K::KEY_ENTER;
    case SDLK_TAB: return K::KEY_TAB;
    case SDLK_BACKSPACE: return K::KEY_BACKSPACE;
    case SDLK_DELETE: return K::KEY_DELETE;
    case SDLK_LEFT: return K::KEY_LEFT_ARROW;
    case SDLK_RIGHT: return K::KEY_RIGHT_ARROW;
    case SDLK_UP: return K::KEY_UP_ARROW;
    case SDLK_DOWN: return K::KEY_DOWN_ARROW;
    case SDLK_PLUS:
    case SDLK_KP_PLUS: return K::KEY_PLUS;
    case SDLK_MINUS:
    case SDLK_KP_MINUS: return K::KEY_MINUS;
    case SDLK_EQUALS: return K::KEY_EQUAL;
    case SDLK_PAGEUP: return K::KEY_PG_UP;
    case SDLK_PAGEDOWN: return K::KEY_PG_DOWN;
    case SDLK_HOME: return K::KEY_HOME;
    case SDLK_END: return K::KEY_END;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return K::KEY_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return K::KEY_CTRL;
    case SDLK_LALT:
    case SDLK_RALT: return K::KEY_ALT;
    default: return K::KEY_NONE;
    }
}

} // namespace engine
