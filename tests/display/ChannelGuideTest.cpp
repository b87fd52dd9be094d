// Channel guide: button geometry on a known layer size, rows, tapping, dimming, the popover's
// placement and closing, and the guide driven by the mouse as on the desktop.

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "GuiTestFixture.h"
#include "display/ChannelGuideLayer.h"
#include "display/ChannelGuidePopoverLayer.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using engine::Vec2;

// 2.4 GHz plans: 909 points over 101,000 kHz is 0.009 points per kHz from 2,400,000 kHz.
constexpr float kWidth = 909.0f;
constexpr float kHeight = 300.0f;
constexpr float kOriginX = 20.0f;
constexpr float kOriginY = 100.0f;
constexpr float kA24 = 0.009f;
// 5 GHz plans: 909 points over 716,000 kHz from 5,145,000 kHz.
constexpr float kA5 = 909.0f / 716000.0f;
const engine::Color4B kWhite(255, 255, 255, 255);

class ChannelGuideTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        model.displaySizeClass.store(3);
        model.spectrum.band = 0;
        model.spectrum.channelGuide24 = 3;
        model.spectrum.channelGuide5 = 8;
        model.spectrum.channelGuideOption = 1;
        // White under the guide, so dimming shows as grey.
        auto* paper = engine::LayerColor::create(kWhite, kWidth, kHeight);
        paper->setPosition(kOriginX, kOriginY);
        scene->addChild(paper);
        guide = ChannelGuideLayer::createWithModel(model);
        ASSERT_NE(guide, nullptr);
        guide->setContentSize(engine::Size(kWidth, kHeight));
        guide->setPosition(kOriginX, kOriginY);
        scene->addChild(guide);
        render();
    }

    // The window is 640 points high; SDL's y runs down from the top.
    void mouse(Uint32 type, float x, float y)
    {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = static_cast<int>(x);
            e.motion.y = static_cast<int>(640.0f - y);
        } else {
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = static_cast<int>(x);
            e.button.y = static_cast<int>(640.0f - y);
        }
        view->handleSDLEvent(e);
    }
    void click(float x, float y)
    {
        mouse(SDL_MOUSEBUTTONDOWN, x, y);
        mouse(SDL_MOUSEBUTTONUP, x, y);
        render();
    }
    engine::ui::Button* buttonFor(int channel) const
    {
        for (std::size_t i = 0; i < guide->buttonCount(); ++i) {
            if (guide->button(i)->getTag() == channel) return guide->button(i);
        }
        return nullptr;
    }
    void select(int channel)
    {
        guide->setSelectedChannel(channel);
        render();
    }

    DataModel model;
    ChannelGuideLayer* guide = nullptr;
};

struct ButtonCase {
    int plan;
    int channel;
    float x;      // left edge, layer points
    float width;
    float top;    // top edge, layer points
    float fontSize;
};

TEST_F(ChannelGuideTest, ButtonsSitOnTheirChannelsAndRows)
{
    const ButtonCase cases[] = {
        // 802.11b channel 1: 2,401,000..2,423,000 -> 2,401,000..2,424,000; row 0.
        {1, 1, 1000 * kA24, 23000 * kA24, kHeight - 5, 16},
        // channel 7 (index 6): row 1, one row and two gaps down.
        {1, 7, 31000 * kA24, 23000 * kA24, kHeight - 35 - 10, 16},
        // channel 14 (index 13): 2,473,000..2,496,000, row 3.
        {1, 14, 73000 * kA24, 23000 * kA24, kHeight - 105 - 20, 16},
        // 802.11n 20 MHz channel 6 (index 5): 2,427,000..2,448,000, row 0.
        {3, 6, 27000 * kA24, 21000 * kA24, kHeight - 5, 16},
        // channel 13 (index 12): row 2.
        {3, 13, 62000 * kA24, 21000 * kA24, kHeight - 70 - 15, 16},
        // Zigbee channel 11: 2,403,500..2,406,500 -> 2,403,500..2,407,500, one row.
        {6, 11, 3500 * kA24, 4000 * kA24, kHeight - 5, 16},
        {6, 26, 78500 * kA24, 4000 * kA24, kHeight - 5, 16},
        // 5 GHz 20 MHz channel 36: 5,170,000..5,191,000 (smaller titles for this plan).
        {8, 36, 25000 * kA5, 21000 * kA5, kHeight - 5, 12},
        {8, 100, 345000 * kA5, 21000 * kA5, kHeight - 5, 12},
        {8, 165, 670000 * kA5, 21000 * kA5, kHeight - 5, 12},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE("plan " + std::to_string(c.plan) + " channel " + std::to_string(c.channel));
        model.spectrum.band = c.plan >= 8 ? 1 : 0;
        (c.plan >= 8 ? model.spectrum.channelGuide5 : model.spectrum.channelGuide24) = c.plan;
        guide->refresh();
        engine::ui::Button* b = buttonFor(c.channel);
        ASSERT_NE(b, nullptr);
        EXPECT_NEAR(b->getPosition().x, c.x, 0.01f);
        EXPECT_NEAR(b->getContentSize().width, c.width, 0.01f);
        EXPECT_NEAR(b->getBoundingBox().getMaxY(), c.top, 0.01f);
        EXPECT_EQ(b->getContentSize().height, 35.0f);
        EXPECT_EQ(b->getTitleText(), std::to_string(c.channel));
        EXPECT_EQ(b->getTitleFontSize(), c.fontSize);
    }
}

