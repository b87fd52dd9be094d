#include "menus/AlertViewLayer.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/scene/Scene.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "engine/ui/ImageView.h"
#include "menus/AlertViewDelegate.h"
#include "model/DataModel.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kTitleFont = "fonts/roboto/Roboto-Bold.ttf";
const char* const kBodyFont = "fonts/roboto/Roboto-Regular.ttf";

struct AlertMetrics {
    float width;
    float titleFont;
    float messageFont;
    float buttonFont;
    float buttonHeight;
};

// Alert width and font sizes by display size class.
AlertMetrics metricsFor(int sizeClass, float screenWidth)
{
    switch (sizeClass) {
    case 0: return {screenWidth * 0.5f, 16, 16, 14, 35};
    case 1: return {screenWidth * 0.5f, 16, 16, 14, 30};
    case 2: return {screenWidth * 0.4f, 18, 16, 16, 32};
    default: return {384, 18, 16, 16, 32};
    }
}

constexpr float kMargin = 16.0f;     // inside the box, around the texts
constexpr float kGap = 10.0f;        // between title, message and buttons
constexpr float kButtonGap = 8.0f;   // between two buttons
constexpr Rect kBackgroundInsets{16, 16, 32, 32};
constexpr Rect kButtonInsets{10, 10, 12, 12};

Label* makeText(const std::string& text, const char* font, float size, float width)
{
    if (text.empty()) return nullptr;
    Label* label = Label::createWithFont(text, font, size, Size(width, 0), TextHAlignment::CENTER);
    if (label) label->setOverflow(Label::Overflow::RESIZE_HEIGHT);
    return label;
}

} // namespace

