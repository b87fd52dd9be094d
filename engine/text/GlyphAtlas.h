#pragma once
// Glyph bitmaps of every label, shared: single-channel (coverage) pages of kPageSize² texels,
// filled by shelf packing with padding between glyphs, keyed by (face, pixel size, glyph). Each
// page reserves a small white block at its origin so that solid fills and lines can draw with the
// page's texture and batch with text. Pages are created as needed; changed areas are uploaded
// once per frame as one sub-rectangle per page (uploadDirty, called by the renderer). When the
// pages hit their limit the atlas starts over before the next frame's visit; a label notices
// through getGeneration() and looks its glyphs up again. Render thread only.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>

namespace engine {

class Font;
class GLProgramState;

// Packs rectangles into a fixed area, row by row ("shelves"): a rectangle goes onto the first
// shelf tall enough (and not much taller) with room left, else onto a new shelf below the others.
class ShelfPacker {
public:
    ShelfPacker(int width, int height) : m_width(width), m_height(height) {}
    // Top-left corner for a w x h rectangle; false when it does not fit.
    bool pack(int w, int h, int* x, int* y);
    int getUsedHeight() const { return m_bottom; }
    void reset();

private:
    struct Shelf {
        int y;
        int height;
        int x;
    };
    int m_width;
    int m_height;
    int m_bottom = 0;
    std::vector<Shelf> m_shelves;
};

class GlyphAtlas {
public:
    static constexpr int kPageSize = 1024;
    static constexpr int kPadding = 2;
    // Pages held before the atlas starts over (4 MB of coverage).
    static constexpr int kMaxPages = 4;
    // Side of the white block at each page's origin.
    static constexpr int kWhiteBlock = 4;

    struct Glyph {
        int page = -1;   // -1: nothing to draw (a space)
        int x = 0;       // texel rectangle in the page, y down from the page's first row
        int y = 0;
        int width = 0;
        int height = 0;
        int left = 0;    // bitmap offset from the pen position, pixels, right
        int top = 0;     // bitmap top above the baseline, pixels
    };

    static GlyphAtlas* getInstance();

    // The glyph's place in the atlas, rasterised on first use. Never null.
    const Glyph& getGlyph(Font* font, std::uint32_t glyphIndex);
    // The texture of a page (created on first use; needs a current GL context).
    GLuint getTextureName(int page);
    // Texture coordinates of the white block's centre.
    static float whiteU() { return static_cast<float>(kWhiteBlock / 2) / kPageSize; }
    static float whiteV() { return static_cast<float>(kWhiteBlock / 2) / kPageSize; }
    // The program that multiplies the vertex colour by the page's coverage.
    GLProgramState* getProgramState();

    // Sends every page's changed area to its texture. Called once per frame before drawing.
    void uploadDirty();
    // Starts over when the pages are full (between frames, never during a visit).
    void beginFrame();
    // Bumped whenever glyph places became invalid.
    std::uint64_t getGeneration() const { return m_generation; }

    // Statistics for tests and benchmarks.
    std::size_t getRasterisedCount() const { return m_rasterised; }
    std::size_t getPageCount() const { return m_pages.size(); }
    std::size_t getTextureCreations() const { return m_textureCreations; }
    std::size_t getUploadCount() const { return m_uploads; }
    std::size_t getGlyphCount() const { return m_glyphs.size(); }

    // Drops every glyph and page; GL objects go too (call with the context current, or after
    // the context is gone with glAlive false).
    void clear(bool glAlive = true);

private:
    GlyphAtlas() = default;
    struct Page {
        std::vector<std::uint8_t> pixels;  // kPageSize² coverage, first row first
        ShelfPacker packer{kPageSize, kPageSize};
        GLuint texture = 0;
        int dirtyX0 = kPageSize, dirtyY0 = kPageSize, dirtyX1 = 0, dirtyY1 = 0;
    };
    int addPage();
    void markDirty(Page& page, int x, int y, int w, int h);

    std::vector<Page> m_pages;
    std::unordered_map<std::uint64_t, Glyph> m_glyphs;
    GLProgramState* m_programState = nullptr;
    std::uint64_t m_generation = 1;
    bool m_full = false;
    std::size_t m_rasterised = 0;
    std::size_t m_textureCreations = 0;
    std::size_t m_uploads = 0;
};

} // namespace engine
