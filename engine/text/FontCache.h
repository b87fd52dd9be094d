#pragma once
// Open TTF fonts by file and pixel size, and the lookup of system fonts by family name.
// Render thread only.

#include <map>
#include <string>
#include <utility>

typedef struct _TTF_Font TTF_Font;

namespace engine {

class FontCache {
public:
    static constexpr const char* kFallbackFont = "fonts/roboto/Roboto-Regular.ttf";

    static FontCache* getInstance();
    // A name ending in .ttf or .otf (any case) names a font file; anything else a system family.
    static bool isFontFile(const std::string& name);

    // The font file at size pixels (resolved through the search paths), kerning on; null when
    // the file is missing or not a font.
    TTF_Font* getFont(const std::string& fontFile, int size);
    // Full path of the system font best matching a family name (fontconfig), or of the bundled
    // fallback when fontconfig finds nothing usable. Cached per name.
    std::string resolveSystemFont(const std::string& family);
    // Closes every font.
    void clear();

private:
    FontCache() = default;
    std::map<std::pair<std::string, int>, TTF_Font*> m_fonts;
    std::map<std::string, std::string> m_systemFonts;
};

} // namespace engine
