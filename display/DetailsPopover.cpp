#include "display/DetailsPopover.h"

#include <algorithm>

#include "display/AnalystPanel.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"

namespace nolvo {

using namespace engine;

namespace {
constexpr float kPadding = 10.0f;
constexpr float kLineGap = 3.0f;
constexpr float kButtonHeight = 26.0f;
} // namespace

DetailsPopover* DetailsPopover::create(const std::vector<std::string>& lines, float fontSize)
{
    auto* popover = new DetailsPopover();
    if (!popover->initWithLines(lines, fontSize)) {
        delete popover;
        return nullptr;
    }
    popover->autorelease();
    return popover;
}

bool DetailsPopover::initWithLines(const std::vector<std::string>& lines, float fontSize)
{
    if (!LayerColor::initWithColor(Color4B(32, 36, 46, 248), 1.0f, 1.0f)) return false;
    m_lines = lines;
    std::vector<Label*> labels;
    float width = 150.0f;
    float height = kPadding;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Label* label = AnalystPanel::makeLabel(lines[i], i == 0 ? fontSize + 2.0f : fontSize, i == 0);
        if (!label) continue;
        label->setAnchorPoint(Vec2(0.0f, 1.0f));
        label->setTextColor(i == 0 ? Color4B(0, 200, 255, 255) : Color4B(235, 238, 245, 255));
        labels.push_back(label);
        width = std::max(width, label->getContentSize().width);
        height += label->getContentSize().height + kLineGap;
    }
    height += kButtonHeight + kPadding;
    changeWidthAndHeight(width + 2 * kPadding, height);
    float y = height - kPadding;
    for (Label* label : labels) {
        label->setPosition(Vec2(kPadding, y));
        addChild(label);
        y -= label->getContentSize().height + kLineGap;
    }
    m_add = ui::Button::create("ButtonUnselected.png", "ButtonSelected.png");
    if (m_add) {
        m_add->setScale9Enabled(true);
        m_add->ignoreContentAdaptWithSize(false); // sized to its title below, not to its image
        m_add->setTitleFontName("fonts/roboto/Roboto-Bold.ttf");
        m_add->setTitleFontSize(fontSize);
        // Room first, so the title is laid out at its own size (a button shrinks a title that
        // does not fit); then the button is fitted to it.
        m_add->setContentSize(Size(400.0f, kButtonHeight - 4.0f));
        m_add->setTitleText("ADD TO HISTORY (A)");
        const float w = (m_add->getTitleRenderer() ? m_add->getTitleRenderer()->getContentSize().width : 120.0f) + 20.0f;
        m_add->setContentSize(Size(w, kButtonHeight - 4.0f));
        m_add->setPosition(Vec2(kPadding + w / 2.0f, kPadding + kButtonHeight / 2.0f - 2.0f));
        m_add->addClickEventListener([this](Ref*) {
            // Keep this popover alive through the callbacks: adding closes it.
            retain();
            autorelease();
            if (m_onAdd) m_onAdd();
        });
        addChild(m_add, 1);
    }
    // Below the button in priority: a touch anywhere else, inside or outside the box, closes it.
    auto* listener = EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(true);
    listener->onTouchBegan = [](Touch*, Event*) { return true; };
    listener->onTouchEnded = [this](Touch*, Event*) {
        retain();
        autorelease();
        if (m_onClose) m_onClose();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
    Director::markDirty();
    return true;
}

} // namespace nolvo
