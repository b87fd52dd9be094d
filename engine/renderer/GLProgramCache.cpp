#include "engine/renderer/GLProgramCache.h"

#include "engine/renderer/GLProgram.h"

namespace engine {

namespace {

GLProgramCache* g_instance = nullptr;


const char* const kTextureColorFragment = R"(
varying vec4 v_color;
varying vec2 v_texCoord;
void main()
{
    gl_FragColor = v_color * texture2D(CC_Texture0, v_texCoord);
}
)";

const char* const kColorVertex = R"(
attribute vec4 a_position;
attribute vec4 a_color;
varying vec4 v_color;
void main()
{
    gl_Position = CC_MVPMatrix * a_position;
    v_color = a_color;
}
)";

const char* const kColorFragment = R"(
varying vec4 v_color;
void main()
{
    gl_FragColor = v_color;
}
)";

} // namespace

const char* const ccPositionTextureColor_vert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec4 v_color;
varying vec2 v_texCoord;
void main()
{
    gl_Position = CC_MVPMatrix * a_position;
    v_color = a_color;
    v_texCoord = a_texCoord;
}
)";

const char* const ccPositionUColor_vert = R"(
attribute vec4 a_position;
uniform vec4 u_color;
uniform float u_pointSize;
varying vec4 v_fragmentColor;
void main()
{
    gl_Position = CC_MVPMatrix * a_position;
    gl_PointSize = u_pointSize;
    v_fragmentColor = u_color;
}
)";

const char* const ccPositionUColor_frag = R"(
varying vec4 v_fragmentColor;
void main()
{
    gl_FragColor = v_fragmentColor;
}
)";

GLProgramCache* GLProgramCache::getInstance()
{
    if (!g_instance) {
        g_instance = new GLProgramCache();
        g_instance->loadDefaultGLPrograms();
    }
    return g_instance;
}

void GLProgramCache::destroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

GLProgramCache::~GLProgramCache()
{
    for (auto& entry : m_programs) {
        entry.second->release();
    }
}

void GLProgramCache::loadDefaultGLPrograms()
{
    addGLProgram(GLProgram::createWithByteArrays(ccPositionTextureColor_vert, kTextureColorFragment),
                 GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR);
    addGLProgram(GLProgram::createWithByteArrays(kColorVertex, kColorFragment), GLProgram::SHADER_NAME_POSITION_COLOR);
    addGLProgram(GLProgram::createWithByteArrays(ccPositionUColor_vert, ccPositionUColor_frag),
                 GLProgram::SHADER_NAME_POSITION_U_COLOR);
}

void GLProgramCache::addGLProgram(GLProgram* program, const std::string& key)
{
    if (!program) return;
    program->retain();
    auto it = m_programs.find(key);
    if (it != m_programs.end()) {
        it->second->release();
        it->second = program;
    } else {
        m_programs.emplace(key, program);
    }
}

GLProgram* GLProgramCache::getGLProgram(const std::string& key) const
{
    auto it = m_programs.find(key);
    return it == m_programs.end() ? nullptr : it->second;
}

} // namespace engine
