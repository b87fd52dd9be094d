#pragma once
// A unit of work handed to the renderer during visit() and executed by Renderer::render() in
// queue order. The renderer copies what it needs when the command is added.

#include "engine/math/Mat4.h"

namespace engine {

class RenderCommand {
public:
    enum class Type { QUAD, CUSTOM, CLIP };

    virtual ~RenderCommand() = default;
    Type getType() const { return m_type; }
    const Mat4& getModelView() const { return m_modelView; }

protected:
    explicit RenderCommand(Type type) : m_type(type) {}
    Type m_type;
    Mat4 m_modelView;
};

} // namespace engine
