#include "display/ClippedLayer.h"

#include <GL/glew.h>

#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/renderer/Renderer.h"

namespace nolvo {

void ClippedLayer::visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags)
{
    if (!isVisible()) return;
    const engine::Vec2 origin = m_parent ? m_parent->convertToWorldSpace(getPosition()) : getPosition();
    const engine::Size size(getContentSize().width, getContentSize().height + m_extensionTop);
    m_beginClip.init(getGlobalZOrder());
    m_beginClip.func = [origin, size] {
        engine::GLView* view = engine::Director::getInstance()->getOpenGLView();
        if (!view) return;
        glEnable(GL_SCISSOR_TEST);
        view->setScissorInPoints(origin.x, origin.y, size.width, size.height);
    };
    renderer->addCommand(&m_beginClip);
    engine::Layer::visit(renderer, parentTransform, parentFlags);
    m_endClip.init(getGlobalZOrder());
    m_endClip.func = [] { glDisable(GL_SCISSOR_TEST); };
    renderer->addCommand(&m_endClip);
}

} // namespace nolvo
