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

// A node that records whether it was destroyed.
struct Mortal : Node {
    explicit Mortal(bool* gone) : m_gone(gone) {}
    ~Mortal() override { *m_gone = true; }
    bool* m_gone;
};

TEST_F(EventDispatcherTest, AClaimerPausedOrDisabledMidTouchIsCancelledAndForgetsTheTouch)
{
    for (const bool pauseIt : {true, false}) {
        log.clear();
        Node* node = child(scene, 0);
        auto* l = listen(node, "w", true, true);
        send(EventTouch::EventCode::BEGAN);
        if (pauseIt) node->pause();
        else l->setEnabled(false);
        send(EventTouch::EventCode::MOVED);   // not heard while paused or disabled
        send(EventTouch::EventCode::ENDED);   // the touch is over: cancelled, not ended
        if (pauseIt) node->resume();
        else l->setEnabled(true);
        // The next touch (the same Touch object, as the window reuses ids) is not claimed.
        l->onTouchBegan = [this](Touch*, Event*) { log.push_back("w:began2"); return false; };
        send(EventTouch::EventCode::BEGAN);
        send(EventTouch::EventCode::MOVED);
        send(EventTouch::EventCode::ENDED);
        EXPECT_EQ(log, (std::vector<std::string>{"w:began", "w:cancelled", "w:began2"})) << "paused: " << pauseIt;
        EXPECT_FALSE(l->hasClaimed(touch));
        node->removeFromParent();
    }
}

TEST_F(EventDispatcherTest, ListenerRemovedAndAddedAgainDuringDeliveryIsHeardOnce)
{
    Node* a = child(scene, 1);
    Node* b = child(scene, 0);
    auto* lb = listen(b, "b", false, false);
    auto* la = EventListenerTouchOneByOne::create();
    la->onTouchBegan = [&](Touch*, Event*) {
        log.push_back("a:began");
        dispatcher->removeEventListener(lb);
        dispatcher->addEventListenerWithSceneGraphPriority(lb, b);
        return false;
    };
    dispatcher->addEventListenerWithSceneGraphPriority(la, a);
    send(EventTouch::EventCode::BEGAN);
    la->onTouchBegan = [&](Touch*, Event*) { log.push_back("a:began"); return false; };
    send(EventTouch::EventCode::BEGAN);
    EXPECT_EQ(log, (std::vector<std::string>{"a:began", "b:began", "a:began", "b:began"}));
    EXPECT_EQ(dispatcher->getListenerCount(), 2u);
}

TEST_F(EventDispatcherTest, ANodeRemovingItselfInItsOwnCallbackLivesUntilTheCallbackReturns)
{
    bool gone = false;
    auto* node = new Mortal(&gone);
    scene->addChild(node);
    node->release();  // the scene holds the only reference
    bool goneDuringCallback = true;
    auto* l = EventListenerTouchOneByOne::create();
    l->onTouchBegan = [&](Touch*, Event*) {
        node->removeFromParent();
        goneDuringCallback = gone;
        return true;
    };
    dispatcher->addEventListenerWithSceneGraphPriority(l, node);
    send(EventTouch::EventCode::BEGAN);
    EXPECT_FALSE(goneDuringCallback);
    EXPECT_TRUE(gone);
    send(EventTouch::EventCode::ENDED);  // nothing left to hear it
}

TEST_F(EventDispatcherTest, AWatchingContainerSeesItsContentsTouchAndCanTakeItOver)
{
    Node* container = child(scene, 0);
    Node* content = child(container, 0);
    Node* other = child(scene, -1);   // behind both
    listen(other, "other", true, false);
    auto* button = listen(content, "button", true, true);
    auto* scroller = listen(container, "scroller", true, false);
    scroller->setWatchDescendantTouches(true);
    send(EventTouch::EventCode::BEGAN);
    send(EventTouch::EventCode::MOVED);
    // The container decides the drag is its own.
    dispatcher->handOverTouch(touch, scroller);
    send(EventTouch::EventCode::MOVED);
    send(EventTouch::EventCode::ENDED);
    EXPECT_EQ(log, (std::vector<std::string>{"button:began", "scroller:began", "button:moved", "scroller:moved",
                                             "button:cancelled", "scroller:moved", "scroller:ended"}));
    EXPECT_FALSE(button->hasClaimed(touch));

    // Without the watch flag, the swallowing content hides the touch from the container.
    log.clear();
    scroller->setWatchDescendantTouches(false);
    send(EventTouch::EventCode::BEGAN);
    send(EventTouch::EventCode::ENDED);
    EXPECT_EQ(log, (std::vector<std::string>{"button:began", "button:ended"}));

    // A claim dropped with cancelTouchClaim: the listener hears cancelled and nothing more.
    log.clear();
    send(EventTouch::EventCode::BEGAN);
    dispatcher->cancelTouchClaim(touch, button);
    send(EventTouch::EventCode::ENDED);
    EXPECT_EQ(log, (std::vector<std::string>{"button:began", "button:cancelled"}));
}