TEST_F(ChannelGuideTest, RowsStaggerByThePlansRowCount)
{
    const struct {
        int plan;
        std::size_t buttons;
        int rows;
    } cases[] = {{1, 14, 5}, {4, 9, 9}, {5, 9, 9}, {6, 16, 1}, {7, 11, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE("plan " + std::to_string(c.plan));
        model.spectrum.channelGuide24 = c.plan;
        guide->refresh();
        ASSERT_EQ(guide->buttonCount(), c.buttons);
        for (std::size_t i = 0; i < c.buttons; ++i) {
            const int row = static_cast<int>(i) % c.rows;
            EXPECT_FLOAT_EQ(guide->button(i)->getBoundingBox().getMaxY(), kHeight - row * 35.0f - (row + 1) * 5.0f) << i;
        }
    }
    // Shrinking to a plan with fewer channels releases the surplus buttons.
    model.spectrum.channelGuide24 = 4;
    guide->refresh();
    EXPECT_EQ(guide->buttonCount(), 9u);
}

TEST_F(ChannelGuideTest, ClickingAButtonSelectsAndDimsEverythingElse)
{
    // 802.11n 20 MHz channel 6: 2,427,000..2,447,000 kHz -> 243..432 points (end widened by 1 MHz).
    engine::ui::Button* six = buttonFor(6);
    ASSERT_NE(six, nullptr);
    click(kOriginX + 243 + 90, kOriginY + kHeight - 5 - 17);
    EXPECT_EQ(guide->selectedChannel(), 6);
    EXPECT_EQ(guide->buttonCount(), 0u);
    ASSERT_NE(guide->popover(), nullptr);
    EXPECT_EQ(guide->popover()->titleLabel()->getString(), "802.11n :: 6");
    EXPECT_EQ(guide->popover()->startValueLabel()->getString(), "2427MHz");
    EXPECT_EQ(guide->popover()->endValueLabel()->getString(), "2447MHz");

    // Dimmed grey left of 243 and right of 432, untouched white between, top to bottom.
    const int xs = static_cast<int>(kOriginX) + 243;
    const int xe = static_cast<int>(kOriginX) + 432;
    for (int y : {static_cast<int>(kOriginY) + 3, static_cast<int>(kOriginY) + 60, static_cast<int>(kOriginY + kHeight) - 3}) {
        for (int x : {static_cast<int>(kOriginX) + 40, xs - 3, xe + 3, static_cast<int>(kOriginX + kWidth) - 3}) {
            const engine::Color4B p = pixel(x, y);
            EXPECT_TRUE(p.r > 90 && p.r < 125 && p.g == p.r) << x << "," << y << " " << int(p.r);
        }
        for (int x : {xs + 3, (xs + xe) / 2, xe - 3}) EXPECT_TRUE(enginetest::near(pixel(x, y), kWhite)) << x << "," << y;
    }
    // The boundary outlines are white.
    EXPECT_TRUE(enginetest::near(pixel(xs, static_cast<int>(kOriginY) + 60), kWhite, 40));
}

TEST_F(ChannelGuideTest, ChangingEitherPlanDropsTheSelection)
{
    for (int band : {0, 1}) {
        SCOPED_TRACE(band);
        select(6);
        ASSERT_EQ(guide->selectedChannel(), 6);
        ASSERT_NE(guide->popover(), nullptr);
        (band == 0 ? model.spectrum.channelGuide24 : model.spectrum.channelGuide5) = band == 0 ? 2 : 9;
        render();
        EXPECT_EQ(guide->selectedChannel(), -1);
        EXPECT_EQ(guide->popover(), nullptr);
        EXPECT_EQ(guide->buttonCount(), 13u) << "the active 2.4 GHz plan's buttons are back";
    }
    // A slot holding the other band's plan counts as no plan: no icon, no buttons.
    model.spectrum.channelGuide24 = 9;
    render();
    EXPECT_EQ(guide->buttonCount(), 0u);
    EXPECT_EQ(guide->icon()->getOpacity(), 0);
}

TEST_F(ChannelGuideTest, PopoverGoesLeftRightOrToTheLeftEdge)
{
    const float top = kHeight - guide->icon()->getContentSize().height - 2;
    // Channel 13 (558..756): room on the left, so it hangs left of the channel.
    select(13);
    ASSERT_NE(guide->popover(), nullptr);
    const float pw = guide->popover()->getContentSize().width;
    ASSERT_GT(pw, 100.0f);
    ASSERT_LT(pw + 2, 558.0f);
    EXPECT_EQ(guide->popover()->getAnchorPoint(), Vec2(1, 1));
    EXPECT_NEAR(guide->popover()->getPosition().x, 556.0f, 0.01f);
    EXPECT_NEAR(guide->popover()->getPosition().y, top, 0.01f);
    // Channel 1 (18..207): no room on the left, right of the channel.
    select(1);
    EXPECT_EQ(guide->popover()->getAnchorPoint(), Vec2(0, 1));
    EXPECT_NEAR(guide->popover()->getPosition().x, 209.0f, 0.01f);
    EXPECT_NEAR(guide->popover()->getPosition().y, top, 0.01f);
    EXPECT_EQ(guide->popover()->getBoundingBox().getMinX(), 209.0f);
    // On a 300-point layer channel 6 (80..143) has room on neither side: the left edge.
    guide->setContentSize(engine::Size(300, kHeight));
    render();
    ASSERT_GT(143.0f + 2 + pw, 300.0f);
    select(6);
    ASSERT_NE(guide->popover(), nullptr);
    EXPECT_EQ(guide->popover()->getAnchorPoint(), Vec2(0, 1));
    EXPECT_EQ(guide->popover()->getPosition().x, 0.0f);
}

TEST_F(ChannelGuideTest, CloseButtonHasAnEnlargedHitBox)
{
    select(13);
    ChannelGuidePopoverLayer* popover = guide->popover();
    ASSERT_NE(popover, nullptr);
    popover->retain();
    engine::ui::Button* close = popover->closeButton();
    ASSERT_NE(close, nullptr);
    const engine::Rect box = close->getBoundingBox();
    const Vec2 corner = popover->convertToWorldSpace(box.origin);
    const engine::Rect hit = popover->closeHitBox();
    EXPECT_NEAR(hit.size.width, 2 * box.size.width, 0.01f);
    EXPECT_NEAR(hit.size.height, 2 * box.size.height, 0.01f);
    EXPECT_NEAR(hit.origin.x, corner.x - box.size.width / 2, 0.01f);
    EXPECT_NEAR(hit.origin.y, corner.y - box.size.height / 2, 0.01f);

    // A click inside the popover but away from the button keeps it.
    const Vec2 title = popover->convertToWorldSpace(Vec2(14, popover->getContentSize().height / 2));
    click(title.x, title.y);
    EXPECT_EQ(guide->selectedChannel(), 13);
    EXPECT_NE(popover->getParent(), nullptr);
    // A click just beside the button, inside the enlarged box, closes it.
    click(corner.x - box.size.width / 4, corner.y + box.size.height / 2);
    EXPECT_EQ(guide->selectedChannel(), -1);
    EXPECT_EQ(popover->getParent(), nullptr);
    EXPECT_EQ(guide->popover(), nullptr);
    EXPECT_EQ(guide->buttonCount(), 13u);
    popover->release();
}

TEST_F(ChannelGuideTest, MouseClosesDragsAndFoldsTheGuide)
{
    // Close with a click on the button's middle.
    select(6);
    ASSERT_NE(guide->popover(), nullptr);
    engine::ui::Button* close = guide->popover()->closeButton();
    const Vec2 middle = close->getParent()->convertToWorldSpace(
        Vec2(close->getBoundingBox().getMidX(), close->getBoundingBox().getMidY()));
    click(middle.x, middle.y);
    EXPECT_EQ(guide->selectedChannel(), -1);

    // Dragging across the plot moves the selection to the nearest channel centre.
    select(2); // 2,407,000..2,427,000: centre 2,417,500 with the widening -> 157.5 points
    const float y = kOriginY + 40;
    mouse(SDL_MOUSEBUTTONDOWN, kOriginX + 150, y);
    EXPECT_EQ(guide->selectedChannel(), 2);
    EXPECT_TRUE(guide->isTouchActive());
    mouse(SDL_MOUSEMOTION, kOriginX + 385, y); // channel 7 is centred at 382.5, 8 at 427.5
    EXPECT_EQ(guide->selectedChannel(), 7);
    render();
    ASSERT_NE(guide->popover(), nullptr);
    EXPECT_EQ(guide->popover()->titleLabel()->getString(), "802.11n :: 7");
    mouse(SDL_MOUSEMOTION, kOriginX + 900, y); // past the last centre: channel 13
    EXPECT_EQ(guide->selectedChannel(), 13);
    mouse(SDL_MOUSEBUTTONUP, kOriginX + 900, y);
    EXPECT_FALSE(guide->isTouchActive());

    // The icon folds the guide away and back; unfolding clears the selection.
    const Vec2 icon(kOriginX + 10, kOriginY + kHeight - 10);
    click(icon.x, icon.y);
    EXPECT_EQ(model.spectrum.channelGuideOption, 0);
    EXPECT_EQ(guide->buttonCount(), 0u);
    EXPECT_EQ(guide->popover(), nullptr);
    EXPECT_EQ(guide->icon()->getTextureRect().origin.x, 0.0f) << "folded: left half";
    click(icon.x, icon.y);
    EXPECT_EQ(model.spectrum.channelGuideOption, 1);
    EXPECT_EQ(guide->selectedChannel(), -1);
    EXPECT_EQ(guide->buttonCount(), 13u);
    EXPECT_GT(guide->icon()->getTextureRect().origin.x, 0.0f) << "shown: right half";

    // Without a selection a drag on the plot is not the guide's.
    mouse(SDL_MOUSEBUTTONDOWN, kOriginX + 400, kOriginY + 20);
    mouse(SDL_MOUSEBUTTONUP, kOriginX + 400, kOriginY + 20);
    EXPECT_EQ(guide->selectedChannel(), -1);
    // A button click while the guide is folded does nothing.
    model.spectrum.channelGuideOption = 0;
    guide->onButtonTapped(5);
    EXPECT_EQ(guide->selectedChannel(), -1);
}

TEST_F(ChannelGuideTest, PopoverNamesPlanAndChannelInWholeMegahertz)
{
    const struct {
        int band, plan, channel;
        const char *title, *start, *end;
    } cases[] = {
        {0, 7, 0, "DEZ Custom :: 0", "2404MHz", "2405MHz"}, // 2,403,699..2,404,699 kHz, rounded
        {0, 1, 14, "802.11b :: 14", "2473MHz", "2495MHz"},
        {0, 5, 13, "802.11n (A):: 13", "2442MHz", "2482MHz"},
        {1, 11, 114, "802.11ac :: 114", "5490MHz", "5650MHz"},
    };
    for (const auto& c : cases) {
        model.spectrum.band = c.band;
        (c.band == 0 ? model.spectrum.channelGuide24 : model.spectrum.channelGuide5) = c.plan;
        render();
        select(c.channel);
        ASSERT_NE(guide->popover(), nullptr) << c.title;
        EXPECT_EQ(guide->popover()->titleLabel()->getString(), c.title);
        EXPECT_EQ(guide->popover()->startValueLabel()->getString(), c.start);
        EXPECT_EQ(guide->popover()->endValueLabel()->getString(), c.end);
    }
}

TEST_F(ChannelGuideTest, ArrowKeysStepThroughTheChannelsAndEscapeDrops)
{
    using Key = engine::EventKeyboard::KeyCode;
    EXPECT_TRUE(guide->onKey(Key::KEY_RIGHT_ARROW));
    EXPECT_EQ(guide->selectedChannel(), 1);
    EXPECT_FALSE(guide->onKey(Key::KEY_LEFT_ARROW)) << "already the first";
    EXPECT_TRUE(guide->onKey(Key::KEY_RIGHT_ARROW));
    EXPECT_EQ(guide->selectedChannel(), 2);
    render();
    ASSERT_NE(guide->popover(), nullptr);
    EXPECT_EQ(guide->popover()->titleLabel()->getString(), "802.11n :: 2");
    EXPECT_TRUE(guide->onKey(Key::KEY_ESCAPE));
    render();
    EXPECT_EQ(guide->popover(), nullptr);
    EXPECT_EQ(guide->buttonCount(), 13u);
    EXPECT_TRUE(guide->onKey(Key::KEY_LEFT_ARROW));
    EXPECT_EQ(guide->selectedChannel(), 13);
    // 5 GHz steps over the gaps of the plan's list.
    model.spectrum.band = 1;
    render();
    guide->setSelectedChannel(64);
    EXPECT_TRUE(guide->onKey(Key::KEY_RIGHT_ARROW));
    EXPECT_EQ(guide->selectedChannel(), 100);
    // Folded away, the keys are not the guide's.
    model.spectrum.channelGuideOption = 0;
    EXPECT_FALSE(guide->onKey(Key::KEY_RIGHT_ARROW));
    EXPECT_FALSE(guide->onKey(Key::KEY_ESCAPE));
}

} // namespace
} // namespace nolvo
