#include "engine/renderer/PngFile.h"

#include <cstdio>
#include <cstdlib>

#include <png.h>

namespace engine {

bool PngFile::save(const std::string& path, const std::uint8_t* rgba, int width, int height)
{
    if (!rgba || width <= 0 || height <= 0) return false;
    // Write beside the target and rename, so a failure never leaves half a file under the name.
    const std::string temp = path + ".part";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const int ok = png_image_write_to_file(&image, temp.c_str(), 0, rgba, 0, nullptr);
    png_image_free(&image);
    if (!ok) {
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool PngFile::load(const std::string& path, std::vector<std::uint8_t>* rgba, int* width, int* height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    rgba->swap(pixels);
    return true;
}

} // namespace engine
