#pragma once
// A layer whose children are clipped to its own rectangle: visit() queues a command that turns
// the scissor test on for the layer's rectangle (through the GL view, in points), visits as
// usual, and queues one that turns it off again. Render thread only.

#include "engine/renderer/CustomCommand.h"
#include "engine/scene/Layer.h"

namespace nolvo {

class ClippedLayer : public engine::Layer {
public:
    void visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags) override;

protected:
    ClippedLayer() = default;
    // Lets drawing reach this many points above the rectangle (an outline on the top edge).
    void setClipExtensionTop(float points) { m_extensionTop = points; }

private:
    float m_extensionTop = 0.0f;
    engine::CustomCommand m_beginClip;
    engine::CustomCommand m_endClip;
};

} // namespace nolvo
