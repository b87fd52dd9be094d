// Screenshots hold exactly the pixels of the frame.
#include "GuiTestFixture.h"

#include <cstdio>
#include <vector>

#include "engine/renderer/CaptureScreen.h"
#include "engine/renderer/PngFile.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "platform/FileUtils.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

class CaptureTest : public GuiTest {};

TEST_F(CaptureTest, PngHoldsTheSamePixelsAsTheScreen)
{
    scene->addChild(LayerColor::create(Color4B(20, 40, 60, 255)));
    DrawNode* d = DrawNode::create();
    d->drawSolidRect({100, 100}, {300, 200}, Color4F(1, 0.5f, 0, 1));
    d->drawCircle({600, 400}, 80, 0, 50, true, Color4F(0, 1, 1, 0.5f));
    scene->addChild(d);
    const std::string path = "/tmp/nolvo-capture-test-" + std::to_string(getpid()) + ".png";
    bool called = false, succeeded = false;
    std::string written;
    utils::captureScreen(
        [&](bool ok, const std::string& file) {
            called = true;
            succeeded = ok;
            written = file;
        },
        path);
    render();  // captures from the back buffer, which render() then reads too
    ASSERT_TRUE(called);
    ASSERT_TRUE(succeeded);
    EXPECT_EQ(written, path);
    std::vector<std::uint8_t> png;
    int w = 0, h = 0;
    ASSERT_TRUE(PngFile::load(path, &png, &w, &h));
    std::remove(path.c_str());
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    ASSERT_EQ(png.size(), pixels.size());
    EXPECT_TRUE(std::equal(png.begin(), png.end(), reinterpret_cast<const std::uint8_t*>(pixels.data())));
    // And it is the picture, not an empty buffer: top-left of the PNG is the orange rectangle's
    // row counted from the top.
    const std::size_t i = (static_cast<std::size_t>(h - 150) * w + 200) * 4;
    EXPECT_EQ(png[i], 255);
    EXPECT_EQ(png[i + 1], 128);
    EXPECT_EQ(png[i + 2], 0);
}

TEST_F(CaptureTest, UnwritablePathReportsFailure)
{
    bool called = false, succeeded = true;
    utils::captureScreen([&](bool ok, const std::string&) { called = true; succeeded = ok; },
                         "/nonexistent-dir/shot.png");
    render();
    EXPECT_TRUE(called);
    EXPECT_FALSE(succeeded);
}

TEST_F(CaptureTest, RelativeNameGoesToTheWritableDirectory)
{
    char dir[] = "/tmp/nolvo-writable-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    FileUtils::getInstance()->setWritablePath(dir);
    std::string written;
    utils::captureScreen([&](bool, const std::string& file) { written = file; }, "Nolvo_shot.png");
    render();
    FileUtils::getInstance()->setWritablePath("");
    EXPECT_EQ(written, std::string(dir) + "/Nolvo_shot.png");
    std::vector<std::uint8_t> png;
    int w = 0, h = 0;
    EXPECT_TRUE(PngFile::load(written, &png, &w, &h));
    std::remove(written.c_str());
    rmdir(dir);
}

} // namespace
