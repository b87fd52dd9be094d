// Minimum sizes: a stretchable button fits its title with a smaller face (never node scale),
// keeps a scale its owner gave the title through presses, and a linear layout never makes a
// widget smaller than its minimum. Also the one label maker's font fallbacks.
#include "GuiTestFixture.h"

#include <string>

#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/Layout.h"

using namespace engine;
using namespace engine::ui;
using enginetest::GuiTest;

namespace {

class MinimumSizeTest : public GuiTest {};

Button* stretchButton(const std::string& title, float width)
{
    Button* button = Button::create("ButtonUnselected.png", "ButtonSelected.png");
    if (!button) return nullptr;
    button->setScale9Enabled(true);
    button->setTitleFontSize(16);
    button->setTitleText(title);
    button->setContentSize(Size(width, 30));
    return button;
}

TEST_F(MinimumSizeTest, AButtonFitsItsTitleWithASmallerFaceNotWithScale)
{
    struct Case {
        const char* what;
        const char* title;
        float width;
        bool shrinks;
    };
    const Case cases[] = {
        {"short title, wide button", "OK", 200, false},
        {"long title, narrow button", "ACCESS POINT UTILIZATION", 120, true},
        {"long title, wide enough", "ACCESS POINT UTILIZATION", 400, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Button* button = stretchButton(c.title, c.width);
        ASSERT_NE(button, nullptr);
        button->setPosition(480, 300);
        scene->addChild(button);
        render();
        Label* title = button->getTitleRenderer();
        EXPECT_EQ(title->getScale(), 1.0f);
        EXPECT_LE(title->getTextWidth(), c.width - 2 * Button::kTitlePadding + 0.5f);
        if (c.shrinks) EXPECT_LT(title->getRenderingFontSize(), 16.0f);
        else EXPECT_EQ(title->getRenderingFontSize(), 16.0f);
        // Drawn: the title's ink stays inside the button.
        const Rect ink = title->getBoundingBox();
        EXPECT_GE(ink.getMinX(), Button::kTitlePadding - 0.5f);
        EXPECT_LE(ink.getMaxX(), c.width - Button::kTitlePadding + 0.5f);
        button->removeFromParent();
    }
}

TEST_F(MinimumSizeTest, PressingKeepsTheScaleTheOwnerGaveTheTitle)
{
    Button* button = stretchButton("SPAN", 160);
    ASSERT_NE(button, nullptr);
    scene->addChild(button);
    Label* title = button->getTitleRenderer();
    title->setScale(0.8f);
    const float zoom = 1.0f + button->getZoomScale();
    struct Step {
        bool pressed;
        float scale;
    };
    const Step steps[] = {{true, 0.8f * zoom}, {false, 0.8f}, {true, 0.8f * zoom}, {false, 0.8f}};
    for (const Step& s : steps) {
        button->setHighlighted(s.pressed);
        EXPECT_FLOAT_EQ(title->getScale(), s.scale) << (s.pressed ? "pressed" : "released");
    }
}

TEST_F(MinimumSizeTest, ALinearLayoutGrowsWidgetsToTheirMinimum)
{
    Layout* column = Layout::create();
    column->setLayoutType(Layout::Type::VERTICAL);
    column->setContentSize(Size(300, 300));
    scene->addChild(column);
    Button* tiny = stretchButton("A RATHER LONG TITLE", 10);
    Button* roomy = stretchButton("OK", 200);
    ASSERT_TRUE(tiny && roomy);
    column->addChild(tiny);
    column->addChild(roomy);
    render();
    const Size min = tiny->getMinimumSize();
    EXPECT_GT(min.width, 60.0f);
    EXPECT_GE(tiny->getContentSize().width, min.width);
    EXPECT_GE(tiny->getContentSize().height, 30.0f);
    // A widget already larger than its minimum keeps its size.
    EXPECT_EQ(roomy->getContentSize(), Size(200, 30));
    EXPECT_GE(column->getContentSizeOfChildren().width, min.width);
}

TEST_F(MinimumSizeTest, TheLabelMakerFallsBackToTheBundledFont)
{
    struct Case {
        const char* what;
        const char* font;
    };
    const Case cases[] = {
        {"a font file", "fonts/roboto/Roboto-Bold.ttf"},
        {"a missing font file", "fonts/no-such.ttf"},
        {"a system family", "Roboto"},
        {"an unknown family", "NoSuchFamilyAtAll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Label* label = Label::createWithFont("Nolvo", c.font, 20);
        ASSERT_NE(label, nullptr);
        EXPECT_GT(label->getTextWidth(), 30.0f);
        EXPECT_GT(label->getQuadCount(), 0u);
    }
}

} // namespace
