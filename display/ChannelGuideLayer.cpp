#include "display/ChannelGuideLayer.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Sprite.h"
#include "engine/ui/Button.h"
#include "engine/ui/Scale9Sprite.h"
#include "model/ChannelPlans.h"
#include "model/DataModel.h"

namespace nolvo {

using engine::Vec2;
namespace ui = engine::ui;

namespace {
constexpr const char* kIconImage = "ExpandShrinkIcon.png";
constexpr const char* kButtonImage = "ChannelGuideButton.png";
constexpr const char* kFont = "fonts/roboto/Roboto-Regular.ttf";
// The button image's rounded corners stay unstretched.
const engine::Rect kButtonInsets(6, 6, 36, 12);
// The dimmed areas reach past the sides so their outer outlines stay out of sight.
constexpr float kDimOverhang = 10.0f;
constexpr float kPopoverSpacing = 2.0f;
constexpr float kButtonWidening = 1000.0f; // kHz
} // namespace

ChannelGuideLayer::Axis ChannelGuideLayer::Axis::of(int plan, float width)
{
    const channelplan::Bounds bounds = channelplan::bandBounds(plan);
    const double span = static_cast<double>(bounds.highKHz) - bounds.lowKHz + kButtonWidening;
    Axis axis;
    if (bounds == channelplan::Bounds{} || !(span > 0.0)) return axis;
    axis.scale = width / span;
    axis.offset = -axis.scale * bounds.lowKHz;
    return axis;
}

ChannelGuideLayer* ChannelGuideLayer::create() { return createWithModel(*DataModel::getInstance()); }

ChannelGuideLayer* ChannelGuideLayer::createWithModel(DataModel& model)
{
    auto* layer = new ChannelGuideLayer(model);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

ChannelGuideLayer::~ChannelGuideLayer()
{
    for (ui::Button* b : m_buttons) b->release();
    if (m_popover) {
        m_popover->setDelegate(nullptr);
        m_popover->release();
    }
}

bool ChannelGuideLayer::init()
{
    if (!ClippedLayer::init()) return false;
    // The selection's outline runs along the top edge.
    setClipExtensionTop(1.0f);

    m_icon = engine::Sprite::create(kIconImage);
    if (!m_icon) return false;
    m_icon->setAnchorPoint(Vec2(0.0f, 1.0f));
    addChild(m_icon, kIconZOrder);

    m_drawNode = engine::DrawNode::create(2.0f);
    addChild(m_drawNode, kDrawZOrder);

    m_layerListener = engine::EventListenerTouchOneByOne::create();
    m_layerListener->setSwallowTouches(true);
    m_layerListener->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onTouchBegan(t); };
    m_layerListener->onTouchMoved = [this](engine::Touch* t, engine::Event*) { onTouchMoved(t); };
    m_layerListener->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    m_layerListener->onTouchCancelled = [this](engine::Touch* t, engine::Event*) { onTouchEnded(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(m_layerListener, this);

    m_iconListener = engine::EventListenerTouchOneByOne::create();
    m_iconListener->setSwallowTouches(true);
    m_iconListener->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onIconTouchBegan(t); };
    m_iconListener->onTouchEnded = [this](engine::Touch* t, engine::Event*) { onIconTouchEnded(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(m_iconListener, m_icon);

    auto* keys = engine::EventListenerKeyboard::create();
    keys->onKeyPressed = [this](engine::EventKeyboard::KeyCode key, engine::Event*) { onKey(key); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(keys, this);
    return true;
}

void ChannelGuideLayer::onExit()
{
    m_touchActive = 0;
    ClippedLayer::onExit();
}

bool ChannelGuideLayer::guideOn() const { return m_model.spectrum.channelGuideOption != 0; }

int ChannelGuideLayer::storedPlan(int band) const
{
    return channelplan::storedPlan(band, band == 0 ? m_model.spectrum.channelGuide24 : m_model.spectrum.channelGuide5);
}

int ChannelGuideLayer::activePlan() const { return channelplan::activePlan(m_model.spectrum); }

void ChannelGuideLayer::draw(engine::Renderer* /*renderer*/, const engine::Mat4& /*transform*/, std::uint32_t /*flags*/)
{
    refresh();
}

void ChannelGuideLayer::visit(engine::Renderer* renderer, const engine::Mat4& parentTransform, std::uint32_t parentFlags)
{
    // Rebuilt before the children are visited, so new buttons are drawn in their z order this frame.
    if (isVisible()) refresh();
    ClippedLayer::visit(renderer, parentTransform, parentFlags);
}

void ChannelGuideLayer::refresh()
{
    const int plan24 = storedPlan(0);
    const int plan5 = storedPlan(1);
    const bool on = guideOn();
    const int band = loadShared(m_model.spectrum.band);
    const engine::Size size = getContentSize();
    const bool plansChanged = plan24 != m_cachedPlan24 || plan5 != m_cachedPlan5;
    if (!m_forceRebuild && !plansChanged && on == m_cachedGuideOn && m_selectedChannel == m_cachedSelection &&
        band == m_cachedBand && size.width == m_cachedSize.width && size.height == m_cachedSize.height) {
        return;
    }
    // A selection belongs to the plan it was made in.
    if (plansChanged || band != m_cachedBand) m_selectedChannel = -1;

    const int plan = activePlan();
    showIcon(plan, on);
    int used = 0;
    bool selectionDrawn = false;
    if (plan != channelplan::kNone && on) {
        if (m_selectedChannel < 0) {
            used = buildButtons(plan);
        } else {
            selectionDrawn = drawSelection(plan);
        }
    }
    while (m_buttons.size() > static_cast<std::size_t>(used)) {
        ui::Button* surplus = m_buttons.back();
        m_buttons.pop_back();
        surplus->removeFromParentAndCleanup(true);
        surplus->release();
    }
    if (!selectionDrawn) {
        m_drawNode->clear();
        dropPopover();
    }

    m_cachedPlan24 = plan24;
    m_cachedPlan5 = plan5;
    m_cachedGuideOn = on;
    m_cachedSelection = m_selectedChannel;
    m_cachedBand = band;
    m_cachedSize = size;
    m_forceRebuild = false;
    engine::Director::markDirty();
}

void ChannelGuideLayer::showIcon(int plan, bool on)
{
    m_icon->setPosition(Vec2(0.0f, getContentSize().height));
    if (plan == channelplan::kNone) {
        m_icon->setOpacity(0);
        return;
    }
    m_icon->setOpacity(255);
    // Left half: folded away; right half: shown.
    const engine::Texture2D* texture = m_icon->getTexture();
    const float w = texture ? texture->getContentSize().width : 0.0f;
    const float h = texture ? texture->getContentSize().height : 0.0f;
    m_icon->setTextureRect(engine::Rect(on ? w / 2.0f : 0.0f, 0.0f, w / 2.0f, h));
}

ui::Button* ChannelGuideLayer::buttonAt(std::size_t index)
{
    if (index < m_buttons.size()) return m_buttons[index];
    ui::Button* button = ui::Button::create(kButtonImage);
    if (!button) return nullptr;
    button->setScale9Enabled(true);
    button->setCapInsets(kButtonInsets);
    button->setTitleFontName(kFont);
    button->setAnchorPoint(Vec2(0.0f, 1.0f));
    button->setZoomScale(0.0f);
    if (ui::Scale9Sprite* normal = button->getRendererNormal()) {
        normal->setBlendFunc(engine::BlendFunc::ALPHA_NON_PREMULTIPLIED);
    }
    button->addTouchEventListener([this](engine::Ref* sender, ui::Widget::TouchEventType type) {
        if (type == ui::Widget::TouchEventType::ENDED) onButtonTapped(static_cast<ui::Button*>(sender)->getTag());
    });
    addChild(button, kButtonZOrder);
    button->retain();
    m_buttons.push_back(button);
    return button;
}

int ChannelGuideLayer::buildButtons(int plan)
{
    const engine::Size size = getContentSize();
    const Axis axis = Axis::of(plan, size.width);
    const channelplan::GuideMetrics metrics = channelplan::guideMetrics(m_model.displaySizeClass.load(), plan);
    const int rows = channelplan::rowCount(plan);
    const auto channels = channelplan::channelList(plan);
    int used = 0;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int channel = channels[i];
        const channelplan::Edges span = channelplan::buttonSpan(plan, channel);
        ui::Button* button = buttonAt(i);
        if (!button) break; // the image is missing: no buttons rather than a crash
        ++used;
        const int row = static_cast<int>(i) % rows;
        button->setTag(channel);
        const std::string title = std::to_string(channel);
        if (button->getTitleText() != title) button->setTitleText(title);
        if (button->getTitleFontSize() != metrics.titleFontSize) button->setTitleFontSize(metrics.titleFontSize);
        button->setContentSize(engine::Size(static_cast<float>((span.endKHz - span.startKHz) * axis.scale), metrics.rowHeight));
        button->setPosition(Vec2(axis.x(span.startKHz),
                                 size.height - row * metrics.rowHeight - (row + 1) * metrics.rowGap));
    }
    return used;
}

bool ChannelGuideLayer::drawSelection(int plan)
{
    m_drawNode->clear();
    dropPopover();
    if (!channelplan::containsChannel(plan, m_selectedChannel)) return false;

    const engine::Size size = getContentSize();
    const Axis axis = Axis::of(plan, size.width);
    const channelplan::Edges edges = channelplan::channelEdges(plan, m_selectedChannel);
    const float xs = axis.x(edges.startKHz);
    const float xe = axis.x(static_cast<double>(edges.endKHz) + kButtonWidening);
    const engine::Color4F shade(kDimShade, kDimShade, kDimShade, kDimAlpha);
    const engine::Color4F outline(1.0f, 1.0f, 1.0f, 1.0f);
    const Vec2 left[4] = {Vec2(-kDimOverhang, 0), Vec2(xs, 0), Vec2(xs, size.height), Vec2(-kDimOverhang, size.height)};
    const Vec2 right[4] = {Vec2(xe, 0), Vec2(size.width + kDimOverhang, 0), Vec2(size.width + kDimOverhang, size.height),
                           Vec2(xe, size.height)};
    m_drawNode->drawPolygon(left, 4, shade, 1.0f, outline);
    m_drawNode->drawPolygon(right, 4, shade, 1.0f, outline);

    m_popover = ChannelGuidePopoverLayer::createWithSizeClass(m_model.displaySizeClass.load());
    if (m_popover) {
        m_popover->retain();
        m_popover->setDelegate(this);
        addChild(m_popover, kPopoverZOrder);
        m_popover->fill(plan, m_selectedChannel, edges.startKHz / 1000.0f, edges.endKHz / 1000.0f);
        placePopover(xs, xe);
    }
    return true;
}

void ChannelGuideLayer::placePopover(float xs, float xe)
{
    const float width = m_popover->getContentSize().width;
    const float layerWidth = getContentSize().width;
    // Just below the icon.
    const float top = m_icon->getBoundingBox().getMinY() - kPopoverSpacing;
    if (xs < width + kPopoverSpacing) {
        // No room left of the channel: to its right, or against the left edge when that runs out too.
        m_popover->setAnchorPoint(Vec2(0.0f, 1.0f));
        const float x = xe + kPopoverSpacing;
        m_popover->setPosition(Vec2(x + width > layerWidth ? 0.0f : x, top));
    } else {
        m_popover->setAnchorPoint(Vec2(1.0f, 1.0f));
        m_popover->setPosition(Vec2(xs - kPopoverSpacing, top));
    }
}

void ChannelGuideLayer::dropPopover()
{
    if (!m_popover) return;
    m_popover->setDelegate(nullptr);
    m_popover->removeFromParentAndCleanup(true);
    m_popover->release();
    m_popover = nullptr;
}

void ChannelGuideLayer::channelGuidePopoverClosed(ChannelGuidePopoverLayer* /*popover*/)
{
    m_selectedChannel = -1;
    engine::Director::markDirty();
}

void ChannelGuideLayer::onButtonTapped(int channel)
{
    if (!guideOn()) return;
    m_selectedChannel = channel;
    engine::Director::markDirty();
}

bool ChannelGuideLayer::onKey(engine::EventKeyboard::KeyCode key)
{
    using Key = engine::EventKeyboard::KeyCode;
    const int plan = activePlan();
    if (plan == channelplan::kNone || !guideOn()) return false;
    if (key == Key::KEY_ESCAPE) {
        if (m_selectedChannel < 0) return false;
        m_selectedChannel = -1;
    } else if (key == Key::KEY_LEFT_ARROW || key == Key::KEY_RIGHT_ARROW) {
        const auto channels = channelplan::channelList(plan);
        const bool right = key == Key::KEY_RIGHT_ARROW;
        const auto at = std::find(channels.begin(), channels.end(), m_selectedChannel);
        if (at == channels.end()) {
            m_selectedChannel = right ? channels.front() : channels.back();
        } else if (right && at + 1 != channels.end()) {
            m_selectedChannel = *(at + 1);
        } else if (!right && at != channels.begin()) {
            m_selectedChannel = *(at - 1);
        } else {
            return false; // already at the end
        }
    } else {
        return false;
    }
    engine::Director::markDirty();
    return true;
}

int ChannelGuideLayer::nearestChannel(float x) const
{
    const int plan = activePlan();
    const Axis axis = Axis::of(plan, getContentSize().width);
    int best = -1;
    float bestDistance = std::numeric_limits<float>::infinity();
    for (std::uint16_t channel : channelplan::channelList(plan)) {
        const channelplan::Edges e = channelplan::channelEdges(plan, channel);
        const float centre = axis.x((static_cast<double>(e.startKHz) + e.endKHz + kButtonWidening) / 2.0);
        const float distance = std::fabs(centre - x);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = channel;
        }
    }
    return best;
}

bool ChannelGuideLayer::insideLayer(const Vec2& worldPoint) const
{
    const Vec2 p = convertToNodeSpace(worldPoint);
    const engine::Size& size = getContentSize();
    return p.x >= 0.0f && p.y >= 0.0f && p.x <= size.width && p.y <= size.height;
}

bool ChannelGuideLayer::onTouchBegan(engine::Touch* touch)
{
    if (getNumberOfRunningActions() > 0 || !insideLayer(touch->getLocation()) || !guideOn() || m_selectedChannel < 0) {
        return false;
    }
    const int channel = nearestChannel(convertToNodeSpace(touch->getLocation()).x);
    if (channel < 0) return false;
    m_selectedChannel = channel;
    m_touchActive = 1;
    engine::Director::markDirty();
    return true;
}

void ChannelGuideLayer::onTouchMoved(engine::Touch* touch)
{
    const int channel = nearestChannel(convertToNodeSpace(touch->getLocation()).x);
    if (channel < 0 || channel == m_selectedChannel) return;
    m_selectedChannel = channel;
    engine::Director::markDirty();
}

void ChannelGuideLayer::onTouchEnded(engine::Touch* /*touch*/) { m_touchActive = 0; }

bool ChannelGuideLayer::onIconTouchBegan(engine::Touch* touch)
{
    if (activePlan() == channelplan::kNone) return false;
    const Vec2 p = convertToNodeSpace(touch->getLocation());
    return m_icon->getBoundingBox().containsPoint(p);
}

void ChannelGuideLayer::onIconTouchEnded(engine::Touch* /*touch*/)
{
    const bool on = !guideOn();
    m_model.spectrum.channelGuideOption = on ? 1 : 0;
    if (on) m_selectedChannel = -1;
    engine::Director::markDirty();
}

} // namespace nolvo
