#pragma once
// Told which button of an AlertViewLayer was pressed. Render thread.

#include <cstdint>

namespace nolvo {

class AlertViewLayer;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    // `buttonIndex` is the button's index in the title list given to AlertViewLayer::create; the
    // extra action button reports AlertViewLayer::kExtraActionIndex. The alert is removed right
    // after this returns.
    virtual void alertViewClicked(AlertViewLayer* alert, std::int32_t buttonIndex) = 0;
};

} // namespace nolvo
