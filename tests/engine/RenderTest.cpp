// Pixel facts from real rendering: placement, orientation, ordering, opacity, clipping, shapes,
// texture updates, custom programs and the skipping of unchanged frames.
#include "GuiTestFixture.h"

#include <vector>

#include <GL/glew.h>

#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/scene/ClippingRectangleNode.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/ui/Scale9Sprite.h"

using namespace engine;
using enginetest::GuiTest;

namespace {

const Color4B kRed(255, 0, 0, 255), kGreen(0, 255, 0, 255), kBlue(0, 0, 255, 255), kWhite(255, 255, 255, 255),
    kBlack(0, 0, 0, 255);

class RenderTest : public GuiTest {};

Rect rectOf(float x, float y, float w, float h) { return Rect(x, y, w, h); }

TEST_F(RenderTest, SpriteLandsWhereAnchorPositionScaleRotationAndParentPutIt)
{
    struct Case {
        const char* what;
        Vec2 anchor;
        Vec2 position;
        float scaleX, scaleY, rotation;
        Rect expected;  // covered pixels, GL coordinates
    };
    // A 20 x 10 sprite in each case.
    const Case cases[] = {
        {"anchor bottom-left", {0, 0}, {100, 100}, 1, 1, 0, rectOf(100, 100, 20, 10)},
        {"anchor centre", {0.5f, 0.5f}, {100, 100}, 1, 1, 0, rectOf(90, 95, 20, 10)},
        {"scaled", {0, 0}, {100, 100}, 2, 3, 0, rectOf(100, 100, 40, 30)},
        {"negative x scale mirrors left of the anchor", {0, 0}, {200, 100}, -1, 1, 0, rectOf(180, 100, 20, 10)},
        {"negative y scale mirrors below the anchor", {0, 0}, {200, 100}, 1, -2, 0, rectOf(200, 80, 20, 20)},
        {"90 degrees clockwise", {0, 0}, {300, 300}, 1, 1, 90, rectOf(300, 280, 10, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Sprite* sprite = Sprite::createWithTexture(solidTexture(kRed, 20, 10));
        sprite->setAnchorPoint(c.anchor);
        sprite->setPosition(c.position);
        sprite->setScale(c.scaleX, c.scaleY);
        sprite->setRotation(c.rotation);
        scene->addChild(sprite);
        render();
        const Rect box = inkBox();
        EXPECT_FLOAT_EQ(box.origin.x, c.expected.origin.x);
        EXPECT_FLOAT_EQ(box.origin.y, c.expected.origin.y);
        EXPECT_FLOAT_EQ(box.size.width, c.expected.size.width);
        EXPECT_FLOAT_EQ(box.size.height, c.expected.size.height);
        EXPECT_EQ(countNear(0, 0, width, height, kRed, 0),
                  static_cast<int>(c.expected.size.width * c.expected.size.height));
        sprite->removeFromParent();
    }
    // Parent transforms apply: parent at (400, 0) scaled 2, child at (10, 10).
    Node* parent = Node::create();
    parent->setPosition(400, 0);
    parent->setScale(2.0f);
    Sprite* child = Sprite::createWithTexture(solidTexture(kRed, 20, 10));
    child->setAnchorPoint(Vec2::ZERO);
    child->setPosition(10, 10);
    parent->addChild(child);
    scene->addChild(parent);
    render();
    const Rect box = inkBox();
    EXPECT_EQ(box, rectOf(420, 20, 40, 20));
}

TEST_F(RenderTest, FirstTextureRowIsTheTopAndFlipsMirrorIt)
{
    // 2 x 2 texture: top row red, green; bottom row blue, white.
    const std::uint8_t data[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    auto* texture = new Texture2D();
    texture->initWithData(data, sizeof(data), Texture2D::PixelFormat::RGBA8888, 2, 2, Size(2, 2));
    texture->setAliasTexParameters();
    texture->autorelease();
    struct Case {
        bool flipX, flipY;
        float scaleY;
        Color4B topLeft, bottomRight;
    };
    const Case cases[] = {
        {false, false, 10, kRed, kWhite},
        {true, false, 10, kGreen, kBlue},
        {false, true, 10, kBlue, kGreen},
        {false, false, -10, kBlue, kGreen},  // negative scale turns it upside down like a flip
    };
    for (const Case& c : cases) {
        Sprite* sprite = Sprite::createWithTexture(texture);
        sprite->setFlippedX(c.flipX);
        sprite->setFlippedY(c.flipY);
        sprite->setScale(10, c.scaleY);
        sprite->setPosition(500, 500);  // anchor centre: covers 490..510 both ways
        scene->addChild(sprite);
        render();
        EXPECT_EQ(pixel(495, 505), c.topLeft);
        EXPECT_EQ(pixel(505, 495), c.bottomRight);
        sprite->removeFromParent();
    }
    // A texture rectangle shows only its part: the right column, top row is green.
    Sprite* part = Sprite::createWithTexture(texture, Rect(1, 0, 1, 1));
    part->setScale(10);
    part->setPosition(200, 200);
    scene->addChild(part);
    render();
    EXPECT_EQ(part->getContentSize(), Size(1, 1));
    EXPECT_EQ(countNear(0, 0, width, height, kGreen, 0), 100);
}

TEST_F(RenderTest, ZOrderDecidesOverlapAndOpacityCascades)
{
    Sprite* red = Sprite::createWithTexture(solidTexture(kRed, 50, 50));
    Sprite* blue = Sprite::createWithTexture(solidTexture(kBlue, 50, 50));
    red->setPosition(100, 100);
    blue->setPosition(120, 100);
    scene->addChild(red, 2);
    scene->addChild(blue, 1);  // added later but behind
    render();
    EXPECT_EQ(pixel(110, 100), kRed);
    red->setLocalZOrder(0);
    render();
    EXPECT_EQ(pixel(110, 100), kBlue);

    Node* group = Node::create();
    group->setCascadeOpacityEnabled(true);
    group->setOpacity(128);
    Sprite* white = Sprite::createWithTexture(solidTexture(kWhite, 10, 10));
    white->setPosition(400, 400);
    white->setOpacity(128);
    group->addChild(white);
    scene->addChild(group);
    render();
    // 255 * (128 * 128 / 255 = 64) / 255 over black.
    EXPECT_TRUE(enginetest::near(pixel(400, 400), Color4B(64, 64, 64, 255), 1)) << int(pixel(400, 400).r);
    group->setCascadeOpacityEnabled(false);
    render();
    EXPECT_TRUE(enginetest::near(pixel(400, 400), Color4B(128, 128, 128, 255), 1));
    // Colour tints the texture.
    white->setColor(Color3B(255, 0, 0));
    white->setOpacity(255);
    render();
    EXPECT_EQ(pixel(400, 400), kRed);
}

TEST_F(RenderTest, ClippingNodeClipsChildrenAndNestedClipsIntersect)
{
    ClippingRectangleNode* clip = ClippingRectangleNode::create();
    clip->setContentSize(Size(50, 40));
    clip->setPosition(100, 200);
    clip->addChild(LayerColor::create(Color4B(255, 0, 0, 255), 960, 640));
    scene->addChild(clip);
    // Drawn after the clipping node: unclipped.
    Sprite* after = Sprite::createWithTexture(solidTexture(kGreen, 10, 10));
    after->setPosition(500, 500);
    scene->addChild(after);
    render();
    EXPECT_EQ(inkBox(), Rect(100, 200, 50, 40).unionWithRect(Rect(495, 495, 10, 10)));
    EXPECT_EQ(countNear(0, 0, width, height, kRed, 0), 50 * 40);
    EXPECT_EQ(countNear(0, 0, width, height, kGreen, 0), 100);

    // A second clip inside the first, reaching past it: only the overlap is drawn, and after the
    // inner clip ends the outer one still holds (the blue drawn after it stays inside 50 x 40).
    ClippingRectangleNode* inner = ClippingRectangleNode::create(Rect(30, 20, 100, 100));
    clip->addChild(inner);
    inner->addChild(LayerColor::create(Color4B(0, 0, 255, 255), 960, 640));
    LayerColor* afterInner = LayerColor::create(Color4B(255, 255, 0, 255), 960, 10);
    clip->addChild(afterInner);
    render();
    EXPECT_EQ(countNear(0, 0, width, height, Color4B(0, 0, 255, 255), 0), 20 * 20);
    EXPECT_EQ(pixel(135, 225), Color4B(0, 0, 255, 255));
    EXPECT_EQ(countNear(0, 0, width, height, Color4B(255, 255, 0, 255), 0), 50 * 10);
    EXPECT_EQ(inkBox(), Rect(100, 200, 50, 40).unionWithRect(Rect(495, 495, 10, 10)));
    EXPECT_EQ(Director::getInstance()->getRenderer()->getClipDepth(), 0u);
}

TEST_F(RenderTest, PointsClippedAwayByAnAncestorDoNotHit)
{
    ClippingRectangleNode* clip = ClippingRectangleNode::create();
    clip->setContentSize(Size(50, 40));
    clip->setPosition(100, 200);
    scene->addChild(clip);
    Node* content = Node::create();
    content->setContentSize(Size(300, 300));
    clip->addChild(content);
    EXPECT_TRUE(content->hitTestContent(Vec2(120, 220)));
    EXPECT_FALSE(content->hitTestContent(Vec2(170, 220)));   // inside content, outside the clip
    clip->setClippingEnabled(false);
    EXPECT_TRUE(content->hitTestContent(Vec2(170, 220)));
    // Scaled to nothing: no point lands on it (not even its own origin).
    clip->setClippingEnabled(true);
    content->setScale(0.0f);
    EXPECT_FALSE(content->hitTestContent(Vec2(100, 200)));
    EXPECT_FALSE(content->hitTestContent(Vec2(120, 220)));
}

TEST_F(RenderTest, EachDrawNodePrimitiveCoversItsPixels)
{
    DrawNode* d = DrawNode::create();  // default line width 2
    scene->addChild(d);
    const Color4F red(1, 0, 0, 1);
    struct Probe {
        const char* what;
        std::function<void()> draw;
        std::vector<Vec2> inside;
        std::vector<Vec2> outside;
    };
    const Vec2 triangle[3] = {{100, 100}, {200, 100}, {150, 180}};
    const Vec2 polyline[4] = {{300, 100}, {400, 100}, {400, 200}, {300, 200}};
    const Vec2 points[2] = {{600, 100}, {620, 100}};
    const std::vector<Probe> probes = {
        {"line, 2 points wide", [&] { d->drawLine({10, 300}, {200, 300}, red); }, {{100, 299}, {100, 300}},
         {{100, 297}, {100, 302}, {205, 300}}},
        {"segment with radius", [&] { d->drawSegment({10, 300}, {200, 300}, 5, red); }, {{100, 296}, {100, 303}},
         {{100, 293}, {100, 306}}},
        {"open poly", [&] { d->drawPoly(polyline, 4, false, red); }, {{350, 100}, {400, 150}, {350, 200}},
         {{300, 150}, {350, 150}}},
        {"closed poly", [&] { d->drawPoly(polyline, 4, true, red); }, {{300, 150}, {350, 200}}, {{350, 150}}},
        {"solid poly", [&] { d->drawSolidPoly(triangle, 3, red); }, {{150, 130}, {110, 102}}, {{110, 170}, {150, 190}}},
        {"points with size", [&] { d->drawPoints(points, 2, 6, red); }, {{598, 98}, {602, 102}, {620, 100}},
         {{604, 100}, {610, 100}}},
        {"rect outline", [&] { d->drawRect({500, 300}, {600, 400}, red); }, {{550, 300}, {600, 350}}, {{550, 350}}},
        {"solid rect", [&] { d->drawSolidRect({500, 300}, {600, 400}, red); }, {{501, 301}, {550, 350}, {599, 399}},
         {{499, 350}, {550, 401}}},
        {"circle", [&] { d->drawCircle({200, 500}, 50, 0, 90, false, red); }, {{250, 500}, {200, 549}},
         {{200, 500}, {200, 556}}},
        {"circle squeezed vertically", [&] { d->drawCircle({200, 500}, 50, 0, 90, false, 1, 0.5f, red); },
         {{250, 500}, {200, 524}}, {{200, 549}, {200, 500}}},
        {"dot", [&] { d->drawDot({700, 500}, 10, red); }, {{700, 500}, {708, 500}}, {{712, 500}}},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.what);
        d->clear();
        p.draw();
        render();
        for (const Vec2& v : p.inside) EXPECT_EQ(pixel(int(v.x), int(v.y)), kRed) << v.x << "," << v.y;
        for (const Vec2& v : p.outside) EXPECT_EQ(pixel(int(v.x), int(v.y)), kBlack) << v.x << "," << v.y;
    }
}

TEST_F(RenderTest, UnchangedFramesAreNeitherRenderedNorPresented)
{
    Director* director = Director::getInstance();
    DrawNode* d = DrawNode::create();
    scene->addChild(d);
    const Vec2 line[3] = {{10, 10}, {100, 50}, {200, 10}};
    d->drawPoly(line, 3, false, Color4F(1, 1, 1, 1));
    director->mainLoop();
    const auto rendered = director->getRenderedFrames();
    const auto uploads = d->getUploadCount();
    EXPECT_EQ(uploads, 1u);
    // Same geometry drawn again, same values set again: nothing to draw.
    for (int i = 0; i < 5; ++i) {
        d->clear();
        d->drawPoly(line, 3, false, Color4F(1, 1, 1, 1));
        d->setPosition(0, 0);
        d->setOpacity(255);
        director->mainLoop();
    }
    EXPECT_EQ(director->getRenderedFrames(), rendered);
    EXPECT_EQ(d->getUploadCount(), uploads);
    // A real change draws exactly one frame.
    d->clear();
    d->drawPoly(line, 2, false, Color4F(1, 1, 1, 1));
    director->mainLoop();
    director->mainLoop();
    EXPECT_EQ(director->getRenderedFrames(), rendered + 1);
    EXPECT_EQ(d->getUploadCount(), uploads + 1);
}

TEST_F(RenderTest, TextureSubRectangleUpdateReplacesOnlyThatPart)
{
    std::vector<std::uint8_t> black(64 * 64 * 4, 0);
    for (std::size_t i = 3; i < black.size(); i += 4) black[i] = 255;
    auto* texture = new Texture2D();
    ASSERT_TRUE(texture->initWithData(black.data(), black.size(), Texture2D::PixelFormat::RGBA8888, 64, 64, Size(64, 64)));
    texture->setAliasTexParameters();
    texture->autorelease();
    Sprite* sprite = Sprite::createWithTexture(texture);
    sprite->setAnchorPoint(Vec2::ZERO);
    sprite->setPosition(100, 100);
    scene->addChild(sprite);
    std::vector<std::uint8_t> red(8 * 4 * 4);
    for (std::size_t i = 0; i < red.size(); i += 4) {
        red[i] = 255;
        red[i + 3] = 255;
    }
    // 8 wide, 4 high at column 16, row 8 from the top.
    ASSERT_TRUE(texture->updateWithData(red.data(), 16, 8, 8, 4));
    render();
    EXPECT_EQ(inkBox(), Rect(116, 100 + 64 - 8 - 4, 8, 4));
    // Rectangles reaching outside the texture are refused.
    EXPECT_FALSE(texture->updateWithData(red.data(), 60, 0, 8, 4));
    EXPECT_FALSE(texture->updateWithData(red.data(), 0, 62, 8, 4));
    EXPECT_FALSE(texture->updateWithData(red.data(), -1, 0, 8, 4));
    EXPECT_FALSE(texture->initWithData(black.data(), 100, Texture2D::PixelFormat::RGBA8888, 64, 64, Size(64, 64)));
}

TEST_F(RenderTest, ProgramStateBindsATextureAtAnExplicitUniformLocation)
{
    const char* vsh = R"(#version 330 compatibility
#extension GL_ARB_explicit_uniform_location : require
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec2 v_texCoord;
void main() { gl_Position = CC_MVPMatrix * a_position; v_texCoord = a_texCoord; }
)";
    const char* fsh = R"(#version 330 compatibility
#extension GL_ARB_explicit_uniform_location : require
layout(location = 9) uniform sampler2D u_shade;
uniform vec2 textureSize;
varying vec2 v_texCoord;
void main() { gl_FragColor = texture2D(u_shade, v_texCoord) * vec4(textureSize / vec2(512.0, 256.0), 1.0, 1.0); }
)";
    auto* program = new GLProgram();
    ASSERT_TRUE(program->initWithByteArrays(vsh, fsh)) << program->getErrorLog();
    program->bindAttribLocation(GLProgram::ATTRIBUTE_NAME_POSITION, GLProgram::VERTEX_ATTRIB_POSITION);
    program->bindAttribLocation(GLProgram::ATTRIBUTE_NAME_COLOR, GLProgram::VERTEX_ATTRIB_COLOR);
    program->bindAttribLocation(GLProgram::ATTRIBUTE_NAME_TEX_COORD, GLProgram::VERTEX_ATTRIB_TEX_COORD);
    ASSERT_TRUE(program->link()) << program->getErrorLog();
    program->updateUniforms();
    GLProgramCache::getInstance()->addGLProgram(program, "Shade");
    program->release();

    Sprite* sprite = Sprite::createWithTexture(solidTexture(kRed, 16, 16));
    GLProgramState* state = GLProgramState::getOrCreateWithGLProgram(GLProgramCache::getInstance()->getGLProgram("Shade"));
    state->setUniformVec2("textureSize", Vec2(512, 256));
    state->setUniformTexture(9, solidTexture(kWhite, 4, 4));
    sprite->setGLProgramState(state);
    sprite->setBlendFunc(BlendFunc::ALPHA_NON_PREMULTIPLIED);
    sprite->setPosition(300, 300);
    scene->addChild(sprite);
    render();
    // The sampler at location 9 (white), not the sprite's own red texture.
    EXPECT_EQ(pixel(300, 300), kWhite);
    state->setUniformVec2("textureSize", Vec2(256, 256));
    render();
    EXPECT_TRUE(enginetest::near(pixel(300, 300), Color4B(128, 255, 255, 255), 1));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A uniform set to the value it has draws no frame; a new value draws exactly one.
    Director* director = Director::getInstance();
    director->mainLoop();
    const auto rendered = director->getRenderedFrames();
    state->setUniformVec2("textureSize", Vec2(256, 256));
    director->mainLoop();
    EXPECT_EQ(director->getRenderedFrames(), rendered);
    state->setUniformVec2("textureSize", Vec2(512, 256));
    director->mainLoop();
    director->mainLoop();
    EXPECT_EQ(director->getRenderedFrames(), rendered + 1);
}

TEST_F(RenderTest, SettingTheSameTextureRectOrTextureDrawsNoFrame)
{
    Director* director = Director::getInstance();
    Texture2D* texture = solidTexture(kRed, 16, 16);
    Sprite* sprite = Sprite::createWithTexture(texture, Rect(0, 0, 8, 8));
    ui::Scale9Sprite* nine = ui::Scale9Sprite::createWithTexture(texture);
    ASSERT_NE(nine, nullptr);
    scene->addChild(sprite);
    scene->addChild(nine);
    director->mainLoop();
    const auto rendered = director->getRenderedFrames();
    for (int i = 0; i < 3; ++i) {
        sprite->setTextureRect(Rect(0, 0, 8, 8));
        nine->setTexture(texture);
        director->mainLoop();
    }
    EXPECT_EQ(director->getRenderedFrames(), rendered);
    sprite->setTextureRect(Rect(0, 0, 4, 8));
    director->mainLoop();
    EXPECT_EQ(director->getRenderedFrames(), rendered + 1);
    EXPECT_EQ(sprite->getContentSize(), Size(4, 8));
}

TEST_F(RenderTest, BrokenShaderIsReportedNotLinked)
{
    auto* program = new GLProgram();
    EXPECT_FALSE(program->initWithByteArrays("void main() { this is not glsl }", "void main() {}"));
    EXPECT_FALSE(program->getErrorLog().empty());
    EXPECT_FALSE(program->link());
    program->release();
}

} // namespace
