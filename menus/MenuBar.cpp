#include "menus/MenuBar.h"
#include "model/SharedField.h"

#include <algorithm>

#include "engine/actions/ActionInstant.h"
#include "engine/actions/ActionInterval.h"
#include "engine/app/Director.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/AlertViewLayer.h"
#include "menus/LinkControl.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

using namespace engine;

namespace {

const char* const kBoldFont = "fonts/roboto/Roboto-Bold.ttf";
const Color4B kBarColour(127, 127, 127, 255);
constexpr float kIconSize = 38.0f;
constexpr float kTitleSize = 11.0f;
const char* const kLongPressKeys[2] = {"nolvo.bar.hold.run", "nolvo.bar.hold.demo"};

int holdSlot(MenuBar::Item item)
{
    if (item == MenuBar::Item::RunState) return 0;
    if (item == MenuBar::Item::DemoSettings) return 1;
    return -1;
}

bool isMenuItem(MenuBar::Item item)
{
    switch (item) {
    case MenuBar::Item::Mode:
    case MenuBar::Item::Cursors:
    case MenuBar::Item::Measure:
    case MenuBar::Item::ColorsTrigger:
    case MenuBar::Item::DemoSettings:
        return true;
    default:
        return false;
    }
}

} // namespace

MenuBar* MenuBar::create(float height)
{
    auto* bar = new MenuBar();
    if (bar->initWithHeight(height)) {
        bar->autorelease();
        return bar;
    }
    delete bar;
    return nullptr;
}

bool MenuBar::initWithHeight(float height)
{
    m_itemWidth = std::min(kItemWidth, Director::getInstance()->getVisibleSize().width / kItemCount);
    if (!LayerColor::initWithColor(kBarColour, kItemCount * m_itemWidth, height)) return false;
    m_height = height;
    DataModel& model = *DataModel::getInstance();
    m_connected = model.accessoryConnected.load();
    setPosition(Vec2(shownX(), Director::getInstance()->getVisibleOrigin().y));
    rebuild();
    return true;
}

float MenuBar::shownX() const
{
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const Size visible = Director::getInstance()->getVisibleSize();
    return origin.x + std::max(0.0f, visible.width - getContentSize().width);
}

float MenuBar::hiddenX() const
{
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const Size visible = Director::getInstance()->getVisibleSize();
    return origin.x + visible.width - m_itemWidth;
}

void MenuBar::onExit()
{
    for (const char* key : kLongPressKeys) unschedule(key);
    m_holding[0] = m_holding[1] = false;
    LayerColor::onExit();
}

// ---------------------------------------------------------------------------------------------
// Building

std::string MenuBar::baseIcon(Item item) const
{
    switch (item) {
    case Item::Mode: return m_spectrumMode ? "SpectrumIcon" : "QuorvitIcon";
    case Item::Cursors: return "CursorIcon";
    case Item::Measure: return "MeasureIcon";
    case Item::ColorsTrigger: return m_spectrumMode ? "ColorIcon" : "TriggerIcon";
    case Item::DemoSettings: return demoShown() ? "DemoIcon" : "SettingsIcon";
    case Item::RunState: {
        const int state = DataModel::getInstance()->runState.load();
        if (state == kStopped) return "PlayIcon";
        if (state == kSingleArmed || state == kSingleDone) return "SingleShotIcon";
        return "PauseIcon";
    }
    case Item::ModeSwitch: return m_spectrumMode ? "QuorvitIcon" : "SpectrumIcon";
    default: return "";
    }
}

std::string MenuBar::titleOf(Item item) const
{
    switch (item) {
    case Item::Mode: return m_spectrumMode ? "Spectrum" : "Power";
    case Item::Cursors: return "Cursors";
    case Item::Measure: return "Measure";
    case Item::ColorsTrigger: return m_spectrumMode ? "Colors" : "Trigger";
    case Item::DemoSettings: return demoShown() ? "Demo" : "Settings";
    case Item::RunState: {
        const int state = DataModel::getInstance()->runState.load();
        if (state == kStopped) return "Play";
        if (state == kSingleArmed || state == kSingleDone) return "Single";
        return "Pause";
    }
    case Item::ModeSwitch: return "Switch";
    default: return "";
    }
}

