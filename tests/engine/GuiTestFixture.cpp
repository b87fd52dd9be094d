#include "GuiTestFixture.h"

#include <cstdlib>
#include <ostream>
#include <vector>

#include "engine/renderer/CaptureScreen.h"
#include "platform/FileUtils.h"
#include "support/GlDriverPin.h"

namespace engine {
void PrintTo(const Color4B& c, std::ostream* os)
{
    *os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}
}

namespace enginetest {

using namespace engine;

bool near(const Color4B& a, const Color4B& b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

void GuiTest::SetUp()
{
    // Software rendering gives the same pixels on every machine. Rasterising on this thread
    // keeps Mesa's worker threads out of LeakSanitizer's exit-time scan, which they can crash.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("LP_NUM_THREADS", "0", 0);
    nolvo::test::pinGlDriver();
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "GUI tests need an X display: run them under xvfb-run (scripts/test does)";
    FileUtils::getInstance()->setSearchPaths({"res", ""});
    view = GLViewImpl::createWithRect("engine test", Rect(0, 0, 960, 640), 1.0f, false);
    ASSERT_NE(view, nullptr) << "cannot open a GL window: " << GLViewImpl::getLastError();
    Director::getInstance()->setOpenGLView(view);
    scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->renderFrame();
}

void GuiTest::TearDown()
{
    Director::getInstance()->purge();
}

void GuiTest::render()
{
    Director::getInstance()->renderFrame();
    ASSERT_TRUE(utils::readBackBuffer(&pixels, &width, &height));
}

Color4B GuiTest::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    const std::size_t i = (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
    return {static_cast<std::uint8_t>(pixels[i]), static_cast<std::uint8_t>(pixels[i + 1]),
            static_cast<std::uint8_t>(pixels[i + 2]), static_cast<std::uint8_t>(pixels[i + 3])};
}

int GuiTest::countNear(int x0, int y0, int x1, int y1, const Color4B& colour, int tolerance) const
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (near(pixel(x, y), colour, tolerance)) ++n;
        }
    }
    return n;
}

Rect GuiTest::inkBox(const Color4B& background) const
{
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!near(pixel(x, y), background, 2)) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) return Rect::ZERO;
    return {static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1 - x0 + 1), static_cast<float>(y1 - y0 + 1)};
}

Texture2D* GuiTest::solidTexture(const Color4B& colour, int w, int h)
{
    std::vector<std::uint8_t> data(static_cast<std::size_t>(w) * h * 4);
    for (std::size_t i = 0; i < data.size(); i += 4) {
        data[i] = colour.r;
        data[i + 1] = colour.g;
        data[i + 2] = colour.b;
        data[i + 3] = colour.a;
    }
    auto* texture = new Texture2D();
    texture->initWithData(data.data(), data.size(), Texture2D::PixelFormat::RGBA8888, w, h,
                          Size(static_cast<float>(w), static_cast<float>(h)));
    texture->setAliasTexParameters();
    texture->autorelease();
    return texture;
}

} // namespace enginetest
