// Scene-graph behaviour without a window: transforms, ordering, cascade, lifecycle, memory.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/app/Director.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Node.h"
#include "engine/scene/Scene.h"

using namespace engine;

namespace {

void expectNear(const Vec2& actual, const Vec2& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-3f);
    EXPECT_NEAR(actual.y, expected.y, 1e-3f);
}

class NodeTest : public ::testing::Test {
protected:
    void TearDown() override { Director::getInstance()->purge(); }
};

TEST_F(NodeTest, TransformPlacesAnchorAtPositionWithScaleAndClockwiseRotation)
{
    struct Case {
        Vec2 anchor;
        Vec2 position;
        float scaleX, scaleY, rotation;
        Vec2 local;     // point in node space
        Vec2 expected;  // same point in parent space
    };
    const Case cases[] = {
        // 100 x 50 node, anchor bottom-left at (10, 20): plain translation.
        {{0, 0}, {10, 20}, 1, 1, 0, {0, 0}, {10, 20}},
        // Anchor centre at (100, 100): the centre of the content lands on the position.
        {{0.5f, 0.5f}, {100, 100}, 1, 1, 0, {50, 25}, {100, 100}},
        {{0.5f, 0.5f}, {100, 100}, 1, 1, 0, {0, 0}, {50, 75}},
        // Scale 2 around the centre.
        {{0.5f, 0.5f}, {100, 100}, 2, 2, 0, {0, 0}, {0, 50}},
        // Negative x scale mirrors around the anchor.
        {{0.5f, 0.5f}, {100, 100}, -1, 1, 0, {0, 0}, {150, 75}},
        // 90 degrees is clockwise: local +x points down.
        {{0, 0}, {0, 0}, 1, 1, 90, {10, 0}, {0, -10}},
        {{0, 0}, {0, 0}, 1, 1, 90, {0, 10}, {10, 0}},
    };
    for (const Case& c : cases) {
        Node* node = Node::create();
        node->setContentSize(Size(100, 50));
        node->setAnchorPoint(c.anchor);
        node->setPosition(c.position);
        node->setScale(c.scaleX, c.scaleY);
        node->setRotation(c.rotation);
        expectNear(node->getNodeToParentTransform().transformPoint(c.local), c.expected);
        // And back.
        expectNear(node->getParentToNodeTransform().transformPoint(c.expected), c.local);
    }
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, WorldConversionComposesParentTransforms)
{
    Node* parent = Node::create();
    parent->setPosition(100, 200);
    parent->setScale(2.0f);
    Node* child = Node::create();
    child->setContentSize(Size(10, 10));
    child->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    child->setPosition(5, 5);
    parent->addChild(child);
    expectNear(child->convertToWorldSpace(Vec2(0, 0)), Vec2(100, 200));
    expectNear(child->convertToWorldSpaceAR(Vec2(0, 0)), Vec2(110, 210));
    expectNear(child->convertToNodeSpace(Vec2(120, 220)), Vec2(10, 10));
    expectNear(child->convertToNodeSpaceAR(Vec2(120, 220)), Vec2(5, 5));
    const Rect box = child->getBoundingBox();
    EXPECT_FLOAT_EQ(box.origin.x, 0);
    EXPECT_FLOAT_EQ(box.size.width, 10);
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, LayerIgnoresAnchorForPositionButRotatesAroundItsCentre)
{
    Layer* layer = Layer::create();
    layer->setContentSize(Size(100, 100));
    layer->setPosition(10, 10);
    expectNear(layer->convertToWorldSpace(Vec2(0, 0)), Vec2(10, 10));
    layer->setRotation(180);
    expectNear(layer->convertToWorldSpace(Vec2(0, 0)), Vec2(110, 110));
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, ChildrenSortByZOrderAndKeepInsertionOrderForEqualZ)
{
    Node* parent = Node::create();
    Node* a = Node::create();
    Node* b = Node::create();
    Node* c = Node::create();
    Node* d = Node::create();
    parent->addChild(a, 1);
    parent->addChild(b, 0);
    parent->addChild(c, 1);
    parent->addChild(d, -1);
    parent->sortAllChildren();
    std::vector<Node*> expected = {d, b, a, c};
    EXPECT_EQ(parent->getChildren(), expected);
    // Reordering to an equal z puts the node after its equals.
    a->setLocalZOrder(1);
    parent->sortAllChildren();
    expected = {d, b, c, a};
    EXPECT_EQ(parent->getChildren(), expected);
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, OpacityAndColourCascadeOnlyWhenEnabled)
{
    Node* parent = Node::create();
    Node* child = Node::create();
    Node* grandChild = Node::create();
    parent->addChild(child);
    child->addChild(grandChild);
    parent->setOpacity(128);
    EXPECT_EQ(child->getDisplayedOpacity(), 255);
    parent->setCascadeOpacityEnabled(true);
    EXPECT_EQ(child->getDisplayedOpacity(), 128);
    // Cascade stops where a node does not pass it on.
    EXPECT_EQ(grandChild->getDisplayedOpacity(), 255);
    child->setCascadeOpacityEnabled(true);
    child->setOpacity(128);
    EXPECT_EQ(grandChild->getDisplayedOpacity(), 64);  // 255 * 128/255 * 128/255, truncated
    parent->setCascadeColorEnabled(true);
    parent->setColor(Color3B(255, 0, 128));
    child->setColor(Color3B(128, 255, 255));
    EXPECT_EQ(child->getDisplayedColor(), Color3B(128, 0, 128));
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, SettingAPropertyToItsValueIsNotAChange)
{
    Node* node = Node::create();
    node->retain();  // survives the frame's pool drain
    node->setPosition(5, 5);
    node->setOpacity(10);
    Director::getInstance()->mainLoop();  // no view: clears the redraw request
    EXPECT_FALSE(Director::isDirty());
    node->setPosition(5, 5);
    node->setOpacity(10);
    node->setScale(1.0f);
    node->setVisible(true);
    EXPECT_FALSE(Director::isDirty());
    node->setPositionX(6);
    EXPECT_TRUE(Director::isDirty());
    node->release();
}

