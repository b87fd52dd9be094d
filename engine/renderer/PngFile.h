#pragma once
// PNG files through libpng: RGBA8888 pixels, first row at the top of the image.

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class PngFile {
public:
    // Writes width x height RGBA pixels; false when the file cannot be written.
    static bool save(const std::string& path, const std::uint8_t* rgba, int width, int height);
    // Reads any PNG as RGBA; false (outputs untouched) when missing or damaged.
    static bool load(const std::string& path, std::vector<std::uint8_t>* rgba, int* width, int* height);
};

} // namespace engine
