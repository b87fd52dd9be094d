#pragma once
// A small box of text lines over a table (the numbers behind a channel proposal). It swallows
// every touch while shown; a click anywhere closes it through its close callback. Render thread.

#include <functional>
#include <string>
#include <vector>

#include "engine/scene/Layer.h"

namespace engine {
class EventListenerTouchOneByOne;
class Label;
}

namespace nolvo {

class ProposalPopover : public engine::LayerColor {
public:
    // Null when it cannot be built. The box is sized to the longest line.
    static ProposalPopover* create(const std::vector<std::string>& lines, float fontSize);
    void setCloseCallback(std::function<void()> callback) { m_onClose = std::move(callback); }
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    ProposalPopover() = default;
    bool initWithLines(const std::vector<std::string>& lines, float fontSize);

    std::vector<std::string> m_lines;
    std::function<void()> m_onClose;
};

} // namespace nolvo
