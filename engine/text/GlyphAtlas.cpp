#include "engine/text/GlyphAtlas.h"

#include <algorithm>
#include <cstring>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/text/FontCache.h"

namespace engine {

namespace {
const char* const kProgramKey = "engine.CoverageColor";
// The page holds coverage only (an alpha texture): the colour comes from the vertex.
const char* const kFragmentShader = R"(
varying vec4 v_color;
varying vec2 v_texCoord;
void main()
{
    gl_FragColor = vec4(v_color.rgb, v_color.a * texture2D(CC_Texture0, v_texCoord).a);
}
)";

std::uint64_t glyphKey(const Font* font, std::uint32_t glyph)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(font->getId())) << 32) | glyph;
}
}

// ---- shelf packing ----

bool ShelfPacker::pack(int w, int h, int* x, int* y)
{
    if (w <= 0 || h <= 0 || w > m_width || h > m_height) return false;
    // The best shelf wastes the least height; a shelf much taller than the rectangle is left to
    // taller ones so small glyphs do not spread over the large shelves.
    Shelf* best = nullptr;
    for (Shelf& shelf : m_shelves) {
        if (shelf.height < h || shelf.x + w > m_width) continue;
        if (shelf.height > h + h / 2 + 2) continue;
        if (!best || shelf.height < best->height) best = &shelf;
    }
    if (!best) {
        if (m_bottom + h > m_height) return false;
        m_shelves.push_back({m_bottom, h, 0});
        m_bottom += h;
        best = &m_shelves.back();
    }
    *x = best->x;
    *y = best->y;
    best->x += w;
    return true;
}

void ShelfPacker::reset()
{
    m_shelves.clear();
    m_bottom = 0;
}

// ---- atlas ----

GlyphAtlas* GlyphAtlas::getInstance()
{
    static GlyphAtlas atlas;
    return &atlas;
}

int GlyphAtlas::addPage()
{
    m_pages.emplace_back();
    Page& page = m_pages.back();
    page.pixels.assign(static_cast<std::size_t>(kPageSize) * kPageSize, 0);
    // The white block, kept apart from the glyphs by the padding.
    int x = 0, y = 0;
    page.packer.pack(kWhiteBlock + kPadding, kWhiteBlock + kPadding, &x, &y);
    for (int row = 0; row < kWhiteBlock; ++row) {
        std::memset(&page.pixels[static_cast<std::size_t>(row) * kPageSize], 255, kWhiteBlock);
    }
    markDirty(page, 0, 0, kWhiteBlock, kWhiteBlock);
    return static_cast<int>(m_pages.size()) - 1;
}

void GlyphAtlas::markDirty(Page& page, int x, int y, int w, int h)
{
    page.dirtyX0 = std::min(page.dirtyX0, x);
    page.dirtyY0 = std::min(page.dirtyY0, y);
    page.dirtyX1 = std::max(page.dirtyX1, x + w);
    page.dirtyY1 = std::max(page.dirtyY1, y + h);
}