AlertViewLayer* AlertViewLayer::create(const std::string& title, const std::string& message,
                                       const std::string& extraAction, const std::vector<std::string>& buttonTitles)
{
    auto* layer = new AlertViewLayer();
    if (layer->initWithTexts(title, message, extraAction, buttonTitles)) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

AlertViewLayer* AlertViewLayer::showSimple(const std::string& title, const std::string& message,
                                           const std::string& button)
{
    AlertViewLayer* alert = create(title, message, "", {button});
    if (alert && !alert->show()) return nullptr;
    return alert;
}

bool AlertViewLayer::initWithTexts(const std::string& title, const std::string& message,
                                   const std::string& extraAction, const std::vector<std::string>& buttonTitles)
{
    const Size visible = Director::getInstance()->getVisibleSize();
    if (!LayerColor::initWithColor(Color4B(0, 0, 0, 127), visible.width, visible.height)) return false;
    m_title = title;
    m_message = message;
    m_extraAction = extraAction;
    m_buttonTitles = buttonTitles;

    // Modal: every touch that reaches the alert stops here, whether it hits a button or not.
    auto* listener = EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(true);
    listener->onTouchBegan = [](Touch*, Event*) { return true; };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
    return true;
}

bool AlertViewLayer::show()
{
    Scene* scene = Director::getInstance()->getRunningScene();
    if (!scene) return false;
    layout();
    scene->addChild(this, kZOrder);
    Director::markDirty();
    return true;
}

void AlertViewLayer::layout()
{
    removeAllChildrenWithCleanup(true);
    m_buttons.clear();

    Director* director = Director::getInstance();
    const Size visible = director->getVisibleSize();
    const Vec2 origin = director->getVisibleOrigin();
    setContentSize(visible);
    setPosition(origin);

    const AlertMetrics m = metricsFor(DataModel::getInstance()->displaySizeClass.load(), visible.width);
    const float textWidth = std::max(1.0f, m.width - 2 * kMargin);
    Label* title = makeText(m_title, kTitleFont, m.titleFont, textWidth);
    Label* message = makeText(m_message, kBodyFont, m.messageFont, textWidth);
    if (title) title->setTextColor(Color4B(255, 255, 255, 255));
    if (message) message->setTextColor(Color4B(214, 222, 235, 255));

    std::vector<std::string> titles = m_buttonTitles;
    if (!m_extraAction.empty()) titles.push_back(m_extraAction);

    float height = 2 * kMargin + m.buttonHeight;
    if (title) height += title->getContentSize().height + kGap;
    if (message) height += message->getContentSize().height + kGap;
    m_box = Rect(origin.x + (visible.width - m.width) / 2, origin.y + (visible.height - height) / 2, m.width, height);
    const Vec2 boxOrigin(m_box.origin.x - origin.x, m_box.origin.y - origin.y);

    if (auto* background = ui::ImageView::create("AlertViewBackground.png")) {
        background->setScale9Enabled(true);
        background->setCapInsets(kBackgroundInsets);
        background->ignoreContentAdaptWithSize(false);
        background->setContentSize(m_box.size);
        background->setAnchorPoint(Vec2(0, 0));
        background->setPosition(boxOrigin);
        background->setTouchEnabled(false);
        addChild(background, 0);
    }
    if (auto* spotlight = ui::ImageView::create("AlertViewSpotlight.png")) {
        spotlight->setScale9Enabled(true);
        spotlight->ignoreContentAdaptWithSize(false);
        spotlight->setContentSize(Size(m_box.size.width, std::min(m_box.size.height, 48.0f)));
        spotlight->setAnchorPoint(Vec2(0.5f, 1.0f));
        spotlight->setPosition(Vec2(boxOrigin.x + m.width / 2, boxOrigin.y + height));
        spotlight->setTouchEnabled(false);
        addChild(spotlight, 1);
    }

    float top = boxOrigin.y + height - kMargin;
    for (Label* label : {title, message}) {
        if (!label) continue;
        label->setAnchorPoint(Vec2(0.5f, 1.0f));
        label->setPosition(Vec2(boxOrigin.x + m.width / 2, top));
        addChild(label, 2);
        top -= label->getContentSize().height + kGap;
    }

    // One row of equal buttons across the box.
    const int count = static_cast<int>(titles.size());
    if (count == 0) return;
    const float rowWidth = m.width - 2 * kMargin;
    const float buttonWidth = std::max(1.0f, (rowWidth - kButtonGap * (count - 1)) / count);
    for (int i = 0; i < count; ++i) {
        const bool extra = !m_extraAction.empty() && i == count - 1;
        ui::Button* button = extra ? ui::Button::create("ButtonUnselected.png", "ButtonSelected.png")
                                   : ui::Button::create("AlertButtonUnselected.png", "AlertButtonSelected.png");
        if (!button) button = ui::Button::create();
        button->setScale9Enabled(true);
        button->setCapInsets(kButtonInsets);
        button->ignoreContentAdaptWithSize(false);
        button->setContentSize(Size(buttonWidth, m.buttonHeight));
        button->setZoomScale(0.0f);
        button->setTitleFontName(kBodyFont);
        button->setTitleFontSize(m.buttonFont);
        button->setTitleText(titles[i]);
        button->setTitleColor(Color3B(255, 255, 255));
        button->setAnchorPoint(Vec2(0, 0));
        button->setPosition(Vec2(boxOrigin.x + kMargin + i * (buttonWidth + kButtonGap), boxOrigin.y + kMargin));
        const std::int32_t tag = extra ? kExtraActionIndex : i;
        button->setTag(tag);
        button->addClickEventListener([this, tag](Ref*) { buttonPressed(tag); });
        addChild(button, 3);
        m_buttons.push_back(button);
    }
}

void AlertViewLayer::buttonPressed(std::int32_t index)
{
    if (m_closing) return;
    m_closing = true;
    // Keep the alert (and the button whose handler is running) alive until the frame ends.
    retain();
    autorelease();
    if (m_delegate) m_delegate->alertViewClicked(this, index);
    removeFromParentAndCleanup(true);
    Director::markDirty();
}

} // namespace nolvo
