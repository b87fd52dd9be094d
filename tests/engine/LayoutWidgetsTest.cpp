// Layouts, text, sliders and loading bars: where they draw, how they answer taps, drags and the
// wheel, how layouts follow size changes, and that building them leaves nothing behind.
#include "GuiTestFixture.h"

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <unistd.h>

#include "engine/base/AutoreleasePool.h"
#include "engine/input/EventDispatcher.h"
#include "engine/renderer/PngFile.h"
#include "engine/text/Label.h"
#include "engine/ui/Layout.h"
#include "engine/ui/LayoutParameter.h"
#include "engine/ui/LoadingBar.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"

using namespace engine;
using namespace engine::ui;
using enginetest::GuiTest;

namespace {

const Color4B kRed(255, 0, 0, 255);
const Color4B kGreen(0, 255, 0, 255);
const Color4B kBlue(0, 0, 255, 255);
const Color4B kWhite(255, 255, 255, 255);
const Color4B kGrey(60, 60, 60, 255);
const Color4B kBlack(0, 0, 0, 255);

class LayoutWidgetsTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        char dir[] = "/tmp/nolvo-layouts-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        imageDir = dir;
        bar = writeSolid("bar.png", kWhite, 64, 8);
        progress = writeSolid("progress.png", kGreen, 64, 8);
        ball = writeSolid("ball.png", kBlue, 20, 20);
    }
    void TearDown() override
    {
        GuiTest::TearDown();
        for (const std::string& f : {bar, progress, ball}) std::remove(f.c_str());
        rmdir(imageDir.c_str());
    }
    std::string writeSolid(const char* name, const Color4B& c, int w, int h)
    {
        std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
        for (std::size_t i = 0; i < px.size(); i += 4) {
            px[i] = c.r;
            px[i + 1] = c.g;
            px[i + 2] = c.b;
            px[i + 3] = c.a;
        }
        const std::string path = imageDir + "/" + name;
        EXPECT_TRUE(PngFile::save(path, px.data(), w, h));
        return path;
    }
    static Layout* solidBox(Layout::Type type, const Color4B& c, float w, float h)
    {
        Layout* box = Layout::create();
        box->setLayoutType(type);
        box->setBackGroundColorType(Layout::BackGroundColorType::SOLID);
        box->setBackGroundColor(Color3B(c));
        box->setContentSize(Size(w, h));
        return box;
    }
    static LinearLayoutParameter* param(const Margin& m,
                                        LinearLayoutParameter::LinearGravity g = LinearLayoutParameter::LinearGravity::NONE)
    {
        LinearLayoutParameter* p = LinearLayoutParameter::create();
        p->setMargin(m);
        p->setGravity(g);
        return p;
    }
    // A slider 200 x 8 with its left end at (100, 300).
    Slider* makeSlider()
    {
        Slider* s = Slider::create();
        EXPECT_TRUE(s->loadBarTexture(bar));
        EXPECT_TRUE(s->loadProgressBarTexture(progress));
        s->loadSlidBallTextures(ball);
        s->ignoreContentAdaptWithSize(false);
        s->setContentSize(Size(200, 8));
        s->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
        s->setPosition(100, 300);
        s->addEventListener([this](Ref*, Slider::EventType type) {
            if (type == Slider::EventType::ON_PERCENTAGE_CHANGED) ++changes;
        });
        scene->addChild(s);
        return s;
    }
    // Mouse input as the window delivers it (view y grows downwards).
    void mouse(Uint32 type, int x, int glY)
    {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x;
            e.motion.y = 640 - glY;
        } else {
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = x;
            e.button.y = 640 - glY;
        }
        view->handleSDLEvent(e);
    }
    void wheel(int x, int glY, float notches)
    {
        view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET,
                          static_cast<float>(x), static_cast<float>(640 - glY), 0.0f, notches);
    }
    // Centre x of the blue (ball) pixels on row y.
    float ballCentreX(int y) const
    {
        int x0 = -1, x1 = -1;
        for (int x = 0; x < width; ++x) {
            if (enginetest::near(pixel(x, y), kBlue)) {
                if (x0 < 0) x0 = x;
                x1 = x;
            }
        }
        return x0 < 0 ? -1.0f : (x0 + x1 + 1) * 0.5f;
    }

    std::string imageDir, bar, progress, ball;
    int changes = 0;
};

