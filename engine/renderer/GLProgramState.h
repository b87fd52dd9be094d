#pragma once
// A program plus the uniform values to set whenever it is used: what a sprite carries when it
// draws with its own shader. Textures set here are bound to texture units 1, 2, ... (unit 0 is
// the drawing node's own texture, CC_Texture0). Render thread only.

#include <string>
#include <vector>

#include <GL/glew.h>

#include "engine/base/Ref.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"

namespace engine {

class GLProgram;
class Texture2D;

class GLProgramState : public Ref {
public:
    static GLProgramState* create(GLProgram* program);
    static GLProgramState* getOrCreateWithGLProgram(GLProgram* program) { return create(program); }
    // Null when the cache has no program of that name.
    static GLProgramState* getOrCreateWithGLProgramName(const std::string& name);
    ~GLProgramState() override;

    GLProgram* getGLProgram() const { return m_program; }

    // By name (looked up in the program) or by GL uniform location. A location is only stable
    // when the shader fixes it (layout(location = N) with GL_ARB_explicit_uniform_location);
    // a name or location the program does not have is ignored.
    void setUniformInt(const std::string& name, int value);
    void setUniformFloat(const std::string& name, float value);
    void setUniformVec2(const std::string& name, const Vec2& value);
    void setUniformVec2(GLint location, const Vec2& value);
    void setUniformVec4(const std::string& name, const Vec4& value);
    void setUniformTexture(const std::string& name, Texture2D* texture);
    void setUniformTexture(GLint location, Texture2D* texture);

    // Uses the program, sets the built-in matrices for modelView and every stored uniform.
    void apply(const Mat4& modelView);
    void applyUniforms();

private:
    enum class Kind { Int, Float, Vec2, Vec4, Texture };
    struct Uniform {
        GLint location = -1;
        Kind kind = Kind::Float;
        float v[4] = {0, 0, 0, 0};
        int i = 0;
        Texture2D* texture = nullptr;
        GLint unit = 0;
    };
    GLProgramState() = default;
    Uniform* slot(GLint location, Kind kind);

    GLProgram* m_program = nullptr;
    std::vector<Uniform> m_uniforms;
    GLint m_nextUnit = 1;
};

} // namespace engine
