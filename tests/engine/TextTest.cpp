// Labels shaped with HarfBuzz and drawn from the glyph atlas: width, kerning, wrapping, alignment, overflow, fallback fonts
// and the promise that colour and position changes do not re-render glyphs.
#include "GuiTestFixture.h"

#include "engine/text/Label.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

const char* const kRegular = "fonts/roboto/Roboto-Regular.ttf";

class TextTest : public GuiTest {};

TEST_F(TextTest, RenderedInkMatchesTheLabelWidthAndPosition)
{
    Label* label = Label::createWithTTF("Nolvo 2400 MHz", kRegular, 24);
    ASSERT_NE(label, nullptr);
    label->setAnchorPoint(Vec2::ZERO);
    label->setPosition(100, 100);
    scene->addChild(label);
    render();
    const Size size = label->getContentSize();
    EXPECT_GT(size.width, 120);
    EXPECT_LT(size.width, 220);
    const Rect ink = inkBox();
    // Glyph ink lies inside the label's box and nearly fills its width (side bearings aside).
    EXPECT_GE(ink.getMinX(), 100);
    EXPECT_LE(ink.getMaxX(), 100 + size.width + 1);
    EXPECT_GT(ink.size.width, size.width - 6);
    EXPECT_GE(ink.getMinY(), 100);
    EXPECT_LE(ink.getMaxY(), 100 + size.height + 1);
    // White text: the brightest pixel is white.
    EXPECT_GT(countNear(100, 100, 100 + int(size.width), 100 + int(size.height), Color4B(255, 255, 255, 255), 0), 20);
}

TEST_F(TextTest, ALabelBetweenPixelsDrawsTheSameGlyphsAsOneOnWholePixels)
{
    // Small digits whose strokes are one pixel thick: the bar of a "7" is a single row.
    const std::string text = "7777 2.472";
    struct Case {
        float x, y;
    };
    const Case cases[] = {{100.0f, 100.0f}, {100.5f, 200.5f}, {100.25f, 300.75f}};
    std::vector<long> sums;
    for (const Case& c : cases) {
        Label* label = Label::createWithTTF(text, kRegular, 12);
        ASSERT_NE(label, nullptr);
        label->setAnchorPoint(Vec2::ZERO);
        label->setPosition(c.x, c.y);
        scene->addChild(label);
    }
    render();
    for (const Case& c : cases) {
        long sum = 0;
        for (int y = static_cast<int>(c.y) - 2; y < static_cast<int>(c.y) + 24; ++y) {
            for (int x = static_cast<int>(c.x) - 2; x < static_cast<int>(c.x) + 120; ++x) sum += pixel(x, y).r;
        }
        sums.push_back(sum);
    }
    ASSERT_GT(sums[0], 0);
    for (std::size_t i = 1; i < sums.size(); ++i) {
        EXPECT_EQ(sums[i], sums[0]) << "label at (" << cases[i].x << ", " << cases[i].y << ") lost or smeared ink";
    }
}

TEST_F(TextTest, KerningPullsPairsTogether)
{
    Label* av = Label::createWithTTF("AVAVAVAV", kRegular, 40);
    Label* a = Label::createWithTTF("AAAA", kRegular, 40);
    Label* v = Label::createWithTTF("VVVV", kRegular, 40);
    ASSERT_TRUE(av && a && v);
    // Roboto kerns "AV" through GPOS; without shaping the sum would be equal.
    EXPECT_LT(av->getTextWidth() + 8, a->getTextWidth() + v->getTextWidth());
}

TEST_F(TextTest, WrapsToTheDimensionsAndAlignsInsideThem)
{
    Label* label = Label::createWithTTF("one two three four five six seven", kRegular, 20, Size(120, 200),
                                        TextHAlignment::RIGHT, TextVAlignment::BOTTOM);
    ASSERT_NE(label, nullptr);
    label->setAnchorPoint(Vec2::ZERO);
    label->setPosition(200, 100);
    scene->addChild(label);
    render();
    EXPECT_EQ(label->getContentSize(), Size(120, 200));
    EXPECT_GE(label->getStringNumLines(), 3);
    EXPECT_LE(label->getTextWidth(), 120);
    const Rect ink = inkBox();
    // Right and bottom aligned: the ink touches the box's right and bottom, not its top.
    EXPECT_GT(ink.getMaxX(), 200 + 120 - 6);
    EXPECT_LT(ink.getMinY(), 100 + 8);
    EXPECT_LT(ink.getMaxY(), 100 + 200 - 40);

    label->setAlignment(TextHAlignment::LEFT, TextVAlignment::TOP);
    render();
    const Rect top = inkBox();
    EXPECT_LT(top.getMinX(), 200 + 6);
    EXPECT_GT(top.getMaxY(), 100 + 200 - 12);
}

