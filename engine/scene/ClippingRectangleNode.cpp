#include "engine/scene/ClippingRectangleNode.h"

#include <algorithm>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"

namespace engine {

ClippingRectangleNode* ClippingRectangleNode::create()
{
    auto* node = new (std::nothrow) ClippingRectangleNode();
    if (node && node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

ClippingRectangleNode* ClippingRectangleNode::create(const Rect& clippingRegion)
{
    ClippingRectangleNode* node = create();
    if (node) node->setClippingRegion(clippingRegion);
    return node;
}

void ClippingRectangleNode::setClippingRegion(const Rect& region)
{
    if (m_regionSet && region == m_region) return;
    m_region = region;
    m_regionSet = true;
    Director::markDirty();
}

Rect ClippingRectangleNode::getClippingRegion() const
{
    if (m_regionSet) return m_region;
    const Size size = getContentSize();
    return {0.0f, 0.0f, size.width, size.height};
}

void ClippingRectangleNode::setClippingEnabled(bool enabled)
{
    if (enabled == m_clippingEnabled) return;
    m_clippingEnabled = enabled;
    Director::markDirty();
}

bool ClippingRectangleNode::getChildrenClipRegion(Rect* nodeRect) const
{
    if (!m_clippingEnabled) return false;
    if (nodeRect) *nodeRect = getClippingRegion();
    return true;
}

} // namespace engine
