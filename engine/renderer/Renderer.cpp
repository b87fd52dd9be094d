#include "engine/renderer/Renderer.h"

#include <cmath>
#include <cstddef>

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/base/Ref.h"
#include "engine/renderer/ClipCommand.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/QuadCommand.h"
#include "engine/text/GlyphAtlas.h"

namespace engine {

namespace {
V3F_C4B_T2F toWorld(const Mat4& t, const V3F_C4B_T2F& v)
{
    V3F_C4B_T2F w = v;
    w.x = t.m[0] * v.x + t.m[4] * v.y + t.m[12];
    w.y = t.m[1] * v.x + t.m[5] * v.y + t.m[13];
    w.z = 0.0f;
    return w;
}

Rect intersect(const Rect& a, const Rect& b)
{
    const float x0 = std::max(a.getMinX(), b.getMinX());
    const float y0 = std::max(a.getMinY(), b.getMinY());
    const float x1 = std::min(a.getMaxX(), b.getMaxX());
    const float y1 = std::min(a.getMaxY(), b.getMaxY());
    return {x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0)};
}
}

Renderer::Renderer()
{
    m_vertices.reserve(4096);
}

Renderer::~Renderer()
{
    releaseKept();
}

void Renderer::releaseGLObjects()
{
    if (m_vbo) glDeleteBuffers(1, &m_vbo);
    m_vbo = 0;
}

void Renderer::keep(Ref* ref)
{
    if (!ref) return;
    ref->retain();
    m_kept.push_back(ref);
}

void Renderer::releaseKept()
{
    // Releasing may free nodes whose destructors touch the renderer: take the list first.
    std::vector<Ref*> kept;
    kept.swap(m_kept);
    m_lastKeptState = nullptr;
    for (Ref* ref : kept) ref->release();
}

void Renderer::addCommand(RenderCommand* command)
{
    if (!command) return;
    switch (command->getType()) {
    case RenderCommand::Type::QUAD: {
        const auto* quad = static_cast<const QuadCommand*>(command);
        addQuads(quad->getTextureName(), quad->getProgramState(), quad->getBlendFunc(), quad->getQuads(),
                 quad->getQuadCount(), quad->getModelView());
        break;
    }
    case RenderCommand::Type::CLIP: {
        const auto* clip = static_cast<const ClipCommand*>(command);
        if (clip->getOp() == ClipCommand::Op::PUSH) pushClip(clip->getRect());
        else popClip();
        break;
    }
    case RenderCommand::Type::CUSTOM: {
        const auto* custom = static_cast<const CustomCommand*>(command);
        addCustom(custom->getModelView(), custom->func, custom->getOwner());
        break;
    }
    }
}

void Renderer::beginGeometry(GLuint texture, GLProgramState* state, const BlendFunc& blend)
{
    const int clip = m_visitClips.empty() ? -1 : m_visitClips.back();
    if (!m_ops.empty()) {
        const Op& last = m_ops.back();
        if (!last.custom && last.texture == texture && last.state == state && last.blend == blend && last.clip == clip) {
            return;
        }
    }
    if (state && state != m_lastKeptState) {
        keep(state);
        m_lastKeptState = state;
    }
    Op op;
    op.texture = texture;
    op.state = state;
    op.blend = blend;
    op.clip = clip;
    op.first = m_vertices.size();
    m_ops.push_back(op);
}

void Renderer::addQuads(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F_Quad* quads,
                        std::size_t count, const Mat4& t)
{
    if (!quads || count == 0) return;
    beginGeometry(texture, state, blend);
    const std::size_t base = m_vertices.size();
    m_vertices.resize(base + count * 6);
    V3F_C4B_T2F* out = &m_vertices[base];
    for (std::size_t q = 0; q < count; ++q) {
        const V3F_C4B_T2F bl = toWorld(t, quads[q].bl);
        const V3F_C4B_T2F br = toWorld(t, quads[q].br);
        const V3F_C4B_T2F tl = toWorld(t, quads[q].tl);
        const V3F_C4B_T2F tr = toWorld(t, quads[q].tr);
        out[0] = bl;
        out[1] = br;
        out[2] = tl;
        out[3] = tl;
        out[4] = br;
        out[5] = tr;
        out += 6;
    }
    m_ops.back().count += count * 6;
}

void Renderer::addTriangles(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F* vertices,
                            std::size_t count, const Mat4& t)
{
    count -= count % 3;
    if (!vertices || count == 0) return;
    beginGeometry(texture, state, blend);
    const std::size_t base = m_vertices.size();
    m_vertices.resize(base + count);
    for (std::size_t i = 0; i < count; ++i) m_vertices[base + i] = toWorld(t, vertices[i]);
    m_ops.back().count += count;
}

