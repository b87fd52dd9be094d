// The gallery screen as the program would show it, and building and tearing down scenes with
// every node kind many times.
#include "GuiTestFixture.h"

#include <SDL2/SDL.h>

#include "GalleryImages.h"
#include "GalleryPages.h"
#include "GalleryScene.h"
#include "WidgetsPage.h"
#include "engine/app/GLView.h"
#include "engine/extension/TableView.h"
#include "engine/actions/ActionInterval.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

class GalleryTest : public GuiTest {};

TEST_F(GalleryTest, StillGalleryIsDrawnOnceAndThenLeftAlone)
{
    gallery::GalleryImages images;
    ASSERT_TRUE(images.create());
    auto* galleryScene = gallery::GalleryScene::create(images, false);
    ASSERT_NE(galleryScene, nullptr);
    Director* director = Director::getInstance();
    director->replaceScene(galleryScene);
    director->mainLoop();
    const auto rendered = director->getRenderedFrames();
    for (int i = 0; i < 30; ++i) director->mainLoop();
    EXPECT_EQ(director->getRenderedFrames(), rendered);
    render();
    // Background colour in an empty corner, the title's white ink at the top left.
    EXPECT_EQ(pixel(950, 5), Color4B(24, 27, 33, 255));
    EXPECT_GT(countNear(16, 600, 160, 630, Color4B(255, 255, 255, 255), 10), 50);
}

TEST_F(GalleryTest, AnimatedGalleryDrawsEveryFrame)
{
    gallery::GalleryImages images;
    ASSERT_TRUE(images.create());
    Director* director = Director::getInstance();
    director->replaceScene(gallery::GalleryScene::create(images, true));
    director->mainLoop();
    director->mainLoop();  // the rotation's first step is its start: nothing moved yet
    const auto rendered = director->getRenderedFrames();
    for (int i = 0; i < 5; ++i) {
        SDL_Delay(5);  // the rotation needs time to pass
        director->mainLoop();
    }
    EXPECT_EQ(director->getRenderedFrames(), rendered + 5);
}

TEST_F(GalleryTest, TheSecondPageShowsTheWidgetsAndTabOrTheButtonSwitchesPages)
{
    gallery::GalleryImages images;
    ASSERT_TRUE(images.create());
    Director* director = Director::getInstance();
    gallery::GalleryPages pages(images, false);
    ASSERT_TRUE(pages.show(1));
    director->mainLoop();
    auto* page = dynamic_cast<gallery::WidgetsPage*>(director->getRunningScene());
    ASSERT_NE(page, nullptr);
    extension::TableView* table = page->getTable();
    ASSERT_NE(table, nullptr);
    // The 2,048-row table starts at row 0 and scrolls with the wheel (pointer over it).
    EXPECT_NE(table->cellAtIndex(0), nullptr);
    const float top = table->getContentOffset().y;
    EXPECT_FLOAT_EQ(top, table->minContainerOffset().y);
    EXPECT_FLOAT_EQ(top, 520 - 2048 * 26.0f);
    view->handleMouse(EventMouse::MouseEventType::MOUSE_SCROLL, EventMouse::MouseButton::BUTTON_UNSET, 700, 300, 0, -4);
    EXPECT_GT(table->getContentOffset().y, top);
    EXPECT_EQ(table->cellAtIndex(0), nullptr);
    EXPECT_LE(table->getCellsInUseCount() + table->getCellsFreeCount(), 23u);
    render();
    // Rows are drawn in the table's rectangle, and nothing of them above it.
    EXPECT_GT(countNear(560, 56, 940, 576, Color4B(36, 40, 48, 255), 2) + countNear(560, 56, 940, 576, Color4B(44, 48, 58, 255), 2),
              300 * 400);
    EXPECT_EQ(countNear(560, 580, 940, 600, Color4B(36, 40, 48, 255), 2), 0);
    // Tab goes to the first page, and the first page's button comes back.
    view->handleKey(EventKeyboard::KeyCode::KEY_TAB, true);
    director->mainLoop();
    EXPECT_EQ(pages.current(), 0);
    EXPECT_NE(dynamic_cast<gallery::GalleryScene*>(director->getRunningScene()), nullptr);
    view->handleKey(EventKeyboard::KeyCode::KEY_TAB, true, 0, true);  // held: no second switch
    director->mainLoop();
    EXPECT_EQ(pages.current(), 0);
    const float vx = 880, vy = 640 - 612;  // the button, in window coordinates
    const std::intptr_t id = 1;
    view->handleTouchesBegin(1, &id, &vx, &vy);
    view->handleTouchesEnd(1, &id, &vx, &vy);
    director->mainLoop();
    EXPECT_EQ(pages.current(), 1);
    EXPECT_NE(dynamic_cast<gallery::WidgetsPage*>(director->getRunningScene()), nullptr);
}

TEST_F(GalleryTest, ScenesBuiltAndTornDownAThousandTimesLeaveNothingBehind)
{
    Director* director = Director::getInstance();
    Texture2D* texture = solidTexture(Color4B(255, 0, 0, 255), 8, 8);
    texture->retain();
    std::size_t before = 0;
    // Round 0 fills the caches (texture cache, shared programs); they are not leaks.
    for (int round = 0; round <= 1000; ++round) {
        if (round == 1) before = Ref::getLiveCount();
        Node* layer = Node::create();
        Sprite* sprite = Sprite::createWithTexture(texture);
        sprite->runAction(RepeatForever::create(RotateBy::create(1.0f, 90.0f)));
        layer->addChild(sprite);
        DrawNode* d = DrawNode::create();
        d->drawCircle(Vec2(50, 50), 20, 0, 20, false, Color4F(1, 1, 1, 1));
        layer->addChild(d);
        layer->addChild(Label::createWithTTF("round " + std::to_string(round % 10), "fonts/roboto/Roboto-Regular.ttf", 12));
        ui::Button* button = ui::Button::create();
        button->setTitleText("B");
        layer->addChild(button);
        scene->addChild(layer);
        director->mainLoop();
        layer->removeFromParentAndCleanup(true);
        director->mainLoop();
    }
    AutoreleasePool::getInstance()->clear();
    EXPECT_EQ(Ref::getLiveCount(), before);
    texture->release();
}

} // namespace