TEST_F(LayoutWidgetsTest, VerticalLayoutStacksRowsByTheirMarginsAndGravity)
{
    // 300 x 300 grey column at (100, 100): its top edge is y = 400.
    Layout* column = solidBox(Layout::Type::VERTICAL, kGrey, 300, 300);
    column->setPosition(100, 100);
    Layout* red = solidBox(Layout::Type::HORIZONTAL, kRed, 100, 40);
    red->setLayoutParameter(param(Margin(20, 10, 0, 5)));
    Layout* green = solidBox(Layout::Type::HORIZONTAL, kGreen, 100, 30);
    green->setLayoutParameter(param(Margin(0, 15, 30, 0), LinearLayoutParameter::LinearGravity::RIGHT));
    Layout* blue = solidBox(Layout::Type::HORIZONTAL, kBlue, 100, 20);
    blue->setLayoutParameter(param(Margin(), LinearLayoutParameter::LinearGravity::CENTER_HORIZONTAL));
    column->addChild(red);
    column->addChild(green);
    column->addChild(blue);
    scene->addChild(column);
    render();

    struct Expect {
        const char* name;
        Color4B colour;
        int x0, y0, x1, y1;  // exclusive right and top edges, GL pixels
    };
    const Expect rows[] = {
        {"red: 20 from the left, 10 below the top", kRed, 120, 350, 220, 390},
        {"green: 30 from the right, 5 + 15 below red", kGreen, 270, 300, 370, 330},
        {"blue: centred, right below green", kBlue, 200, 280, 300, 300},
    };
    for (const Expect& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(countNear(r.x0, r.y0, r.x1, r.y1, r.colour), (r.x1 - r.x0) * (r.y1 - r.y0));
        // One pixel outside every edge is not the row's colour.
        EXPECT_FALSE(enginetest::near(pixel(r.x0 - 1, r.y0), r.colour));
        EXPECT_FALSE(enginetest::near(pixel(r.x1, r.y0), r.colour));
        EXPECT_FALSE(enginetest::near(pixel(r.x0, r.y0 - 1), r.colour));
        EXPECT_FALSE(enginetest::near(pixel(r.x0, r.y1), r.colour));
    }
    EXPECT_TRUE(enginetest::near(pixel(105, 105), kGrey));
}

TEST_F(LayoutWidgetsTest, HorizontalRowPlacesChildrenLeftToRightWithVerticalGravity)
{
    Layout* row = solidBox(Layout::Type::HORIZONTAL, kGrey, 400, 60);
    row->setPosition(100, 100);
    Layout* top = solidBox(Layout::Type::NONE, kRed, 50, 20);
    top->setLayoutParameter(param(Margin(10, 5, 0, 0)));
    Layout* bottom = solidBox(Layout::Type::NONE, kGreen, 50, 20);
    bottom->setLayoutParameter(param(Margin(7, 0, 0, 3), LinearLayoutParameter::LinearGravity::BOTTOM));
    Layout* centre = solidBox(Layout::Type::NONE, kBlue, 50, 20);
    centre->setLayoutParameter(param(Margin(), LinearLayoutParameter::LinearGravity::CENTER_VERTICAL));
    row->addChild(top);
    row->addChild(bottom);
    row->addChild(centre);
    scene->addChild(row);
    render();
    EXPECT_EQ(top->getPosition(), Vec2(10, 35));     // hangs 5 below the top edge
    EXPECT_EQ(bottom->getPosition(), Vec2(67, 3));   // 10 + 50 + 7 from the left, 3 above the bottom
    EXPECT_EQ(centre->getPosition(), Vec2(117, 20)); // middle of 60
    EXPECT_EQ(row->getContentSizeOfChildren(), Size(167, 25));
    EXPECT_EQ(countNear(217, 120, 267, 140, kBlue), 50 * 20);
}

