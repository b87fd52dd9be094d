#pragma once
// A real window (Xvfb under CI) sized like the program's, the program's search paths, a store and
// writable directory of the test's own, the process-wide model reset to its defaults, and an
// injectable clock. Frames run through the Director exactly as in the program.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/app/GLViewImpl.h"
#include "support/TempDir.h"

namespace nolvo::test {

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs n frames, each advancing the injected clock by stepMs.
    void frames(int n, std::uint64_t stepMs = 16);
    // Renders the current scene and reads the back buffer; pixel() reads it (GL origin bottom-left).
    void readPixels();
    std::uint32_t pixel(int x, int y) const;
    // Distinct colours among the pixels read; a blank screen has one.
    std::size_t distinctColours() const;
    // A left click (press and release) at scene point (x, y), GL coordinates.
    void click(float x, float y);
    // A key press and release.
    void key(int sdlKey);

    static std::uint64_t s_nowMs;
    static std::uint64_t now() { return s_nowMs; }

    TempDir dir;
    engine::GLViewImpl* view = nullptr;
    std::string pixels;
    int width = 0;
    int height = 0;
};

// Puts the model singleton back to the defaults of a first start.
void resetModel();

} // namespace nolvo::test
