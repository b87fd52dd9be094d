#pragma once
// A linked GL shader program. Every shader source gets the engine's built-in declarations
// inserted after its #version and #extension lines (and "#version 120" when it names none):
//   uniform mat4 CC_PMatrix, CC_MVMatrix, CC_MVPMatrix;  uniform sampler2D CC_Texture0;
//   and empty lowp/mediump/highp defines,
// so one source serves desktop GL. Vertex attributes: a_position (0), a_color (1),
// a_texCoord (2) when bound so (the default programs are). Render thread, GL context current.

#include <string>

#include <GL/glew.h>

#include "engine/base/Ref.h"
#include "engine/math/Mat4.h"

namespace engine {

class GLProgram : public Ref {
public:
    static constexpr const char* ATTRIBUTE_NAME_POSITION = "a_position";
    static constexpr const char* ATTRIBUTE_NAME_COLOR = "a_color";
    static constexpr const char* ATTRIBUTE_NAME_TEX_COORD = "a_texCoord";
    enum { VERTEX_ATTRIB_POSITION = 0, VERTEX_ATTRIB_COLOR = 1, VERTEX_ATTRIB_TEX_COORD = 2 };

    static constexpr const char* UNIFORM_NAME_P_MATRIX = "CC_PMatrix";
    static constexpr const char* UNIFORM_NAME_MV_MATRIX = "CC_MVMatrix";
    static constexpr const char* UNIFORM_NAME_MVP_MATRIX = "CC_MVPMatrix";
    static constexpr const char* UNIFORM_NAME_SAMPLER0 = "CC_Texture0";

    static constexpr const char* SHADER_NAME_POSITION_TEXTURE_COLOR = "ShaderPositionTextureColor";
    static constexpr const char* SHADER_NAME_POSITION_COLOR = "ShaderPositionColor";
    // Positions only, one colour for everything drawn (u_color, RGBA 0..1) and a point size in
    // pixels for GL_POINTS (u_pointSize): lines and dots of one colour.
    static constexpr const char* SHADER_NAME_POSITION_U_COLOR = "ShaderPosition_uColor";
    static constexpr const char* UNIFORM_NAME_U_COLOR = "u_color";
    static constexpr const char* UNIFORM_NAME_POINT_SIZE = "u_pointSize";

    GLProgram();
    ~GLProgram() override;

    // Unlinked program from two sources; false (with the compiler log on stderr) on failure.
    bool initWithByteArrays(const char* vertexSource, const char* fragmentSource);
    // Creates, compiles, binds the three standard attributes, links and updates uniforms.
    static GLProgram* createWithByteArrays(const char* vertexSource, const char* fragmentSource);

    void bindAttribLocation(const std::string& name, GLuint index);
    bool link();
    // Looks up the built-in uniforms after link().
    void updateUniforms();
    // Makes the program current. A program with a u_pointSize uniform sets its own point size,
    // so point sizes from the vertex shader are switched on while it is in use.
    void use();
    // Sets CC_MVMatrix, CC_PMatrix (the Director's projection) and CC_MVPMatrix.
    void setUniformsForBuiltins(const Mat4& modelView);

    GLint getAttribLocation(const std::string& name) const;
    GLint getUniformLocation(const std::string& name) const;
    void setUniformLocationWith1i(GLint location, GLint value);
    void setUniformLocationWith1f(GLint location, GLfloat value);
    void setUniformLocationWith2f(GLint location, GLfloat a, GLfloat b);
    void setUniformLocationWith4f(GLint location, GLfloat a, GLfloat b, GLfloat c, GLfloat d);
    void setUniformLocationWithMatrix4fv(GLint location, const GLfloat* matrix, unsigned int count);

    GLuint getProgram() const { return m_program; }
    bool isLinked() const { return m_linked; }
    // The compiler or linker messages of the latest failure.
    const std::string& getErrorLog() const { return m_errorLog; }

private:
    bool compile(GLuint* shader, GLenum type, const char* source);

    GLuint m_program = 0;
    GLuint m_vertexShader = 0;
    GLuint m_fragmentShader = 0;
    GLint m_uniformP = -1;
    GLint m_uniformMV = -1;
    GLint m_uniformMVP = -1;
    GLint m_uniformSampler0 = -1;
    bool m_setsPointSize = false;
    bool m_linked = false;
    std::string m_errorLog;
};

} // namespace engine
