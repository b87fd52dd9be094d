#pragma once
// Narrows (push) or restores (pop) the renderer's clip rectangle at its place in the frame.
// A push intersects the current clip with a rectangle in world points; the matching pop brings
// back the clip that was in force before it. Pushes and pops must pair up within a frame.

#include "engine/math/Geometry.h"
#include "engine/renderer/RenderCommand.h"

namespace engine {

class ClipCommand : public RenderCommand {
public:
    enum class Op { PUSH, POP };

    explicit ClipCommand(Op op) : RenderCommand(Type::CLIP), m_op(op) {}
    void init(const Rect& worldRect = Rect::ZERO) { m_rect = worldRect; }
    Op getOp() const { return m_op; }
    const Rect& getRect() const { return m_rect; }

private:
    Op m_op;
    Rect m_rect;
};

} // namespace engine
