#include "menus/PickerColumnsRow.h"

#include <algorithm>

#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "menus/PickerLayer.h"

namespace nolvo {

using namespace engine;
using power_menu::Column;

namespace {
constexpr float kGap = 2.0f;
// Relative widths of the sign, whole, hundredths and unit buttons.
constexpr float kShares[PickerColumnsRow::kColumns] = {0.8f, 1.0f, 1.0f, 1.3f};
} // namespace

PickerColumnsRow* PickerColumnsRow::create(MenuLayer* menu, const std::string& caption, Units units, Entry entry,
                                           Store store, Enabled enabled)
{
    auto* row = new PickerColumnsRow();
    if (!row->initRow(menu, caption)) {
        delete row;
        return nullptr;
    }
    row->autorelease();
    row->m_units = std::move(units);
    row->m_entry = std::move(entry);
    row->m_store = std::move(store);
    row->m_enabled = std::move(enabled);
    for (int c = 0; c < kColumns; ++c) {
        ui::Button* button = makeMenuButton(row->columnTitle(c), row->fontSize());
        if (!button) continue;
        button->setAnchorPoint(Vec2(0, 0.5f));
        button->addTouchEventListener([row, c](Ref*, ui::Widget::TouchEventType type) {
            if (type == ui::Widget::TouchEventType::ENDED) row->openColumn(c);
        });
        row->addChild(button, 1);
        row->m_buttons[static_cast<std::size_t>(c)] = button;
    }
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseScroll = [row](EventMouse* e) {
        const Vec2 local = row->convertToNodeSpace(e->getLocation());
        for (int c = 0; c < kColumns; ++c) {
            const ui::Button* b = row->button(c);
            if (!b || !b->isVisible() || !b->getBoundingBox().containsPoint(local)) continue;
            const float notch = e->getScrollY();
            if (notch != 0.0f) row->stepColumn(c, notch > 0 ? 1 : -1);
            e->stopPropagation();
            return;
        }
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(mouse, row);
    return row;
}

ui::Button* PickerColumnsRow::button(int column) const
{
    return column >= 0 && column < kColumns ? m_buttons[static_cast<std::size_t>(column)] : nullptr;
}

bool PickerColumnsRow::unitIsChoice() const { return units().size() > 1; }

bool PickerColumnsRow::isFocusUsable(int item) const
{
    if (!isEnabled()) return false;
    return item != static_cast<int>(Column::Unit) || unitIsChoice();
}

std::string PickerColumnsRow::columnTitle(int column) const
{
    if (column < 0 || column >= kColumns) return {};
    const auto col = static_cast<Column>(column);
    const std::vector<std::string> rows = power_menu::columnOptions(col, units());
    // A single unit is always that unit, whatever the entry's unit column holds.
    const int value = col == Column::Unit && !unitIsChoice() ? 0 : power_menu::columnValue(entry(), col);
    return value >= 0 && value < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(value)] : "?";
}

std::string PickerColumnsRow::valueText() const
{
    const std::string sign = columnTitle(static_cast<int>(Column::Sign));
    return (sign == "-" ? sign : std::string()) + columnTitle(static_cast<int>(Column::Whole)) + "." +
           columnTitle(static_cast<int>(Column::Hundredths)) + columnTitle(static_cast<int>(Column::Unit));
}

void PickerColumnsRow::refresh()
{
    const bool enabled = isEnabled();
    for (int c = 0; c < kColumns; ++c) {
        ui::Button* b = button(c);
        if (!b) continue;
        row_kit::setTitleIfChanged(b, columnTitle(c));
        row_kit::setEnabledIfChanged(b, enabled && (c != static_cast<int>(Column::Unit) || unitIsChoice()));
    }
}

void PickerColumnsRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    float total = 0.0f;
    for (float share : kShares) total += share;
    const float available = std::max(0.0f, width - captionW - (kColumns - 1) * kGap);
    const float buttonHeight = m_menu ? m_menu->metrics().rowHeight : 32.0f;
    float x = captionW;
    for (int c = 0; c < kColumns; ++c) {
        const float w = available * kShares[c] / total;
        if (ui::Button* b = button(c)) {
            row_kit::sizeButton(b, w, buttonHeight);
            b->setPosition(Vec2(x, h / 2));
        }
        x += w + kGap;
    }
}

Rect PickerColumnsRow::focusFrame(int item) const
{
    if (const ui::Button* b = button(item)) return b->getBoundingBox();
    return MenuRow::focusFrame(item);
}

void PickerColumnsRow::openColumn(int column)
{
    if (column < 0 || column >= kColumns || !m_menu || !isFocusUsable(column)) return;
    const auto col = static_cast<Column>(column);
    PickerWheel* wheel = PickerWheel::create(power_menu::columnOptions(col, units()),
                                             power_menu::columnValue(entry(), col),
                                             [this, column](int row) { choose(column, row); }, m_menu->metrics());
    if (!wheel) return;
    const Node* control = button(column) ? static_cast<const Node*>(button(column)) : static_cast<const Node*>(this);
    // A column's wheel is narrower than the menu: a third of it, at least 90 points.
    const float menuWidth = m_menu->getContentSize().width * m_menu->getScaleX();
    const Rect anchor = row_kit::pickerAnchor(m_menu, control);
    const Rect columnBox = row_kit::worldRect(control);
    wheel->placeNear(Rect(columnBox.origin.x, anchor.origin.y, columnBox.size.width, anchor.size.height),
                     std::max(90.0f, menuWidth / 3));
    MenuController::getInstance()->showPicker(wheel);
}

void PickerColumnsRow::stepColumn(int column, int steps)
{
    if (column < 0 || column >= kColumns || steps == 0) return;
    const auto col = static_cast<Column>(column);
    const int last = static_cast<int>(power_menu::columnOptions(col, units()).size()) - 1;
    const int now = power_menu::columnValue(entry(), col);
    choose(column, std::clamp(now + steps, 0, std::max(0, last)));
}

void PickerColumnsRow::choose(int column, int row)
{
    if (column < 0 || column >= kColumns || !m_store || !isFocusUsable(column)) return;
    const PickerEntry before = entry();
    const PickerEntry after = power_menu::withColumn(before, static_cast<Column>(column), row);
    if (after == before) return;
    m_store(after);
    changed();
}

} // namespace nolvo
