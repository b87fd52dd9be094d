// The frame's shared vertex list: text, colour layers and shapes batch into few draw calls,
// material and clip changes split them, the glyph atlas rasterises each glyph once, and a node
// freed during the visit leaves nothing dangling behind in the frame.
#include "GuiTestFixture.h"

#include <functional>
#include <string>

#include "engine/base/AutoreleasePool.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/Renderer.h"
#include "engine/scene/ClippingRectangleNode.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/text/GlyphAtlas.h"
#include "engine/text/Label.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

const char* const kRegular = "fonts/roboto/Roboto-Regular.ttf";

class BatchTest : public GuiTest {};

Label* labelAt(Node* parent, const std::string& text, float x, float y, float size = 14)
{
    Label* label = Label::createWithTTF(text, kRegular, size);
    label->setAnchorPoint(Vec2::ZERO);
    label->setPosition(x, y);
    parent->addChild(label);
    return label;
}

TEST_F(BatchTest, DrawCallsFollowMaterialAndClipChangesOnly)
{
    struct Case {
        const char* what;
        std::function<void(Scene*)> build;
        std::size_t drawCalls;
    };
    const Case cases[] = {
        {"forty rows of labels, backgrounds and rules",
         [](Scene* s) {
             for (int row = 0; row < 40; ++row) {
                 const float y = 10.0f + static_cast<float>(row) * 15.0f;
                 LayerColor* background = LayerColor::create(Color4B(30, 30, 60, 255), 400, 14);
                 background->setPosition(10, y);
                 s->addChild(background);
                 labelAt(s, "Row " + std::to_string(row), 12, y);
                 labelAt(s, std::to_string(2400 + row) + " MHz", 200, y);
                 DrawNode* rule = DrawNode::create(1.0f);
                 rule->drawLine(Vec2(10, y), Vec2(410, y), Color4F(0.5f, 0.5f, 0.5f, 1));
                 s->addChild(rule);
             }
         },
         1},
        {"a sprite in the middle splits the run in three",
         [](Scene* s) {
             labelAt(s, "before", 10, 10);
             Sprite* sprite = Sprite::createWithTexture(solidTexture(Color4B(255, 0, 0, 255), 8, 8));
             sprite->setPosition(100, 100);
             s->addChild(sprite);
             labelAt(s, "after", 10, 40);
         },
         3},
        {"a clipping node starts and ends a batch",
         [](Scene* s) {
             labelAt(s, "outside", 10, 10);
             ClippingRectangleNode* clip = ClippingRectangleNode::create(Rect(0, 0, 100, 50));
             clip->setPosition(10, 100);
             s->addChild(clip);
             labelAt(clip, "inside one", 0, 0);
             labelAt(clip, "inside two", 0, 20);
             labelAt(s, "outside again", 10, 300);
         },
         3},
        {"additive blending is another material",
         [](Scene* s) {
             labelAt(s, "normal", 10, 10);
             labelAt(s, "added", 10, 40)->setBlendFunc(BlendFunc::ADDITIVE);
             labelAt(s, "normal again", 10, 70);
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene->removeAllChildren();
        c.build(scene);
        render();
        EXPECT_EQ(Director::getInstance()->getRenderer()->getDrawCallCount(), c.drawCalls);
        EXPECT_NE(inkBox(), Rect::ZERO);
    }
}

TEST_F(BatchTest, TheSameTextLaidOutAgainRasterisesNothingNew)
{
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    labelAt(scene, "Wi-Fi 2412 MHz -67 dBm", 10, 10);
    render();
    const std::size_t rasterised = atlas->getRasterisedCount();
    const std::size_t textures = atlas->getTextureCreations();
    EXPECT_GT(rasterised, 10u);

    // Another label, the same glyphs rearranged, and the first one's text set again: no glyph is new.
    Label* second = labelAt(scene, "2412 MHz Wi-Fi -67 dBm", 10, 40);
    render();
    second->setString("MHz dBm 2412 -67");
    second->setTextColor(Color4B(255, 0, 0, 255));
    render();
    EXPECT_EQ(atlas->getRasterisedCount(), rasterised);
    EXPECT_EQ(atlas->getTextureCreations(), textures);

    // A new glyph or a new size rasterises only what it needs.
    second->setString("MHz dBm 2412 -67 Q");
    render();
    EXPECT_EQ(atlas->getRasterisedCount(), rasterised + 1);
    labelAt(scene, "2412", 10, 80, 15);  // three distinct glyphs at a new size
    render();
    EXPECT_EQ(atlas->getRasterisedCount(), rasterised + 1 + 3);
    EXPECT_EQ(atlas->getTextureCreations(), textures);
}

TEST_F(BatchTest, AtlasGrowsIntoNewPagesAndStartsOverPastItsLimit)
{
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    atlas->clear();
    // Big glyphs fill pages quickly: a 1024² page holds a few dozen of 250 px.
    std::string alphabet;
    for (char ch = 'A'; ch <= 'Z'; ++ch) alphabet += ch;
    for (char ch = 'a'; ch <= 'z'; ++ch) alphabet += ch;
    Label* big = labelAt(scene, alphabet, 0, 0, 250);
    render();
    EXPECT_GE(atlas->getPageCount(), 2u);
    EXPECT_LE(atlas->getPageCount(), static_cast<std::size_t>(GlyphAtlas::kMaxPages));
    const std::uint64_t generation = atlas->getGeneration();

    // More sizes than the pages hold: the frame that overflows still draws, the next starts over.
    for (int size = 251; size < 260 && atlas->getGeneration() == generation; ++size) {
        big->setSystemFontSize(static_cast<float>(size));
        render();
        ASSERT_NE(inkBox(), Rect::ZERO);
    }
    render();
    EXPECT_GT(atlas->getGeneration(), generation);
    EXPECT_LE(atlas->getPageCount(), static_cast<std::size_t>(GlyphAtlas::kMaxPages));
    // The label found its glyphs again after the restart.
    big->setSystemFontSize(20);
    render();
    EXPECT_NE(inkBox(), Rect::ZERO);
}

// A node that counts its destruction and queues quads plus a custom function using its members.
class Probe : public Node {
public:
    static Probe* create(bool* destroyed, bool* ranAlive)
    {
        auto* probe = new Probe(destroyed, ranAlive);
        probe->autorelease();
        return probe;
    }
    ~Probe() override { *m_destroyed = true; }
    void draw(Renderer* renderer, const Mat4& transform, std::uint32_t /*flags*/) override
    {
        GlyphAtlas* atlas = GlyphAtlas::getInstance();
        const float u = GlyphAtlas::whiteU(), v = GlyphAtlas::whiteV();
        m_quad.bl = {0, 0, 0, 0, 255, 0, 255, u, v};
        m_quad.br = {40, 0, 0, 0, 255, 0, 255, u, v};
        m_quad.tl = {0, 40, 0, 0, 255, 0, 255, u, v};
        m_quad.tr = {40, 40, 0, 0, 255, 0, 255, u, v};
        renderer->addQuads(atlas->getTextureName(0), atlas->getProgramState(), BlendFunc::ALPHA_NON_PREMULTIPLIED,
                           &m_quad, 1, transform);
        m_command.init(transform);
        m_command.setOwner(this);
        m_command.func = [this] { *m_ranAlive = !*m_destroyed && m_quad.tr.x == 40; };
        renderer->addCommand(&m_command);
    }

private:
    Probe(bool* destroyed, bool* ranAlive) : m_destroyed(destroyed), m_ranAlive(ranAlive) {}
    bool* m_destroyed;
    bool* m_ranAlive;
    V3F_C4B_T2F_Quad m_quad{};
    CustomCommand m_command;
};

// Removes a node from the scene while the scene is being visited (a resize handler would).
class Remover : public Node {
public:
    static Remover* create(Node* victim)
    {
        auto* remover = new Remover(victim);
        remover->autorelease();
        return remover;
    }
    void draw(Renderer* /*renderer*/, const Mat4& /*transform*/, std::uint32_t /*flags*/) override
    {
        if (m_victim) m_victim->removeFromParent();
        m_victim = nullptr;
    }

private:
    explicit Remover(Node* victim) : m_victim(victim) {}
    Node* m_victim;
};

TEST_F(BatchTest, ANodeFreedDuringTheVisitIsDrawnAndFreedAfterTheFrame)
{
    bool destroyed = false, ranAlive = false;
    Probe* probe = Probe::create(&destroyed, &ranAlive);
    probe->setPosition(100, 100);
    scene->addChild(probe);
    scene->addChild(Remover::create(probe));
    AutoreleasePool::getInstance()->clear();  // the scene holds the only reference
    render();
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(ranAlive);
    // Its quad was copied into the frame before it went.
    EXPECT_TRUE(enginetest::near(pixel(120, 120), Color4B(0, 255, 0, 255)));
}

} // namespace
