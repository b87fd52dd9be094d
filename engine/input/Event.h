#pragma once
// Events delivered by the EventDispatcher: touches, mouse (buttons, motion, wheel), keys and
// named custom events (window resized and the like).

#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/math/Vec2.h"

namespace engine {

class Node;
class Touch;

class Event : public Ref {
public:
    enum class Type { TOUCH, MOUSE, KEYBOARD, CUSTOM };

    Type getType() const { return m_type; }
    // Stops delivery to the listeners after the current one.
    void stopPropagation() { m_stopped = true; }
    bool isStopped() const { return m_stopped; }
    // Node of the listener being called (null for fixed-priority listeners).
    Node* getCurrentTarget() const { return m_currentTarget; }
    void setCurrentTarget(Node* target) { m_currentTarget = target; }

protected:
    explicit Event(Type type) : m_type(type) {}

private:
    Type m_type;
    bool m_stopped = false;
    Node* m_currentTarget = nullptr;
};

class EventTouch : public Event {
public:
    enum class EventCode { BEGAN, MOVED, ENDED, CANCELLED };
    static constexpr int MAX_TOUCHES = 15;

    EventTouch() : Event(Type::TOUCH) {}
    EventCode getEventCode() const { return m_code; }
    void setEventCode(EventCode code) { m_code = code; }
    const std::vector<Touch*>& getTouches() const { return m_touches; }
    void setTouches(const std::vector<Touch*>& touches) { m_touches = touches; }

private:
    EventCode m_code = EventCode::BEGAN;
    std::vector<Touch*> m_touches;
};

class EventMouse : public Event {
public:
    enum class MouseEventType { MOUSE_NONE, MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE, MOUSE_SCROLL };
    enum class MouseButton { BUTTON_UNSET = -1, BUTTON_LEFT = 0, BUTTON_RIGHT = 1, BUTTON_MIDDLE = 2 };

    explicit EventMouse(MouseEventType type) : Event(Type::MOUSE), m_mouseType(type) {}
    MouseEventType getMouseEventType() const { return m_mouseType; }
    // Wheel steps: y positive when the wheel turns away from the user, x positive to the right.
    float getScrollX() const { return m_scrollX; }
    float getScrollY() const { return m_scrollY; }
    void setScrollData(float x, float y) { m_scrollX = x; m_scrollY = y; }
    // Pointer in GL points (origin bottom-left).
    Vec2 getLocation() const { return m_location; }
    float getCursorX() const { return m_location.x; }
    float getCursorY() const { return m_location.y; }
    void setLocation(const Vec2& location) { m_location = location; }
    MouseButton getMouseButton() const { return m_button; }
    void setMouseButton(MouseButton button) { m_button = button; }

private:
    MouseEventType m_mouseType;
    float m_scrollX = 0.0f;
    float m_scrollY = 0.0f;
    Vec2 m_location;
    MouseButton m_button = MouseButton::BUTTON_UNSET;
};

class EventKeyboard : public Event {
public:
    // The keys the program binds; anything else arrives as KEY_NONE with its SDL key code kept.
    enum class KeyCode {
        KEY_NONE, KEY_ESCAPE, KEY_SPACE, KEY_ENTER, KEY_TAB, KEY_BACKSPACE, KEY_DELETE,
        KEY_LEFT_ARROW, KEY_RIGHT_ARROW, KEY_UP_ARROW, KEY_DOWN_ARROW, KEY_PLUS, KEY_MINUS,
        KEY_EQUAL, KEY_PG_UP, KEY_PG_DOWN, KEY_HOME, KEY_END,
        KEY_SHIFT, KEY_CTRL, KEY_ALT,
        KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9,
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
        KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12,
    };

    EventKeyboard(KeyCode code, bool pressed, int rawKey = 0)
        : Event(Type::KEYBOARD), m_code(code), m_pressed(pressed), m_rawKey(rawKey) {}
    KeyCode getKeyCode() const { return m_code; }
    bool isPressed() const { return m_pressed; }
    int getRawKey() const { return m_rawKey; }

private:
    KeyCode m_code;
    bool m_pressed;
    int m_rawKey;
};

// A named event carrying an optional pointer to data owned by whoever dispatches it (valid only
// during the dispatch).
class EventCustom : public Event {
public:
    explicit EventCustom(const std::string& name) : Event(Type::CUSTOM), m_name(name) {}
    const std::string& getEventName() const { return m_name; }
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }

private:
    std::string m_name;
    void* m_userData = nullptr;
};

} // namespace engine
