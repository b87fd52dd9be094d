#pragma once
// Open font faces by file and pixel size (FreeType, shaped with HarfBuzz), and the lookup of
// system fonts by family name. Render thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;
typedef struct hb_font_t hb_font_t;
typedef struct hb_buffer_t hb_buffer_t;

namespace engine {

// One face at one pixel size. Metrics are whole pixels; the baseline sits getAscent() below the
// top of a line, and lines are getLineSkip() apart.
class Font {
public:
    struct ShapedGlyph {
        std::uint32_t glyph = 0;  // glyph index in the face
        float x = 0.0f;           // pen position of the glyph's origin, pixels from the run start
        float y = 0.0f;           // vertical offset, pixels, up
    };

    Font(FT_Face face, int pixelSize, int id);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Shapes UTF-8 text (kerning and ligatures from GPOS/GSUB); returns the advance in pixels.
    float shape(const std::string& text, std::vector<ShapedGlyph>* out) const;
    // The advance of text in pixels, rounded up as a rendered line would be.
    int measure(const std::string& text) const;

    FT_Face getFace() const { return m_face; }
    int getPixelSize() const { return m_pixelSize; }
    // Distinguishes faces in the glyph atlas's keys (unique per file and size).
    int getId() const { return m_id; }
    int getAscent() const { return m_ascent; }
    int getDescent() const { return m_descent; }  // negative: below the baseline
    int getHeight() const { return m_ascent - m_descent; }
    int getLineSkip() const { return m_lineSkip; }

private:
    FT_Face m_face = nullptr;
    hb_font_t* m_hbFont = nullptr;
    hb_buffer_t* m_buffer = nullptr;
    int m_pixelSize = 0;
    int m_id = 0;
    int m_ascent = 0;
    int m_descent = 0;
    int m_lineSkip = 0;
};

class FontCache {
public:
    static constexpr const char* kFallbackFont = "fonts/roboto/Roboto-Regular.ttf";

    static FontCache* getInstance();
    // A name ending in .ttf or .otf (any case) names a font file; anything else a system family.
    static bool isFontFile(const std::string& name);

    // The font file at size pixels (resolved through the search paths); null when the file is
    // missing or not a font.
    Font* getFont(const std::string& fontFile, int size);
    // Full path of the system font best matching a family name (fontconfig), or of the bundled
    // fallback when fontconfig finds nothing usable. Cached per name.
    std::string resolveSystemFont(const std::string& family);
    // Closes every font.
    void clear();
    ~FontCache();

private:
    FontCache() = default;
    FT_Library m_library = nullptr;
    int m_nextId = 1;
    std::map<std::pair<std::string, int>, std::unique_ptr<Font>> m_fonts;
    // Paths that failed to open, so a missing font is not retried on every lookup.
    std::map<std::pair<std::string, int>, bool> m_failed;
    std::map<std::string, std::string> m_systemFonts;
};

} // namespace engine
