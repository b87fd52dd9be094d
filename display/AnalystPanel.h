#pragma once
// A panel over the plot for the Wi-Fi analyst views (signal history, channel occupancy): a dark
// background over its rectangle, a title bar with text buttons and a close button, and a content
// rectangle for the subclass to draw in. It swallows touches inside its rectangle and hands the
// wheel over it to onWheel. Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "engine/scene/Layer.h"

namespace engine {
class Label;
namespace ui {
class Button;
}
}

namespace nolvo {

class AnalystPanel : public engine::LayerColor {
public:
    static constexpr float kTitleBarHeight = 30.0f;

    void setCloseCallback(std::function<void()> callback) { m_onClose = std::move(callback); }
    // Asks the owner to close the panel (close button, Esc).
    void requestClose();
    // Keys while the panel is shown; true when it used the key. Esc closes.
    virtual bool handleKey(int keyCode, int rawKey);
    // The area below the title bar, in this node's coordinates.
    engine::Rect contentRect() const;
    // Text buttons of the title bar, left of the close button, in the order added.
    engine::ui::Button* button(std::size_t index) const { return index < m_buttons.size() ? m_buttons[index] : nullptr; }
    engine::Label* titleLabel() const { return m_title; }

    // Makes a label with the program's font (a system font when it cannot be loaded); may be null.
    static engine::Label* makeLabel(const std::string& text, float size, bool bold = false);

protected:
    AnalystPanel() = default;
    bool initPanel(const engine::Rect& area, const std::string& title);
    engine::ui::Button* addTitleButton(const std::string& title, std::function<void()> pressed);
    virtual void onWheel(float /*scrollY*/) {}

private:
    std::function<void()> m_onClose;
    engine::Label* m_title = nullptr;
    std::vector<engine::ui::Button*> m_buttons;
    float m_buttonsLeftOf = 0.0f; // x where the next title button ends
};

} // namespace nolvo
