#pragma once
// Named GL programs, shared by everything that draws. The default programs are made on first
// use of getInstance() (a GL context must be current). Render thread only.

#include <map>
#include <string>

namespace engine {

class GLProgram;

// Vertex source of the position / texture / colour program, shared by programs that feed the
// same vertex layout to other fragment shaders.
extern const char* const ccPositionTextureColor_vert;
// Sources of the position / uniform-colour program (GLProgram::SHADER_NAME_POSITION_U_COLOR), for
// code that builds its own program from them under another name.
extern const char* const ccPositionUColor_vert;
extern const char* const ccPositionUColor_frag;

class GLProgramCache {
public:
    static GLProgramCache* getInstance();
    // Releases every program; the next getInstance() rebuilds the defaults.
    static void destroyInstance();

    // Retains the program under key, replacing (and releasing) an earlier one.
    void addGLProgram(GLProgram* program, const std::string& key);
    GLProgram* getGLProgram(const std::string& key) const;

private:
    GLProgramCache() = default;
    ~GLProgramCache();
    void loadDefaultGLPrograms();
    std::map<std::string, GLProgram*> m_programs;
};

} // namespace engine