TEST_F(TextTest, OverflowClampsShrinksOrResizes)
{
    const std::string text = "a rather long line of text that cannot fit";
    Label* clamp = Label::createWithTTF(text, kRegular, 20, Size(100, 20));
    clamp->enableWrap(false);
    clamp->setOverflow(Label::Overflow::CLAMP);
    clamp->setAnchorPoint(Vec2::ZERO);
    clamp->setPosition(100, 300);
    scene->addChild(clamp);
    render();
    const Rect ink = inkBox();
    EXPECT_GE(ink.getMinX(), 100);
    EXPECT_LE(ink.getMaxX(), 200);
    EXPECT_GE(ink.getMinY(), 300);
    EXPECT_LE(ink.getMaxY(), 320);

    Label* shrink = Label::createWithTTF(text, kRegular, 20, Size(100, 30));
    shrink->enableWrap(false);
    shrink->setOverflow(Label::Overflow::SHRINK);
    EXPECT_LT(shrink->getRenderingFontSize(), 20);
    EXPECT_LE(shrink->getTextWidth(), 100);

    Label* resize = Label::createWithTTF(text, kRegular, 20, Size(100, 10));
    resize->setOverflow(Label::Overflow::RESIZE_HEIGHT);
    EXPECT_GT(resize->getContentSize().height, 40);
    EXPECT_EQ(resize->getContentSize().width, 100);
}

TEST_F(TextTest, ColourOpacityAndPositionDoNotRenderGlyphsAgain)
{
    Label* label = Label::createWithTTF("ΔHz: 2500 MHz", kRegular, 16);
    label->setPosition(300, 300);
    scene->addChild(label);
    render();
    const std::size_t renders = label->getGlyphRenderCount();
    label->setTextColor(Color4B(255, 0, 0, 255));
    label->setOpacity(200);
    label->setPosition(310, 300);
    label->setAlignment(TextHAlignment::CENTER);
    label->setString("ΔHz: 2500 MHz");
    render();
    EXPECT_EQ(label->getGlyphRenderCount(), renders);
    EXPECT_GT(countNear(0, 0, width, height, Color4B(200, 0, 0, 255), 2), 5);  // red at 200/255
    label->setString("ΔHz: 2450 MHz");
    render();
    EXPECT_EQ(label->getGlyphRenderCount(), renders + 1);
}

TEST_F(TextTest, SystemFontFallsBackAndMissingTtfIsRefused)
{
    EXPECT_EQ(Label::createWithTTF("x", "fonts/no-such-font.ttf", 12), nullptr);
    Label* system = Label::createWithSystemFont("Fallback", "NoSuchFamilyAtAll", 20);
    ASSERT_NE(system, nullptr);
    EXPECT_GT(system->getTextWidth(), 40);
    system->setPosition(480, 320);
    scene->addChild(system);
    render();
    EXPECT_NE(inkBox(), Rect::ZERO);
}

TEST_F(TextTest, EmptyTextAndUnbreakableWordsAreHandled)
{
    Label* empty = Label::createWithTTF("", kRegular, 16);
    ASSERT_NE(empty, nullptr);
    scene->addChild(empty);
    Label* newlines = Label::createWithTTF("\n\n", kRegular, 16);
    scene->addChild(newlines);
    render();
    EXPECT_EQ(empty->getContentSize().width, 0);
    EXPECT_EQ(newlines->getStringNumLines(), 3);
    EXPECT_EQ(inkBox(), Rect::ZERO);

    // A word wider than the box breaks between characters, UTF-8 sequences kept whole.
    const std::string word = std::string(60, 'W') + "ΔΔΔΔΔΔΔΔ";
    Label* narrow = Label::createWithTTF(word, kRegular, 16, Size(50, 0));
    ASSERT_NE(narrow, nullptr);
    EXPECT_GT(narrow->getStringNumLines(), 10);
    EXPECT_LE(narrow->getTextWidth(), 50);
    // Narrower than a single glyph: one glyph per line rather than an endless loop.
    Label* tiny = Label::createWithTTF("ΔHz", kRegular, 16, Size(1, 0));
    EXPECT_EQ(tiny->getStringNumLines(), 3);
}

} // namespace
