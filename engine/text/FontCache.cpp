#include "engine/text/FontCache.h"

#include <cctype>
#include <cstdio>

#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include "platform/FileUtils.h"

namespace engine {

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

TTF_Font* FontCache::getFont(const std::string& fontFile, int size)
{
    if (size <= 0 || size > 1000) return nullptr;
    const std::string path = FileUtils::getInstance()->fullPathForFilename(fontFile);
    if (path.empty()) return nullptr;
    const auto key = std::make_pair(path, size);
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second;
    if (!TTF_WasInit() && TTF_Init() != 0) {
        std::fprintf(stderr, "engine: SDL_ttf: %s\n", TTF_GetError());
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(path.c_str(), size);
    if (!font) {
        std::printf("engine: cannot open font %s: %s\n", path.c_str(), TTF_GetError());
        return nullptr;
    }
    TTF_SetFontKerning(font, 1);
    m_fonts.emplace(key, font);
    return font;
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
    // Only TrueType/OpenType files can be opened by SDL_ttf.
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
    for (auto& entry : m_fonts) TTF_CloseFont(entry.second);
    m_fonts.clear();
    m_systemFonts.clear();
}

} // namespace engine
