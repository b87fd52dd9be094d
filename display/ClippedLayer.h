#pragma once
// A full-window layer (positioned by its bottom-left corner, content size = window size until
// set) whose children are drawn only inside its own rectangle. Render thread only.

#include "engine/scene/ClippingRectangleNode.h"

namespace nolvo {

class ClippedLayer : public engine::ClippingRectangleNode {
public:
    bool init() override;
    void setContentSize(const engine::Size& size) override;

protected:
    ClippedLayer();
    // Lets drawing reach this many points above the rectangle (an outline on the top edge).
    void setClipExtensionTop(float points);

private:
    void updateClipRegion();
    float m_extensionTop = 0.0f;
};

} // namespace nolvo
