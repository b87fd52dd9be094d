#include "engine/renderer/Texture2D.h"

#include "engine/app/Director.h"

namespace engine {

namespace {
GLenum glFormat(Texture2D::PixelFormat format)
{
    switch (format) {
    case Texture2D::PixelFormat::RGB888: return GL_RGB;
    case Texture2D::PixelFormat::A8: return GL_ALPHA;
    case Texture2D::PixelFormat::RGBA8888: break;
    }
    return GL_RGBA;
}
}

Texture2D::Texture2D() = default;

Texture2D::~Texture2D()
{
    if (m_name) glDeleteTextures(1, &m_name);
}

int Texture2D::bytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::RGB888: return 3;
    case PixelFormat::A8: return 1;
    case PixelFormat::RGBA8888: break;
    }
    return 4;
}

bool Texture2D::initWithData(const void* data, std::size_t dataLength, PixelFormat format, int pixelsWide,
                             int pixelsHigh, const Size& contentSize)
{
    constexpr int kMaxSide = 16384;
    if (pixelsWide <= 0 || pixelsHigh <= 0 || pixelsWide > kMaxSide || pixelsHigh > kMaxSide) {
        return false;
    }
    const std::size_t needed =
        static_cast<std::size_t>(pixelsWide) * static_cast<std::size_t>(pixelsHigh) * bytesPerPixel(format);
    if (data && dataLength < needed) {
        return false;
    }
    if (!m_name) glGenTextures(1, &m_name);
    m_format = format;
    m_pixelsWide = pixelsWide;
    m_pixelsHigh = pixelsHigh;
    m_contentSize = contentSize;
    m_maxS = contentSize.width / static_cast<float>(pixelsWide);
    m_maxT = contentSize.height / static_cast<float>(pixelsHigh);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_name);
    const GLenum f = glFormat(format);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f), pixelsWide, pixelsHigh, 0, f, GL_UNSIGNED_BYTE, data);
    setAntiAliasTexParameters();
    Director::markDirty();
    return true;
}

bool Texture2D::updateWithData(const void* data, int offsetX, int offsetY, int width, int height)
{
    if (!m_name || !data || offsetX < 0 || offsetY < 0 || width <= 0 || height <= 0 ||
        width > m_pixelsWide - offsetX || height > m_pixelsHigh - offsetY) {
        return false;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_name);
    const GLenum f = glFormat(m_format);
    glTexSubImage2D(GL_TEXTURE_2D, 0, offsetX, offsetY, width, height, f, GL_UNSIGNED_BYTE, data);
    Director::markDirty();
    return true;
}

void Texture2D::setTexParameters(const TexParams& params)
{
    if (!m_name) return;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(params.minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(params.magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(params.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(params.wrapT));
    Director::markDirty();
}

void Texture2D::setAliasTexParameters()
{
    setTexParameters({GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

void Texture2D::setAntiAliasTexParameters()
{
    setTexParameters({GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

void Texture2D::setMaxS(float maxS)
{
    if (maxS == m_maxS) return;
    m_maxS = maxS;
    Director::markDirty();
}

void Texture2D::setMaxT(float maxT)
{
    if (maxT == m_maxT) return;
    m_maxT = maxT;
    Director::markDirty();
}

} // namespace engine