TEST_F(LayoutWidgetsTest, LayoutFollowsResizedAddedHiddenAndRetextedChildren)
{
    Layout* column = solidBox(Layout::Type::VERTICAL, kGrey, 300, 300);
    Layout* first = solidBox(Layout::Type::NONE, kRed, 100, 40);
    Layout* second = solidBox(Layout::Type::NONE, kGreen, 100, 40);
    column->addChild(first);
    column->addChild(second);
    scene->addChild(column);
    render();
    EXPECT_EQ(second->getPosition(), Vec2(0, 220));

    first->setContentSize(Size(100, 90));  // grows: the next row moves down
    EXPECT_TRUE(column->isLayoutRequested());
    render();
    EXPECT_FALSE(column->isLayoutRequested());
    EXPECT_EQ(second->getPosition(), Vec2(0, 170));

    first->setVisible(false);  // hidden: takes no room
    render();
    EXPECT_EQ(second->getPosition(), Vec2(0, 260));

    Layout* inserted = solidBox(Layout::Type::NONE, kBlue, 100, 10);
    column->addChild(inserted, -1);  // drawn first, so stacked first
    render();
    EXPECT_EQ(inserted->getPosition(), Vec2(0, 290));
    EXPECT_EQ(second->getPosition(), Vec2(0, 250));

    // A text that grows pushes its right-hand neighbour along a row.
    Layout* row = solidBox(Layout::Type::HORIZONTAL, kGrey, 600, 40);
    Text* caption = Text::create("A", "fonts/roboto/Roboto-Regular.ttf", 20);
    Layout* after = solidBox(Layout::Type::NONE, kRed, 10, 10);
    row->addChild(caption);
    row->addChild(after);
    column->addChild(row);
    render();
    const float before = after->getPositionX();
    EXPECT_FLOAT_EQ(before, caption->getContentSize().width);
    caption->setString("A much longer caption");
    render();
    EXPECT_GT(after->getPositionX(), before + 100);
    EXPECT_FLOAT_EQ(after->getPositionX(), caption->getContentSize().width);

    // A plain label does the same.
    Layout* labels = solidBox(Layout::Type::HORIZONTAL, kGrey, 600, 40);
    Label* label = Label::createWithTTF("B", "fonts/roboto/Roboto-Regular.ttf", 20);
    Layout* next = solidBox(Layout::Type::NONE, kRed, 10, 10);
    labels->addChild(label);
    labels->addChild(next);
    column->addChild(labels);
    render();
    label->setString("B with more words");
    render();
    EXPECT_FLOAT_EQ(next->getPositionX(), label->getContentSize().width);
}

TEST_F(LayoutWidgetsTest, NestedLayoutsSettleInOneFrame)
{
    // A row sized from its children inside a column: the column must see the row's final size.
    Layout* column = solidBox(Layout::Type::VERTICAL, kGrey, 300, 300);
    column->setPosition(100, 100);
    Layout* row = solidBox(Layout::Type::HORIZONTAL, kRed, 10, 10);
    Layout* next = solidBox(Layout::Type::NONE, kGreen, 50, 50);
    column->addChild(row);
    column->addChild(next);
    scene->addChild(column);
    render();
    row->setContentSize(Size(200, 70));
    render();
    EXPECT_EQ(next->getPosition(), Vec2(0, 300 - 70 - 50));
    EXPECT_EQ(countNear(100, 330, 300, 400, kRed), 200 * 70);
}

TEST_F(LayoutWidgetsTest, ClippingLayoutHidesWhatLiesOutsideItsRectangle)
{
    Layout* clip = solidBox(Layout::Type::NONE, kGrey, 100, 100);
    clip->setPosition(100, 100);
    clip->setClippingEnabled(true);
    Layout* wide = solidBox(Layout::Type::NONE, kRed, 300, 50);
    wide->setPosition(-50, 25);
    clip->addChild(wide);
    scene->addChild(clip);
    Layout* outside = solidBox(Layout::Type::NONE, kGreen, 20, 20);
    outside->setPosition(400, 400);
    scene->addChild(outside);  // drawn after the clip: the scissor must be off again
    render();
    EXPECT_EQ(countNear(0, 0, width, height, kRed), 100 * 50);
    EXPECT_EQ(countNear(400, 400, 420, 420, kGreen), 400);
}

