#include "engine/renderer/TextureCache.h"

#include <cstdio>
#include <cstring>

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include "engine/renderer/Texture2D.h"
#include "platform/FileUtils.h"

namespace engine {

TextureCache::~TextureCache()
{
    removeAllTextures();
}

void TextureCache::removeAllTextures()
{
    for (auto& entry : m_textures) entry.second->release();
    m_textures.clear();
    if (m_white) m_white->release();
    m_white = nullptr;
}

Texture2D* TextureCache::getTextureForKey(const std::string& filename) const
{
    const std::string path = FileUtils::getInstance()->fullPathForFilename(filename);
    auto it = m_textures.find(path);
    return it == m_textures.end() ? nullptr : it->second;
}

Texture2D* TextureCache::addImage(const std::string& filename)
{
    const std::string path = FileUtils::getInstance()->fullPathForFilename(filename);
    if (path.empty()) {
        std::printf("engine: image not found: %s\n", filename.c_str());
        return nullptr;
    }
    auto it = m_textures.find(path);
    if (it != m_textures.end()) return it->second;

    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) {
        std::printf("engine: cannot load image %s: %s\n", path.c_str(), IMG_GetError());
        return nullptr;
    }
    // RGBA byte order whatever the file held.
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba) return nullptr;
    Texture2D* texture = nullptr;
    if (SDL_LockSurface(rgba) == 0) {
        // Rows must be tightly packed for the upload.
        const int w = rgba->w, h = rgba->h;
        std::string pixels(static_cast<std::size_t>(w) * h * 4, '\0');
        for (int y = 0; y < h; ++y) {
            std::memcpy(&pixels[static_cast<std::size_t>(y) * w * 4], static_cast<const char*>(rgba->pixels) + y * rgba->pitch,
                        static_cast<std::size_t>(w) * 4);
        }
        SDL_UnlockSurface(rgba);
        texture = new Texture2D();
        if (!texture->initWithData(pixels.data(), pixels.size(), Texture2D::PixelFormat::RGBA8888, w, h,
                                   Size(static_cast<float>(w), static_cast<float>(h)))) {
            texture->release();
            texture = nullptr;
        }
    }
    SDL_FreeSurface(rgba);
    if (texture) m_textures.emplace(path, texture);
    return texture;
}

Texture2D* TextureCache::getWhiteTexture()
{
    if (!m_white) {
        const unsigned char white[16] = {255, 255, 255, 255, 255, 255, 255, 255,
                                         255, 255, 255, 255, 255, 255, 255, 255};
        m_white = new Texture2D();
        m_white->initWithData(white, sizeof(white), Texture2D::PixelFormat::RGBA8888, 2, 2, Size(2, 2));
    }
    return m_white;
}

} // namespace engine
