// Named custom events, and layout requests travelling up the tree and running children first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/scene/Scene.h"

using namespace engine;

namespace {

class CustomEventTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        Director::getInstance()->mainLoop();
        dispatcher = Director::getInstance()->getEventDispatcher();
    }
    void TearDown() override
    {
        dispatcher->removeAllEventListeners();
        Director::getInstance()->purge();
    }
    Scene* scene = nullptr;
    EventDispatcher* dispatcher = nullptr;
};

TEST_F(CustomEventTest, OnlyListenersOfTheNameHearAndCarryTheData)
{
    std::vector<std::string> log;
    dispatcher->addCustomEventListener("a", [&](EventCustom* e) {
        std::string entry = "a";
        entry += std::to_string(*static_cast<int*>(e->getUserData()));
        log.push_back(entry);
    });
    dispatcher->addCustomEventListener("b", [&](EventCustom*) { log.push_back("b"); });
    int value = 7;
    dispatcher->dispatchCustomEvent("a", &value);
    dispatcher->dispatchCustomEvent("c");
    EXPECT_EQ(log, (std::vector<std::string>{"a7"}));
    dispatcher->removeCustomEventListeners("a");
    dispatcher->dispatchCustomEvent("a", &value);
    dispatcher->dispatchCustomEvent("b");
    EXPECT_EQ(log, (std::vector<std::string>{"a7", "b"}));
}

TEST_F(CustomEventTest, ListenerOfANodeHearsOnlyWhileTheNodeRuns)
{
    int heard = 0;
    Node* node = Node::create();
    auto* l = EventListenerCustom::create("x", [&](EventCustom*) { ++heard; });
    dispatcher->addEventListenerWithSceneGraphPriority(l, node);
    dispatcher->dispatchCustomEvent("x");
    EXPECT_EQ(heard, 0);  // not in the running scene
    scene->addChild(node);
    dispatcher->dispatchCustomEvent("x");
    EXPECT_EQ(heard, 1);
    node->removeFromParent();  // cleanup drops its listeners
    dispatcher->dispatchCustomEvent("x");
    EXPECT_EQ(heard, 1);
}

TEST_F(CustomEventTest, ListenerRemovingItselfAndAnotherDuringDeliveryIsSafe)
{
    std::vector<std::string> log;
    EventListener* second = nullptr;
    EventListener* first = nullptr;
    first = dispatcher->addCustomEventListener("x", [&](EventCustom*) {
        log.push_back("first");
        dispatcher->removeEventListener(first);
        dispatcher->removeEventListener(second);
    });
    second = dispatcher->addCustomEventListener("x", [&](EventCustom*) { log.push_back("second"); });
    dispatcher->dispatchCustomEvent("x");
    dispatcher->dispatchCustomEvent("x");
    EXPECT_EQ(log, (std::vector<std::string>{"first"}));
}

// Records the order in which layouts run.
class Box : public Node {
public:
    static Box* create(std::vector<std::string>* log, const std::string& name)
    {
        auto* b = new Box();
        b->m_log = log;
        b->m_name = name;
        b->autorelease();
        return b;
    }
    void doLayout() override { m_log->push_back(m_name); }

private:
    std::vector<std::string>* m_log = nullptr;
    std::string m_name;
};

TEST(LayoutRequest, RunsOnceChildrenFirstAndReachesNodesAddedLater)
{
    std::vector<std::string> log;
    Box* outer = Box::create(&log, "outer");
    Box* middle = Box::create(&log, "middle");
    Box* inner = Box::create(&log, "inner");
    Box* other = Box::create(&log, "other");
    outer->retain();
    outer->addChild(middle);
    outer->addChild(other);
    middle->addChild(inner);

    inner->requestLayout();
    outer->requestLayout();
    inner->requestLayout();  // twice: runs once
    EXPECT_TRUE(outer->layoutIfNeeded());
    EXPECT_EQ(log, (std::vector<std::string>{"inner", "outer"}));
    EXPECT_FALSE(outer->layoutIfNeeded());  // nothing left

    // A subtree that asked for layout while detached is found once attached.
    log.clear();
    Box* detached = Box::create(&log, "detached");
    Box* leaf = Box::create(&log, "leaf");
    detached->addChild(leaf);
    leaf->requestLayout();
    other->addChild(detached);
    EXPECT_TRUE(outer->layoutIfNeeded());
    EXPECT_EQ(log, (std::vector<std::string>{"leaf"}));
    outer->release();
    AutoreleasePool::getInstance()->clear(); // no director drains the pool here
}

} // namespace
