// The position / uniform-colour program: one colour for every vertex, points of the size asked.
#include "GuiTestFixture.h"

#include <vector>

#include <GL/glew.h>

#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Renderer.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

// Draws the given vertices with one primitive through the cached program.
class UniformShape : public Node {
public:
    static UniformShape* create(GLenum mode, std::vector<float> xy, const Color4F& colour, float pointSize)
    {
        auto* s = new UniformShape();
        s->m_mode = mode;
        s->m_xy = std::move(xy);
        s->m_colour = colour;
        s->m_pointSize = pointSize;
        s->autorelease();
        return s;
    }
    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t) override
    {
        m_command.init(transform);
        m_command.func = [this, transform] {
            GLProgram* p = GLProgramCache::getInstance()->getGLProgram(GLProgram::SHADER_NAME_POSITION_U_COLOR);
            p->use();
            p->setUniformsForBuiltins(transform);
            p->setUniformLocationWith4f(p->getUniformLocation(GLProgram::UNIFORM_NAME_U_COLOR), m_colour.r, m_colour.g,
                                        m_colour.b, m_colour.a);
            p->setUniformLocationWith1f(p->getUniformLocation(GLProgram::UNIFORM_NAME_POINT_SIZE), m_pointSize);
            glEnableVertexAttribArray(GLProgram::VERTEX_ATTRIB_POSITION);
            glDisableVertexAttribArray(GLProgram::VERTEX_ATTRIB_COLOR);
            glDisableVertexAttribArray(GLProgram::VERTEX_ATTRIB_TEX_COORD);
            glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 2, GL_FLOAT, GL_FALSE, 0, m_xy.data());
            glDrawArrays(m_mode, 0, static_cast<GLsizei>(m_xy.size() / 2));
        };
        renderer->addCommand(&m_command);
    }

private:
    GLenum m_mode = GL_POINTS;
    std::vector<float> m_xy;
    Color4F m_colour;
    float m_pointSize = 1.0f;
    CustomCommand m_command;
};

TEST_F(GuiTest, UniformColourProgramDrawsLinesAndSizedDotsInOneColour)
{
    ASSERT_NE(GLProgramCache::getInstance()->getGLProgram(GLProgram::SHADER_NAME_POSITION_U_COLOR), nullptr);
    scene->addChild(UniformShape::create(GL_POINTS, {100.5f, 100.5f, 300.5f, 100.5f}, Color4F(1, 0, 0, 1), 9.0f));
    scene->addChild(UniformShape::create(GL_LINES, {200.0f, 300.5f, 400.0f, 300.5f}, Color4F(0, 1, 0, 1), 1.0f));
    render();
    const Color4B red(255, 0, 0, 255), green(0, 255, 0, 255);
    // Two 9 x 9 dots.
    EXPECT_EQ(countNear(90, 90, 111, 111, red), 81);
    EXPECT_EQ(countNear(290, 90, 311, 111, red), 81);
    EXPECT_EQ(countNear(0, 0, width, height, red), 162);
    // A one-pixel line 200 long.
    EXPECT_EQ(countNear(0, 290, width, 310, green), 200);
}

} // namespace
