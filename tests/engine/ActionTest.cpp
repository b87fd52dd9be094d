// Actions and timers driven by an injected clock: frames advance time without waiting.
#include <gtest/gtest.h>

#include <vector>

#include "engine/actions/ActionInstant.h"
#include "engine/actions/ActionInterval.h"
#include "engine/app/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/scene/Scene.h"
#include "platform/Clock.h"

using namespace engine;

namespace {

std::uint64_t g_nowMs = 0;
std::uint64_t fakeClock() { return g_nowMs; }

class ActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nowMs = 1000;
        clock::setSource(&fakeClock);
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        frame(0);  // first frame: interval 0, the scene starts running
    }
    void TearDown() override
    {
        Director::getInstance()->purge();
        clock::setSource(nullptr);
    }
    // Advances the clock by ms and runs one frame.
    void frame(std::uint64_t ms)
    {
        g_nowMs += ms;
        Director::getInstance()->mainLoop();
    }
    Node* addNode()
    {
        Node* node = Node::create();
        scene->addChild(node);
        return node;
    }
    Scene* scene = nullptr;
};

TEST_F(ActionTest, MoveToStartsAtProgressZeroAndArrivesExactly)
{
    Node* node = addNode();
    node->setPosition(0, 0);
    node->runAction(MoveTo::create(1.0f, Vec2(100, 50)));
    frame(100);  // first step: progress 0
    EXPECT_FLOAT_EQ(node->getPositionX(), 0);
    frame(250);
    EXPECT_NEAR(node->getPositionX(), 25, 1e-3);
    EXPECT_NEAR(node->getPositionY(), 12.5, 1e-3);
    frame(1000);
    EXPECT_EQ(node->getPosition(), Vec2(100, 50));
    EXPECT_EQ(node->getNumberOfRunningActions(), 0u);
}

TEST_F(ActionTest, FadesInterpolateOpacity)
{
    Node* node = addNode();
    node->setOpacity(0);
    node->runAction(FadeIn::create(2.0f));
    frame(16);
    frame(1000);
    EXPECT_EQ(node->getOpacity(), 128);  // 127.5 rounds up
    frame(1000);
    EXPECT_EQ(node->getOpacity(), 255);
    node->runAction(FadeTo::create(1.0f, 55));
    frame(16);
    frame(500);
    EXPECT_EQ(node->getOpacity(), 155);
    node->runAction(FadeOut::create(0.5f));
    frame(16);
    frame(600);
    EXPECT_EQ(node->getOpacity(), 0);
}

TEST_F(ActionTest, SequenceRunsStepsInOrderAndFiresCallbacksOnTime)
{
    Node* node = addNode();
    std::vector<std::string> log;
    node->runAction(Sequence::create(CallFunc::create([&] { log.push_back("start"); }), DelayTime::create(1.0f),
                                     CallFunc::create([&] { log.push_back("after delay"); }),
                                     MoveBy::create(0.5f, Vec2(10, 0)),
                                     CallFunc::create([&] { log.push_back("moved"); }), nullptr));
    frame(16);
    EXPECT_EQ(log, std::vector<std::string>{"start"});
    frame(999);
    EXPECT_EQ(log.size(), 1u);
    frame(1);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "after delay");
    frame(250);
    EXPECT_NEAR(node->getPositionX(), 5, 1e-3);
    frame(250);
    EXPECT_EQ(log.back(), "moved");
    EXPECT_FLOAT_EQ(node->getPositionX(), 10);
    EXPECT_EQ(node->getNumberOfRunningActions(), 0u);
}

TEST_F(ActionTest, RepeatForeverRestartsAndCarriesOverTheRemainder)
{
    Node* node = addNode();
    node->runAction(RepeatForever::create(RotateBy::create(1.5f, 360.0f)));
    frame(16);
    frame(750);
    EXPECT_NEAR(node->getRotation(), 180, 1e-2);
    frame(750);  // end of the first turn: restarts from 360
    EXPECT_NEAR(node->getRotation(), 360, 1e-2);
    frame(1500 + 375);  // one more turn plus a quarter
    EXPECT_NEAR(node->getRotation(), 360 + 360 + 90, 0.5);
    EXPECT_EQ(node->getNumberOfRunningActions(), 1u);
    node->stopAllActions();
    EXPECT_EQ(node->getNumberOfRunningActions(), 0u);
}

