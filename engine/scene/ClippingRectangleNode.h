#pragma once
// A node that draws its children only inside a rectangle (the scissor box). Clips nest: a
// clipping node inside another draws only where both rectangles overlap. Hit-testing of the
// children (Node::hitTestContent, widgets) rejects points outside the rectangle. The rectangle
// is axis-aligned in world space (the hull of the region when the node is rotated).
// Render thread only.

#include "engine/scene/Node.h"

namespace engine {

class ClippingRectangleNode : public Node {
public:
    static ClippingRectangleNode* create();
    static ClippingRectangleNode* create(const Rect& clippingRegion);

    // Region in this node's space. Until one is set, the region is the content rectangle and
    // follows the content size.
    void setClippingRegion(const Rect& region);
    Rect getClippingRegion() const;
    void setClippingEnabled(bool enabled);
    bool isClippingEnabled() const { return m_clippingEnabled; }

    bool getChildrenClipRegion(Rect* nodeRect) const override;

protected:
    ClippingRectangleNode() = default;

private:
    bool m_clippingEnabled = true;
    bool m_regionSet = false;
    Rect m_region;
};

} // namespace engine
