#include "GalleryScene.h"

#include <cmath>
#include <functional>
#include <new>
#include <vector>

#include "engine/actions/ActionInterval.h"
#include "engine/app/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/ClippingRectangleNode.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/Scale9Sprite.h"

using namespace engine;

namespace gallery {

namespace {

const char* const kRegular = "fonts/roboto/Roboto-Regular.ttf";
const char* const kBold = "fonts/roboto/Roboto-Bold.ttf";

Label* caption(Node* parent, const std::string& text, float x, float y)
{
    Label* label = Label::createWithTTF(text, kRegular, 11);
    if (label) {
        label->setAnchorPoint(Vec2::ANCHOR_MIDDLE_TOP);
        label->setPosition(x, y);
        label->setTextColor(Color4B(170, 175, 185, 255));
        parent->addChild(label);
    }
    return label;
}

} // namespace

GalleryScene* GalleryScene::create(const GalleryImages& images, bool animate)
{
    auto* scene = new (std::nothrow) GalleryScene();
    if (scene && scene->initWithImages(images, animate)) {
        scene->autorelease();
        return scene;
    }
    delete scene;
    return nullptr;
}

bool GalleryScene::initWithImages(const GalleryImages& images, bool animate)
{
    if (!Scene::init()) return false;
    addChild(LayerColor::create(Color4B(24, 27, 33, 255)), -10);
    Label* title = Label::createWithTTF("Engine gallery", kBold, 22);
    if (!title) return false;
    title->setAnchorPoint(Vec2::ANCHOR_TOP_LEFT);
    title->setPosition(16, 630);
    addChild(title);
    addSprites(images, animate);
    addShapes();
    addLabels();
    addWidgets(images);
    addClippingAndTexture(images);
    return true;
}

void GalleryScene::addSprites(const GalleryImages& images, bool animate)
{
    const std::string checker = images.path("checker.png");
    struct Variant {
        const char* name;
        std::function<void(Sprite*)> apply;
    };
    const std::vector<Variant> variants = {
        {"plain", [](Sprite*) {}},
        {"flipped x", [](Sprite* s) { s->setFlippedX(true); }},
        {"scale y -1", [](Sprite* s) { s->setScaleY(-1.0f); }},
        {"rotated 30", [](Sprite* s) { s->setRotation(30.0f); }},
        {"tinted", [](Sprite* s) { s->setColor(Color3B(255, 120, 120)); }},
        {"opacity 96", [](Sprite* s) { s->setOpacity(96); }},
    };
    for (std::size_t i = 0; i < variants.size(); ++i) {
        Sprite* sprite = Sprite::create(checker);
        if (!sprite) continue;
        const float x = 50.0f + static_cast<float>(i % 3) * 85.0f;
        const float y = 545.0f - static_cast<float>(i / 3) * 100.0f;
        sprite->setPosition(x, y);
        variants[i].apply(sprite);
        addChild(sprite);
        caption(this, variants[i].name, x, y - 38);
        if (animate && i == 3) sprite->runAction(RepeatForever::create(RotateBy::create(2.0f, 360.0f)));
    }
    Sprite* part = Sprite::create(checker, Rect(0, 0, 24, 40));
    if (part) {
        part->setScale(1.5f);
        part->setPosition(50, 345);
        addChild(part);
        caption(this, "texture rect", 50, 310);
    }
}

void GalleryScene::addShapes()
{
    DrawNode* d = DrawNode::create();
    const Color4F cyan(0.2f, 0.9f, 1, 1), orange(1, 0.6f, 0.1f, 1), green(0.3f, 1, 0.4f, 1);
    const float x0 = 290;
    d->drawLine({x0, 590}, {x0 + 80, 560}, cyan);
    d->drawSegment({x0 + 100, 590}, {x0 + 180, 560}, 4, orange);
    std::vector<Vec2> wave;
    for (int i = 0; i <= 40; ++i) {
        wave.emplace_back(x0 + i * 4.5f, 505 + 18 * std::sin(i * 0.35f));
    }
    d->drawPoly(wave.data(), static_cast<unsigned int>(wave.size()), false, green);
    const Vec2 tri[3] = {{x0, 420}, {x0 + 70, 420}, {x0 + 35, 470}};
    d->drawPoly(tri, 3, true, cyan);
    const Vec2 pent[5] = {{x0 + 130, 420}, {x0 + 160, 430}, {x0 + 165, 460}, {x0 + 130, 475}, {x0 + 100, 450}};
    d->drawSolidPoly(pent, 5, Color4F(0.9f, 0.3f, 0.5f, 1));
    const Vec2 dots[6] = {{x0, 385}, {x0 + 15, 385}, {x0 + 30, 385}, {x0 + 45, 385}, {x0 + 60, 385}, {x0 + 75, 385}};
    d->drawPoints(dots, 6, 5, orange);
    d->drawRect({x0 + 100, 365}, {x0 + 180, 400}, green);
    d->drawSolidRect({x0, 300}, {x0 + 70, 340}, Color4F(0.3f, 0.4f, 0.9f, 1));
    d->drawCircle({x0 + 140, 320}, 25, 0, 40, true, cyan);
    d->drawCircle({x0 + 140, 320}, 38, 0, 60, false, 1.0f, 0.5f, orange);
    d->drawDot({x0 + 200, 320}, 8, green);
    addChild(d);
    caption(this, "DrawNode: lines, segment, polys, points, rects, circles, dot", x0 + 100, 292);
}

void GalleryScene::addLabels()
{
    const float x0 = 540;
    auto add = [this](Label* label, const Vec2& anchor, float x, float y) {
        if (!label) return;
        label->setAnchorPoint(anchor);
        label->setPosition(x, y);
        addChild(label);
    };
    add(Label::createWithTTF("Roboto Regular 18  AV To Wa", kRegular, 18), Vec2::ANCHOR_TOP_LEFT, x0, 600);
    add(Label::createWithTTF("Roboto Bold 18  ΔHz: 2500 MHz", kBold, 18), Vec2::ANCHOR_TOP_LEFT, x0, 572);
    add(Label::createWithSystemFont("System font (sans) 16", "sans", 16), Vec2::ANCHOR_TOP_LEFT, x0, 544);
    Label* coloured = Label::createWithTTF("@dBm: -100.00dBm", kRegular, 16);
    if (coloured) coloured->setTextColor(Color4B(255, 165, 0, 255));
    add(coloured, Vec2::ANCHOR_TOP_LEFT, x0, 518);

    LayerColor* box = LayerColor::create(Color4B(60, 64, 72, 255), 180, 90);
    box->setPosition(x0, 400);
    addChild(box);
    add(Label::createWithTTF("Wrapped and centred inside a 180 x 90 box, middle aligned.", kRegular, 14, Size(180, 90),
                             TextHAlignment::CENTER, TextVAlignment::CENTER),
        Vec2::ANCHOR_BOTTOM_LEFT, x0, 400);
    LayerColor* box2 = LayerColor::create(Color4B(60, 64, 72, 255), 150, 40);
    box2->setPosition(x0 + 200, 450);
    addChild(box2);
    Label* right = Label::createWithTTF("right, bottom", kRegular, 14, Size(150, 40), TextHAlignment::RIGHT,
                                        TextVAlignment::BOTTOM);
    add(right, Vec2::ANCHOR_BOTTOM_LEFT, x0 + 200, 450);
    LayerColor* box3 = LayerColor::create(Color4B(60, 64, 72, 255), 150, 24);
    box3->setPosition(x0 + 200, 400);
    addChild(box3);
    Label* clamp = Label::createWithTTF("clamped text that is far too long", kRegular, 16, Size(150, 24));
    if (clamp) {
        clamp->enableWrap(false);
        clamp->setOverflow(Label::Overflow::CLAMP);
    }
    add(clamp, Vec2::ANCHOR_BOTTOM_LEFT, x0 + 200, 400);
    caption(this, "Label: TTF, system font, colour, wrap, alignment, clamp", x0 + 175, 392);
}

void GalleryScene::addWidgets(const GalleryImages& images)
{
    using namespace engine::ui;
    Button* plain = Button::create(images.path("button.png"), images.path("button-pressed.png"),
                                   images.path("button-disabled.png"));
    if (plain) {
        plain->setScale9Enabled(true);
        plain->setCapInsets(Rect(8, 8, 16, 16));
        plain->setContentSize(Size(140, 44));
        plain->setTitleText("BUTTON");
        plain->setTitleFontName(kBold);
        plain->setTitleFontSize(16);
        plain->setPosition(100, 230);
        addChild(plain);
    }
    Button* off = Button::create(images.path("button.png"), images.path("button-pressed.png"),
                                 images.path("button-disabled.png"));
    if (off) {
        off->setScale9Enabled(true);
        off->setContentSize(Size(140, 44));
        off->setTitleText("DISABLED");
        off->setTitleColor(Color3B(170, 170, 170));
        off->setEnabled(false);
        off->setPosition(100, 175);
        addChild(off);
    }
    Button* small = Button::create(images.path("button.png"));
    if (small) {
        small->setPosition(210, 230);
        addChild(small);
    }
    caption(this, "ui::Button: nine-slice, pressed, disabled, plain", 130, 145);

    ImageView* framed = ImageView::create(images.path("frame.png"));
    if (framed) {
        framed->setScale9Enabled(true);
        framed->setCapInsets(Rect(6, 6, 12, 12));
        framed->setContentSize(Size(160, 80));
        framed->setPosition(360, 205);
        addChild(framed);
    }
    ImageView* plainImage = ImageView::create(images.path("frame.png"));
    if (plainImage) {
        plainImage->setPosition(470, 205);
        addChild(plainImage);
    }
    Scale9Sprite* nine = Scale9Sprite::create(images.path("frame.png"), Rect::ZERO, Rect(6, 6, 12, 12));
    if (nine) {
        nine->setPreferredSize(Size(60, 110));
        nine->setPosition(540, 205);
        addChild(nine);
    }
    caption(this, "ui::ImageView nine-slice and plain, ui::Scale9Sprite", 440, 145);
}

void GalleryScene::addClippingAndTexture(const GalleryImages& images)
{
    ClippingRectangleNode* clip = ClippingRectangleNode::create();
    clip->setContentSize(Size(130, 90));
    clip->setPosition(620, 160);
    if (clip) {
        LayerColor* fill = LayerColor::create(Color4B(90, 30, 30, 255), 400, 400);
        fill->setPosition(-100, -100);
        clip->addChild(fill);
        Sprite* big = Sprite::create(images.path("checker.png"));
        if (big) {
            big->setScale(2.5f);
            big->setPosition(65, 45);
            clip->addChild(big);
        }
        addChild(clip);
        caption(this, "scissor clip", 685, 150);
    }

    // A texture written once and then updated in a sub-rectangle, as a waterfall row would be.
    std::vector<std::uint8_t> pixels(128 * 64 * 4);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            std::uint8_t* p = &pixels[(y * 128 + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 2);
            p[1] = static_cast<std::uint8_t>(y * 4);
            p[2] = 120;
            p[3] = 255;
        }
    }
    auto* texture = new Texture2D();
    texture->initWithData(pixels.data(), pixels.size(), Texture2D::PixelFormat::RGBA8888, 128, 64, Size(128, 64));
    texture->setAliasTexParameters();
    std::vector<std::uint8_t> row(128 * 4 * 4, 255);
    texture->updateWithData(row.data(), 0, 30, 128, 4);
    Sprite* sprite = Sprite::createWithTexture(texture);
    texture->release();
    sprite->setPosition(850, 205);
    sprite->setBlendFunc(BlendFunc::ALPHA_NON_PREMULTIPLIED);
    addChild(sprite);
    caption(this, "Texture2D updateWithData", 850, 150);

    // Opacity cascade: the group fades everything inside it.
    Node* group = Node::create();
    group->setCascadeOpacityEnabled(true);
    group->setOpacity(110);
    for (int i = 0; i < 3; ++i) {
        LayerColor* square = LayerColor::create(Color4B(255, 255, 255, 255), 40, 40);
        square->setPosition(800 + i * 30, 40 + i * 15);
        group->addChild(square);
    }
    addChild(group);
    caption(this, "opacity cascade", 860, 35);
}

} // namespace gallery
