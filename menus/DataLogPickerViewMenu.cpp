#include "menus/DataLogPickerViewMenu.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "engine/app/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/input/Touch.h"
#include "engine/platform/FileUtils.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "menus/AlertViewLayer.h"
#include "menus/DataLogMail.h"
#include "menus/MenuController.h"
#include "menus/SettingsMenu.h"
#include "model/DataLogFile.h"

namespace nolvo {

using namespace engine;
namespace files = data_log_files;
using Key = EventKeyboard::KeyCode;

namespace {

const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";
const char* const kRescanKey = "data-log-rescan";
constexpr float kRescanSeconds = 2.0f;
constexpr int kVisibleRows = 5;
// Movement below which a touch on the wheel counts as a tap.
constexpr float kTapSlop = 6.0f;

Label* makeLabel(const std::string& text, float size)
{
    Label* label = Label::createWithFont(text, kFont, size);
    return label;
}

void fit(Sprite* sprite, const Size& size)
{
    if (!sprite) return;
    const Size image = sprite->getContentSize();
    if (image.width <= 0 || image.height <= 0) return;
    sprite->setScale(size.width / image.width, size.height / image.height);
}

std::string runningLogPath()
{
    return DataLogFile::getInstance()->path();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The wheel: five rows, the selected file in the middle; each row shows the name and, right
// aligned in grey, the size and modification time. Drag or turn the mouse wheel over it to move
// it; a tap on a row brings that row to the middle.

class DataLogWheelRow : public MenuRow {
public:
    static DataLogWheelRow* create(DataLogPickerViewMenu* menu)
    {
        auto* row = new DataLogWheelRow();
        if (row->initWheel(menu)) {
            row->autorelease();
            return row;
        }
        delete row;
        return nullptr;
    }

    std::string name() const override { return "FILES"; }

    void layout(float width) override
    {
        const float h = rowH() * kVisibleRows;
        setContentSize(Size(width, h));
        m_frame->removeAllChildren();
        Sprite* left = Sprite::create("left-edge.png");
        Sprite* right = Sprite::create("right-edge.png");
        Sprite* middle = Sprite::create("middle-edge.png");
        const float edge = left ? left->getContentSize().width : 12.0f;
        for (auto [sprite, x, w] : {std::tuple{left, 0.0f, edge}, std::tuple{middle, edge, width - 2 * edge},
                                    std::tuple{right, width - edge, edge}}) {
            if (!sprite) continue;
            sprite->setAnchorPoint(Vec2(0, 0));
            sprite->setPosition(Vec2(x, 0));
            fit(sprite, Size(std::max(0.0f, w), h));
            m_frame->addChild(sprite);
        }
        if (m_gloss) fit(m_gloss, Size(width, h));
        refresh();
    }

    void refresh() override
    {
        const auto& list = m_owner->files();
        const Size size = getContentSize();
        const float centreY = size.height / 2;
        const int selected = std::max(0, m_owner->selectedRow());
        const float pad = 16.0f;
        for (int i = 0; i < kVisibleRows; ++i) {
            const int row = selected - kVisibleRows / 2 + i;
            const bool shown = row >= 0 && row < static_cast<int>(list.size());
            Label* name = m_names[static_cast<std::size_t>(i)];
            Label* details = m_details[static_cast<std::size_t>(i)];
            if (!name || !details) continue;
            name->setVisible(shown);
            details->setVisible(shown);
            if (!shown) continue;
            const files::Entry& entry = list[static_cast<std::size_t>(row)];
            const float y = centreY + static_cast<float>(selected - row) * rowH();
            const std::string info = files::sizeLabel(entry.size) + "   " + files::timeLabel(entry.modified);
            if (name->getString() != entry.name) name->setString(entry.name);
            if (details->getString() != info) details->setString(info);
            const std::uint8_t alpha = row == selected ? 255 : 150;
            name->setTextColor(Color4B(255, 255, 255, alpha));
            details->setTextColor(Color4B(170, 170, 170, alpha));
            details->setPosition(Vec2(size.width - pad, y));
            // The details keep their room; a long name is scaled down to what is left.
            const float nameRoom = size.width - 2 * pad - details->getContentSize().width - 12.0f;
            const float natural = name->getContentSize().width;
            name->setScale(natural > nameRoom && natural > 0 && nameRoom > 0 ? nameRoom / natural : 1.0f);
            name->setPosition(Vec2(pad, y));
        }
        if (m_empty) {
            m_empty->setVisible(list.empty());
            m_empty->setPosition(Vec2(size.width / 2, centreY));
        }
        Director::markDirty();
    }

    // Texts of the rows shown now, top to bottom (tests).
    std::vector<std::string> shownNames() const
    {
        std::vector<std::pair<float, std::string>> shown;
        for (const Label* label : m_names) {
            if (label && label->isVisible()) shown.emplace_back(label->getPositionY(), label->getString());
        }
        std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<std::string> names;
        for (auto& s : shown) names.push_back(s.second);
        return names;
    }

    void onEnter() override
    {
        MenuRow::onEnter();
        if (m_touch) return;
        EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
        m_touch = EventListenerTouchOneByOne::create();
        m_touch->setSwallowTouches(true);
        m_touch->onTouchBegan = [this](Touch* touch, Event*) {
            if (!contains(touch->getLocation())) return false;
            m_start = touch->getLocation();
            m_dragRows = 0;
            m_dragging = false;
            return true;
        };
        m_touch->onTouchMoved = [this](Touch* touch, Event*) {
            const Vec2 at = touch->getLocation();
            if (!m_dragging && std::fabs(at.y - m_start.y) < kTapSlop) return;
            m_dragging = true;
            // Dragging up lifts the rows: the ones below come to the middle.
            const int rows = static_cast<int>(std::lround((at.y - m_start.y) / rowH()));
            if (rows != m_dragRows) {
                m_owner->moveSelection(rows - m_dragRows);
                m_dragRows = rows;
            }
        };
        m_touch->onTouchEnded = [this](Touch* touch, Event*) {
            if (m_dragging) return;
            const Vec2 local = convertToNodeSpace(touch->getLocation());
            const int offset = static_cast<int>(std::lround((getContentSize().height / 2 - local.y) / rowH()));
            m_owner->moveSelection(offset);
        };
        dispatcher->addEventListenerWithSceneGraphPriority(m_touch, this);
        m_mouse = EventListenerMouse::create();
        m_mouse->onMouseScroll = [this](EventMouse* e) {
            if (!contains(e->getLocation())) return;
            // Away from the user brings the rows above into the middle.
            if (e->getScrollY() > 0) m_owner->moveSelection(-1);
            if (e->getScrollY() < 0) m_owner->moveSelection(1);
            e->stopPropagation();
        };
        dispatcher->addEventListenerWithSceneGraphPriority(m_mouse, this);
    }

private:
    bool initWheel(DataLogPickerViewMenu* menu)
    {
        if (!initRow(menu, "")) return false;
        m_owner = menu;
        m_frame = Node::create();
        addChild(m_frame, 0);
        const float size = fontSize();
        for (int i = 0; i < kVisibleRows; ++i) {
            Label* name = makeLabel("", size);
            Label* details = makeLabel("", size * 0.8f);
            if (name) {
                name->setAnchorPoint(Vec2(0, 0.5f));
                addChild(name, 1);
            }
            if (details) {
                details->setAnchorPoint(Vec2(1, 0.5f));
                addChild(details, 1);
            }
            m_names.push_back(name);
            m_details.push_back(details);
        }
        m_empty = makeLabel("No data logs", size);
        if (m_empty) {
            m_empty->setTextColor(Color4B(127, 127, 127, 255));
            m_empty->setAnchorPoint(Vec2(0.5f, 0.5f));
            addChild(m_empty, 1);
        }
        m_gloss = Sprite::create("wheel.png");
        if (m_gloss) {
            m_gloss->setAnchorPoint(Vec2(0, 0));
            addChild(m_gloss, 2);
        }
        return true;
    }

    float rowH() const { return m_menu ? m_menu->metrics().rowHeight : 32.0f; }

    bool contains(const Vec2& world) const
    {
        const Vec2 local = convertToNodeSpace(world);
        const Size& size = getContentSize();
        return local.x >= 0 && local.y >= 0 && local.x <= size.width && local.y <= size.height;
    }

    DataLogPickerViewMenu* m_owner = nullptr;
    Node* m_frame = nullptr;
    Sprite* m_gloss = nullptr;
    Label* m_empty = nullptr;
    std::vector<Label*> m_names;
    std::vector<Label*> m_details;
    EventListenerTouchOneByOne* m_touch = nullptr;
    EventListenerMouse* m_mouse = nullptr;
    Vec2 m_start;
    int m_dragRows = 0;
    bool m_dragging = false;
};

// ---------------------------------------------------------------------------------------------
// DataLogPickerViewMenu

DataLogPickerViewMenu::~DataLogPickerViewMenu()
{
    if (m_confirmation) {
        m_confirmation->setDelegate(nullptr);
        m_confirmation->release();
    }
}

std::string DataLogPickerViewMenu::directory()
{
    return FileUtils::getInstance()->getWritablePath();
}

bool DataLogPickerViewMenu::openInPlaceOfOpenMenu()
{
    return MenuController::getInstance()->replaceOpenMenu(create());
}

float DataLogPickerViewMenu::menuWidth(int sizeClass, float availableHeight) const
{
    (void)availableHeight;
    // Room for a log's name beside its size and time.
    return MenuController::metricsFor(sizeClass).fontSize * 32.0f;
}

void DataLogPickerViewMenu::buildRows()
{
    reloadFiles();
    addCaption("DATA LOGS");
    m_wheel = DataLogWheelRow::create(this);
    addRow(m_wheel);
    addSegmented(
        "", {"DELETE", "EMAIL"}, [] { return -1; },
        [this](int i) {
            if (i == 0) {
                pressDelete();
            } else {
                pressEmail();
            }
        },
        [this](int) { return !m_files.empty() && !m_confirmation; });
    // Back to the settings menu it was opened from (Esc closes both).
    addButton("BACK", [] { MenuController::getInstance()->replaceOpenMenu(SettingsMenu::create()); },
              [this] { return !m_confirmation; });
}

void DataLogPickerViewMenu::onEnter()
{
    MenuLayer::onEnter();
    reloadFiles();
    // Logs started or removed elsewhere show up while the menu is open.
    getScheduler()->schedule([this](float) { reloadFiles(); }, this, kRescanSeconds, false, kRescanKey);
}

void DataLogPickerViewMenu::onExit()
{
    getScheduler()->unschedule(kRescanKey, this);
    // Closing the menu cancels a confirmation still open.
    if (m_confirmation) {
        AlertViewLayer* alert = m_confirmation;
        m_confirmation = nullptr;
        m_pendingDelete.clear();
        alert->setDelegate(nullptr);
        if (alert->getParent()) alert->removeFromParentAndCleanup(true);
        alert->release();
    }
    MenuLayer::onExit();
}

std::string DataLogPickerViewMenu::fileNameAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_files.size())) return "[Unknown]";
    return m_files[static_cast<std::size_t>(row)].name;
}

