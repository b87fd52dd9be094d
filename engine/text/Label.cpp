#include "engine/text/Label.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/text/FontCache.h"

namespace engine {

namespace {

int textWidth(TTF_Font* font, const std::string& text)
{
    int w = 0, h = 0;
    if (text.empty() || TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) return 0;
    return w;
}

std::size_t nextCharEnd(const std::string& s, std::size_t i)
{
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

// Greedy word wrap of one paragraph; words longer than the width break between characters.
void wrapParagraph(TTF_Font* font, const std::string& paragraph, float maxWidth, std::vector<std::string>* out)
{
    if (maxWidth <= 0.0f) {
        out->push_back(paragraph);
        return;
    }
    std::string current;
    std::size_t pos = 0;
    while (pos <= paragraph.size()) {
        std::size_t space = paragraph.find(' ', pos);
        if (space == std::string::npos) space = paragraph.size();
        const std::string word = paragraph.substr(pos, space - pos);
        pos = space + 1;
        const std::string candidate = current.empty() ? word : current + " " + word;
        if (textWidth(font, candidate) <= maxWidth) {
            current = candidate;
            continue;
        }
        if (!current.empty()) out->push_back(current);
        current = word;
        while (textWidth(font, current) > maxWidth) {
            std::size_t cut = nextCharEnd(current, 0);
            for (std::size_t next = nextCharEnd(current, cut); next <= current.size() &&
                 textWidth(font, current.substr(0, next)) <= maxWidth; next = nextCharEnd(current, next)) {
                cut = next;
                if (next == current.size()) break;
            }
            if (cut >= current.size()) break;
            out->push_back(current.substr(0, cut));
            current = current.substr(cut);
        }
    }
    out->push_back(current);
}

} // namespace

Label::Label()
{
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    m_cascadeOpacity = true;
    m_cascadeColor = true;
}

Label::~Label()
{
    if (m_texture) m_texture->release();
}

Label* Label::create()
{
    auto* label = new (std::nothrow) Label();
    if (label && label->init()) {
        label->m_useSystemFont = true;
        label->m_systemFont = "Roboto";
        label->autorelease();
        return label;
    }
    delete label;
    return nullptr;
}

Label* Label::createWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                            const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment)
{
    auto* label = new (std::nothrow) Label();
    if (!label) return nullptr;
    if (!label->setTTFConfig(TTFConfig(fontFilePath, fontSize))) {
        delete label;
        return nullptr;
    }
    label->m_text = text;
    label->m_dimensions = dimensions;
    label->m_hAlignment = hAlignment;
    label->m_vAlignment = vAlignment;
    label->autorelease();
    return label;
}

Label* Label::createWithTTF(const TTFConfig& config, const std::string& text, TextHAlignment hAlignment,
                            int maxLineWidth)
{
    Label* label = createWithTTF(text, config.fontFilePath, config.fontSize, Size::ZERO, hAlignment);
    if (label && maxLineWidth > 0) label->setMaxLineWidth(static_cast<float>(maxLineWidth));
    return label;
}

Label* Label::createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                   const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment)
{
    auto* label = new (std::nothrow) Label();
    if (!label) return nullptr;
    label->m_useSystemFont = true;
    label->m_systemFont = font;
    label->m_ttfConfig.fontSize = fontSize;
    label->m_text = text;
    label->m_dimensions = dimensions;
    label->m_hAlignment = hAlignment;
    label->m_vAlignment = vAlignment;
    label->autorelease();
    return label;
}

std::string Label::currentFontPath() const
{
    return m_useSystemFont ? FontCache::getInstance()->resolveSystemFont(m_systemFont) : m_ttfConfig.fontFilePath;
}

void Label::markLayoutDirty()
{
    m_layoutDirty = true;
    // The text's size may change: a container around the label places it again.
    if (m_parent && m_parent->isLayoutContainer()) m_parent->requestLayout();
    Director::markDirty();
}

void Label::markGlyphsDirty()
{
    m_glyphsDirty = true;
    markLayoutDirty();
}

void Label::setString(const std::string& text)
{
    if (text == m_text) return;
    m_text = text;
    markGlyphsDirty();
}

bool Label::setTTFConfig(const TTFConfig& config)
{
    // Refuse a font that cannot be opened, keeping the old one.
    if (!FontCache::getInstance()->getFont(config.fontFilePath, std::max(1, static_cast<int>(std::lround(config.fontSize))))) {
        return false;
    }
    if (!m_useSystemFont && config.fontFilePath == m_ttfConfig.fontFilePath && config.fontSize == m_ttfConfig.fontSize) {
        return true;
    }
    m_useSystemFont = false;
    m_ttfConfig = config;
    markGlyphsDirty();
    return true;
}

