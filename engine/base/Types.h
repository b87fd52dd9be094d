#pragma once
// Colours, blend functions and text alignments shared across the engine.

#include <cstdint>

#include <GL/glew.h>

namespace engine {

struct Color4B;
struct Color4F;

struct Color3B {
    std::uint8_t r = 255, g = 255, b = 255;
    constexpr Color3B() = default;
    constexpr Color3B(std::uint8_t rr, std::uint8_t gg, std::uint8_t bb) : r(rr), g(gg), b(bb) {}
    explicit Color3B(const Color4B& c);
    explicit Color3B(const Color4F& c);
    constexpr bool operator==(const Color3B& o) const { return r == o.r && g == o.g && b == o.b; }
    constexpr bool operator!=(const Color3B& o) const { return !(*this == o); }

    static const Color3B WHITE, BLACK, RED, GREEN, BLUE, YELLOW, ORANGE, MAGENTA, GRAY;
};

struct Color4B {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    constexpr Color4B() = default;
    constexpr Color4B(std::uint8_t rr, std::uint8_t gg, std::uint8_t bb, std::uint8_t aa)
        : r(rr), g(gg), b(bb), a(aa) {}
    constexpr Color4B(const Color3B& c, std::uint8_t aa) : r(c.r), g(c.g), b(c.b), a(aa) {}
    explicit Color4B(const Color4F& c);
    constexpr bool operator==(const Color4B& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    constexpr bool operator!=(const Color4B& o) const { return !(*this == o); }

    static const Color4B WHITE, BLACK, RED, GREEN, BLUE;
};

// Components 0 to 1.
struct Color4F {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    constexpr Color4F() = default;
    constexpr Color4F(float rr, float gg, float bb, float aa) : r(rr), g(gg), b(bb), a(aa) {}
    Color4F(const Color3B& c, float aa) : r(c.r / 255.0f), g(c.g / 255.0f), b(c.b / 255.0f), a(aa) {}
    explicit Color4F(const Color4B& c) : r(c.r / 255.0f), g(c.g / 255.0f), b(c.b / 255.0f), a(c.a / 255.0f) {}
    constexpr bool operator==(const Color4F& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    constexpr bool operator!=(const Color4F& o) const { return !(*this == o); }

    static const Color4F WHITE, BLACK, RED, GREEN, BLUE;
};

struct BlendFunc {
    GLenum src = GL_ONE;
    GLenum dst = GL_ONE_MINUS_SRC_ALPHA;

    // Premultiplied alpha: what textures loaded by the engine hold.
    static const BlendFunc ALPHA_PREMULTIPLIED;
    // Straight alpha: colour components not multiplied by alpha.
    static const BlendFunc ALPHA_NON_PREMULTIPLIED;
    static const BlendFunc ADDITIVE;
    static const BlendFunc DISABLE;

    constexpr bool operator==(const BlendFunc& o) const { return src == o.src && dst == o.dst; }
    constexpr bool operator!=(const BlendFunc& o) const { return !(*this == o); }
};

enum class TextHAlignment { LEFT, CENTER, RIGHT };
enum class TextVAlignment { TOP, CENTER, BOTTOM };

// Vertex layout of every textured, coloured quad: position (x, y, z), colour RGBA bytes, texture
// coordinates (u, v). 24 bytes.
struct V3F_C4B_T2F {
    float x, y, z;
    std::uint8_t r, g, b, a;
    float u, v;
};

struct V3F_C4B_T2F_Quad {
    V3F_C4B_T2F bl, br, tl, tr;
};

} // namespace engine
