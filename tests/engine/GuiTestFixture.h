#pragma once
// A real window (under Xvfb in CI) with an empty running scene; pixels are read back from the
// frame just rendered. Fails loudly when no display is available.

#include <gtest/gtest.h>

#include <string>

#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/Scene.h"

namespace enginetest {

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Renders the scene into the back buffer and reads it.
    void render();
    // Pixel at GL coordinates (origin bottom-left) of the latest render().
    engine::Color4B pixel(int x, int y) const;
    // Pixels of the latest render() inside [x0, x1) x [y0, y1) whose colour is near colour.
    int countNear(int x0, int y0, int x1, int y1, const engine::Color4B& colour, int tolerance = 8) const;
    // Bounding box (GL coordinates) of the pixels that differ from the background.
    engine::Rect inkBox(const engine::Color4B& background = engine::Color4B(0, 0, 0, 255)) const;
    // A w x h texture filled with one colour (nearest filtering).
    static engine::Texture2D* solidTexture(const engine::Color4B& colour, int w, int h);

    engine::GLViewImpl* view = nullptr;
    engine::Scene* scene = nullptr;
    std::string pixels;
    int width = 0;
    int height = 0;
};

bool near(const engine::Color4B& a, const engine::Color4B& b, int tolerance = 8);

} // namespace enginetest

namespace engine {
// Readable failure messages.
void PrintTo(const Color4B& c, std::ostream* os);
}
