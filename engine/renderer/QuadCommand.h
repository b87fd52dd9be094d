#pragma once
// Textured, coloured quads in node space, drawn with one texture, program state and blend
// function. Consecutive quad commands with the same material are drawn in one batch.

#include <cstddef>

#include <GL/glew.h>

#include "engine/base/Types.h"
#include "engine/renderer/RenderCommand.h"

namespace engine {

class GLProgramState;

class QuadCommand : public RenderCommand {
public:
    QuadCommand() : RenderCommand(Type::QUAD) {}

    // quads are copied when the command is added; modelView maps them to world space.
    void init(GLuint textureName, GLProgramState* programState, const BlendFunc& blend,
              const V3F_C4B_T2F_Quad* quads, std::size_t quadCount, const Mat4& modelView)
    {
        m_textureName = textureName;
        m_programState = programState;
        m_blend = blend;
        m_quads = quads;
        m_quadCount = quadCount;
        m_modelView = modelView;
    }

    GLuint getTextureName() const { return m_textureName; }
    GLProgramState* getProgramState() const { return m_programState; }
    const BlendFunc& getBlendFunc() const { return m_blend; }
    const V3F_C4B_T2F_Quad* getQuads() const { return m_quads; }
    std::size_t getQuadCount() const { return m_quadCount; }

private:
    GLuint m_textureName = 0;
    GLProgramState* m_programState = nullptr;
    BlendFunc m_blend;
    const V3F_C4B_T2F_Quad* m_quads = nullptr;
    std::size_t m_quadCount = 0;
};

} // namespace engine