void Label::setSystemFontName(const std::string& font)
{
    if (m_useSystemFont && font == m_systemFont) return;
    m_useSystemFont = true;
    m_systemFont = font;
    markGlyphsDirty();
}

void Label::setSystemFontSize(float size)
{
    if (size == m_ttfConfig.fontSize || size <= 0.0f) return;
    m_ttfConfig.fontSize = size;
    markGlyphsDirty();
}

float Label::getRenderingFontSize() const
{
    updateContent();
    return static_cast<float>(m_renderedSize);
}

void Label::setTextColor(const Color4B& color)
{
    if (color == m_textColor) return;
    m_textColor = color;
    Director::markDirty();
}

void Label::setDimensions(float width, float height)
{
    if (width == m_dimensions.width && height == m_dimensions.height) return;
    m_dimensions = Size(width, height);
    markLayoutDirty();
}

void Label::setMaxLineWidth(float width)
{
    if (width == m_maxLineWidth) return;
    m_maxLineWidth = width;
    markLayoutDirty();
}

void Label::enableWrap(bool enable)
{
    if (enable == m_wrap) return;
    m_wrap = enable;
    markLayoutDirty();
}

void Label::setAlignment(TextHAlignment h)
{
    setAlignment(h, m_vAlignment);
}

void Label::setAlignment(TextHAlignment h, TextVAlignment v)
{
    if (h == m_hAlignment && v == m_vAlignment) return;
    m_hAlignment = h;
    m_vAlignment = v;
    markLayoutDirty();
}

void Label::setOverflow(Overflow overflow)
{
    if (overflow == m_overflow) return;
    m_overflow = overflow;
    markLayoutDirty();
}

void Label::setBlendFunc(const BlendFunc& blend)
{
    if (blend == m_blend) return;
    m_blend = blend;
    Director::markDirty();
}

const Size& Label::getContentSize() const
{
    updateContent();
    return m_contentSize;
}

int Label::getStringNumLines() const
{
    updateContent();
    return static_cast<int>(m_lines.size());
}

float Label::getLineHeight() const
{
    updateContent();
    return static_cast<float>(m_lineSkip);
}

float Label::getTextWidth() const
{
    updateContent();
    return static_cast<float>(m_textWidth);
}

