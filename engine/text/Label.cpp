#include "engine/text/Label.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/text/FontCache.h"
#include "engine/text/GlyphAtlas.h"

namespace engine {

namespace {

std::size_t nextCharEnd(const std::string& s, std::size_t i)
{
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

// Greedy word wrap of one paragraph at maxWidth pixels; words longer than the width break between
// characters.
void wrapParagraph(const Font& font, const std::string& paragraph, float maxWidth, std::vector<std::string>* out)
{
    if (maxWidth <= 0.0f) {
        out->push_back(paragraph);
        return;
    }
    auto textWidth = [&](const std::string& text) { return text.empty() ? 0 : font.measure(text); };
    std::string current;
    std::size_t pos = 0;
    while (pos <= paragraph.size()) {
        std::size_t space = paragraph.find(' ', pos);
        if (space == std::string::npos) space = paragraph.size();
        const std::string word = paragraph.substr(pos, space - pos);
        pos = space + 1;
        const std::string candidate = current.empty() ? word : current + " " + word;
        if (textWidth(candidate) <= maxWidth) {
            current = candidate;
            continue;
        }
        if (!current.empty()) out->push_back(current);
        current = word;
        while (textWidth(current) > maxWidth) {
            std::size_t cut = nextCharEnd(current, 0);
            for (std::size_t next = nextCharEnd(current, cut); next <= current.size() &&
                 textWidth(current.substr(0, next)) <= maxWidth; next = nextCharEnd(current, next)) {
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

Label::~Label() = default;

float Label::currentScale()
{
    const float scale = Director::getInstance()->getContentScaleFactor();
    return scale > 0.0f ? scale : 1.0f;
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

Label* Label::createWithFont(const std::string& text, const std::string& font, float fontSize,
                             const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment)
{
    if (FontCache::isFontFile(font)) {
        if (Label* label = createWithTTF(text, font, fontSize, dimensions, hAlignment, vAlignment)) return label;
        return createWithSystemFont(text, "Roboto", fontSize, dimensions, hAlignment, vAlignment);
    }
    return createWithSystemFont(text, font, fontSize, dimensions, hAlignment, vAlignment);
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
    const int pixels = std::max(1, static_cast<int>(std::lround(config.fontSize * currentScale())));
    if (!FontCache::getInstance()->getFont(config.fontFilePath, pixels)) {
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
    return static_cast<float>(m_lineSkip) / m_renderedScale;
}

float Label::getTextWidth() const
{
    updateContent();
    return static_cast<float>(m_textWidth) / m_renderedScale;
}

bool Label::shapeLines(int fontSize, float wrapWidth) const
{
    const float scale = currentScale();
    if (!m_glyphsDirty && fontSize == m_renderedSize && wrapWidth == m_renderedWrapWidth && scale == m_renderedScale) {
        return true;
    }
    const int pixelSize = std::max(1, static_cast<int>(std::lround(static_cast<float>(fontSize) * scale)));
    Font* font = FontCache::getInstance()->getFont(currentFontPath(), pixelSize);
    m_lines.clear();
    m_textWidth = m_textHeight = 0;
    m_renderedSize = fontSize;
    m_renderedScale = scale;
    m_renderedWrapWidth = wrapWidth;
    m_glyphsDirty = false;
    m_font = font;
    if (!font) return false;
    m_lineSkip = font->getLineSkip();
    m_ascent = font->getAscent();
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (true) {
        const std::size_t nl = m_text.find('\n', start);
        wrapParagraph(*font, m_text.substr(start, nl == std::string::npos ? std::string::npos : nl - start),
                      wrapWidth * scale, &texts);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    ++m_glyphRenders;
    for (const std::string& text : texts) {
        Line line;
        const float advance = font->shape(text, &line.glyphs);
        line.width = static_cast<int>(std::ceil(advance - 0.01f));
        m_textWidth = std::max(m_textWidth, line.width);
        m_lines.push_back(std::move(line));
    }
    m_textHeight = static_cast<int>(m_lines.size()) * m_lineSkip;
    return true;
}

void Label::updateContent() const
{
    const bool atlasChanged = m_atlasGeneration != GlyphAtlas::getInstance()->getGeneration();
    if (!m_layoutDirty && m_renderedScale == currentScale()) {
        if (atlasChanged) buildQuads();
        return;
    }
    m_layoutDirty = false;
    const float wrapWidth = m_wrap ? (m_dimensions.width > 0.0f ? m_dimensions.width : m_maxLineWidth) : 0.0f;
    int size = std::max(1, static_cast<int>(std::lround(m_ttfConfig.fontSize)));
    shapeLines(size, wrapWidth);
    if (m_overflow == Overflow::SHRINK && (m_dimensions.width > 0.0f || m_dimensions.height > 0.0f)) {
        auto fits = [&]() {
            return (m_dimensions.width <= 0.0f || m_textWidth <= m_dimensions.width * m_renderedScale) &&
                   (m_dimensions.height <= 0.0f || m_textHeight <= m_dimensions.height * m_renderedScale);
        };
        while (!fits() && size > 1) {
            shapeLines(--size, wrapWidth);
        }
    }
    const float textW = static_cast<float>(m_textWidth) / m_renderedScale;
    const float textH = static_cast<float>(m_textHeight) / m_renderedScale;
    float cw = m_dimensions.width > 0.0f ? m_dimensions.width : textW;
    float ch = m_dimensions.height > 0.0f ? m_dimensions.height : textH;
    if (m_overflow == Overflow::RESIZE_HEIGHT) ch = textH;
    const_cast<Label*>(this)->Node::setContentSize(Size(cw, ch));
    buildQuads();
}

void Label::buildQuads() const
{
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    m_atlasGeneration = atlas->getGeneration();
    m_quads.clear();
    m_quadPages.clear();
    if (!m_font || m_lines.empty() || m_textWidth == 0) return;
    const float scale = m_renderedScale;
    const float cw = m_contentSize.width * scale, ch = m_contentSize.height * scale;  // pixels
    const int W = m_textWidth, H = m_textHeight;
    // The text block's bottom-left corner in pixels of node space, on whole pixels.
    float ox = 0.0f, oy = 0.0f;
    if (m_hAlignment == TextHAlignment::CENTER) ox = std::floor((cw - static_cast<float>(W)) * 0.5f);
    else if (m_hAlignment == TextHAlignment::RIGHT) ox = std::round(cw - static_cast<float>(W));
    if (m_vAlignment == TextVAlignment::TOP) oy = std::round(ch - static_cast<float>(H));
    else if (m_vAlignment == TextVAlignment::CENTER) oy = std::floor((ch - static_cast<float>(H)) * 0.5f);
    const bool clamp = m_overflow == Overflow::CLAMP && m_dimensions.width > 0.0f && m_dimensions.height > 0.0f;
    const float inv = 1.0f / scale;
    const float texel = 1.0f / static_cast<float>(GlyphAtlas::kPageSize);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        int x0 = 0;
        if (m_hAlignment == TextHAlignment::CENTER) x0 = (W - line.width) / 2;
        else if (m_hAlignment == TextHAlignment::RIGHT) x0 = W - line.width;
        const float baseline = oy + static_cast<float>(H - static_cast<int>(i) * m_lineSkip - m_ascent);
        for (const Font::ShapedGlyph& shaped : line.glyphs) {
            const GlyphAtlas::Glyph& g = atlas->getGlyph(m_font, shaped.glyph);
            if (g.page < 0) continue;
            float left = ox + static_cast<float>(x0) + std::round(shaped.x) + static_cast<float>(g.left);
            float top = baseline + std::round(shaped.y) + static_cast<float>(g.top);
            float right = left + static_cast<float>(g.width);
            float bottom = top - static_cast<float>(g.height);
            float u0 = static_cast<float>(g.x) * texel, u1 = static_cast<float>(g.x + g.width) * texel;
            float vTop = static_cast<float>(g.y) * texel, vBottom = static_cast<float>(g.y + g.height) * texel;
            if (clamp) {
                // Cut the glyph at the label's box, texture coordinates along.
                const float cl = std::max(left, 0.0f), cr = std::min(right, cw);
                const float cb = std::max(bottom, 0.0f), ct = std::min(top, ch);
                if (cl >= cr || cb >= ct) continue;
                u0 += (cl - left) * texel;
                u1 -= (right - cr) * texel;
                vTop += (top - ct) * texel;
                vBottom -= (cb - bottom) * texel;
                left = cl;
                right = cr;
                top = ct;
                bottom = cb;
            }
            V3F_C4B_T2F_Quad q;
            q.bl = {left * inv, bottom * inv, 0, 255, 255, 255, 255, u0, vBottom};
            q.br = {right * inv, bottom * inv, 0, 255, 255, 255, 255, u1, vBottom};
            q.tl = {left * inv, top * inv, 0, 255, 255, 255, 255, u0, vTop};
            q.tr = {right * inv, top * inv, 0, 255, 255, 255, 255, u1, vTop};
            m_quads.push_back(q);
            m_quadPages.push_back(g.page);
        }
    }
    m_quadColor = Color4B(255, 255, 255, 255);
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
    if (m_quads.empty()) return;
    const Color3B c = m_displayedColor;
    const Color4B colour(static_cast<std::uint8_t>(m_textColor.r * c.r / 255),
                         static_cast<std::uint8_t>(m_textColor.g * c.g / 255),
                         static_cast<std::uint8_t>(m_textColor.b * c.b / 255),
                         static_cast<std::uint8_t>(m_textColor.a * m_displayedOpacity / 255));
    if (!(colour == m_quadColor)) {
        for (V3F_C4B_T2F_Quad& q : m_quads) {
            for (V3F_C4B_T2F* v : {&q.bl, &q.br, &q.tl, &q.tr}) {
                v->r = colour.r;
                v->g = colour.g;
                v->b = colour.b;
                v->a = colour.a;
            }
        }
        m_quadColor = colour;
    }
    // Glyphs are rasterised for whole pixels. A label placed between pixels (centred in a cell of
    // odd width, say) would sample its glyphs between texel rows and blur them: a one-pixel stroke,
    // like the bar of a small "7", all but vanishes. Unscaled, unrotated labels land on whole pixels.
    Mat4 placed = transform;
    if (transform.m[0] == 1.0f && transform.m[5] == 1.0f && transform.m[1] == 0.0f && transform.m[4] == 0.0f) {
        const float s = currentScale();
        placed.m[12] = std::round(transform.m[12] * s) / s;
        placed.m[13] = std::round(transform.m[13] * s) / s;
    }
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    GLProgramState* state = atlas->getProgramState();
    // One hand-over per run of quads on the same page (almost always the whole label).
    std::size_t first = 0;
    while (first < m_quads.size()) {
        std::size_t end = first + 1;
        while (end < m_quads.size() && m_quadPages[end] == m_quadPages[first]) ++end;
        renderer->addQuads(atlas->getTextureName(m_quadPages[first]), state, m_blend, &m_quads[first], end - first,
                           placed);
        first = end;
    }
}

} // namespace engine
