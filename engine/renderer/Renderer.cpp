#include "engine/renderer/Renderer.h"

#include <cstddef>

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/renderer/ClipCommand.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/QuadCommand.h"

namespace engine {

Renderer::Renderer()
{
    m_vertices.reserve(kMaxBatchQuads * 4);
}

Renderer::~Renderer() = default;

void Renderer::releaseGLObjects()
{
    if (m_vbo) glDeleteBuffers(1, &m_vbo);
    if (m_ibo) glDeleteBuffers(1, &m_ibo);
    m_vbo = m_ibo = 0;
}

void Renderer::addCommand(RenderCommand* command)
{
    if (command) m_queue.push_back(command);
}

void Renderer::setupBuffers()
{
    glGenBuffers(1, &m_vbo);
    glGenBuffers(1, &m_ibo);
    std::vector<GLushort> indices(kMaxBatchQuads * 6);
    for (std::size_t q = 0; q < kMaxBatchQuads; ++q) {
        const auto base = static_cast<GLushort>(q * 4);
        // Quad vertex order: bottom-left, bottom-right, top-left, top-right.
        GLushort* i = &indices[q * 6];
        i[0] = base;
        i[1] = static_cast<GLushort>(base + 1);
        i[2] = static_cast<GLushort>(base + 2);
        i[3] = static_cast<GLushort>(base + 2);
        i[4] = static_cast<GLushort>(base + 1);
        i[5] = static_cast<GLushort>(base + 3);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)), indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Renderer::appendQuads(const QuadCommand& command)
{
    const bool sameMaterial = !m_vertices.empty() && command.getTextureName() == m_batchTexture &&
                              command.getProgramState() == m_batchState && command.getBlendFunc() == m_batchBlend;
    if (!sameMaterial) {
        flush();
        m_batchTexture = command.getTextureName();
        m_batchState = command.getProgramState();
        m_batchBlend = command.getBlendFunc();
    }
    const Mat4& t = command.getModelView();
    const V3F_C4B_T2F_Quad* quads = command.getQuads();
    for (std::size_t q = 0; q < command.getQuadCount(); ++q) {
        if (m_vertices.size() + 4 > kMaxBatchQuads * 4) {
            flush();
        }
        for (const V3F_C4B_T2F* v : {&quads[q].bl, &quads[q].br, &quads[q].tl, &quads[q].tr}) {
            V3F_C4B_T2F w = *v;
            w.x = t.m[0] * v->x + t.m[4] * v->y + t.m[12];
            w.y = t.m[1] * v->x + t.m[5] * v->y + t.m[13];
            w.z = 0.0f;
            m_vertices.push_back(w);
        }
    }
}

void Renderer::flush()
{
    if (m_vertices.empty()) return;
    if (!m_vbo) setupBuffers();
    // Vertices are already in world space: the model-view is the identity.
    if (m_batchState) {
        m_batchState->apply(Mat4::IDENTITY);
    } else {
        GLProgram* program = GLProgramCache::getInstance()->getGLProgram(GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR);
        program->use();
        program->setUniformsForBuiltins(Mat4::IDENTITY);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_batchTexture);
    glEnable(GL_BLEND);
    glBlendFunc(m_batchBlend.src, m_batchBlend.dst);

    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertices.size() * sizeof(V3F_C4B_T2F)), m_vertices.data(),
                 GL_STREAM_DRAW);
    const auto stride = static_cast<GLsizei>(sizeof(V3F_C4B_T2F));
    glEnableVertexAttribArray(GLProgram::VERTEX_ATTRIB_POSITION);
    glEnableVertexAttribArray(GLProgram::VERTEX_ATTRIB_COLOR);
    glEnableVertexAttribArray(GLProgram::VERTEX_ATTRIB_TEX_COORD);
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, x)));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, r)));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_TEX_COORD, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, u)));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    const auto indexCount = static_cast<GLsizei>(m_vertices.size() / 4 * 6);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    ++m_drawCalls;
    m_vertices.clear();
}

void Renderer::pushClipRect(const Rect& worldRect)
{
    Rect clip = worldRect;
    if (!m_clips.empty()) {
        // Intersection with the clip in force; an empty intersection clips everything.
        const Rect& outer = m_clips.back();
        const float x0 = std::max(clip.getMinX(), outer.getMinX());
        const float y0 = std::max(clip.getMinY(), outer.getMinY());
        const float x1 = std::min(clip.getMaxX(), outer.getMaxX());
        const float y1 = std::min(clip.getMaxY(), outer.getMaxY());
        clip = Rect(x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0));
    }
    m_clips.push_back(clip);
    applyClip();
}

void Renderer::popClipRect()
{
    if (!m_clips.empty()) m_clips.pop_back();
    applyClip();
}

void Renderer::applyClip() const
{
    if (m_clips.empty()) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    const Rect& r = m_clips.back();
    glEnable(GL_SCISSOR_TEST);
    if (GLView* view = Director::getInstance()->getOpenGLView()) {
        view->setScissorInPoints(r.origin.x, r.origin.y, r.size.width, r.size.height);
    } else {
        glScissor(static_cast<GLint>(r.origin.x), static_cast<GLint>(r.origin.y), static_cast<GLsizei>(r.size.width),
                  static_cast<GLsizei>(r.size.height));
    }
}

void Renderer::render()
{
    m_drawCalls = 0;
    m_vertices.clear();
    m_clips.clear();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_BLEND);
    for (RenderCommand* command : m_queue) {
        if (command->getType() == RenderCommand::Type::QUAD) {
            appendQuads(*static_cast<QuadCommand*>(command));
            continue;
        }
        flush();
        if (command->getType() == RenderCommand::Type::CLIP) {
            const auto* clip = static_cast<const ClipCommand*>(command);
            if (clip->getOp() == ClipCommand::Op::PUSH) pushClipRect(clip->getRect());
            else popClipRect();
            continue;
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        static_cast<CustomCommand*>(command)->execute();
        ++m_drawCalls;
    }
    flush();
    m_queue.clear();
    // Unpaired pushes end with the frame.
    m_clips.clear();
    glDisable(GL_SCISSOR_TEST);
}

} // namespace engine
