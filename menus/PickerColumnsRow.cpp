#include "menus/PickerColumnsRow.h"

#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "menus/PickerColumns.h"

namespace nolvo {

using namespace engine;
using power_menu::Column;

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
    row->m_button = addOpeningButton(row, row->valueText(), row->fontSize(), [row] { row->openPicker(); });
    return row;
}

std::vector<Column> PickerColumnsRow::columns() const
{
    std::vector<Column> out{Column::Sign, Column::Whole, Column::Hundredths};
    if (unitIsChoice()) out.push_back(Column::Unit);
    return out;
}

std::string PickerColumnsRow::valueText() const
{
    const PickerEntry e = entry();
    const std::vector<std::string> names = units();
    // A single unit is always that unit, whatever the entry's unit column holds.
    const int unit = unitIsChoice() ? e.unit : 0;
    const std::string unitName = unit >= 0 && unit < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(unit)] : "?";
    const std::string hundredths = (e.hundredths < 10 ? "0" : "") + std::to_string(e.hundredths);
    return (e.negative ? "-" : "") + std::to_string(e.whole) + "." + hundredths + unitName;
}

void PickerColumnsRow::refresh()
{
    if (!m_button) return;
    row_kit::setTitleIfChanged(m_button, valueText());
    row_kit::setEnabledIfChanged(m_button, isEnabled());
}

void PickerColumnsRow::layout(float width)
{
    const float h = rowHeight();
    setContentSize(Size(width, h));
    const float captionW = captionWidth(width);
    if (m_caption) m_caption->setPosition(Vec2(0, h / 2));
    if (!m_button) return;
    row_kit::sizeButton(m_button, width - captionW, m_menu ? m_menu->metrics().rowHeight : 32.0f);
    m_button->setPosition(Vec2(captionW, h / 2));
}

Rect PickerColumnsRow::focusFrame(int item) const
{
    return m_button ? m_button->getBoundingBox() : MenuRow::focusFrame(item);
}

void PickerColumnsRow::openPicker()
{
    if (!isEnabled() || !m_menu) return;
    const PickerEntry now = entry();
    std::vector<std::vector<std::string>> wheels;
    std::vector<int> current;
    for (Column column : columns()) {
        wheels.push_back(power_menu::columnOptions(column, units()));
        current.push_back(power_menu::columnValue(now, column));
    }
    PickerColumns* picker = PickerColumns::create(std::move(wheels), current,
                                                  [this](const std::vector<int>& rows) { pick(rows); }, m_menu->metrics());
    if (!picker) return;
    picker->placeNear(row_kit::pickerAnchor(m_menu, m_button ? static_cast<Node*>(m_button) : this),
                      m_menu->getContentSize().width * m_menu->getScaleX());
    MenuController::getInstance()->showPicker(picker);
}

void PickerColumnsRow::pick(const std::vector<int>& rows)
{
    PickerEntry after = entry();
    const std::vector<Column> shown = columns();
    for (std::size_t i = 0; i < shown.size() && i < rows.size(); ++i) after = power_menu::withColumn(after, shown[i], rows[i]);
    store(after);
}

void PickerColumnsRow::choose(Column column, int row)
{
    if (column == Column::Unit && !unitIsChoice()) return;
    store(power_menu::withColumn(entry(), column, row));
}

void PickerColumnsRow::store(const PickerEntry& after)
{
    if (!isEnabled() || !m_store || after == entry()) return;
    m_store(after);
    changed();
}

} // namespace nolvo
