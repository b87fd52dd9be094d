// Widget press handling without a window: disabling mid-press, removal and re-adding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/Touch.h"
#include "engine/scene/Scene.h"
#include "engine/ui/Widget.h"

using namespace engine;

namespace {

// A bare touchable widget, 100 x 100 points with its bottom-left corner at the origin.
class Pad : public ui::Widget {
public:
    static Pad* create()
    {
        auto* pad = new Pad();
        pad->init();
        pad->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
        pad->ignoreContentAdaptWithSize(false);
        pad->setContentSize(Size(100, 100));
        pad->setTouchEnabled(true);
        pad->autorelease();
        return pad;
    }
};

class WidgetTouchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        Director::getInstance()->mainLoop();
        pad = Pad::create();
        pad->addClickEventListener([this](Ref*) { clicks.push_back("click"); });
        scene->addChild(pad);
        touch = new Touch();
    }
    void TearDown() override
    {
        touch->release();
        Director::getInstance()->purge();
    }
    void send(EventTouch::EventCode code, float x, float y)
    {
        if (code == EventTouch::EventCode::BEGAN) touch->setTouchInfo(0, x, 640 - y, 640);
        else touch->moveTo(x, 640 - y);
        auto* e = new EventTouch();
        e->setEventCode(code);
        e->setTouches({touch});
        Director::getInstance()->getEventDispatcher()->dispatchTouchEvent(e);
        e->release();
    }
    void tap(float x, float y)
    {
        send(EventTouch::EventCode::BEGAN, x, y);
        send(EventTouch::EventCode::ENDED, x, y);
    }

    Scene* scene = nullptr;
    Pad* pad = nullptr;
    Touch* touch = nullptr;
    std::vector<std::string> clicks;
};

TEST_F(WidgetTouchTest, DisabledWhilePressedTheReleaseIsNoClick)
{
    tap(50, 50);
    EXPECT_EQ(clicks.size(), 1u);
    send(EventTouch::EventCode::BEGAN, 50, 50);
    pad->setEnabled(false);
    send(EventTouch::EventCode::MOVED, 55, 55);
    send(EventTouch::EventCode::ENDED, 55, 55);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_FALSE(pad->isHighlighted());
}

TEST_F(WidgetTouchTest, RemovedAndAddedAgainTheWidgetRespondsAgain)
{
    pad->retain();
    pad->removeFromParent();  // with cleanup: its listener is unregistered
    scene->addChild(pad);
    pad->release();
    EXPECT_TRUE(pad->isTouchEnabled());
    tap(50, 50);
    EXPECT_EQ(clicks.size(), 1u);
    pad->setTouchEnabled(false);
    tap(50, 50);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(WidgetTouchTest, PausedWhilePressedItIsReleasedWhenTheTouchEnds)
{
    send(EventTouch::EventCode::BEGAN, 50, 50);
    EXPECT_TRUE(pad->isHighlighted());
    pad->pause();
    send(EventTouch::EventCode::ENDED, 50, 50);
    EXPECT_FALSE(pad->isHighlighted());
    EXPECT_TRUE(clicks.empty());
    pad->resume();
    tap(50, 50);
    EXPECT_EQ(clicks.size(), 1u);
}

} // namespace
