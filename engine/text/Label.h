#pragma once
// Text drawn from a TTF font: shaped with HarfBuzz (so kerning from GPOS applies), glyphs from
// the shared glyph atlas, one quad per glyph, batched with everything else using the atlas.
// A label has a font (a TTF file, or a system font by family name with the bundled Roboto as
// fallback), a size in points, optional dimensions with horizontal and vertical alignment,
// wrapping, an overflow mode, and a text colour that multiplies the node colour and opacity.
// Glyphs are rasterised at the real pixel size (points times the Director's content scale).
// The label keeps its shaped lines: it shapes again only when the text, font, size, scale or
// wrap width change; colour, opacity, alignment and position changes reuse them. Render thread
// only.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/Types.h"
#include "engine/text/FontCache.h"
#include "engine/scene/Node.h"

namespace engine {

struct TTFConfig {
    std::string fontFilePath;
    float fontSize = 12.0f;
    TTFConfig() = default;
    TTFConfig(const std::string& path, float size) : fontFilePath(path), fontSize(size) {}
};

class Label : public Node {
public:
    enum class Overflow {
        NONE,           // the text may run outside the dimensions
        CLAMP,          // the text is cut at the dimensions
        SHRINK,         // the font shrinks until the text fits the dimensions
        RESIZE_HEIGHT,  // the height follows the wrapped text
    };

    static Label* create();
    // Null when the font file cannot be opened.
    static Label* createWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                                const Size& dimensions = Size::ZERO, TextHAlignment hAlignment = TextHAlignment::LEFT,
                                TextVAlignment vAlignment = TextVAlignment::TOP);
    static Label* createWithTTF(const TTFConfig& config, const std::string& text,
                                TextHAlignment hAlignment = TextHAlignment::LEFT, int maxLineWidth = 0);
    // The one way to make a label from a font name: a .ttf/.otf file when it opens, else the
    // system family of that name, else the bundled Roboto. Null only when memory runs out.
    static Label* createWithFont(const std::string& text, const std::string& font, float fontSize,
                                 const Size& dimensions = Size::ZERO, TextHAlignment hAlignment = TextHAlignment::LEFT,
                                 TextVAlignment vAlignment = TextVAlignment::TOP);
    static Label* createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                       const Size& dimensions = Size::ZERO,
                                       TextHAlignment hAlignment = TextHAlignment::LEFT,
                                       TextVAlignment vAlignment = TextVAlignment::TOP);
    ~Label() override;

    void setString(const std::string& text);
    const std::string& getString() const { return m_text; }

    bool setTTFConfig(const TTFConfig& config);
    const TTFConfig& getTTFConfig() const { return m_ttfConfig; }
    void setSystemFontName(const std::string& font);
    const std::string& getSystemFontName() const { return m_systemFont; }
    void setSystemFontSize(float size);
    float getSystemFontSize() const { return m_ttfConfig.fontSize; }
    // Font size after SHRINK (the configured size otherwise).
    float getRenderingFontSize() const;

    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const { return m_textColor; }

    void setDimensions(float width, float height);
    Size getDimensions() const { return m_dimensions; }
    void setWidth(float width) { setDimensions(width, m_dimensions.height); }
    void setHeight(float height) { setDimensions(m_dimensions.width, height); }
    void setMaxLineWidth(float width);
    void enableWrap(bool enable);
    bool isWrapEnabled() const { return m_wrap; }
    void setAlignment(TextHAlignment h);
    void setAlignment(TextHAlignment h, TextVAlignment v);
    void setHorizontalAlignment(TextHAlignment h) { setAlignment(h, m_vAlignment); }
    void setVerticalAlignment(TextVAlignment v) { setAlignment(m_hAlignment, v); }
    TextHAlignment getHorizontalAlignment() const { return m_hAlignment; }
    TextVAlignment getVerticalAlignment() const { return m_vAlignment; }
    void setOverflow(Overflow overflow);
    Overflow getOverflow() const { return m_overflow; }
    void setBlendFunc(const BlendFunc& blend);

    const Size& getContentSize() const override;
    int getStringNumLines() const;
    float getLineHeight() const;
    // Width in points of the rendered text block (widest line).
    float getTextWidth() const;
    // How many times the text was shaped and laid out in lines (tests; it must not grow on
    // colour or position changes).
    std::size_t getGlyphRenderCount() const { return m_glyphRenders; }
    // Glyph quads drawn by the label.
    std::size_t getQuadCount() const { return m_quads.size(); }

    void visit(Renderer* renderer, const Mat4& parentTransform, std::uint32_t parentFlags) override;
    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t flags) override;

protected:
    Label();

private:
    struct Line {
        std::vector<Font::ShapedGlyph> glyphs;
        int width = 0;  // pixels
    };
    void markLayoutDirty();
    void markGlyphsDirty();
    // Shapes and places the glyphs when needed; const because getContentSize is.
    void updateContent() const;
    bool shapeLines(int fontSize, float wrapWidth) const;
    // The glyph quads in node space from the shaped lines and the atlas.
    void buildQuads() const;
    static float currentScale();
    std::string currentFontPath() const;

    std::string m_text;
    TTFConfig m_ttfConfig;
    std::string m_systemFont;
    bool m_useSystemFont = false;
    Color4B m_textColor = Color4B::WHITE;
    Size m_dimensions;
    float m_maxLineWidth = 0.0f;
    bool m_wrap = true;
    TextHAlignment m_hAlignment = TextHAlignment::LEFT;
    TextVAlignment m_vAlignment = TextVAlignment::TOP;
    Overflow m_overflow = Overflow::NONE;
    BlendFunc m_blend = BlendFunc::ALPHA_NON_PREMULTIPLIED;

    mutable bool m_layoutDirty = true;
    mutable bool m_glyphsDirty = true;
    mutable std::vector<Line> m_lines;
    mutable int m_renderedSize = 0;  // points
    mutable float m_renderedScale = 0.0f;
    mutable float m_renderedWrapWidth = -1.0f;
    mutable Font* m_font = nullptr;
    // Pixel metrics of the shaped lines.
    mutable int m_ascent = 0;
    mutable int m_lineSkip = 0;
    mutable int m_textWidth = 0;
    mutable int m_textHeight = 0;
    mutable std::size_t m_glyphRenders = 0;
    mutable std::uint64_t m_atlasGeneration = 0;
    mutable std::vector<V3F_C4B_T2F_Quad> m_quads;
    mutable std::vector<int> m_quadPages;
    mutable Color4B m_quadColor = Color4B(255, 255, 255, 255);
};

} // namespace engine
