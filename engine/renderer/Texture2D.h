#pragma once
// An OpenGL texture. Pixels are straight (not premultiplied) alpha. Render thread, GL context
// current.

#include <cstddef>
#include <cstdint>

#include <GL/glew.h>

#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"

namespace engine {

class Texture2D : public Ref {
public:
    enum class PixelFormat { RGBA8888, RGB888, A8 };

    struct TexParams {
        GLuint minFilter;
        GLuint magFilter;
        GLuint wrapS;
        GLuint wrapT;
    };

    Texture2D();
    ~Texture2D() override;

    // Uploads pixelsWide x pixelsHigh pixels (rows bottom-up in GL's sense: the first row is
    // texture coordinate t = 0). dataLength must cover them; data may be null for an empty
    // texture. contentSize is the size in points; maxS and maxT become its share of the pixels.
    bool initWithData(const void* data, std::size_t dataLength, PixelFormat format, int pixelsWide, int pixelsHigh,
                      const Size& contentSize);
    // Replaces a width x height sub-rectangle at (offsetX, offsetY) with tightly packed pixels
    // of the texture's format. False when the rectangle leaves the texture.
    bool updateWithData(const void* data, int offsetX, int offsetY, int width, int height);

    void setAliasTexParameters();
    void setAntiAliasTexParameters();
    void setTexParameters(const TexParams& params);

    GLuint getName() const { return m_name; }
    int getPixelsWide() const { return m_pixelsWide; }
    int getPixelsHigh() const { return m_pixelsHigh; }
    PixelFormat getPixelFormat() const { return m_format; }
    const Size& getContentSize() const { return m_contentSize; }
    Size getContentSizeInPixels() const { return m_contentSize; }
    // The used share of the texture, 0 to 1 each; stored for the caller's layout.
    float getMaxS() const { return m_maxS; }
    float getMaxT() const { return m_maxT; }
    void setMaxS(float maxS);
    void setMaxT(float maxT);
    bool hasPremultipliedAlpha() const { return false; }

    static int bytesPerPixel(PixelFormat format);

private:
    GLuint m_name = 0;
    int m_pixelsWide = 0;
    int m_pixelsHigh = 0;
    PixelFormat m_format = PixelFormat::RGBA8888;
    Size m_contentSize;
    float m_maxS = 0.0f;
    float m_maxT = 0.0f;
};

} // namespace engine
