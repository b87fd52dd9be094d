#include "engine/text/FontCache.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>
#include <hb-ft.h>
#include <hb.h>

#include "platform/FileUtils.h"

namespace engine {

namespace {
// 26.6 fixed point, rounded up to whole pixels.
int ceil26_6(long v)
{
    return static_cast<int>((v + 63) >> 6);
}
}

Font::Font(FT_Face face, int pixelSize, int id) : m_face(face), m_pixelSize(pixelSize), m_id(id)
{
    if (FT_IS_SCALABLE(face)) {
        const FT_Fixed scale = face->size->metrics.y_scale;
        m_ascent = ceil26_6(FT_MulFix(face->ascender, scale));
        m_descent = ceil26_6(FT_MulFix(face->descender, scale));
        m_lineSkip = ceil26_6(FT_MulFix(face->height, scale));
    } else {
        m_ascent = ceil26_6(face->size->metrics.ascender);
        m_descent = ceil26_6(face->size->metrics.descender);
        m_lineSkip = ceil26_6(face->size->metrics.height);
    }
    if (m_lineSkip < m_ascent - m_descent) m_lineSkip = m_ascent - m_descent;
    m_hbFont = hb_ft_font_create_referenced(face);
    // Light hinting: vertical snapping only, advances keep their design widths.
    hb_ft_font_set_load_flags(m_hbFont, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT);
    m_buffer = hb_buffer_create();
}

Font::~Font()
{
    hb_buffer_destroy(m_buffer);
    hb_font_destroy(m_hbFont);
    FT_Done_Face(m_face);
}

float Font::shape(const std::string& text, std::vector<ShapedGlyph>* out) const
{
    if (out) out->clear();
    if (text.empty()) return 0.0f;
    hb_buffer_clear_contents(m_buffer);
    hb_buffer_add_utf8(m_buffer, text.data(), static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
    hb_buffer_guess_segment_properties(m_buffer);
    hb_shape(m_hbFont, m_buffer, nullptr, 0);
    unsigned int count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(m_buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(m_buffer, &count);
    long penX = 0;
    long penY = 0;
    if (out) out->reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        if (out) {
            out->push_back({info[i].codepoint, static_cast<float>(penX + pos[i].x_offset) / 64.0f,
                            static_cast<float>(penY + pos[i].y_offset) / 64.0f});
        }
        penX += pos[i].x_advance;
        penY += pos[i].y_advance;
    }
    return static_cast<float>(penX) / 64.0f;
}

int Font::measure(const std::string& text) const
{
    return static_cast<int>(std::ceil(shape(text, nullptr) - 0.01f));
}

bool FontCache::isFontFile(const std::string& name)
{
    if (name.size() <= 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".ttf" || ext == ".otf";
}

FontCache* FontCache::getInstance()
{
    static FontCache cache;
    return &cache;
}

FontCache::~FontCache()
{
    m_fonts.clear();
    if (m_library) FT_Done_FreeType(m_library);
}

Font* FontCache::getFont(const std::string& fontFile, int size)
{
    if (size <= 0 || size > 1000) return nullptr;
    const std::string path = FileUtils::getInstance()->fullPathForFilename(fontFile);
    if (path.empty()) return nullptr;
    const auto key = std::make_pair(path, size);
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second.get();
    if (m_failed.count(key)) return nullptr;
    if (!m_library && FT_Init_FreeType(&m_library) != 0) {
        std::fprintf(stderr, "engine: FreeType cannot start\n");
        m_library = nullptr;
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(m_library, path.c_str(), 0, &face) != 0) {
        std::printf("engine: cannot open font %s\n", path.c_str());
        m_failed.emplace(key, true);
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
        // A bitmap-only face without this size.
        std::printf("engine: font %s has no size %d\n", path.c_str(), size);
        FT_Done_Face(face);
        m_failed.emplace(key, true);
        return nullptr;
    }
    auto font = std::make_unique<Font>(face, size, m_nextId++);
    Font* raw = font.get();
    m_fonts.emplace(key, std::move(font));
    return raw;
}

std::string FontCache::resolveSystemFont(const std::string& family)
{
    auto it = m_systemFonts.find(family);
    if (it != m_systemFonts.end()) return it->second;
    std::string path;
    if (FcInit()) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
        if (pattern) {
            FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(nullptr, pattern, &result);
            FcChar8* file = nullptr;
            if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
                path = reinterpret_cast<const char*>(file);
            }
            if (match) FcPatternDestroy(match);
            FcPatternDestroy(pattern);
        }
    }
    // Only TrueType/OpenType files are used: their outlines scale to every pixel size.
    auto endsWith = [&](const char* ext) {
        const std::string e(ext);
        return path.size() > e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0;
    };
    if (path.empty() || !(endsWith(".ttf") || endsWith(".otf") || endsWith(".TTF") || endsWith(".OTF"))) {
        path = FileUtils::getInstance()->fullPathForFilename(kFallbackFont);
    }
    m_systemFonts.emplace(family, path);
    return path;
}

void FontCache::clear()
{
    m_fonts.clear();
    m_failed.clear();
    m_systemFonts.clear();
}

} // namespace engine