void DataLogPickerViewMenu::selectRow(int row)
{
    if (row == m_selected) return;
    m_selected = row;
    wheelChanged();
}

void DataLogPickerViewMenu::moveSelection(int rows)
{
    if (m_files.empty()) return;
    const int last = static_cast<int>(m_files.size()) - 1;
    selectRow(std::clamp(std::clamp(m_selected, 0, last) + rows, 0, last));
}

void DataLogPickerViewMenu::reloadFiles()
{
    const std::string selectedName =
        m_selected >= 0 && m_selected < static_cast<int>(m_files.size()) ? m_files[static_cast<std::size_t>(m_selected)].name
                                                                          : "";
    std::vector<files::Entry> fresh = files::list(directory());
    bool same = fresh.size() == m_files.size();
    for (std::size_t i = 0; same && i < fresh.size(); ++i) {
        same = fresh[i].name == m_files[i].name && fresh[i].size == m_files[i].size &&
               fresh[i].modified == m_files[i].modified;
    }
    if (same) return;
    m_files = std::move(fresh);
    int selected = std::min(m_selected, static_cast<int>(m_files.size()) - 1);
    if (selected < 0 && !m_files.empty()) selected = 0;
    for (std::size_t i = 0; i < m_files.size() && !selectedName.empty(); ++i) {
        if (m_files[i].name == selectedName) selected = static_cast<int>(i);
    }
    m_selected = selected;
    wheelChanged();
}

