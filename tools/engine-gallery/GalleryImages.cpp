#include "GalleryImages.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include <unistd.h>

#include "engine/renderer/PngFile.h"

namespace gallery {

namespace {
const char* const kNames[] = {"button.png", "button-pressed.png", "button-disabled.png", "frame.png", "checker.png"};

bool write(const std::string& path, int w, int h, const std::function<void(int, int, std::uint8_t*)>& shade)
{
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) shade(x, y, &px[(static_cast<std::size_t>(y) * w + x) * 4]);
    }
    return engine::PngFile::save(path, px.data(), w, h);
}

// A rounded button face: border colour outside, face colour inside, transparent corners.
std::function<void(int, int, std::uint8_t*)> buttonFace(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return [=](int x, int y, std::uint8_t* p) {
        const int dx = std::max(0, std::max(6 - x, x - 25));
        const int dy = std::max(0, std::max(6 - y, y - 25));
        const int d2 = dx * dx + dy * dy;
        const bool outside = d2 > 36;
        const bool border = !outside && (d2 > 16 || x < 2 || x > 29 || y < 2 || y > 29);
        p[0] = border ? 230 : r;
        p[1] = border ? 230 : g;
        p[2] = border ? 230 : b;
        p[3] = outside ? 0 : 255;
    };
}
}

bool GalleryImages::create()
{
    char dir[] = "/tmp/nolvo-gallery-XXXXXX";
    if (!mkdtemp(dir)) return false;
    m_dir = dir;
    bool ok = write(path("button.png"), 32, 32, buttonFace(40, 90, 160));
    ok = ok && write(path("button-pressed.png"), 32, 32, buttonFace(60, 150, 230));
    ok = ok && write(path("button-disabled.png"), 32, 32, buttonFace(90, 90, 90));
    ok = ok && write(path("frame.png"), 24, 24, [](int x, int y, std::uint8_t* p) {
        const bool border = x < 6 || x >= 18 || y < 6 || y >= 18;
        p[0] = border ? 250 : 30;
        p[1] = border ? 180 : 30;
        p[2] = border ? 40 : 40;
        p[3] = border ? 255 : 200;
    });
    ok = ok && write(path("checker.png"), 64, 64, [](int x, int y, std::uint8_t* p) {
        const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
        p[0] = dark ? 60 : 200;
        p[1] = dark ? 60 : 200;
        p[2] = dark ? 200 : 60;
        p[3] = 255;
    });
    return ok;
}

GalleryImages::~GalleryImages()
{
    if (m_dir.empty()) return;
    for (const char* name : kNames) std::remove(path(name).c_str());
    rmdir(m_dir.c_str());
}

} // namespace gallery
