// Buttons and images: states shown by pixels, touch callbacks, nine-slice geometry.
#include "GuiTestFixture.h"

#include <cstdio>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <unistd.h>

#include "engine/renderer/PngFile.h"
#include "engine/scene/Sprite.h"
#include "platform/FileUtils.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/Scale9Sprite.h"

using namespace engine;
using namespace engine::ui;
using enginetest::GuiTest;

namespace {

class WidgetTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (HasFatalFailure()) return;
        char dir[] = "/tmp/nolvo-widgets-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        imageDir = dir;
        normal = writeSolid("normal.png", Color4B(255, 0, 0, 255), 40, 20);
        pressed = writeSolid("pressed.png", Color4B(0, 255, 0, 255), 40, 20);
        disabled = writeSolid("disabled.png", Color4B(0, 0, 255, 255), 40, 20);
        frame = writeFrame("frame.png");
    }
    void TearDown() override
    {
        GuiTest::TearDown();
        for (const std::string& f : {normal, pressed, disabled, frame}) std::remove(f.c_str());
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
    // 12 x 12: a 4-pixel white border around a red centre.
    std::string writeFrame(const char* name)
    {
        std::vector<std::uint8_t> px(12 * 12 * 4);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool border = x < 4 || x >= 8 || y < 4 || y >= 8;
                std::uint8_t* p = &px[(y * 12 + x) * 4];
                p[0] = 255;
                p[1] = border ? 255 : 0;
                p[2] = border ? 255 : 0;
                p[3] = 255;
            }
        }
        const std::string path = imageDir + "/" + name;
        EXPECT_TRUE(PngFile::save(path, px.data(), 12, 12));
        return path;
    }
    void touch(Uint32 type, int x, int glY)
    {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = x;
        e.button.y = 640 - glY;
        view->handleSDLEvent(e);
    }
    void drag(int x, int glY)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = 640 - glY;
        view->handleSDLEvent(e);
    }
    std::string imageDir, normal, pressed, disabled, frame;
};

TEST_F(WidgetTest, ButtonShowsItsStateAndReportsTouches)
{
    Button* button = Button::create(normal, pressed, disabled);
    ASSERT_NE(button, nullptr);
    button->setPosition(200, 200);
    button->setZoomScale(0.0f);
    std::vector<Widget::TouchEventType> events;
    int clicks = 0;
    button->addTouchEventListener([&](Ref*, Widget::TouchEventType t) { events.push_back(t); });
    button->addClickEventListener([&](Ref*) { ++clicks; });
    scene->addChild(button);
    EXPECT_EQ(button->getContentSize(), Size(40, 20));
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(255, 0, 0, 255));

    touch(SDL_MOUSEBUTTONDOWN, 200, 200);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(0, 255, 0, 255));
    drag(205, 202);
    touch(SDL_MOUSEBUTTONUP, 205, 202);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(255, 0, 0, 255));
    using T = Widget::TouchEventType;
    EXPECT_EQ(events, (std::vector<T>{T::BEGAN, T::MOVED, T::ENDED}));
    EXPECT_EQ(clicks, 1);

    // Released outside: cancelled, no click; the look returns to normal when the finger leaves.
    events.clear();
    touch(SDL_MOUSEBUTTONDOWN, 200, 200);
    drag(400, 400);
    EXPECT_FALSE(button->isHighlighted());
    touch(SDL_MOUSEBUTTONUP, 400, 400);
    EXPECT_EQ(events, (std::vector<T>{T::BEGAN, T::MOVED, T::CANCELED}));
    EXPECT_EQ(clicks, 1);

    // Outside from the start: not claimed at all.
    events.clear();
    touch(SDL_MOUSEBUTTONDOWN, 300, 300);
    touch(SDL_MOUSEBUTTONUP, 300, 300);
    EXPECT_TRUE(events.empty());

    // Disabled: the disabled image, no events.
    button->setEnabled(false);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(0, 0, 255, 255));
    touch(SDL_MOUSEBUTTONDOWN, 200, 200);
    touch(SDL_MOUSEBUTTONUP, 200, 200);
    EXPECT_TRUE(events.empty());
}

TEST_F(WidgetTest, ButtonWithoutPressedImageZoomsTheNormalOne)
{
    Button* button = Button::create(normal);
    ASSERT_NE(button, nullptr);
    button->setPosition(200, 200);
    button->setZoomScale(0.5f);
    scene->addChild(button);
    button->setHighlighted(true);
    render();
    EXPECT_EQ(inkBox(), Rect(170, 185, 60, 30));
}

TEST_F(WidgetTest, FrontButtonSwallowsTheTouch)
{
    Button* back = Button::create(normal);
    Button* front = Button::create(pressed);
    back->setPosition(200, 200);
    front->setPosition(210, 200);
    int backEvents = 0, frontEvents = 0;
    back->addTouchEventListener([&](Ref*, Widget::TouchEventType) { ++backEvents; });
    front->addTouchEventListener([&](Ref*, Widget::TouchEventType) { ++frontEvents; });
    scene->addChild(back, 1);
    scene->addChild(front, 2);
    touch(SDL_MOUSEBUTTONDOWN, 205, 200);
    touch(SDL_MOUSEBUTTONUP, 205, 200);
    EXPECT_EQ(frontEvents, 2);
    EXPECT_EQ(backEvents, 0);
}

