#include "engine/renderer/GLProgramState.h"

#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Texture2D.h"

namespace engine {

GLProgramState* GLProgramState::create(GLProgram* program)
{
    if (!program) return nullptr;
    auto* state = new (std::nothrow) GLProgramState();
    if (!state) return nullptr;
    program->retain();
    state->m_program = program;
    state->autorelease();
    return state;
}

GLProgramState* GLProgramState::getOrCreateWithGLProgramName(const std::string& name)
{
    return create(GLProgramCache::getInstance()->getGLProgram(name));
}

GLProgramState::~GLProgramState()
{
    for (Uniform& u : m_uniforms) {
        if (u.texture) u.texture->release();
    }
    if (m_program) m_program->release();
}

GLProgramState::Uniform* GLProgramState::slot(GLint location, Kind kind)
{
    if (location < 0) return nullptr;
    for (Uniform& u : m_uniforms) {
        if (u.location == location) {
            u.kind = kind;
            return &u;
        }
    }
    Uniform u;
    u.location = location;
    u.kind = kind;
    m_uniforms.push_back(u);
    return &m_uniforms.back();
}

// A uniform that changes value changes the picture: the next frame must be drawn.
template <typename T>
static void assignAndMark(T& field, const T& value, bool fresh)
{
    if (!fresh && field == value) return;
    field = value;
    Director::markDirty();
}

void GLProgramState::setUniformInt(const std::string& name, int value)
{
    const std::size_t before = m_uniforms.size();
    if (Uniform* u = slot(m_program->getUniformLocation(name), Kind::Int)) assignAndMark(u->i, value, m_uniforms.size() != before);
}

void GLProgramState::setUniformFloat(const std::string& name, float value)
{
    const std::size_t before = m_uniforms.size();
    if (Uniform* u = slot(m_program->getUniformLocation(name), Kind::Float)) {
        assignAndMark(u->v[0], value, m_uniforms.size() != before);
    }
}

void GLProgramState::setUniformVec2(const std::string& name, const Vec2& value)
{
    setUniformVec2(m_program->getUniformLocation(name), value);
}

void GLProgramState::setUniformVec2(GLint location, const Vec2& value)
{
    const std::size_t before = m_uniforms.size();
    if (Uniform* u = slot(location, Kind::Vec2)) {
        const bool fresh = m_uniforms.size() != before;
        if (!fresh && u->v[0] == value.x && u->v[1] == value.y) return;
        u->v[0] = value.x;
        u->v[1] = value.y;
        Director::markDirty();
    }
}

void GLProgramState::setUniformVec4(const std::string& name, const Vec4& value)
{
    const std::size_t before = m_uniforms.size();
    if (Uniform* u = slot(m_program->getUniformLocation(name), Kind::Vec4)) {
        const bool fresh = m_uniforms.size() != before;
        if (!fresh && u->v[0] == value.x && u->v[1] == value.y && u->v[2] == value.z && u->v[3] == value.w) return;
        u->v[0] = value.x;
        u->v[1] = value.y;
        u->v[2] = value.z;
        u->v[3] = value.w;
        Director::markDirty();
    }
}

void GLProgramState::setUniformTexture(const std::string& name, Texture2D* texture)
{
    setUniformTexture(m_program->getUniformLocation(name), texture);
}

void GLProgramState::setUniformTexture(GLint location, Texture2D* texture)
{
    Uniform* u = slot(location, Kind::Texture);
    if (!u || u->texture == texture) return;
    Director::markDirty();
    if (texture) texture->retain();
    if (u->texture) u->texture->release();
    u->texture = texture;
    if (u->unit == 0) u->unit = m_nextUnit++;
}

void GLProgramState::apply(const Mat4& modelView)
{
    m_program->use();
    m_program->setUniformsForBuiltins(modelView);
    applyUniforms();
}

void GLProgramState::applyUniforms()
{
    for (const Uniform& u : m_uniforms) {
        switch (u.kind) {
        case Kind::Int: glUniform1i(u.location, u.i); break;
        case Kind::Float: glUniform1f(u.location, u.v[0]); break;
        case Kind::Vec2: glUniform2f(u.location, u.v[0], u.v[1]); break;
        case Kind::Vec4: glUniform4f(u.location, u.v[0], u.v[1], u.v[2], u.v[3]); break;
        case Kind::Texture:
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u.unit));
            glBindTexture(GL_TEXTURE_2D, u.texture ? u.texture->getName() : 0);
            glActiveTexture(GL_TEXTURE0);
            glUniform1i(u.location, u.unit);
            break;
        }
    }
}

} // namespace engine