std::string MenuBar::iconOf(Item item) const
{
    // Decided by the state, not by where the bar is: the bar hangs at the right end, so in a wide
    // window both of its positions lie right of the centre.
    if (item == Item::FlyInOut) return m_shown ? "FlyinUnselected.png" : "FlyoutUnselected.png";
    if (item == Item::Connection) return m_connected ? "connectedIcon.png" : "disconnectedIcon.png";
    const int id = menuIdFor(item);
    const bool selected = id != kNoMenu && MenuController::getInstance()->getOpenMenuId() == id;
    return baseIcon(item) + (selected ? "Selected.png" : "Unselected.png");
}

bool MenuBar::demoShown() const
{
    return !m_settingsToggle && !m_connected && MenuController::getInstance()->hasMenu(kDemoMenu);
}

ui::Button* MenuBar::makeButton(Item item)
{
    const std::string icon = iconOf(item);
    ui::Button* button = ui::Button::create(icon);
    if (!button) return nullptr;
    button->setPressedActionEnabled(false);
    const Size image = button->getContentSize();
    if (image.height > 0) button->setScale(kIconSize / std::max(image.width, image.height));
    button->setAnchorPoint(Vec2(0.5f, 0.5f));
    m_shownIcons[static_cast<std::size_t>(item)] = icon;
    button->addTouchEventListener([this, item](Ref*, ui::Widget::TouchEventType type) {
        using Type = ui::Widget::TouchEventType;
        switch (type) {
        case Type::BEGAN:
            pressBegan(item);
            break;
        case Type::CANCELED:
            pressCancelled(item);
            break;
        case Type::ENDED:
            if (!pressEnded(item)) break;
            if (item == Item::RunState) {
                tapRunState();
            } else if (item == Item::ModeSwitch) {
                switchMode();
            } else if (item == Item::FlyInOut) {
                setShown(!m_shown, true);
            } else {
                tapMenuButton(item);
            }
            break;
        default:
            break;
        }
    });
    return button;
}

void MenuBar::rebuild()
{
    for (const char* key : kLongPressKeys) unschedule(key);
    m_holding[0] = m_holding[1] = false;
    removeAllChildrenWithCleanup(true);
    m_buttons.fill(nullptr);
    m_titles.fill(nullptr);
    m_shownIcons.fill("");
    m_indicator = nullptr;
    m_spectrumMode = loadShared(DataModel::getInstance()->common.spectrumModeActive) != 0;
    ++m_builds;

    for (int i = 0; i < kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        const float centreX = (static_cast<float>(i) + 0.5f) * m_itemWidth;
        const std::string title = titleOf(item);
        const float iconY = title.empty() ? m_height / 2 : m_height - 4.0f - kIconSize / 2;
        if (item == Item::Connection) {
            m_indicator = Sprite::create(iconOf(item));
            if (m_indicator) {
                const Size image = m_indicator->getContentSize();
                if (image.width > 0) m_indicator->setScale(kIconSize * 0.7f / image.width);
                m_indicator->setPosition(Vec2(centreX, m_height / 2));
                addChild(m_indicator, 1);
            }
            continue;
        }
        ui::Button* button = makeButton(item);
        if (button) {
            button->setPosition(Vec2(centreX, iconY));
            // The whole column, title included, is the button.
            button->setTouchArea(Rect(static_cast<float>(i) * m_itemWidth, 0.0f, m_itemWidth, m_height));
            addChild(button, 1);
            m_buttons[static_cast<std::size_t>(i)] = button;
        }
        if (!title.empty()) {
            Label* label = Label::createWithFont(title, kBoldFont, kTitleSize);
            if (label) {
                label->setAnchorPoint(Vec2(0.5f, 0.0f));
                label->setPosition(Vec2(centreX, 2.0f));
                // A title wider than its column (a narrow window) is drawn smaller, never over
                // its neighbours.
                label->enableWrap(false);
                label->setDimensions(m_itemWidth - 2.0f, 0.0f);
                label->setHorizontalAlignment(TextHAlignment::CENTER);
                label->setOverflow(Label::Overflow::SHRINK);
                addChild(label, 1);
                m_titles[static_cast<std::size_t>(i)] = label;
            }
        }
    }
    updateLooks();
    Director::markDirty();
}