TEST_F(WidgetTest, TitleIsCentredAndColoured)
{
    Button* button = Button::create(disabled);
    button->setScale9Enabled(true);
    button->setContentSize(Size(200, 60));
    button->setTitleText("OK");
    button->setTitleFontSize(30);
    button->setTitleColor(Color3B(255, 255, 0));
    button->setPosition(480, 320);
    scene->addChild(button);
    render();
    EXPECT_EQ(button->getContentSize(), Size(200, 60));
    EXPECT_EQ(inkBox(), Rect(380, 290, 200, 60));
    // Yellow glyphs sit around the centre.
    int minX = 960, maxX = 0;
    for (int y = 290; y < 350; ++y) {
        for (int x = 380; x < 580; ++x) {
            if (pixel(x, y) == Color4B(255, 255, 0, 255)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    }
    ASSERT_LT(minX, maxX);
    EXPECT_NEAR((minX + maxX) / 2.0, 480, 3);
}

TEST_F(WidgetTest, NineSliceKeepsCornersAndStretchesTheCentre)
{
    ImageView* image = ImageView::create(frame);
    ASSERT_NE(image, nullptr);
    // Nearest filtering so slice edges are exact pixels.
    Director::getInstance()->getTextureCache()->addImage(frame)->setAliasTexParameters();
    image->setScale9Enabled(true);
    image->setCapInsets(Rect(4, 4, 4, 4));
    image->setContentSize(Size(100, 60));
    image->setAnchorPoint(Vec2::ZERO);
    image->setPosition(100, 100);
    scene->addChild(image);
    render();
    const Color4B white(255, 255, 255, 255), red(255, 0, 0, 255);
    // Borders stay 4 pixels wide; the centre fills the rest.
    EXPECT_EQ(pixel(101, 130), white);
    EXPECT_EQ(pixel(103, 130), white);
    EXPECT_EQ(pixel(104, 130), red);
    EXPECT_EQ(pixel(195, 130), red);
    EXPECT_EQ(pixel(196, 130), white);
    EXPECT_EQ(pixel(150, 103), white);
    EXPECT_EQ(pixel(150, 104), red);
    EXPECT_EQ(pixel(150, 156), white);
    EXPECT_EQ(countNear(100, 100, 200, 160, red, 0), 92 * 52);

    // Plain image view: its own size, whole image scaled by nothing.
    ImageView* plain = ImageView::create(frame);
    plain->setPosition(500, 500);
    scene->addChild(plain);
    render();
    EXPECT_EQ(plain->getContentSize(), Size(12, 12));
    EXPECT_EQ(countNear(494, 494, 506, 506, red, 0), 16);
}

TEST_F(WidgetTest, Scale9SpriteFromARectangleOfTheImage)
{
    // Right half of the frame image: 6 x 12, border 4 on the right, top and bottom.
    ui::Scale9Sprite* s = ui::Scale9Sprite::create(frame, Rect(6, 0, 6, 12), Rect(0, 4, 2, 4));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getOriginalSize(), Size(6, 12));
    s->setPreferredSize(Size(30, 30));
    s->setAnchorPoint(Vec2::ZERO);
    s->setPosition(300, 300);
    scene->addChild(s);
    render();
    EXPECT_EQ(pixel(310, 315), Color4B(255, 0, 0, 255));
    EXPECT_EQ(pixel(328, 315), Color4B(255, 255, 255, 255));
    EXPECT_EQ(inkBox(), Rect(300, 300, 30, 30));
}

TEST_F(WidgetTest, ImagesAreFoundThroughTheSearchPaths)
{
    FileUtils::getInstance()->setSearchPaths({"no-such-dir", imageDir, ""});
    Sprite* sprite = Sprite::create("pressed.png");
    FileUtils::getInstance()->setSearchPaths({"res", ""});
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getContentSize(), Size(40, 20));
    sprite->setPosition(100, 100);
    scene->addChild(sprite);
    render();
    EXPECT_EQ(pixel(100, 100), Color4B(0, 255, 0, 255));
}

TEST_F(WidgetTest, ButtonThatIsNotBrightLooksDisabledButStillAnswers)
{
    Button* button = Button::create(normal, pressed, disabled);
    ASSERT_NE(button, nullptr);
    button->setPosition(200, 200);
    int clicks = 0;
    button->addClickEventListener([&](Ref*) { ++clicks; });
    scene->addChild(button);
    EXPECT_EQ(button->getNormalTextureSize(), Size(40, 20));
    button->setBright(false);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(0, 0, 255, 255));
    touch(SDL_MOUSEBUTTONDOWN, 200, 200);
    touch(SDL_MOUSEBUTTONUP, 200, 200);
    EXPECT_EQ(clicks, 1);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(0, 0, 255, 255));  // still dimmed after the press
    button->setBright(true);
    render();
    EXPECT_EQ(pixel(200, 200), Color4B(255, 0, 0, 255));
}

TEST_F(WidgetTest, ImageViewShowsARectangleOfItsImage)
{
    // The frame's right column of pixels 8..11 is white, its middle 4..7 red.
    ImageView* image = ImageView::create(frame);
    ASSERT_NE(image, nullptr);
    image->setTextureRect(Rect(4, 4, 4, 4));
    EXPECT_EQ(image->getContentSize(), Size(4, 4));
    image->getRenderer()->getTexture()->setAliasTexParameters();  // no blending with the border
    image->setScale(5.0f);
    image->setPosition(200, 200);
    scene->addChild(image);
    render();
    EXPECT_EQ(inkBox(), Rect(190, 190, 20, 20));
    EXPECT_EQ(countNear(190, 190, 210, 210, Color4B(255, 0, 0, 255)), 400);
}

TEST_F(WidgetTest, MissingImagesAreReportedAsNull)
{
    EXPECT_EQ(Button::create(imageDir + "/missing.png"), nullptr);
    EXPECT_EQ(ImageView::create(imageDir + "/missing.png"), nullptr);
    EXPECT_EQ(ui::Scale9Sprite::create(imageDir + "/missing.png"), nullptr);
}

} // namespace
