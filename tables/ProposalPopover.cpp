#include "tables/ProposalPopover.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/text/Label.h"

namespace nolvo {

using namespace engine;

namespace {
constexpr float kPadding = 12.0f;
constexpr float kLineGap = 4.0f;
}

ProposalPopover* ProposalPopover::create(const std::vector<std::string>& lines, float fontSize)
{
    auto* popover = new ProposalPopover();
    if (!popover->initWithLines(lines, fontSize)) {
        delete popover;
        return nullptr;
    }
    popover->autorelease();
    return popover;
}

bool ProposalPopover::initWithLines(const std::vector<std::string>& lines, float fontSize)
{
    if (!LayerColor::initWithColor(Color4B(40, 44, 52, 245), 1.0f, 1.0f)) return false;
    m_lines = lines;
    std::vector<Label*> labels;
    float width = 0.0f;
    float height = kPadding;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool first = i == 0;
        Label* label = Label::createWithFont(lines[i], first ? "fonts/roboto/Roboto-Bold.ttf" : "fonts/roboto/Roboto-Regular.ttf", fontSize);
        if (!label) continue;
        label->setAnchorPoint(Vec2(0.0f, 1.0f));
        label->setTextColor(first ? Color4B(0, 200, 255, 255) : Color4B(255, 255, 255, 255));
        labels.push_back(label);
        width = std::max(width, label->getContentSize().width);
        height += label->getContentSize().height + kLineGap;
    }
    height += kPadding - kLineGap;
    changeWidthAndHeight(width + 2 * kPadding, height);
    float y = height - kPadding;
    for (Label* label : labels) {
        label->setPosition(Vec2(kPadding, y));
        addChild(label);
        y -= label->getContentSize().height + kLineGap;
    }
    auto* listener = EventListenerTouchOneByOne::create();
    listener->setSwallowTouches(true);
    listener->onTouchBegan = [](Touch*, Event*) { return true; };
    listener->onTouchEnded = [this](Touch*, Event*) {
        if (m_onClose) m_onClose();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);
    Director::markDirty();
    return true;
}

} // namespace nolvo
