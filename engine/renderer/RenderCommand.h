#pragma once
// A unit of work queued during visit() and executed by Renderer::render() in queue order.
// Commands are owned by the node that queues them and must outlive the frame.

#include "engine/math/Mat4.h"

namespace engine {

class RenderCommand {
public:
    enum class Type { QUAD, CUSTOM, CLIP };

    virtual ~RenderCommand() = default;
    Type getType() const { return m_type; }
    float getGlobalOrder() const { return m_globalOrder; }
    const Mat4& getModelView() const { return m_modelView; }

protected:
    explicit RenderCommand(Type type) : m_type(type) {}
    Type m_type;
    float m_globalOrder = 0.0f;
    Mat4 m_modelView;
};

} // namespace engine