TEST_F(ActionTest, CallbackThatStopsItsOwnSequenceIsSafe)
{
    Node* node = addNode();
    int after = 0;
    node->runAction(Sequence::create(CallFunc::create([node] { node->stopAllActions(); }),
                                     CallFunc::create([&after] { ++after; }), nullptr));
    frame(16);
    frame(16);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(node->getNumberOfRunningActions(), 0u);
}

TEST_F(ActionTest, ActionsOfANodeOutsideTheSceneWaitUntilItEnters)
{
    Node* node = Node::create();
    node->runAction(MoveTo::create(1.0f, Vec2(10, 0)));
    frame(2000);
    EXPECT_FLOAT_EQ(node->getPositionX(), 0);
    scene->addChild(node);
    frame(16);
    frame(1000);
    EXPECT_FLOAT_EQ(node->getPositionX(), 10);
}

TEST_F(ActionTest, TimersFireAtTheirIntervalWithDelayAndRepeatCount)
{
    Node* node = addNode();
    std::vector<float> every500;
    int onceCount = 0;
    int repeated = 0;
    node->schedule([&](float dt) { every500.push_back(dt); }, 0.5f, "half");
    node->scheduleOnce([&](float) { ++onceCount; }, 1.2f, "once");
    Director::getInstance()->getScheduler()->schedule([&](float) { ++repeated; }, node, 0.1f, 2, 0.0f, false, "three");
    for (int i = 0; i < 30; ++i) frame(100);  // 3 seconds in 100 ms frames
    EXPECT_EQ(every500.size(), 6u);
    for (float dt : every500) EXPECT_NEAR(dt, 0.5f, 1e-4);
    EXPECT_EQ(onceCount, 1);
    EXPECT_EQ(repeated, 3);  // first call plus two repeats
    EXPECT_FALSE(node->isScheduled("once"));
    EXPECT_TRUE(node->isScheduled("half"));
}

TEST_F(ActionTest, UpdateRunsEveryFrameWithTheFrameIntervalAndStopsOnCleanup)
{
    struct Ticker : Node {
        std::vector<float> dts;
        void update(float dt) override { dts.push_back(dt); }
    };
    auto* ticker = new Ticker();
    scene->addChild(ticker);
    ticker->release();
    ticker->scheduleUpdate();
    frame(16);
    frame(33);
    ASSERT_EQ(ticker->dts.size(), 2u);
    EXPECT_NEAR(ticker->dts[0], 0.016f, 1e-6);
    EXPECT_NEAR(ticker->dts[1], 0.033f, 1e-6);
    ticker->retain();
    ticker->removeFromParentAndCleanup(true);
    frame(16);
    EXPECT_EQ(ticker->dts.size(), 2u);
    ticker->release();
}

TEST_F(ActionTest, TimerMayUnscheduleItselfAndOthersWhileRunning)
{
    Node* node = addNode();
    int a = 0, b = 0;
    node->schedule([&](float) { ++a; node->unschedule("a"); node->unschedule("b"); }, "a");
    node->schedule([&](float) { ++b; }, "b");
    frame(16);
    frame(16);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
}

TEST_F(ActionTest, SceneBuiltAndTornDownRepeatedlyLeavesNoObjectsBehind)
{
    frame(16);
    const std::size_t before = Ref::getLiveCount();
    for (int round = 0; round < 1000; ++round) {
        Node* layer = Node::create();
        for (int i = 0; i < 5; ++i) {
            Node* child = Node::create();
            child->runAction(RepeatForever::create(Sequence::create(FadeOut::create(0.1f), FadeIn::create(0.1f), nullptr)));
            child->schedule([](float) {}, "tick");
            layer->addChild(child, i % 2);
        }
        scene->addChild(layer);
        frame(16);
        layer->removeFromParentAndCleanup(true);
        frame(16);
    }
    EXPECT_EQ(Ref::getLiveCount(), before);
}

} // namespace
