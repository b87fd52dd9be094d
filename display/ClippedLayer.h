#pragma once
// A full-window layer (positioned by its bottom-left corner, content size = window size until
// set) whose children are drawn only inside its own rectangle. Render thread only.

#include "engine/scene/ClippingRectangleNode.h"

namespace nolvo {

class ClippedLayer : public engine::ClippingRectangleNode {
public:
    bool init() override;

protected:
    ClippedLayer();
};

} // namespace nolvo
