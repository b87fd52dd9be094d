// At a display scale of 2 the window has twice the pixels per point: text is rasterised at
// twice the pixel size (its ink box doubles) and a one-point rule covers exactly two pixel rows.
#include "GuiTestFixture.h"

#include <cstdlib>

#include "engine/scene/DrawNode.h"
#include "engine/text/Label.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

class ScaleTest : public GuiTest {
protected:
    // Replaces the fixture's window and scene by ones made under NOLVO_SCALE (480 x 320 points).
    // A new window is a new GL context: the Director lets go of everything made in the old one.
    void reopenAtScale(const char* scale)
    {
        Director::getInstance()->purge();
        setenv("NOLVO_SCALE", scale, 1);
        GLViewImpl* scaled = GLViewImpl::createWithRect("scaled", Rect(0, 0, 480, 320), 1.0f, false);
        unsetenv("NOLVO_SCALE");
        ASSERT_NE(scaled, nullptr) << GLViewImpl::getLastError();
        Director::getInstance()->setOpenGLView(scaled);
        view = scaled;
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        Director::getInstance()->renderFrame();
    }

    // Rows of column x whose pixel differs from the black background, and whether all of them
    // are the full line colour (no grey rows from a line straddling pixels).
    int inkRowsAt(int x, int y0, int y1, bool* allWhite) const
    {
        int rows = 0;
        *allWhite = true;
        for (int y = y0; y < y1; ++y) {
            const Color4B p = pixel(x, y);
            if (p.r == 0 && p.g == 0 && p.b == 0) continue;
            ++rows;
            if (!(p.r == 255 && p.g == 255 && p.b == 255)) *allWhite = false;
        }
        return rows;
    }
};

TEST_F(ScaleTest, TextInkDoublesAndAOnePointRuleIsTwoWholePixels)
{
    struct Sample {
        Rect ink;
        int ruleRows = 0;
        bool ruleSolid = false;
        Size labelSize;
    };
    Sample samples[2];
    const char* scales[2] = {"1", "2"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(scales[i]);
        reopenAtScale(scales[i]);
        Label* label = Label::createWithTTF("Nolvo 2437 MHz", "fonts/roboto/Roboto-Regular.ttf", 18);
        ASSERT_NE(label, nullptr);
        label->setAnchorPoint(Vec2::ZERO);
        label->setPosition(40, 200);
        scene->addChild(label);
        DrawNode* rule = DrawNode::create(1.0f);
        rule->drawLine(Vec2(20, 100), Vec2(300, 100), Color4F(1, 1, 1, 1));
        scene->addChild(rule);
        render();
        const int s = i + 1;
        EXPECT_EQ(width, 480 * s);
        // The label's ink alone: above the rule.
        samples[i].labelSize = label->getContentSize();
        Rect ink;
        {
            int x0 = width, y0 = height, x1 = -1, y1 = -1;
            for (int y = 150 * s; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const Color4B p = pixel(x, y);
                    if (p.r == 0 && p.g == 0 && p.b == 0) continue;
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
            ASSERT_GE(x1, x0);
            ink = Rect(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1 - x0 + 1),
                       static_cast<float>(y1 - y0 + 1));
        }
        samples[i].ink = ink;
        samples[i].ruleRows = inkRowsAt(160 * s, 80 * s, 120 * s, &samples[i].ruleSolid);
    }
    // Layout is in points: the label measures about the same at both scales.
    EXPECT_NEAR(samples[1].labelSize.width, samples[0].labelSize.width, 1.0f);
    EXPECT_NEAR(samples[1].labelSize.height, samples[0].labelSize.height, 1.0f);
    // Ink in pixels doubles, within a pixel.
    EXPECT_NEAR(samples[1].ink.size.width, 2 * samples[0].ink.size.width, 1.0f);
    EXPECT_NEAR(samples[1].ink.size.height, 2 * samples[0].ink.size.height, 1.0f);
    EXPECT_NEAR(samples[1].ink.origin.x, 2 * samples[0].ink.origin.x, 1.0f);
    EXPECT_NEAR(samples[1].ink.origin.y, 2 * samples[0].ink.origin.y, 1.0f);
    // The rule: one solid row at 1x, exactly two solid rows at 2x.
    EXPECT_EQ(samples[0].ruleRows, 1);
    EXPECT_TRUE(samples[0].ruleSolid);
    EXPECT_EQ(samples[1].ruleRows, 2);
    EXPECT_TRUE(samples[1].ruleSolid);
}

} // namespace