void DataLogPickerViewMenu::wheelChanged()
{
    markForRefresh();
    Director::markDirty();
}

bool DataLogPickerViewMenu::handleKey(Key key)
{
    if (m_confirmation) {
        // The confirmation is modal: Enter answers "OK"; the menu's own keys wait, the
        // program's other shortcuts still work.
        switch (key) {
        case Key::KEY_ENTER: {
            AlertViewLayer* alert = m_confirmation;
            alert->retain();
            alertViewClicked(alert, 0);
            if (alert->getParent()) alert->removeFromParentAndCleanup(true);
            alert->release();
            return true;
        }
        case Key::KEY_UP_ARROW:
        case Key::KEY_DOWN_ARROW:
        case Key::KEY_LEFT_ARROW:
        case Key::KEY_RIGHT_ARROW:
        case Key::KEY_PG_UP:
        case Key::KEY_PG_DOWN:
        case Key::KEY_HOME:
        case Key::KEY_END:
        case Key::KEY_SPACE:
            return true;
        default:
            return false;
        }
    }
    switch (key) {
    case Key::KEY_UP_ARROW: moveSelection(-1); return true;
    case Key::KEY_DOWN_ARROW: moveSelection(1); return true;
    case Key::KEY_PG_UP: moveSelection(-kVisibleRows); return true;
    case Key::KEY_PG_DOWN: moveSelection(kVisibleRows); return true;
    case Key::KEY_HOME: moveSelection(-static_cast<int>(m_files.size())); return true;
    case Key::KEY_END: moveSelection(static_cast<int>(m_files.size())); return true;
    default: return MenuLayer::handleKey(key);
    }
}

