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

void ClippedLayer::setContentSize(const engine::Size& size)
{
    engine::ClippingRectangleNode::setContentSize(size);
    updateClipRegion();
}

void ClippedLayer::setClipExtensionTop(float points)
{
    m_extensionTop = points;
    updateClipRegion();
}

void ClippedLayer::updateClipRegion()
{
    const engine::Size size = getContentSize();
    setClippingRegion(engine::Rect(0.0f, 0.0f, size.width, size.height + m_extensionTop));
}

} // namespace nolvo
