#include "display/ChannelGuidePopoverLayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/ImageView.h"
#include "model/ChannelPlans.h"
#include "model/DataModel.h"

namespace nolvo {

using engine::Label;
using engine::Vec2;

namespace {
constexpr const char* kRegularFont = "fonts/roboto/Roboto-Regular.ttf";
constexpr const char* kBoldFont = "fonts/roboto/Roboto-Bold.ttf";
constexpr const char* kBackgroundImage = "MenuBackground.png";
constexpr const char* kCloseImage = "close_icon.png";
// The background's rounded corners stay unstretched.
const engine::Rect kBackgroundInsets(12, 12, 40, 40);
constexpr float kTitleGap = 8.0f;   // between the title and the close button
constexpr float kRowGap = 4.0f;     // between the text rows
constexpr float kCaptionGap = 8.0f; // between a caption and its value

Label* makeLabel(const std::string& text, const char* font, float size)
{
    Label* label = Label::createWithFont(text, font, size);
    if (label) label->setAnchorPoint(Vec2(0.0f, 1.0f));
    return label;
}

float widthOf(const Label* label) { return label ? label->getContentSize().width : 0.0f; }
float heightOf(const Label* label) { return label ? label->getContentSize().height : 0.0f; }
} // namespace

ChannelGuidePopoverLayer::ChannelGuidePopoverLayer(int sizeClass) : m_sizeClass(sizeClass) {}

ChannelGuidePopoverLayer* ChannelGuidePopoverLayer::create()
{
    return createWithSizeClass(DataModel::getInstance()->displaySizeClass.load());
}

ChannelGuidePopoverLayer* ChannelGuidePopoverLayer::createWithSizeClass(int sizeClass)
{
    auto* layer = new ChannelGuidePopoverLayer(sizeClass);
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    layer->release();
    return nullptr;
}

bool ChannelGuidePopoverLayer::init()
{
    if (!engine::Layer::init()) return false;
    // Placed by its anchor (top-left or top-right of the panel), unlike a plain layer.
    setIgnoreAnchorPointForPosition(false);
    m_fontSize = channelplan::popoverFontSize(m_sizeClass);

    m_background = engine::ui::ImageView::create(kBackgroundImage);
    if (m_background) {
        m_background->setScale9Enabled(true);
        m_background->setCapInsets(kBackgroundInsets);
        m_background->setTouchEnabled(false);
        m_background->setAnchorPoint(Vec2(0.0f, 0.0f));
        addChild(m_background, -1);
    }

    m_title = makeLabel("XXXXXXXXXXXXXXX", kBoldFont, m_fontSize);
    m_startCaption = makeLabel("START:", kRegularFont, m_fontSize);
    m_endCaption = makeLabel("END:", kRegularFont, m_fontSize);
    m_startValue = makeLabel("XXXXMHZ", kRegularFont, m_fontSize);
    m_endValue = makeLabel("XXXXMHZ", kRegularFont, m_fontSize);
    if (!m_title || !m_startCaption || !m_endCaption || !m_startValue || !m_endValue) return false;
    m_titleWidth = widthOf(m_title);
    m_valueWidth = widthOf(m_startValue);
    for (Label* label : {m_title, m_startCaption, m_endCaption, m_startValue, m_endValue}) addChild(label, 1);
    m_title->setString("");
    m_startValue->setString("");
    m_endValue->setString("");

    m_closeButton = engine::ui::Button::create(kCloseImage);
    if (m_closeButton) {
        m_closeButton->setZoomScale(0.0f);
        m_closeButton->setAnchorPoint(Vec2(1.0f, 1.0f));
        // The icon stands as tall as the title line.
        const float iconHeight = m_closeButton->getContentSize().height;
        const float line = m_title->getLineHeight();
        if (iconHeight > 0.0f && line > 0.0f) m_closeButton->setScale(line / iconHeight);
        m_closeButton->addClickEventListener([this](engine::Ref*) { close(); });
        addChild(m_closeButton, 2);
    }

    m_listener = engine::EventListenerTouchOneByOne::create();
    m_listener->setSwallowTouches(true);
    m_listener->onTouchBegan = [this](engine::Touch* t, engine::Event*) { return onTouchBegan(t); };
    getEventDispatcher()->addEventListenerWithSceneGraphPriority(m_listener, this);
    layout();
    return true;
}

std::string ChannelGuidePopoverLayer::megahertzText(float mhz)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.0fMHz", static_cast<double>(mhz));
    return text;
}