void MenuBar::updateLooks()
{
    for (int i = 0; i < kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        ui::Button* button = m_buttons[static_cast<std::size_t>(i)];
        if (button) {
            const std::string icon = iconOf(item);
            std::string& shown = m_shownIcons[static_cast<std::size_t>(i)];
            if (icon != shown) {
                button->loadTextureNormal(icon);
                shown = icon;
                Director::markDirty();
            }
            const bool usable = !isMenuItem(item) || menuIdFor(item) != kNoMenu;
            if (button->isEnabled() != usable) {
                button->setEnabled(usable);
                button->setOpacity(usable ? 255 : 110);
                Director::markDirty();
            }
        }
        if (Label* title = m_titles[static_cast<std::size_t>(i)]) {
            const std::string text = titleOf(item);
            if (title->getString() != text) {
                title->setString(text);
                Director::markDirty();
            }
        }
    }
}

void MenuBar::setAccessoryConnected(bool connected)
{
    if (connected == m_connected) return;
    m_connected = connected;
    rebuild();
}

void MenuBar::refreshItems()
{
    ++m_refreshes;
    if ((loadShared(DataModel::getInstance()->common.spectrumModeActive) != 0) != m_spectrumMode) {
        rebuild();
        return;
    }
    updateLooks();
}

ui::Button* MenuBar::button(Item item) const
{
    const int i = static_cast<int>(item);
    return i >= 0 && i < kItemCount ? m_buttons[static_cast<std::size_t>(i)] : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Menus

int MenuBar::menuIdFor(Item item) const
{
    int id = kNoMenu;
    switch (item) {
    case Item::Mode: id = m_spectrumMode ? kSpectrumMenu : kPowerMenu; break;
    case Item::Cursors: id = kCursorsMenu; break;
    case Item::Measure: id = m_spectrumMode ? kSpectrumMeasureMenu : kPowerMeasureMenu; break;
    case Item::ColorsTrigger: id = m_spectrumMode ? kSpectrumColorMenu : kTriggerMenu; break;
    case Item::DemoSettings: id = demoShown() ? kDemoMenu : kSettingsMenu; break;
    default: return kNoMenu;
    }
    return MenuController::getInstance()->hasMenu(id) ? id : kNoMenu;
}

Rect MenuBar::anchorOf(Item item) const
{
    const ui::Button* b = button(item);
    if (!b) return Rect(convertToWorldSpace(Vec2(0, 0)), Size(m_itemWidth, m_height));
    const Rect box = b->getBoundingBox(); // in the bar's space
    const Vec2 corner = convertToWorldSpace(box.origin);
    const Vec2 far = convertToWorldSpace(Vec2(box.origin.x + box.size.width, box.origin.y + box.size.height));
    // The menu sits on the bar, not on the icon: the anchor's top is the bar's top.
    const float top = convertToWorldSpace(Vec2(0, m_height)).y;
    return Rect(corner.x, corner.y, far.x - corner.x, top - corner.y);
}

void MenuBar::tapMenuButton(Item item)
{
    MenuController* controller = MenuController::getInstance();
    if (controller->getOpenMenuId() != kNoMenu) {
        controller->closeMenu(true);
        return;
    }
    const int id = menuIdFor(item);
    if (id == kNoMenu) return;
    controller->showMenu(id, anchorOf(item));
}

bool MenuBar::openFromKeyboard(int index)
{
    static constexpr Item kOrder[5] = {Item::Mode, Item::Cursors, Item::Measure, Item::ColorsTrigger,
                                       Item::DemoSettings};
    if (index < 0 || index >= 5) return false;
    const Item item = kOrder[index];
    MenuController* controller = MenuController::getInstance();
    const int id = menuIdFor(item);
    if (id != kNoMenu && controller->getOpenMenuId() == id) {
        controller->closeMenu(true);
        return true;
    }
    if (id == kNoMenu) return false;
    return controller->showMenu(id, anchorOf(item));
}

// ---------------------------------------------------------------------------------------------
// Run state, long presses

int MenuBar::nextRunState(int state)
{
    switch (state) {
    case kRunning: return kStopped;
    case kStopped: return kRunning;
    case kSingleArmed:
    case kSingleDone: return kSingleArmed;
    default: return kRunning;
    }
}

void MenuBar::applyRunState(DataModel& model, int state)
{
    model.runState.store(state);
    model.menuRefresh.store(true);
    // Pausing stops the accessory's stream; running again or arming a single sweep is picked up
    // by the link from the run state when it is stopped.
    if (state == kStopped) {
        if (LinkControl* link = MenuController::getInstance()->linkControl()) link->requestStop();
    }
}

void MenuBar::tapRunState()
{
    DataModel& model = *DataModel::getInstance();
    applyRunState(model, nextRunState(model.runState.load()));
    updateLooks();
}

void MenuBar::longPressRunState()
{
    applyRunState(*DataModel::getInstance(), kSingleArmed);
    updateLooks();
}

void MenuBar::longPressDemoSettings()
{
    m_settingsToggle = !m_settingsToggle;
    updateLooks();
}

void MenuBar::startLongPress(Item item)
{
    const int slot = holdSlot(item);
    if (slot < 0) return;
    m_holding[slot] = true;
    m_longPressFired[slot] = false;
    scheduleOnce(
        [this, item, slot](float) {
            if (!m_holding[slot]) return;
            m_longPressFired[slot] = true;
            if (item == Item::RunState) {
                longPressRunState();
            } else {
                longPressDemoSettings();
            }
        },
        kLongPressSeconds, kLongPressKeys[slot]);
}

void MenuBar::cancelLongPress(Item item)
{
    const int slot = holdSlot(item);
    if (slot < 0) return;
    unschedule(kLongPressKeys[slot]);
    m_holding[slot] = false;
}

void MenuBar::pressBegan(Item item)
{
    startLongPress(item);
}

bool MenuBar::pressEnded(Item item)
{
    const int slot = holdSlot(item);
    if (slot < 0) return true;
    cancelLongPress(item);
    const bool wasLong = m_longPressFired[slot];
    m_longPressFired[slot] = false;
    return !wasLong;
}

void MenuBar::pressCancelled(Item item)
{
    const int slot = holdSlot(item);
    if (slot < 0) return;
    cancelLongPress(item);
    m_longPressFired[slot] = false;
}

// ---------------------------------------------------------------------------------------------
// Mode switch, fly-in/out

bool MenuBar::switchMode()
{
    DataModel& model = *DataModel::getInstance();
    bool connected = model.accessoryConnected.load();
    bool hasSpectrum = false;
    bool hasPower = false;
    {
        ModelLock lock(model, kDataLock);
        hasSpectrum = model.deviceInfo.has24Spectrum || model.deviceInfo.has5Spectrum;
        hasPower = model.deviceInfo.hasPower;
    }
    const bool toSpectrum = loadShared(model.common.spectrumModeActive) == 0;
    if (toSpectrum && connected && !hasSpectrum) {
        AlertViewLayer::showSimple("Spectrum Mode is unavailable with this hardware.", "", "OK");
        return false;
    }
    if (!toSpectrum && connected && !hasPower) {
        AlertViewLayer::showSimple("Power Mode is unavailable with this hardware.", "", "OK");
        return false;
    }
    MenuController* controller = MenuController::getInstance();
    controller->closeMenu(false);
    storeShared<std::uint8_t>(model.common.spectrumModeActive, toSpectrum ? 1 : 0);
    model.menuRefresh.store(true);
    // The main scene rebuilds its layers on the mode change; the accessory needs the new mode's
    // settings and start commands.
    if (LinkControl* link = controller->linkControl()) link->requestRestart(true);
    refreshItems();
    return true;
}

void MenuBar::setShown(bool shown, bool animated)
{
    m_shown = shown;
    stopActionByTag(1);
    const Vec2 target(shown ? shownX() : hiddenX(), getPositionY());
    if (!animated) {
        setPosition(target);
        updateLooks();
        Director::markDirty();
        return;
    }
    // The fly-in/out icon follows the bar's position once it arrives.
    Action* move = runAction(Sequence::create({MoveTo::create(kFlyTime, target), CallFunc::create([this] { updateLooks(); })}));
    if (move) move->setTag(1);
}

} // namespace nolvo