void DataLogPickerViewMenu::pressDelete()
{
    if (m_confirmation) return;
    if (m_selected < 0 || m_selected >= static_cast<int>(m_files.size())) return;
    const std::string name = m_files[static_cast<std::size_t>(m_selected)].name;
    if (files::isRunningLog(directory(), name, runningLogPath())) {
        AlertViewLayer::showSimple("Delete file", name + " is the data log being written. Stop the data log first.");
        return;
    }
    AlertViewLayer* alert =
        AlertViewLayer::create("Delete file", "Are you sure you want to delete " + name + "?", "", {"OK", "CANCEL"});
    if (!alert) return;
    alert->setDelegate(this);
    if (!alert->show()) return;
    alert->retain();
    m_confirmation = alert;
    m_pendingDelete = name;
    m_pendingDeleteEntry = m_files[static_cast<std::size_t>(m_selected)];
    markForRefresh();
}

void DataLogPickerViewMenu::alertViewClicked(AlertViewLayer* alert, std::int32_t buttonIndex)
{
    if (!alert || alert != m_confirmation) return;
    m_confirmation = nullptr;
    const std::string name = std::move(m_pendingDelete);
    m_pendingDelete.clear();
    const files::Entry listed = m_pendingDeleteEntry;
    alert->release();
    if (buttonIndex == 0 && !name.empty()) {
        // Exactly the file that was listed under that name, not one put there since.
        switch (files::remove(directory(), listed, runningLogPath())) {
        case files::DeleteResult::Running:
            AlertViewLayer::showSimple("Delete file", name + " is the data log being written. Stop the data log first.");
            break;
        case files::DeleteResult::Failed:
            AlertViewLayer::showSimple("Delete file", name + " could not be deleted.");
            break;
        default:
            break;
        }
    }
    reloadFiles();
    markForRefresh();
}

void DataLogPickerViewMenu::pressEmail()
{
    if (m_selected < 0 || m_selected >= static_cast<int>(m_files.size())) return;
    const files::Entry& listed = m_files[static_cast<std::size_t>(m_selected)];
    int fd = -1;
    if (files::openForMail(directory(), listed, fd) != files::MailCheck::Ready) {
        // Gone, replaced or empty: nothing to send, and nothing to say.
        reloadFiles();
        return;
    }
    data_log_mail::handOffFile(fd, listed.name, [](bool sent) {
        if (!sent) AlertViewLayer::showSimple("Cannot send email", "Please setup Mail to send and receive email.");
    });
}

} // namespace nolvo
