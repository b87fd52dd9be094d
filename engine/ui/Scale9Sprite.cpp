#include "engine/ui/Scale9Sprite.h"

#include <algorithm>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"

namespace engine::ui {

Scale9Sprite* Scale9Sprite::create()
{
    auto* s = new (std::nothrow) Scale9Sprite();
    if (s && s->init()) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Scale9Sprite* Scale9Sprite::create(const std::string& file)
{
    return create(file, Rect::ZERO, Rect::ZERO);
}

Scale9Sprite* Scale9Sprite::create(const std::string& file, const Rect& rect, const Rect& capInsets)
{
    auto* s = new (std::nothrow) Scale9Sprite();
    if (s && s->initWithFile(file, rect, capInsets)) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Scale9Sprite* Scale9Sprite::createWithTexture(Texture2D* texture, const Rect& capInsets)
{
    auto* s = new (std::nothrow) Scale9Sprite();
    if (s && s->initWithTexture(texture, Rect::ZERO, capInsets)) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

Scale9Sprite::~Scale9Sprite()
{
    if (m_texture) m_texture->release();
}

bool Scale9Sprite::init()
{
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    return true;
}

bool Scale9Sprite::initWithFile(const std::string& file, const Rect& rect, const Rect& capInsets)
{
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    return texture && initWithTexture(texture, rect, capInsets);
}

bool Scale9Sprite::initWithTexture(Texture2D* texture, const Rect& rect, const Rect& capInsets)
{
    if (!texture) return false;
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    m_capInsets = capInsets;
    setTexture(texture, rect);
    return true;
}

void Scale9Sprite::setTexture(Texture2D* texture, const Rect& rect)
{
    // The same texture and rectangle again (a state change showing the same image): nothing to do.
    if (texture == m_texture && texture && m_contentSize == m_rect.size &&
        (rect == m_rect || (rect.size == Size::ZERO &&
                            m_rect == Rect(0, 0, static_cast<float>(texture->getPixelsWide()),
                                           static_cast<float>(texture->getPixelsHigh()))))) {
        return;
    }
    if (texture) texture->retain();
    if (m_texture) m_texture->release();
    m_texture = texture;
    m_rect = rect;
    if (texture && rect.size == Size::ZERO) {
        m_rect = Rect(0, 0, static_cast<float>(texture->getPixelsWide()), static_cast<float>(texture->getPixelsHigh()));
    }
    setContentSize(m_rect.size);
    m_quadsDirty = true;
    Director::markDirty();
}

void Scale9Sprite::setCapInsets(const Rect& insets)
{
    if (insets == m_capInsets) return;
    m_capInsets = insets;
    m_quadsDirty = true;
    Director::markDirty();
}

void Scale9Sprite::setScale9Enabled(bool enabled)
{
    if (enabled == m_scale9) return;
    m_scale9 = enabled;
    m_quadsDirty = true;
    Director::markDirty();
}

void Scale9Sprite::setBlendFunc(const BlendFunc& blend)
{
    if (blend == m_blend) return;
    m_blend = blend;
    Director::markDirty();
}

void Scale9Sprite::buildQuads()
{
    m_quadCount = 0;
    if (!m_texture) return;
    const float texW = static_cast<float>(m_texture->getPixelsWide());
    const float texH = static_cast<float>(m_texture->getPixelsHigh());
    const float W = m_rect.size.width, H = m_rect.size.height;
    const float cw = m_contentSize.width, ch = m_contentSize.height;
    // Texture columns and rows (pixels within the rectangle, rows from the top).
    float left = W / 3, centreW = W / 3, top = H / 3, centreH = H / 3;
    if (m_capInsets.size.width > 0 || m_capInsets.size.height > 0 || m_capInsets.origin != Vec2::ZERO) {
        left = std::clamp(m_capInsets.origin.x, 0.0f, W);
        top = std::clamp(m_capInsets.origin.y, 0.0f, H);
        centreW = std::clamp(m_capInsets.size.width, 0.0f, W - left);
        centreH = std::clamp(m_capInsets.size.height, 0.0f, H - top);
    }
    const float right = W - left - centreW, bottom = H - top - centreH;
    const float tx[4] = {0, left, left + centreW, W};
    const float ty[4] = {H, H - bottom, top, 0};  // texture rows matching local y bottom to top
    float lx[4], ly[4];
    if (!m_scale9) {
        lx[0] = 0; lx[1] = 0; lx[2] = cw; lx[3] = cw;
        ly[0] = 0; ly[1] = 0; ly[2] = ch; ly[3] = ch;
    } else {
        // Borders shrink in proportion when the content is smaller than both together.
        const float hs = (left + right) > cw && (left + right) > 0 ? cw / (left + right) : 1.0f;
        const float vs = (top + bottom) > ch && (top + bottom) > 0 ? ch / (top + bottom) : 1.0f;
        lx[0] = 0; lx[1] = left * hs; lx[2] = cw - right * hs; lx[3] = cw;
        ly[0] = 0; ly[1] = bottom * vs; ly[2] = ch - top * vs; ly[3] = ch;
    }
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (!m_scale9 && (row != 1 || col != 1)) continue;
            const float x0 = lx[col], x1 = lx[col + 1], y0 = ly[row], y1 = ly[row + 1];
            if (x1 <= x0 || y1 <= y0) continue;
            const float u0 = (m_rect.origin.x + (m_scale9 ? tx[col] : 0)) / texW;
            const float u1 = (m_rect.origin.x + (m_scale9 ? tx[col + 1] : W)) / texW;
            const float vBottom = (m_rect.origin.y + (m_scale9 ? ty[row] : H)) / texH;
            const float vTop = (m_rect.origin.y + (m_scale9 ? ty[row + 1] : 0)) / texH;
            V3F_C4B_T2F_Quad& q = m_quads[m_quadCount++];
            q.bl = {x0, y0, 0, 255, 255, 255, 255, u0, vBottom};
            q.br = {x1, y0, 0, 255, 255, 255, 255, u1, vBottom};
            q.tl = {x0, y1, 0, 255, 255, 255, 255, u0, vTop};
            q.tr = {x1, y1, 0, 255, 255, 255, 255, u1, vTop};
        }
    }
    m_builtSize = m_contentSize;
    m_quadsDirty = false;
}

void Scale9Sprite::draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/)
{
    if (m_quadsDirty || m_builtSize != m_contentSize) buildQuads();
    if (!m_texture || m_quadCount == 0) return;
    const Color3B c = m_displayedColor;
    for (std::size_t i = 0; i < m_quadCount; ++i) {
        for (V3F_C4B_T2F* v : {&m_quads[i].bl, &m_quads[i].br, &m_quads[i].tl, &m_quads[i].tr}) {
            v->r = c.r;
            v->g = c.g;
            v->b = c.b;
            v->a = m_displayedOpacity;
        }
    }
    renderer->addQuads(m_texture->getName(), nullptr, m_blend, m_quads, m_quadCount, transform);
}

} // namespace engine::ui