TEST_F(LayoutWidgetsTest, ClippedAwayPartOfASliderTakesNoTapAndNoWheel)
{
    // The clip covers x 100..200 of a slider running 100..300.
    Layout* clip = solidBox(Layout::Type::NONE, kGrey, 100, 100);
    clip->setPosition(100, 250);
    clip->setClippingEnabled(true);
    Slider* slider = makeSlider();
    slider->retain();
    slider->removeFromParent();
    slider->setPosition(0, 50);
    clip->addChild(slider);
    slider->release();
    scene->addChild(clip);
    render();
    EXPECT_EQ(countNear(201, 290, 400, 310, kWhite), 0);  // the bar beyond the clip is not drawn
    mouse(SDL_MOUSEBUTTONDOWN, 250, 300);
    mouse(SDL_MOUSEBUTTONUP, 250, 300);
    wheel(250, 300, 1.0f);
    EXPECT_EQ(slider->getPercent(), 0);
    mouse(SDL_MOUSEBUTTONDOWN, 150, 300);
    mouse(SDL_MOUSEBUTTONUP, 150, 300);
    EXPECT_EQ(slider->getPercent(), 25);
    clip->setClippingEnabled(false);
    wheel(250, 300, 1.0f);
    EXPECT_EQ(slider->getPercent(), 26);
}

TEST_F(LayoutWidgetsTest, TextIsAlignedInsideItsArea)
{
    Text* text = Text::create("Hi", "fonts/roboto/Roboto-Regular.ttf", 24);
    text->setTextColor(Color4B(255, 255, 0, 255));
    text->setTextAreaSize(Size(300, 100));
    text->setTextHorizontalAlignment(TextHAlignment::RIGHT);
    text->setTextVerticalAlignment(TextVAlignment::BOTTOM);
    text->setAnchorPoint(Vec2::ZERO);
    text->setPosition(100, 100);
    scene->addChild(text);
    render();
    EXPECT_EQ(text->getContentSize(), Size(300, 100));
    Rect ink = inkBox();
    EXPECT_GT(ink.getMaxX(), 390);  // right-aligned in 100..400
    EXPECT_LE(ink.getMaxX(), 401);
    EXPECT_LT(ink.getMinY(), 110);  // bottom-aligned in 100..200
    EXPECT_GE(ink.getMinY(), 99);
    EXPECT_GT(countNear(0, 0, width, height, Color4B(255, 255, 0, 255), 40), 20);

    text->setTextHorizontalAlignment(TextHAlignment::LEFT);
    text->setTextVerticalAlignment(TextVAlignment::TOP);
    render();
    ink = inkBox();
    EXPECT_LT(ink.getMinX(), 110);
    EXPECT_GT(ink.getMaxY(), 190);

    // A fixed width with a free height wraps and grows downwards.
    text->setString("several words that cannot fit on one line of a hundred points");
    text->setTextAreaSize(Size(100, 0));
    EXPECT_EQ(text->getContentSize().width, 100);
    EXPECT_GT(text->getContentSize().height, 3 * 24);
    text->setString("Hi");

    // Back to following its text: the widget shrinks to it.
    text->setTextAreaSize(Size::ZERO);
    EXPECT_LT(text->getContentSize().width, 60);
    EXPECT_EQ(text->getStringLength(), 2u);
    text->setString("\xc2\xb0" "C");
    EXPECT_EQ(text->getStringLength(), 2u);
}

TEST_F(LayoutWidgetsTest, SliderDrawsItsBallAtItsPercent)
{
    Slider* slider = makeSlider();
    for (int percent : {0, 50, 100}) {
        SCOPED_TRACE(percent);
        slider->setPercent(percent);
        render();
        EXPECT_FLOAT_EQ(ballCentreX(300), 100.0f + 2.0f * percent);
        // The progress image fills the bar up to the ball.
        if (percent > 0) {
            EXPECT_TRUE(enginetest::near(pixel(100 + percent - 1, 300), kGreen));
        }
        if (percent < 100) {
            EXPECT_TRUE(enginetest::near(pixel(299, 300), kWhite));
        }
    }
    slider->setPercent(250);
    EXPECT_EQ(slider->getPercent(), 100);
    slider->setPercent(-4);
    EXPECT_EQ(slider->getPercent(), 0);
    EXPECT_EQ(changes, 0);  // the program's own changes fire nothing
}

