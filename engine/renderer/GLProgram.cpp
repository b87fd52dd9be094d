#include "engine/renderer/GLProgram.h"

#include <cstdio>
#include <new>
#include <sstream>

#include "engine/app/Director.h"

namespace engine {

namespace {

const char* const kBuiltins =
    "#define lowp\n#define mediump\n#define highp\n"
    "uniform mat4 CC_PMatrix;\nuniform mat4 CC_MVMatrix;\nuniform mat4 CC_MVPMatrix;\n"
    "uniform sampler2D CC_Texture0;\n";

// Inserts the built-ins after the leading #version / #extension lines.
std::string withBuiltins(const char* source)
{
    std::istringstream in(source);
    std::string line;
    std::string head;
    std::string body;
    bool inHead = true;
    bool hasVersion = false;
    while (std::getline(in, line)) {
        std::size_t first = line.find_first_not_of(" \t\r");
        const std::string trimmed = first == std::string::npos ? std::string() : line.substr(first);
        const bool directive = trimmed.rfind("#version", 0) == 0 || trimmed.rfind("#extension", 0) == 0;
        if (inHead && (directive || trimmed.empty() || trimmed.rfind("//", 0) == 0)) {
            hasVersion = hasVersion || trimmed.rfind("#version", 0) == 0;
            head += line + "\n";
        } else {
            inHead = false;
            body += line + "\n";
        }
    }
    return (hasVersion ? std::string() : std::string("#version 120\n")) + head + kBuiltins + body;
}

} // namespace

GLProgram::GLProgram() = default;

GLProgram::~GLProgram()
{
    if (m_vertexShader) glDeleteShader(m_vertexShader);
    if (m_fragmentShader) glDeleteShader(m_fragmentShader);
    if (m_program) glDeleteProgram(m_program);
}

GLProgram* GLProgram::createWithByteArrays(const char* vertexSource, const char* fragmentSource)
{
    auto* program = new (std::nothrow) GLProgram();
    if (!program) return nullptr;
    if (!program->initWithByteArrays(vertexSource, fragmentSource)) {
        delete program;
        return nullptr;
    }
    program->bindAttribLocation(ATTRIBUTE_NAME_POSITION, VERTEX_ATTRIB_POSITION);
    program->bindAttribLocation(ATTRIBUTE_NAME_COLOR, VERTEX_ATTRIB_COLOR);
    program->bindAttribLocation(ATTRIBUTE_NAME_TEX_COORD, VERTEX_ATTRIB_TEX_COORD);
    if (!program->link()) {
        delete program;
        return nullptr;
    }
    program->updateUniforms();
    program->autorelease();
    return program;
}

bool GLProgram::compile(GLuint* shader, GLenum type, const char* source)
{
    const std::string full = withBuiltins(source);
    const char* text = full.c_str();
    *shader = glCreateShader(type);
    glShaderSource(*shader, 1, &text, nullptr);
    glCompileShader(*shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(*shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(*shader, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        glGetShaderInfoLog(*shader, length, nullptr, log.data());
        m_errorLog = log;
        std::fprintf(stderr, "engine: %s shader failed to compile: %s\n",
                     type == GL_VERTEX_SHADER ? "vertex" : "fragment", log.c_str());
        glDeleteShader(*shader);
        *shader = 0;
        return false;
    }
    return true;
}

bool GLProgram::initWithByteArrays(const char* vertexSource, const char* fragmentSource)
{
    if (!vertexSource || !fragmentSource || m_program) {
        return false;
    }
    if (!compile(&m_vertexShader, GL_VERTEX_SHADER, vertexSource) ||
        !compile(&m_fragmentShader, GL_FRAGMENT_SHADER, fragmentSource)) {
        return false;
    }
    m_program = glCreateProgram();
    glAttachShader(m_program, m_vertexShader);
    glAttachShader(m_program, m_fragmentShader);
    return true;
}

void GLProgram::bindAttribLocation(const std::string& name, GLuint index)
{
    if (m_program) glBindAttribLocation(m_program, index, name.c_str());
}

bool GLProgram::link()
{
    if (!m_program) return false;
    glLinkProgram(m_program);
    GLint ok = GL_FALSE;
    glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    m_linked = ok == GL_TRUE;
    if (!m_linked) {
        GLint length = 0;
        glGetProgramiv(m_program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        glGetProgramInfoLog(m_program, length, nullptr, log.data());
        m_errorLog = log;
        std::fprintf(stderr, "engine: shader program failed to link: %s\n", log.c_str());
    }
    // The shaders are no longer needed once linked (or failed).
    glDetachShader(m_program, m_vertexShader);
    glDetachShader(m_program, m_fragmentShader);
    glDeleteShader(m_vertexShader);
    glDeleteShader(m_fragmentShader);
    m_vertexShader = m_fragmentShader = 0;
    return m_linked;
}

void GLProgram::updateUniforms()
{
    if (!m_linked) return;
    m_uniformP = glGetUniformLocation(m_program, UNIFORM_NAME_P_MATRIX);
    m_uniformMV = glGetUniformLocation(m_program, UNIFORM_NAME_MV_MATRIX);
    m_uniformMVP = glGetUniformLocation(m_program, UNIFORM_NAME_MVP_MATRIX);
    m_uniformSampler0 = glGetUniformLocation(m_program, UNIFORM_NAME_SAMPLER0);
    m_setsPointSize = glGetUniformLocation(m_program, UNIFORM_NAME_POINT_SIZE) >= 0;
    use();
    if (m_uniformSampler0 >= 0) glUniform1i(m_uniformSampler0, 0);
}

void GLProgram::use()
{
    if (!m_linked) return;
    glUseProgram(m_program);
    if (m_setsPointSize) glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
    else glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
}

void GLProgram::setUniformsForBuiltins(const Mat4& modelView)
{
    const Mat4& projection = Director::getInstance()->getProjectionMatrix();
    if (m_uniformP >= 0) glUniformMatrix4fv(m_uniformP, 1, GL_FALSE, projection.m);
    if (m_uniformMV >= 0) glUniformMatrix4fv(m_uniformMV, 1, GL_FALSE, modelView.m);
    if (m_uniformMVP >= 0) {
        const Mat4 mvp = projection * modelView;
        glUniformMatrix4fv(m_uniformMVP, 1, GL_FALSE, mvp.m);
    }
}

GLint GLProgram::getAttribLocation(const std::string& name) const
{
    return m_linked ? glGetAttribLocation(m_program, name.c_str()) : -1;
}

GLint GLProgram::getUniformLocation(const std::string& name) const
{
    return m_linked ? glGetUniformLocation(m_program, name.c_str()) : -1;
}

void GLProgram::setUniformLocationWith1i(GLint location, GLint value)
{
    if (location >= 0) glUniform1i(location, value);
}

void GLProgram::setUniformLocationWith1f(GLint location, GLfloat value)
{
    if (location >= 0) glUniform1f(location, value);
}

void GLProgram::setUniformLocationWith2f(GLint location, GLfloat a, GLfloat b)
{
    if (location >= 0) glUniform2f(location, a, b);
}

void GLProgram::setUniformLocationWith4f(GLint location, GLfloat a, GLfloat b, GLfloat c, GLfloat d)
{
    if (location >= 0) glUniform4f(location, a, b, c, d);
}

void GLProgram::setUniformLocationWithMatrix4fv(GLint location, const GLfloat* matrix, unsigned int count)
{
    if (location >= 0) glUniformMatrix4fv(location, static_cast<GLsizei>(count), GL_FALSE, matrix);
}

} // namespace engine