bool Label::renderLines(int fontSize, float wrapWidth) const
{
    if (!m_glyphsDirty && fontSize == m_renderedSize && wrapWidth == m_renderedWrapWidth) {
        return true;
    }
    TTF_Font* font = FontCache::getInstance()->getFont(currentFontPath(), fontSize);
    m_lines.clear();
    m_textWidth = m_textHeight = 0;
    m_renderedSize = fontSize;
    m_renderedWrapWidth = wrapWidth;
    m_glyphsDirty = false;
    if (!font) return false;
    m_lineSkip = TTF_FontLineSkip(font);
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (true) {
        const std::size_t nl = m_text.find('\n', start);
        wrapParagraph(font, m_text.substr(start, nl == std::string::npos ? std::string::npos : nl - start), wrapWidth,
                      &texts);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    ++m_glyphRenders;
    const SDL_Color white{255, 255, 255, 255};
    for (const std::string& text : texts) {
        Line line;
        line.text = text;
        line.height = m_lineSkip;
        SDL_Surface* rendered = text.empty() ? nullptr : TTF_RenderUTF8_Blended(font, text.c_str(), white);
        SDL_Surface* surface = rendered ? SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
        if (rendered) SDL_FreeSurface(rendered);
        if (surface && SDL_LockSurface(surface) == 0) {
            line.width = surface->w;
            line.height = std::max(surface->h, m_lineSkip);
            line.alpha.assign(static_cast<std::size_t>(line.width) * line.height, 0);
            for (int y = 0; y < surface->h; ++y) {
                const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
                for (int x = 0; x < surface->w; ++x) {
                    line.alpha[static_cast<std::size_t>(y) * line.width + x] = static_cast<std::uint8_t>(row[x] >> 24);
                }
            }
            SDL_UnlockSurface(surface);
        }
        if (surface) SDL_FreeSurface(surface);
        m_textWidth = std::max(m_textWidth, line.width);
        m_lines.push_back(std::move(line));
    }
    m_textHeight = static_cast<int>(m_lines.size()) * m_lineSkip;
    return true;
}

void Label::updateContent() const
{
    if (!m_layoutDirty) return;
    m_layoutDirty = false;
    const float wrapWidth = m_wrap ? (m_dimensions.width > 0.0f ? m_dimensions.width : m_maxLineWidth) : 0.0f;
    int size = std::max(1, static_cast<int>(std::lround(m_ttfConfig.fontSize)));
    renderLines(size, wrapWidth);
    if (m_overflow == Overflow::SHRINK && (m_dimensions.width > 0.0f || m_dimensions.height > 0.0f)) {
        auto fits = [&]() {
            return (m_dimensions.width <= 0.0f || m_textWidth <= m_dimensions.width) &&
                   (m_dimensions.height <= 0.0f || m_textHeight <= m_dimensions.height);
        };
        while (!fits() && size > 1) {
            renderLines(--size, wrapWidth);
        }
    }

    // Compose the lines into one white texture whose alpha is the glyph coverage.
    const int W = std::max(m_textWidth, 1), H = std::max(m_textHeight, 1);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(W) * H * 4, 0);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        int x0 = 0;
        if (m_hAlignment == TextHAlignment::CENTER) x0 = (W - line.width) / 2;
        else if (m_hAlignment == TextHAlignment::RIGHT) x0 = W - line.width;
        const int y0 = static_cast<int>(i) * m_lineSkip;
        for (int y = 0; y < line.height && y0 + y < H; ++y) {
            for (int x = 0; x < line.width; ++x) {
                std::uint8_t* p = &pixels[(static_cast<std::size_t>(y0 + y) * W + x0 + x) * 4];
                p[0] = p[1] = p[2] = 255;
                p[3] = line.alpha[static_cast<std::size_t>(y) * line.width + x];
            }
        }
    }
    if (!m_texture) m_texture = new Texture2D();
    m_texture->initWithData(pixels.data(), pixels.size(), Texture2D::PixelFormat::RGBA8888, W, H,
                            Size(static_cast<float>(W), static_cast<float>(H)));

    float cw = m_dimensions.width > 0.0f ? m_dimensions.width : static_cast<float>(m_textWidth);
    float ch = m_dimensions.height > 0.0f ? m_dimensions.height : static_cast<float>(m_textHeight);
    if (m_overflow == Overflow::RESIZE_HEIGHT) ch = static_cast<float>(m_textHeight);
    const_cast<Label*>(this)->Node::setContentSize(Size(cw, ch));

    float ox = 0.0f, oy = 0.0f;
    if (m_hAlignment == TextHAlignment::CENTER) ox = std::floor((cw - W) * 0.5f);
    else if (m_hAlignment == TextHAlignment::RIGHT) ox = cw - W;
    if (m_vAlignment == TextVAlignment::TOP) oy = ch - H;
    else if (m_vAlignment == TextVAlignment::CENTER) oy = std::floor((ch - H) * 0.5f);
    float x0 = ox, x1 = ox + W, y0 = oy, y1 = oy + H;
    float u0 = 0, u1 = 1, tTop = 0, tBottom = 1;
    if (m_overflow == Overflow::CLAMP && m_dimensions.width > 0.0f && m_dimensions.height > 0.0f) {
        const float cx0 = std::max(x0, 0.0f), cx1 = std::min(x1, cw);
        const float cy0 = std::max(y0, 0.0f), cy1 = std::min(y1, ch);
        u0 = (cx0 - ox) / W;
        u1 = (cx1 - ox) / W;
        tTop = (oy + H - cy1) / H;
        tBottom = (oy + H - cy0) / H;
        x0 = cx0;
        x1 = std::max(cx0, cx1);
        y0 = cy0;
        y1 = std::max(cy0, cy1);
    }
    m_quad.bl = {x0, y0, 0, 255, 255, 255, 255, u0, tBottom};
    m_quad.br = {x1, y0, 0, 255, 255, 255, 255, u1, tBottom};
    m_quad.tl = {x0, y1, 0, 255, 255, 255, 255, u0, tTop};
    m_quad.tr = {x1, y1, 0, 255, 255, 255, 255, u1, tTop};
}

void Label::visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags)
{
    // Lay out first: the size and so the anchor offset of this frame's transform depend on it.
    updateContent();
    Node::visit(renderer, parentTransform, parentFlags);
}

void Label::draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/)
{
    updateContent();
    if (!m_texture || m_lines.empty() || m_textWidth == 0) return;
    const Color3B c = m_displayedColor;
    const auto r = static_cast<std::uint8_t>(m_textColor.r * c.r / 255);
    const auto g = static_cast<std::uint8_t>(m_textColor.g * c.g / 255);
    const auto b = static_cast<std::uint8_t>(m_textColor.b * c.b / 255);
    const auto a = static_cast<std::uint8_t>(m_textColor.a * m_displayedOpacity / 255);
    for (V3F_C4B_T2F* v : {&m_quad.bl, &m_quad.br, &m_quad.tl, &m_quad.tr}) {
        v->r = r;
        v->g = g;
        v->b = b;
        v->a = a;
    }
    m_command.init(m_globalZOrder, m_texture->getName(), nullptr, m_blend, &m_quad, 1, transform);
    renderer->addCommand(&m_command);
}

} // namespace engine