// A claimer that keeps the touch going (no swallow) and is then removed - and freed - by the
// callback of a listener behind it: the dispatcher still compares it with the watching containers,
// so it must stay alive until the touch's delivery is over.
TEST_F(EventDispatcherTest, AClaimerRemovedByALaterListenerLivesUntilTheDeliveryEnds)
{
    Node* container = child(scene, 0);
    bool gone = false;
    auto* front = new Mortal(&gone);
    container->addChild(front, 1);
    front->release(); // the container holds the only reference
    listen(front, "front", true, false);
    Node* behind = child(container, 0);
    auto* remover = EventListenerTouchOneByOne::create();
    remover->setSwallowTouches(true);
    remover->onTouchBegan = [&](Touch*, Event*) {
        log.push_back("behind:began");
        front->removeFromParent();
        return true;
    };
    dispatcher->addEventListenerWithSceneGraphPriority(remover, behind);
    bool goneWhenWatched = true;
    auto* watcher = EventListenerTouchOneByOne::create();
    watcher->setWatchDescendantTouches(true);
    watcher->onTouchBegan = [&](Touch*, Event*) {
        log.push_back("container:began");
        goneWhenWatched = gone;
        return false;
    };
    dispatcher->addEventListenerWithSceneGraphPriority(watcher, container);
    send(EventTouch::EventCode::BEGAN);
    // The container still hears (the listener behind, its descendant, claimed the touch too), and
    // the removed claimer went only once the delivery was over.
    EXPECT_EQ(log, (std::vector<std::string>{"front:began", "behind:began", "container:began"}));
    EXPECT_FALSE(goneWhenWatched);
    EXPECT_TRUE(gone);
    send(EventTouch::EventCode::ENDED);
}

TEST_F(EventDispatcherTest, ListenerOrderIsRebuiltOnlyWhenListenersOrTheSceneGraphChange)
{
    Node* node = child(scene, 0);
    auto* mouse = EventListenerMouse::create();
    int moves = 0;
    mouse->onMouseMove = [&](EventMouse*) { ++moves; };
    dispatcher->addEventListenerWithSceneGraphPriority(mouse, node);
    auto move = [&] {
        auto* e = new EventMouse(EventMouse::MouseEventType::MOUSE_MOVE);
        dispatcher->dispatchEvent(e);
        e->release();
    };
    move();
    const std::size_t builds = dispatcher->getOrderBuildCount();
    for (int i = 0; i < 100; ++i) move();
    EXPECT_EQ(dispatcher->getOrderBuildCount(), builds);
    EXPECT_EQ(moves, 101);
    // A new node in front with its own listener hears first: the order was rebuilt.
    Node* front = child(scene, 1);
    auto* frontMouse = EventListenerMouse::create();
    frontMouse->onMouseMove = [&](EventMouse* e) { e->stopPropagation(); };
    dispatcher->addEventListenerWithSceneGraphPriority(frontMouse, front);
    move();
    EXPECT_EQ(moves, 101);
    front->setLocalZOrder(-1);   // now behind
    move();
    EXPECT_EQ(moves, 102);
}

TEST_F(EventDispatcherTest, TheWheelGoesToTheFrontMostNodeUnderThePointer)
{
    Node* back = child(scene, 0);
    back->setContentSize(Size(200, 200));
    Node* front = child(scene, 1);
    front->setPosition(100, 100);
    front->setContentSize(Size(200, 200));
    Node* quiet = child(scene, 2);   // in front of both, but listens only for motion
    quiet->setContentSize(Size(400, 400));
    auto wheelOn = [&](Node* node, const std::string& name) {
        auto* l = EventListenerMouse::create();
        l->onMouseScroll = [this, name](EventMouse*) { log.push_back(name); };
        dispatcher->addEventListenerWithSceneGraphPriority(l, node);
    };
    wheelOn(back, "back");
    wheelOn(front, "front");
    auto* motion = EventListenerMouse::create();
    motion->onMouseMove = [](EventMouse*) {};
    dispatcher->addEventListenerWithSceneGraphPriority(motion, quiet);
    auto* always = EventListenerMouse::create();
    always->onMouseScroll = [this](EventMouse*) { log.push_back("fixed"); };
    dispatcher->addEventListenerWithFixedPriority(always, 1);
    const struct {
        Vec2 at;
        std::vector<std::string> heard;
    } cases[] = {
        {{150, 150}, {"front", "fixed"}},  // both under the pointer: the front one only
        {{50, 50}, {"back", "fixed"}},
        {{250, 250}, {"front", "fixed"}},
        {{350, 50}, {"fixed"}},            // over neither
    };
    for (const auto& c : cases) {
        log.clear();
        auto* wheel = new EventMouse(EventMouse::MouseEventType::MOUSE_SCROLL);
        wheel->setScrollData(0, 1);
        wheel->setLocation(c.at);
        dispatcher->dispatchEvent(wheel);
        wheel->release();
        EXPECT_EQ(log, c.heard) << c.at.x << "," << c.at.y;
    }
}

} // namespace
