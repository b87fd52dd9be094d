#pragma once
// The pickers a menu row opens, modal over the menu (MenuController::showPicker):
//
//   PickerWheel        single choice: a wheel of rows ("left-edge.png", "middle-edge.png",
//                      "right-edge.png", "wheel.png") with the highlighted row in the middle.
//                      Drag or turn the mouse wheel to move it, arrows / Page Up / Page Down /
//                      Home / End on the keyboard; a tap on a row or Enter chooses and closes.
//   MultiChoicePicker  several rows with check marks: a tap (or Enter / Space on the focused
//                      row) turns a row on or off at once; the arrows move the focus.
//
// Both close without a choice on Esc or on a tap outside them. A picker takes every touch while
// it is open. Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "engine/input/Event.h"
#include "engine/scene/Node.h"

namespace engine {
class DrawNode;
class EventListenerMouse;
class EventListenerTouchOneByOne;
class Label;
class Touch;
}

namespace nolvo {

struct MenuMetrics;

class PickerLayer : public engine::Node {
public:
    ~PickerLayer() override;
    // Keys while the picker is open; true when used.
    virtual bool handleKey(engine::EventKeyboard::KeyCode key) = 0;
    // Mouse wheel steps over the picker (positive: away from the user).
    virtual void wheel(float steps) = 0;
    // The same at a point of the picker (pickers with several parts step the one under it).
    virtual void wheelAt(const engine::Vec2& local, float steps) { (void)local; wheel(steps); }
    // The picker's frame in world coordinates.
    engine::Rect frameInWorld() const;
    // Places the picker `width` wide, centred on `anchor` (world) and kept inside the visible area.
    void placeNear(const engine::Rect& anchor, float width);
    // Closes through the controller (no choice).
    void dismiss();

    void onEnter() override;
    void onExit() override;

protected:
    PickerLayer() = default;
    bool initPicker(const MenuMetrics& metrics);
    virtual void relayout() = 0;
    virtual void tapAt(const engine::Vec2& local) = 0;
    // A drag starts at `local` (where the touch began).
    virtual void dragBegan(const engine::Vec2& local) { (void)local; }
    virtual void dragBy(float dy) { (void)dy; }
    virtual void dragEnded() {}

    float m_rowHeight = 32.0f;
    float m_fontSize = 16.0f;

private:
    engine::EventListenerTouchOneByOne* m_touch = nullptr;
    engine::EventListenerMouse* m_mouse = nullptr;
    engine::Vec2 m_touchStart;
    float m_lastY = 0.0f;
    bool m_dragging = false;
};

class PickerWheel : public PickerLayer {
public:
    static constexpr int kVisibleRows = 5;
    using Chosen = std::function<void(int)>;

    // `current` is the highlighted row at first (-1: none; the wheel starts at row 0).
    static PickerWheel* create(std::vector<std::string> rows, int current, Chosen chosen, const MenuMetrics& metrics);

    bool handleKey(engine::EventKeyboard::KeyCode key) override;
    void wheel(float steps) override;

    // Moves the highlight by `rows` (clamped to the list).
    void move(int rows);
    // Chooses row i: reports it and closes.
    void choose(int row);
    int highlightedRow() const;
    const std::vector<std::string>& rowTexts() const { return m_rows; }
    // Texts shown now, top to bottom, for tests.
    std::vector<std::string> visibleTexts() const;

protected:
    void relayout() override;
    void tapAt(const engine::Vec2& local) override;
    void dragBy(float dy) override;
    void dragEnded() override;

private:
    bool initWheel(std::vector<std::string> rows, int current, Chosen chosen, const MenuMetrics& metrics);
    void updateLabels();

    std::vector<std::string> m_rows;
    Chosen m_chosen;
    float m_position = 0.0f; // row at the centre, fractional while dragging
    std::vector<engine::Label*> m_labels; // kVisibleRows + 2, reused as the wheel turns
    std::vector<int> m_labelRows;
    engine::Node* m_frame = nullptr;
};

class MultiChoicePicker : public PickerLayer {
public:
    using IsOn = std::function<bool(int)>;
    using Toggle = std::function<void(int)>;

    static MultiChoicePicker* create(std::vector<std::string> rows, IsOn isOn, Toggle toggle,
                                     const MenuMetrics& metrics);

    bool handleKey(engine::EventKeyboard::KeyCode key) override;
    void wheel(float steps) override;

    void toggle(int row);
    void moveFocus(int rows);
    int focusedRow() const { return m_focus; }
    bool isRowOn(int row) const;
    const std::vector<std::string>& rowTexts() const { return m_rows; }
    // Re-reads the check marks.
    void refreshMarks();

protected:
    void relayout() override;
    void tapAt(const engine::Vec2& local) override;

private:
    bool initChoices(std::vector<std::string> rows, IsOn isOn, Toggle toggle, const MenuMetrics& metrics);
    int rowAt(float localY) const;

    std::vector<std::string> m_rows;
    IsOn m_isOn;
    Toggle m_toggle;
    int m_focus = 0;
    std::vector<engine::Label*> m_labels;
    engine::DrawNode* m_marks = nullptr;
    engine::Node* m_frame = nullptr;
};

} // namespace nolvo