TEST_F(LayoutWidgetsTest, TapAndDragSetThePercentAndFireOncePerChange)
{
    Slider* slider = makeSlider();
    render();
    mouse(SDL_MOUSEBUTTONDOWN, 250, 300);  // 75 % of 200 from x = 100
    EXPECT_EQ(slider->getPercent(), 75);
    EXPECT_EQ(changes, 1);
    mouse(SDL_MOUSEBUTTONUP, 250, 300);
    EXPECT_EQ(changes, 1);

    mouse(SDL_MOUSEBUTTONDOWN, 150, 302);
    EXPECT_EQ(slider->getPercent(), 25);
    mouse(SDL_MOUSEMOTION, 150, 340);  // off the bar vertically: no change of x, no event
    EXPECT_EQ(changes, 2);
    mouse(SDL_MOUSEMOTION, 500, 340);  // dragged past the end: clamped
    EXPECT_EQ(slider->getPercent(), 100);
    mouse(SDL_MOUSEMOTION, 20, 250);
    EXPECT_EQ(slider->getPercent(), 0);
    mouse(SDL_MOUSEBUTTONUP, 20, 250);
    EXPECT_EQ(changes, 4);

    mouse(SDL_MOUSEBUTTONDOWN, 250, 330);  // above the ball: not the slider's
    mouse(SDL_MOUSEBUTTONUP, 250, 330);
    EXPECT_EQ(slider->getPercent(), 0);

    slider->setEnabled(false);
    mouse(SDL_MOUSEBUTTONDOWN, 250, 300);
    mouse(SDL_MOUSEBUTTONUP, 250, 300);
    EXPECT_EQ(slider->getPercent(), 0);
    EXPECT_EQ(changes, 4);
}

// Deltas no wheel sends but a broken driver or a synthetic event might: no number is ignored and
// leaves the next notch working; a huge one goes to the end.
TEST_F(LayoutWidgetsTest, OutlandishWheelDeltasLeaveTheSliderInRange)
{
    Slider* slider = makeSlider();
    slider->setPercent(50);
    render();
    const struct {
        float notches;
        int percent;
    } cases[] = {
        {std::numeric_limits<float>::quiet_NaN(), 50},
        {std::numeric_limits<float>::infinity(), 50},
        {1.0f, 51},
        {1e30f, 100},
        {-3e9f, 0},
        {-std::numeric_limits<float>::infinity(), 0},
        {2.0f, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notches);
        wheel(200, 300, c.notches);
        EXPECT_EQ(slider->getPercent(), c.percent);
    }
}

TEST_F(LayoutWidgetsTest, WheelOverASliderStepsItOnePercentPerNotch)
{
    Slider* slider = makeSlider();
    slider->setPercent(50);
    render();
    wheel(200, 300, 1.0f);
    EXPECT_EQ(slider->getPercent(), 51);
    EXPECT_EQ(changes, 1);
    wheel(200, 300, -3.0f);
    EXPECT_EQ(slider->getPercent(), 48);
    EXPECT_EQ(changes, 2);
    wheel(200, 300, 0.5f);  // half a notch (smooth scrolling) waits for the other half
    EXPECT_EQ(slider->getPercent(), 48);
    wheel(200, 300, 0.5f);
    EXPECT_EQ(slider->getPercent(), 49);
    wheel(200, 500, 1.0f);  // not over the slider
    EXPECT_EQ(slider->getPercent(), 49);
    wheel(198, 308, 1.0f);  // over the ball where it overhangs the bar (296..304)
    EXPECT_EQ(slider->getPercent(), 50);
    slider->setPercent(100);
    wheel(200, 300, 1.0f);  // at the end: nothing changes, nothing fires
    EXPECT_EQ(slider->getPercent(), 100);
    EXPECT_EQ(changes, 4);
    slider->setEnabled(false);
    wheel(200, 300, -1.0f);
    EXPECT_EQ(slider->getPercent(), 100);
}

