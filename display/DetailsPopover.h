#pragma once
// The details popover of an access point picked on the overlay: a box of text lines (the first
// one bold) with an "ADD TO HISTORY" button. A touch on the button adds the access point to the
// signal history view's picks; any other touch, on the box or elsewhere, closes it. Render thread.

#include <functional>
#include <string>
#include <vector>

#include "engine/scene/Layer.h"

namespace engine {
namespace ui {
class Button;
}
}

namespace nolvo {

class DetailsPopover : public engine::LayerColor {
public:
    static DetailsPopover* create(const std::vector<std::string>& lines, float fontSize);
    void setCloseCallback(std::function<void()> callback) { m_onClose = std::move(callback); }
    void setAddCallback(std::function<void()> callback) { m_onAdd = std::move(callback); }
    const std::vector<std::string>& lines() const { return m_lines; }
    engine::ui::Button* addButton() const { return m_add; }

private:
    DetailsPopover() = default;
    bool initWithLines(const std::vector<std::string>& lines, float fontSize);

    std::vector<std::string> m_lines;
    std::function<void()> m_onClose;
    std::function<void()> m_onAdd;
    engine::ui::Button* m_add = nullptr;
};

} // namespace nolvo
