#pragma once
// Textures loaded from image files, shared by name. Render thread, GL context current.

#include <map>
#include <string>

#include "engine/base/Ref.h"

namespace engine {

class Texture2D;

class TextureCache : public Ref {
public:
    TextureCache() = default;
    ~TextureCache() override;

    // Loads an image (PNG, JPEG, ...) found through the search paths, or returns the cached
    // texture. Null (with one diagnostic line) when the file is missing or unreadable.
    Texture2D* addImage(const std::string& filename);
    Texture2D* getTextureForKey(const std::string& filename) const;
    // A 2 x 2 opaque white texture for solid fills.
    Texture2D* getWhiteTexture();
    void removeAllTextures();

private:
    std::map<std::string, Texture2D*> m_textures;
    Texture2D* m_white = nullptr;
};

} // namespace engine