TEST_F(LayoutWidgetsTest, SliderRemovedAndAddedAgainStillHearsTheWheel)
{
    Slider* slider = makeSlider();
    slider->retain();
    slider->removeFromParentAndCleanup(true);
    scene->addChild(slider);
    slider->release();
    render();
    wheel(200, 300, 2.0f);
    EXPECT_EQ(slider->getPercent(), 2);
}

TEST_F(LayoutWidgetsTest, LoadingBarFillsItsPercentFromItsSide)
{
    LoadingBar* barWidget = LoadingBar::create(bar, 30.0f);
    ASSERT_NE(barWidget, nullptr);
    barWidget->ignoreContentAdaptWithSize(false);
    barWidget->setContentSize(Size(200, 20));
    barWidget->setColor(Color3B(255, 255, 0));
    barWidget->setAnchorPoint(Vec2::ZERO);
    barWidget->setPosition(100, 100);
    scene->addChild(barWidget);
    const Color4B yellow(255, 255, 0, 255);
    struct Case {
        LoadingBar::Direction direction;
        bool scale9;
        int x0, x1;
    };
    const Case cases[] = {
        {LoadingBar::Direction::LEFT, false, 100, 160},
        {LoadingBar::Direction::RIGHT, false, 240, 300},
        {LoadingBar::Direction::LEFT, true, 100, 160},
        {LoadingBar::Direction::RIGHT, true, 240, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.direction == LoadingBar::Direction::LEFT ? "left" : "right") +
                     (c.scale9 ? " nine-slice" : ""));
        barWidget->setDirection(c.direction);
        barWidget->setScale9Enabled(c.scale9);
        render();
        EXPECT_EQ(countNear(c.x0, 100, c.x1, 120, yellow), 60 * 20);
        EXPECT_EQ(countNear(0, 0, width, height, yellow), 60 * 20);
    }
    barWidget->setPercent(0.0f);
    render();
    EXPECT_EQ(countNear(0, 0, width, height, yellow), 0);
    barWidget->setPercent(140.0f);
    EXPECT_FLOAT_EQ(barWidget->getPercent(), 100.0f);
}

TEST_F(LayoutWidgetsTest, WindowResizeIsAnnouncedOnce)
{
    std::vector<Size> sizes;
    EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
    EventListener* l = dispatcher->addCustomEventListener(Director::EVENT_WINDOW_RESIZED, [&](EventCustom* e) {
        sizes.push_back(*static_cast<Size*>(e->getUserData()));
    });
    view->setFrameSize(800, 500);
    view->setFrameSize(800, 500);  // no change: no event
    EXPECT_EQ(sizes, std::vector<Size>{Size(800, 500)});
    EXPECT_EQ(Director::getInstance()->getWinSize(), Size(800, 500));
    dispatcher->removeEventListener(l);
    view->setFrameSize(960, 640);
    EXPECT_EQ(sizes.size(), 1u);
}

TEST_F(LayoutWidgetsTest, AThousandWidgetsBuiltAndTornDownLeaveNothingBehind)
{
    Director* director = Director::getInstance();
    std::size_t before = 0;
    // Round 0 fills the caches (textures, fonts, programs); they are not leaks.
    for (int round = 0; round <= 1000; ++round) {
        if (round == 1) before = Ref::getLiveCount();
        Layout* column = solidBox(Layout::Type::VERTICAL, kGrey, 300, 300);
        column->setClippingEnabled(true);
        column->setBackGroundImage(bar);
        Layout* row = solidBox(Layout::Type::HORIZONTAL, kRed, 300, 40);
        row->setLayoutParameter(param(Margin(1, 2, 3, 4)));
        row->addChild(Text::create("row " + std::to_string(round % 10), "fonts/roboto/Roboto-Regular.ttf", 12));
        Slider* slider = Slider::create(bar, ball);
        slider->loadProgressBarTexture(progress);
        slider->setPercent(round % 101);
        row->addChild(slider);
        row->addChild(LoadingBar::create(bar, static_cast<float>(round % 100)));
        column->addChild(row);
        scene->addChild(column);
        if (round % 50 == 0) render();
        column->removeFromParentAndCleanup(true);
        AutoreleasePool::getInstance()->clear();
    }
    director->mainLoop();
    EXPECT_EQ(Ref::getLiveCount(), before);
}

} // namespace