const GlyphAtlas::Glyph& GlyphAtlas::getGlyph(Font* font, std::uint32_t glyphIndex)
{
    static const Glyph kNothing;
    if (!font) return kNothing;
    const std::uint64_t key = glyphKey(font, glyphIndex);
    auto it = m_glyphs.find(key);
    if (it != m_glyphs.end()) return it->second;

    ++m_rasterised;
    Glyph glyph;
    FT_Face face = font->getFace();
    if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        return m_glyphs.emplace(key, glyph).first->second;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int w = static_cast<int>(bitmap.width);
    const int h = static_cast<int>(bitmap.rows);
    glyph.left = face->glyph->bitmap_left;
    glyph.top = face->glyph->bitmap_top;
    const bool supported = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (w <= 0 || h <= 0 || !supported || w + kPadding > kPageSize || h + kPadding > kPageSize) {
        return m_glyphs.emplace(key, glyph).first->second;
    }
    int page = m_pages.empty() ? addPage() : static_cast<int>(m_pages.size()) - 1;
    int x = 0, y = 0;
    if (!m_pages[page].packer.pack(w + kPadding, h + kPadding, &x, &y)) {
        // Full: a new page. Past the limit the atlas still grows for the rest of this frame (the
        // frame's quads already point into the pages) and starts over before the next one.
        if (static_cast<int>(m_pages.size()) >= kMaxPages) m_full = true;
        page = addPage();
        m_pages[page].packer.pack(w + kPadding, h + kPadding, &x, &y);
    }
    Page& target = m_pages[page];
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::uint8_t* dst = &target.pixels[static_cast<std::size_t>(y + row) * kPageSize + x];
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            std::memcpy(dst, src, static_cast<std::size_t>(w));
        } else {
            for (int col = 0; col < w; ++col) dst[col] = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
        }
    }
    markDirty(target, x, y, w, h);
    glyph.page = page;
    glyph.x = x;
    glyph.y = y;
    glyph.width = w;
    glyph.height = h;
    return m_glyphs.emplace(key, glyph).first->second;
}

GLuint GlyphAtlas::getTextureName(int page)
{
    if (page < 0) return 0;
    while (static_cast<int>(m_pages.size()) <= page) addPage();
    Page& p = m_pages[page];
    if (!p.texture) {
        glGenTextures(1, &p.texture);
        glBindTexture(GL_TEXTURE_2D, p.texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kPageSize, kPageSize, 0, GL_ALPHA, GL_UNSIGNED_BYTE, p.pixels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        ++m_textureCreations;
        // The whole page went up with the texture.
        p.dirtyX0 = p.dirtyY0 = kPageSize;
        p.dirtyX1 = p.dirtyY1 = 0;
    }
    return p.texture;
}

GLProgramState* GlyphAtlas::getProgramState()
{
    if (!m_programState) {
        GLProgramCache* cache = GLProgramCache::getInstance();
        GLProgram* program = cache->getGLProgram(kProgramKey);
        if (!program) {
            program = GLProgram::createWithByteArrays(ccPositionTextureColor_vert, kFragmentShader);
            if (!program) return nullptr;
            cache->addGLProgram(program, kProgramKey);
        }
        m_programState = GLProgramState::create(program);
        if (m_programState) m_programState->retain();
    }
    return m_programState;
}

void GlyphAtlas::uploadDirty()
{
    for (Page& page : m_pages) {
        if (!page.texture || page.dirtyX1 <= page.dirtyX0 || page.dirtyY1 <= page.dirtyY0) continue;
        glBindTexture(GL_TEXTURE_2D, page.texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, kPageSize);
        const std::uint8_t* first = &page.pixels[static_cast<std::size_t>(page.dirtyY0) * kPageSize + page.dirtyX0];
        glTexSubImage2D(GL_TEXTURE_2D, 0, page.dirtyX0, page.dirtyY0, page.dirtyX1 - page.dirtyX0,
                        page.dirtyY1 - page.dirtyY0, GL_ALPHA, GL_UNSIGNED_BYTE, first);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        ++m_uploads;
        page.dirtyX0 = page.dirtyY0 = kPageSize;
        page.dirtyX1 = page.dirtyY1 = 0;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GlyphAtlas::beginFrame()
{
    if (!m_full) return;
    // Nothing of the last frame is drawn any more: every page and glyph place goes.
    m_glyphs.clear();
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i].texture) glDeleteTextures(1, &m_pages[i].texture);
    }
    m_pages.clear();
    m_full = false;
    ++m_generation;
}

void GlyphAtlas::clear(bool glAlive)
{
    if (glAlive) {
        for (Page& page : m_pages) {
            if (page.texture) glDeleteTextures(1, &page.texture);
        }
    }
    m_pages.clear();
    m_glyphs.clear();
    if (m_programState) m_programState->release();
    m_programState = nullptr;
    m_full = false;
    ++m_generation;
}

} // namespace engine