void Renderer::addLines(GLuint texture, GLProgramState* state, const BlendFunc& blend, const V3F_C4B_T2F* vertices,
                        std::size_t count, float width, const Mat4& t)
{
    count -= count % 2;
    if (!vertices || count == 0) return;
    beginGeometry(texture, state, blend);
    const float s = m_pixelScale;
    const float pixels = std::max(1.0f, std::round(width * s));
    const float half = pixels * 0.5f / s;  // world points
    // Centre of a line covering whole pixels: between pixels for an even width, on one for odd.
    const bool odd = static_cast<int>(pixels) % 2 == 1;
    auto snap = [&](float v) {
        const float p = v * s;
        return (odd ? std::floor(p) + 0.5f : std::round(p)) / s;
    };
    const std::size_t base = m_vertices.size();
    m_vertices.resize(base + count * 3);
    V3F_C4B_T2F* out = &m_vertices[base];
    for (std::size_t i = 0; i < count; i += 2) {
        V3F_C4B_T2F a = toWorld(t, vertices[i]);
        V3F_C4B_T2F b = toWorld(t, vertices[i + 1]);
        float nx = 0.0f, ny = 0.0f;
        if (std::fabs(a.y - b.y) * s < 1e-3f) {
            a.y = b.y = snap(a.y);
            ny = half;
        } else if (std::fabs(a.x - b.x) * s < 1e-3f) {
            a.x = b.x = snap(a.x);
            nx = half;
        } else {
            const float dx = b.x - a.x, dy = b.y - a.y;
            const float len = std::sqrt(dx * dx + dy * dy);
            nx = -dy / len * half;
            ny = dx / len * half;
        }
        V3F_C4B_T2F c0 = a, c1 = b, c2 = a, c3 = b;
        c0.x -= nx;
        c0.y -= ny;
        c1.x -= nx;
        c1.y -= ny;
        c2.x += nx;
        c2.y += ny;
        c3.x += nx;
        c3.y += ny;
        out[0] = c0;
        out[1] = c1;
        out[2] = c2;
        out[3] = c2;
        out[4] = c1;
        out[5] = c3;
        out += 6;
    }
    m_ops.back().count += count * 3;
}

void Renderer::addCustom(const Mat4& modelView, std::function<void()> func, Ref* owner)
{
    if (!func) return;
    keep(owner);
    Op op;
    op.custom = true;
    op.clip = m_visitClips.empty() ? -1 : m_visitClips.back();
    op.customIndex = m_customs.size();
    m_customs.push_back({modelView, std::move(func)});
    m_ops.push_back(op);
}

void Renderer::pushClip(const Rect& worldRect)
{
    Rect clip = worldRect;
    if (!m_visitClips.empty()) clip = intersect(clip, m_clipRects[static_cast<std::size_t>(m_visitClips.back())]);
    m_clipRects.push_back(clip);
    m_visitClips.push_back(static_cast<int>(m_clipRects.size()) - 1);
}

void Renderer::popClip()
{
    if (!m_visitClips.empty()) m_visitClips.pop_back();
}

void Renderer::clear()
{
    m_ops.clear();
    m_customs.clear();
    m_vertices.clear();
    m_clipRects.clear();
    m_visitClips.clear();
    releaseKept();
}

void Renderer::pushClipRect(const Rect& worldRect)
{
    m_clips.push_back(m_clips.empty() ? worldRect : intersect(worldRect, m_clips.back()));
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

void Renderer::bindVertexArrays()
{
    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
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
}

void Renderer::render()
{
    m_drawCalls = 0;
    m_clips.clear();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_BLEND);
    GlyphAtlas::getInstance()->uploadDirty();
    if (!m_vertices.empty()) {
        if (!m_vbo) glGenBuffers(1, &m_vbo);
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertices.size() * sizeof(V3F_C4B_T2F)),
                     m_vertices.data(), GL_STREAM_DRAW);
    }
    bool arraysBound = false;
    bool programSet = false;
    GLProgramState* lastState = nullptr;
    int clipInForce = -1;
    GLuint lastTexture = 0;
    bool textureSet = false;
    BlendFunc lastBlend;
    bool blendSet = false;
    // Index loop: a custom function may not add to the frame, but stays safe if it does.
    for (std::size_t i = 0; i < m_ops.size(); ++i) {
        const Op op = m_ops[i];
        if (op.clip != clipInForce) {
            m_clips.clear();
            if (op.clip >= 0) m_clips.push_back(m_clipRects[static_cast<std::size_t>(op.clip)]);
            applyClip();
            clipInForce = op.clip;
        }
        if (op.custom) {
            glBindBuffer(GL_ARRAY_BUFFER, 0);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            glEnable(GL_BLEND);
            const Custom& custom = m_customs[op.customIndex];
            if (custom.func) custom.func();
            ++m_drawCalls;
            arraysBound = programSet = textureSet = blendSet = false;
            continue;
        }
        if (op.count == 0) continue;
        if (!arraysBound) {
            bindVertexArrays();
            arraysBound = true;
        }
        if (!programSet || op.state != lastState) {
            // Vertices are already in world space: the model-view is the identity.
            if (op.state) {
                op.state->apply(Mat4::IDENTITY);
            } else {
                GLProgram* program =
                    GLProgramCache::getInstance()->getGLProgram(GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR);
                program->use();
                program->setUniformsForBuiltins(Mat4::IDENTITY);
            }
            lastState = op.state;
            programSet = true;
            textureSet = false;  // a program state may have bound textures of its own
        }
        if (!textureSet || op.texture != lastTexture) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, op.texture);
            lastTexture = op.texture;
            textureSet = true;
        }
        if (!blendSet || !(op.blend == lastBlend)) {
            glEnable(GL_BLEND);
            glBlendFunc(op.blend.src, op.blend.dst);
            lastBlend = op.blend;
            blendSet = true;
        }
        glDrawArrays(GL_TRIANGLES, static_cast<GLint>(op.first), static_cast<GLsizei>(op.count));
        ++m_drawCalls;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    clear();
    // Unpaired pushes end with the frame.
    m_clips.clear();
    glDisable(GL_SCISSOR_TEST);
}

} // namespace engine