void ChannelGuidePopoverLayer::fill(int plan, int channel, float startMHz, float endMHz)
{
    m_title->setString(std::string(channelplan::popoverPrefix(plan)) + std::to_string(channel));
    m_startValue->setString(megahertzText(startMHz));
    m_endValue->setString(megahertzText(endMHz));
    layout();
}

void ChannelGuidePopoverLayer::layout()
{
    const float closeWidth = m_closeButton ? m_closeButton->getBoundingBox().size.width : 0.0f;
    const float closeHeight = m_closeButton ? m_closeButton->getBoundingBox().size.height : 0.0f;
    const float captionWidth = std::max(widthOf(m_startCaption), widthOf(m_endCaption));
    const float titleWidth = std::max(m_titleWidth, widthOf(m_title));
    const float valueWidth = std::max({m_valueWidth, widthOf(m_startValue), widthOf(m_endValue)});
    const float inner = std::max(titleWidth + kTitleGap + closeWidth, captionWidth + kCaptionGap + valueWidth);
    const float titleRow = std::max(m_title->getLineHeight(), closeHeight);
    const float line = std::max(heightOf(m_startCaption), m_startCaption->getLineHeight());
    const float width = inner + 2.0f * kMarginX;
    const float height = 2.0f * kMarginY + titleRow + 2.0f * (kRowGap + line);
    setContentSize(engine::Size(width, height));
    if (m_background) m_background->setContentSize(getContentSize());

    float top = height - kMarginY;
    m_title->setPosition(Vec2(kMarginX, top));
    if (m_closeButton) m_closeButton->setPosition(Vec2(width - kMarginX, top));
    top -= titleRow + kRowGap;
    m_startCaption->setPosition(Vec2(kMarginX, top));
    m_startValue->setPosition(Vec2(kMarginX + captionWidth + kCaptionGap, top));
    top -= line + kRowGap;
    m_endCaption->setPosition(Vec2(kMarginX, top));
    m_endValue->setPosition(Vec2(kMarginX + captionWidth + kCaptionGap, top));
    engine::Director::markDirty();
}

engine::Rect ChannelGuidePopoverLayer::closeHitBox() const
{
    if (!m_closeButton) return {};
    const engine::Rect box = m_closeButton->getBoundingBox();
    // Bounding box in this layer's space, taken to world space and doubled about its centre.
    const Vec2 a = convertToWorldSpace(box.origin);
    const Vec2 b = convertToWorldSpace(Vec2(box.getMaxX(), box.getMaxY()));
    const float w = std::fabs(b.x - a.x);
    const float h = std::fabs(b.y - a.y);
    const Vec2 centre((a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f);
    return engine::Rect(centre.x - w, centre.y - h, 2.0f * w, 2.0f * h);
}

bool ChannelGuidePopoverLayer::onTouchBegan(engine::Touch* touch)
{
    if (!isVisible() || !getParent()) return false;
    const Vec2 p = touch->getLocation();
    if (closeHitBox().containsPoint(p)) {
        close();
        return true; // its end must not reach what lies below
    }
    const Vec2 local = convertToNodeSpace(p);
    const engine::Size& size = getContentSize();
    return local.x >= 0.0f && local.y >= 0.0f && local.x <= size.width && local.y <= size.height;
}

void ChannelGuidePopoverLayer::close()
{
    if (m_closing) return;
    m_closing = true;
    // Kept alive to the end of the frame: the owner may drop its reference when told, and the
    // touch that closed it is still being delivered.
    retain();
    autorelease();
    if (m_delegate) m_delegate->channelGuidePopoverClosed(this);
    removeFromParentAndCleanup(true);
    engine::Director::markDirty();
}

} // namespace nolvo