TEST_F(NodeTest, EnterAndExitFollowTheRunningScene)
{
    struct Probe : Node {
        int enters = 0, exits = 0;
        void onEnter() override { Node::onEnter(); ++enters; }
        void onExit() override { Node::onExit(); ++exits; }
    };
    auto* probe = new Probe();
    Scene* scene = Scene::create();
    scene->addChild(probe);
    probe->release();
    EXPECT_EQ(probe->enters, 0);
    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->mainLoop();
    EXPECT_EQ(probe->enters, 1);
    EXPECT_TRUE(probe->isRunning());
    probe->retain();
    probe->removeFromParentAndCleanup(true);
    EXPECT_EQ(probe->exits, 1);
    EXPECT_FALSE(probe->isRunning());
    EXPECT_EQ(probe->getParent(), nullptr);
    probe->release();
}

TEST_F(NodeTest, CreateHandsItsOnlyReferenceToThePool)
{
    Director::getInstance();  // its scheduler, action manager and dispatcher live for good
    const std::size_t before = Ref::getLiveCount();
    Node* node = Node::create();
    EXPECT_EQ(node->getReferenceCount(), 1u);
    EXPECT_TRUE(AutoreleasePool::getInstance()->contains(node));
    Node* kept = Node::create();
    kept->retain();
    AutoreleasePool::getInstance()->clear();
    EXPECT_EQ(Ref::getLiveCount(), before + 1);
    EXPECT_EQ(kept->getReferenceCount(), 1u);
    kept->release();
    EXPECT_EQ(Ref::getLiveCount(), before);
}

TEST_F(NodeTest, AddingANodeThatAlreadyHasAParentIsRefused)
{
    Node* a = Node::create();
    Node* b = Node::create();
    Node* child = Node::create();
    a->addChild(child);
    b->addChild(child);
    EXPECT_EQ(child->getParent(), a);
    EXPECT_EQ(b->getChildrenCount(), 0u);
    a->addChild(a);
    EXPECT_EQ(a->getChildrenCount(), 1u);
    AutoreleasePool::getInstance()->clear();
}

TEST_F(NodeTest, RemovingAChildWhoseCleanupRemovesASiblingRemovesTheRightOne)
{
    struct Leaver : Node {
        Node* sibling = nullptr;
        void cleanup() override
        {
            if (sibling) sibling->removeFromParent();
            Node::cleanup();
        }
    };
    Node* parent = Node::create();
    Node* a = Node::create();
    auto* b = new Leaver();
    Node* c = Node::create();
    parent->addChild(a);
    parent->addChild(b);
    parent->addChild(c);
    b->sibling = a;
    b->retain();
    parent->removeChild(b);  // its cleanup takes a out first: the index of b moves
    EXPECT_EQ(parent->getChildren(), (std::vector<Node*>{c}));
    EXPECT_EQ(b->getParent(), nullptr);
    EXPECT_EQ(c->getParent(), parent);
    b->release();
    b->release();
}

TEST_F(NodeTest, ReorderingAtTheSameZIsAChange)
{
    Node* parent = Node::create();
    parent->retain();
    Node* a = Node::create();
    Node* b = Node::create();
    parent->addChild(a);
    parent->addChild(b);
    parent->sortAllChildren();
    Director::getInstance()->mainLoop();
    EXPECT_FALSE(Director::isDirty());
    a->setLocalZOrder(0);  // same z: a now goes in front of b
    EXPECT_TRUE(Director::isDirty());
    parent->sortAllChildren();
    EXPECT_EQ(parent->getChildren(), (std::vector<Node*>{b, a}));
    parent->release();
}

TEST_F(NodeTest, ANodeScaledToNothingContainsNoPoint)
{
    Node* node = Node::create();
    node->setContentSize(Size(100, 100));
    EXPECT_TRUE(node->hitTestContent(Vec2(10, 10)));
    node->setScale(0.0f);
    for (const Vec2& p : {Vec2(0, 0), Vec2(10, 10), Vec2(50, 50)}) {
        EXPECT_FALSE(node->hitTestContent(p)) << p.x;
        const Vec2 local = node->convertToNodeSpace(p);
        EXPECT_TRUE(std::isnan(local.x) && std::isnan(local.y));
    }
}

TEST_F(NodeTest, ANodeRemovingItselfInItsUpdateLivesUntilTheUpdateReturns)
{
    static bool seen = true;
    struct SelfRemover : Node {
        bool* gone = nullptr;
        ~SelfRemover() override { *gone = true; }
        void update(float) override
        {
            removeFromParent();
            seen = *gone;
        }
    };
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->mainLoop();
    bool gone = false;
    auto* node = new SelfRemover();
    node->gone = &gone;
    scene->addChild(node);
    node->release();  // the scene holds the only reference
    node->scheduleUpdate();
    Director::getInstance()->mainLoop();
    EXPECT_FALSE(seen);
    EXPECT_TRUE(gone);
}

} // namespace
