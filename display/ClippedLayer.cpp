#include "display/ClippedLayer.h"

#include "engine/app/Director.h"

namespace nolvo {

ClippedLayer::ClippedLayer()
{
    // Placed like a layer: the position is the bottom-left corner.
    setIgnoreAnchorPointForPosition(true);
    setAnchorPoint(engine::Vec2::ANCHOR_MIDDLE);
}

bool ClippedLayer::init()
{
    if (!engine::ClippingRectangleNode::init()) return false;
    setContentSize(engine::Director::getInstance()->getWinSize());
    return true;
}

} // namespace nolvo
