#include "engine/scene/ClippingRectangleNode.h"

#include <algorithm>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"

namespace engine {

namespace {

Rect hull(const Mat4& t, const Rect& r)
{
    const Vec2 corners[4] = {t.transformPoint({r.getMinX(), r.getMinY()}), t.transformPoint({r.getMaxX(), r.getMinY()}),
                             t.transformPoint({r.getMinX(), r.getMaxY()}), t.transformPoint({r.getMaxX(), r.getMaxY()})};
    float x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const Vec2& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace

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

bool ClippingRectangleNode::getChildrenClipRect(Rect* worldRect) const
{
    if (!m_clippingEnabled) return false;
    if (worldRect) *worldRect = rectToWorld(getClippingRegion());
    return true;
}

void ClippingRectangleNode::visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (!isVisible()) return;
    if (!m_clippingEnabled) {
        Node::visit(renderer, parentTransform, parentFlags);
        return;
    }
    // The same transform Node::visit computes for this node.
    m_begin.init(getGlobalZOrder(), hull(parentTransform * getNodeToParentTransform(), getClippingRegion()));
    renderer->addCommand(&m_begin);
    Node::visit(renderer, parentTransform, parentFlags);
    m_end.init(getGlobalZOrder());
    renderer->addCommand(&m_end);
}

} // namespace engine
