// Touch, mouse and key delivery order, claiming, swallowing and removal during delivery.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/scene/Scene.h"

using namespace engine;

namespace {

class EventDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        Director::getInstance()->mainLoop();
        dispatcher = Director::getInstance()->getEventDispatcher();
        touch = new Touch();
        touch->setTouchInfo(0, 10, 10, 640);
    }
    void TearDown() override
    {
        touch->release();
        dispatcher->removeAllEventListeners();  // fixed-priority listeners belong to no node
        Director::getInstance()->purge();
    }
    // A node at z with a listener that logs its name and claims when claim is true.
    EventListenerTouchOneByOne* listen(Node* node, const std::string& name, bool claim, bool swallow)
    {
        auto* l = EventListenerTouchOneByOne::create();
        l->setSwallowTouches(swallow);
        l->onTouchBegan = [this, name, claim](Touch*, Event*) { log.push_back(name + ":began"); return claim; };
        l->onTouchMoved = [this, name](Touch*, Event*) { log.push_back(name + ":moved"); };
        l->onTouchEnded = [this, name](Touch*, Event*) { log.push_back(name + ":ended"); };
        l->onTouchCancelled = [this, name](Touch*, Event*) { log.push_back(name + ":cancelled"); };
        dispatcher->addEventListenerWithSceneGraphPriority(l, node);
        return l;
    }
    Node* child(Node* parent, int z)
    {
        Node* n = Node::create();
        parent->addChild(n, z);
        return n;
    }
    void send(EventTouch::EventCode code)
    {
        auto* e = new EventTouch();
        e->setEventCode(code);
        e->setTouches({touch});
        dispatcher->dispatchTouchEvent(e);
        e->release();
    }

    Scene* scene = nullptr;
    EventDispatcher* dispatcher = nullptr;
    Touch* touch = nullptr;
    std::vector<std::string> log;
};

TEST_F(EventDispatcherTest, FrontMostNodeHearsFirstAndSwallowingStopsTheRest)
{
    Node* back = child(scene, 0);
    Node* front = child(scene, 5);
    Node* middle = child(scene, 1);
    Node* frontChild = child(front, -1);  // drawn before front itself, so behind it
    listen(back, "back", true, false);
    listen(middle, "middle", true, true);
    listen(front, "front", false, false);
    listen(frontChild, "frontChild", true, false);
    send(EventTouch::EventCode::BEGAN);
    EXPECT_EQ(log, (std::vector<std::string>{"front:began", "frontChild:began", "middle:began"}));
    log.clear();
    send(EventTouch::EventCode::MOVED);
    send(EventTouch::EventCode::ENDED);
    // Only the claimers hear the rest; the swallowing claimer hides it from those behind.
    EXPECT_EQ(log, (std::vector<std::string>{"frontChild:moved", "middle:moved", "frontChild:ended", "middle:ended"}));
}

TEST_F(EventDispatcherTest, FixedPrioritiesSurroundTheSceneGraph)
{
    Node* node = child(scene, 0);
    listen(node, "graph", false, false);
    for (int priority : {5, -5, -10}) {
        auto* l = EventListenerTouchOneByOne::create();
        l->onTouchBegan = [this, priority](Touch*, Event*) { log.push_back(std::to_string(priority)); return false; };
        dispatcher->addEventListenerWithFixedPriority(l, priority);
    }
    send(EventTouch::EventCode::BEGAN);
    EXPECT_EQ(log, (std::vector<std::string>{"-10", "-5", "graph:began", "5"}));
}

TEST_F(EventDispatcherTest, ListenerRemovedDuringDeliveryHearsNothingMore)
{
    Node* a = child(scene, 2);
    Node* b = child(scene, 1);
    auto* lb = listen(b, "b", true, false);
    auto* la = EventListenerTouchOneByOne::create();
    la->onTouchBegan = [&](Touch*, Event*) {
        log.push_back("a:began");
        dispatcher->removeEventListener(lb);
        return true;
    };
    la->onTouchEnded = [&](Touch*, Event*) {
        log.push_back("a:ended");
        // Removing the node (and with it this very listener) mid-delivery is safe too.
        a->removeFromParentAndCleanup(true);
    };
    dispatcher->addEventListenerWithSceneGraphPriority(la, a);
    send(EventTouch::EventCode::BEGAN);
    send(EventTouch::EventCode::ENDED);
    EXPECT_EQ(log, (std::vector<std::string>{"a:began", "a:ended"}));
    Director::getInstance()->mainLoop();
    EXPECT_EQ(dispatcher->getListenerCount(), 0u);
}

TEST_F(EventDispatcherTest, ListenersOfNodesOutsideTheRunningSceneAreSilent)
{
    Node* detached = Node::create();
    listen(detached, "detached", true, false);
    Node* inScene = child(scene, 0);
    listen(inScene, "inScene", true, false);
    inScene->setVisible(false);  // visibility does not matter, running does
    send(EventTouch::EventCode::BEGAN);
    EXPECT_EQ(log, (std::vector<std::string>{"inScene:began"}));
}

TEST_F(EventDispatcherTest, ReleaseGoesToTheClaimerEvenAfterItMovedBehind)
{
    Node* a = child(scene, 1);
    Node* b = child(scene, 2);
    listen(a, "a", true, true);
    listen(b, "b", false, false);
    send(EventTouch::EventCode::BEGAN);
    b->setLocalZOrder(-1);
    send(EventTouch::EventCode::ENDED);
    EXPECT_EQ(log, (std::vector<std::string>{"b:began", "a:began", "a:ended"}));
}

TEST_F(EventDispatcherTest, KeyAndWheelEventsReachTheirListenersUntilStopped)
{
    Node* node = child(scene, 0);
    auto* keys = EventListenerKeyboard::create();
    keys->onKeyPressed = [&](EventKeyboard::KeyCode code, Event* e) {
        log.push_back(code == EventKeyboard::KeyCode::KEY_SPACE ? "space" : "other");
        e->stopPropagation();
    };
    keys->onKeyReleased = [&](EventKeyboard::KeyCode, Event*) { log.push_back("released"); };
    dispatcher->addEventListenerWithSceneGraphPriority(keys, node);
    auto* late = EventListenerKeyboard::create();
    late->onKeyPressed = [&](EventKeyboard::KeyCode, Event*) { log.push_back("late"); };
    dispatcher->addEventListenerWithFixedPriority(late, 1);
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [&](EventMouse* e) { log.push_back("scroll " + std::to_string(static_cast<int>(e->getScrollY()))); };
    dispatcher->addEventListenerWithSceneGraphPriority(mouse, node);

    auto* press = new EventKeyboard(EventKeyboard::KeyCode::KEY_SPACE, true);
    dispatcher->dispatchEvent(press);
    press->release();
    auto* release = new EventKeyboard(EventKeyboard::KeyCode::KEY_SPACE, false);
    dispatcher->dispatchEvent(release);
    release->release();
    auto* wheel = new EventMouse(EventMouse::MouseEventType::MOUSE_SCROLL);
    wheel->setScrollData(0, -2);
    dispatcher->dispatchEvent(wheel);
    wheel->release();
    EXPECT_EQ(log, (std::vector<std::string>{"space", "released", "scroll -2"}));
}

} // namespace
