#include "display/AnalystPanel.h"

#include "engine/app/Director.h"
#include "engine/input/Event.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"

namespace nolvo {

using namespace engine;

namespace {
constexpr const char* kRegular = "fonts/roboto/Roboto-Regular.ttf";
constexpr const char* kBold = "fonts/roboto/Roboto-Bold.ttf";
constexpr float kButtonGap = 8.0f;
} // namespace

Label* AnalystPanel::makeLabel(const std::string& text, float size, bool bold)
{
    Label* label = Label::createWithTTF(text, bold ? kBold : kRegular, size);
    if (!label) label = Label::createWithSystemFont(text, "Roboto", size);
    return label;
}

bool AnalystPanel::initPanel(const Rect& area, const std::string& title)
{
    if (!LayerColor::initWithColor(Color4B(14, 16, 22, 242), area.size.width, area.size.height)) return false;
    setPosition(area.origin);
    const float barMid = area.size.height - kTitleBarHeight / 2.0f;
    auto* bar = LayerColor::create(Color4B(40, 44, 58, 255), area.size.width, kTitleBarHeight);
    if (bar) {
        bar->setPosition(Vec2(0.0f, area.size.height - kTitleBarHeight));
        addChild(bar, 0);
    }
    m_title = makeLabel(title, 16.0f, true);
    if (m_title) {
        m_title->setAnchorPoint(Vec2(0.0f, 0.5f));
        m_title->setPosition(Vec2(12.0f, barMid));
        m_title->setTextColor(Color4B(0, 200, 255, 255));
        addChild(m_title, 1);
    }
    m_buttonsLeftOf = area.size.width - 8.0f;
    if (auto* close = ui::Button::create("close_icon.png")) {
        const Size s = close->getContentSize();
        const float scale = s.height > 0 ? kTitleBarHeight * 0.7f / s.height : 1.0f;
        close->setScale(scale);
        close->setPosition(Vec2(m_buttonsLeftOf - s.width * scale / 2.0f, barMid));
        close->addClickEventListener([this](Ref*) { requestClose(); });
        addChild(close, 2);
        m_buttonsLeftOf -= s.width * scale + kButtonGap;
    }

    auto* touch = EventListenerTouchOneByOne::create();
    touch->setSwallowTouches(true);
    touch->onTouchBegan = [this](Touch* t, Event*) {
        const Vec2 p = convertToNodeSpace(t->getLocation());
        return isVisible() && p.x >= 0 && p.y >= 0 && p.x <= getContentSize().width && p.y <= getContentSize().height;
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(touch, this);
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [this](EventMouse* e) {
        const Vec2 p = convertToNodeSpace(e->getLocation());
        if (p.x < 0 || p.y < 0 || p.x > getContentSize().width || p.y > getContentSize().height) return;
        onWheel(e->getScrollY());
        e->stopPropagation();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(mouse, this);
    Director::markDirty();
    return true;
}

ui::Button* AnalystPanel::addTitleButton(const std::string& title, std::function<void()> pressed)
{
    auto* button = ui::Button::create("ButtonUnselected.png", "ButtonSelected.png");
    if (!button) return nullptr;
    button->setScale9Enabled(true);
    button->setTitleFontName(kBold);
    button->setTitleFontSize(13.0f);
    // Room first, so the title is laid out at its own size (a button shrinks a title that does not
    // fit); then the button is fitted to it.
    button->ignoreContentAdaptWithSize(false);
    button->setContentSize(Size(400.0f, kTitleBarHeight - 6.0f));
    button->setTitleText(title);
    const float width = (button->getTitleRenderer() ? button->getTitleRenderer()->getContentSize().width : 60.0f) + 20.0f;
    button->setContentSize(Size(width, kTitleBarHeight - 6.0f));
    button->setPosition(Vec2(m_buttonsLeftOf - width / 2.0f, getContentSize().height - kTitleBarHeight / 2.0f));
    button->addClickEventListener([pressed](Ref*) { pressed(); });
    addChild(button, 2);
    m_buttonsLeftOf -= width + kButtonGap;
    m_buttons.push_back(button);
    return button;
}

void AnalystPanel::requestClose()
{
    if (m_onClose) m_onClose();
}

bool AnalystPanel::handleKey(int keyCode, int /*rawKey*/)
{
    if (keyCode == static_cast<int>(EventKeyboard::KeyCode::KEY_ESCAPE)) {
        requestClose();
        return true;
    }
    return false;
}

Rect AnalystPanel::contentRect() const
{
    const Size s = getContentSize();
    return Rect(0.0f, 0.0f, s.width, std::max(0.0f, s.height - kTitleBarHeight));
}

} // namespace nolvo
