#pragma once
// Runs a function with raw OpenGL at its place in the frame. The renderer copies the function
// and the model-view when the command is added; an owner set here (the node whose members the
// function uses) is retained until the frame is drawn. When it runs, the renderer has
// flushed everything queued before it, no buffer object is bound to GL_ARRAY_BUFFER or
// GL_ELEMENT_ARRAY_BUFFER (client-side vertex arrays work), blending is on and the scissor
// state is the clip in force (Renderer::getClipRect). The function must leave the bound program,
// texture, buffers and scissor state to the renderer (it rebinds what it needs; clipping goes
// through ClippingRectangleNode).

#include <cstdint>
#include <functional>

#include "engine/base/Ref.h"
#include "engine/renderer/RenderCommand.h"

namespace engine {

class CustomCommand : public RenderCommand {
public:
    CustomCommand() : RenderCommand(Type::CUSTOM) {}

    void init(const Mat4& modelView) { m_modelView = modelView; }
    void execute() const
    {
        if (func) func();
    }
    void setOwner(Ref* owner) { m_owner = owner; }
    Ref* getOwner() const { return m_owner; }

    std::function<void()> func;

private:
    Ref* m_owner = nullptr;
};

} // namespace engine
