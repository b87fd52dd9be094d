#pragma once
// Translation of SDL key codes to the engine's key codes.

#include "engine/input/Event.h"

namespace engine {

// KEY_NONE for keys the engine does not name.
EventKeyboard::KeyCode keyCodeFromSdl(int sdlKey);

} // namespace engine
