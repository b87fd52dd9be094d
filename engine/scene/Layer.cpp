#include "engine/scene/Layer.h"

#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/text/GlyphAtlas.h"

namespace engine {

Layer::Layer()
{
    m_ignoreAnchorPointForPosition = true;
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
}

Layer* Layer::create()
{
    auto* layer = new (std::nothrow) Layer();
    if (layer && layer->init()) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

bool Layer::init()
{
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

LayerColor* LayerColor::create()
{
    auto* layer = new (std::nothrow) LayerColor();
    if (layer && layer->init()) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

LayerColor* LayerColor::create(const Color4B& color)
{
    const Size win = Director::getInstance()->getWinSize();
    return create(color, win.width, win.height);
}

LayerColor* LayerColor::create(const Color4B& color, float width, float height)
{
    auto* layer = new (std::nothrow) LayerColor();
    if (layer && layer->initWithColor(color, width, height)) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

LayerColor::~LayerColor()
{
}

bool LayerColor::init()
{
    const Size win = Director::getInstance()->getWinSize();
    return initWithColor(Color4B(0, 0, 0, 0), win.width, win.height);
}

bool LayerColor::initWithColor(const Color4B& color, float width, float height)
{
    m_realColor = m_displayedColor = Color3B(color.r, color.g, color.b);
    m_realOpacity = m_displayedOpacity = color.a;
    setContentSize(Size(width, height));
    return true;
}

void LayerColor::changeWidth(float width)
{
    setContentSize(Size(width, m_contentSize.height));
}

void LayerColor::changeHeight(float height)
{
    setContentSize(Size(m_contentSize.width, height));
}

void LayerColor::changeWidthAndHeight(float width, float height)
{
    setContentSize(Size(width, height));
}

void LayerColor::setBlendFunc(const BlendFunc& blend)
{
    if (blend == m_blend) return;
    m_blend = blend;
    Director::markDirty();
}

void LayerColor::draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/)
{
    const float w = m_contentSize.width, h = m_contentSize.height;
    const Color3B c = m_displayedColor;
    const std::uint8_t a = m_displayedOpacity;
    // The glyph atlas's white texel: colour layers batch with text and shapes.
    const float u = GlyphAtlas::whiteU(), t = GlyphAtlas::whiteV();
    auto set = [&](V3F_C4B_T2F& v, float x, float y) { v = {x, y, 0.0f, c.r, c.g, c.b, a, u, t}; };
    set(m_quad.bl, 0, 0);
    set(m_quad.br, w, 0);
    set(m_quad.tl, 0, h);
    set(m_quad.tr, w, h);
    // A large opaque layer replaces what is under it: without blending the rasteriser need not read
    // the framebuffer back, most of the cost of a big fill on a software renderer. Small ones (rows,
    // chips) keep the shared blend so they stay in one batch with the text around them.
    constexpr float kUnblendedArea = 256.0f * 256.0f;
    const bool opaque = a == 255 && m_blend == BlendFunc::ALPHA_NON_PREMULTIPLIED && w * h >= kUnblendedArea;
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    renderer->addQuads(atlas->getTextureName(0), atlas->getProgramState(), opaque ? BlendFunc::DISABLE : m_blend,
                       &m_quad, 1, transform);
}

} // namespace engine
