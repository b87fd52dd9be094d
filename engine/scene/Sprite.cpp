#include "engine/scene/Sprite.h"

#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"

namespace engine {

Sprite* Sprite::create()
{
    auto* s = new (std::nothrow) Sprite();
    if (s && s->init()) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Sprite* Sprite::create(const std::string& filename)
{
    auto* s = new (std::nothrow) Sprite();
    if (s && s->initWithFile(filename)) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Sprite* Sprite::create(const std::string& filename, const Rect& rect)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    return texture ? createWithTexture(texture, rect) : nullptr;
}

Sprite* Sprite::createWithTexture(Texture2D* texture)
{
    auto* s = new (std::nothrow) Sprite();
    if (s && s->initWithTexture(texture)) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Sprite* Sprite::createWithTexture(Texture2D* texture, const Rect& rect)
{
    auto* s = new (std::nothrow) Sprite();
    if (s && s->initWithTexture(texture, rect)) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Sprite::~Sprite()
{
    if (m_texture) m_texture->release();
    if (m_programState) m_programState->release();
}

bool Sprite::init()
{
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    updateQuad();
    return true;
}

bool Sprite::initWithFile(const std::string& filename)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    return texture && initWithTexture(texture);
}

bool Sprite::initWithTexture(Texture2D* texture)
{
    if (!texture) return false;
    return initWithTexture(texture, Rect(0, 0, static_cast<float>(texture->getPixelsWide()),
                                         static_cast<float>(texture->getPixelsHigh())));
}

bool Sprite::initWithTexture(Texture2D* texture, const Rect& rect)
{
    if (!texture) return false;
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    setTexture(texture);
    setTextureRect(rect);
    return true;
}

void Sprite::setTexture(Texture2D* texture)
{
    if (texture == m_texture) return;
    if (texture) texture->retain();
    if (m_texture) m_texture->release();
    m_texture = texture;
    updateQuad();
    Director::markDirty();
}

void Sprite::setTexture(const std::string& filename)
{
    setTexture(Director::getInstance()->getTextureCache()->addImage(filename));
}

void Sprite::setTextureRect(const Rect& rect)
{
    // Called every frame by some layers: the same rectangle changes nothing.
    if (rect == m_rect && m_contentSize == rect.size) return;
    m_rect = rect;
    setContentSize(rect.size);
    updateQuad();
    Director::markDirty();
}

void Sprite::setFlippedX(bool flipped)
{
    if (flipped == m_flippedX) return;
    m_flippedX = flipped;
    updateQuad();
    Director::markDirty();
}

void Sprite::setFlippedY(bool flipped)
{
    if (flipped == m_flippedY) return;
    m_flippedY = flipped;
    updateQuad();
    Director::markDirty();
}

void Sprite::setBlendFunc(const BlendFunc& blend)
{
    if (blend == m_blend) return;
    m_blend = blend;
    Director::markDirty();
}

void Sprite::setGLProgramState(GLProgramState* state)
{
    if (state == m_programState) return;
    if (state) state->retain();
    if (m_programState) m_programState->release();
    m_programState = state;
    Director::markDirty();
}

void Sprite::updateQuad()
{
    const float w = m_rect.size.width, h = m_rect.size.height;
    float left = 0, right = 1, top = 0, bottom = 1;
    if (m_texture && m_texture->getPixelsWide() > 0 && m_texture->getPixelsHigh() > 0) {
        const float tw = static_cast<float>(m_texture->getPixelsWide());
        const float th = static_cast<float>(m_texture->getPixelsHigh());
        left = m_rect.origin.x / tw;
        right = (m_rect.origin.x + w) / tw;
        // The first image row is t = 0 and shows at the top of the sprite.
        top = m_rect.origin.y / th;
        bottom = (m_rect.origin.y + h) / th;
    }
    if (m_flippedX) std::swap(left, right);
    if (m_flippedY) std::swap(top, bottom);
    m_quad.bl = {0, 0, 0, 255, 255, 255, 255, left, bottom};
    m_quad.br = {w, 0, 0, 255, 255, 255, 255, right, bottom};
    m_quad.tl = {0, h, 0, 255, 255, 255, 255, left, top};
    m_quad.tr = {w, h, 0, 255, 255, 255, 255, right, top};
}

void Sprite::draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/)
{
    if (!m_texture || m_rect.size.width <= 0 || m_rect.size.height <= 0) return;
    const Color3B c = m_displayedColor;
    const std::uint8_t a = m_displayedOpacity;
    for (V3F_C4B_T2F* v : {&m_quad.bl, &m_quad.br, &m_quad.tl, &m_quad.tr}) {
        v->r = c.r;
        v->g = c.g;
        v->b = c.b;
        v->a = a;
    }
    renderer->addQuads(m_texture->getName(), m_programState, m_blend, &m_quad, 1, transform);
}

} // namespace engine
