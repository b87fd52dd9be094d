#pragma once
// A menu row for a value picked in columns: a caption and a button showing the value (e.g.
// "0.00s", "-30.56dBm"); pressing it opens a PickerColumns of sign, whole part 0..99, hundredths
// 0..99 and, where there is a choice of units, the unit. Every settled change of a column stores
// the value at once. The trigger delay, holdoff and level use it. Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "menus/MenuRows.h"
#include "menus/PowerMenuValues.h"

namespace engine::ui {
class Button;
}

namespace nolvo {

class PickerColumnsRow : public MenuRow {
public:
    using Entry = std::function<PickerEntry()>;                // the columns of the stored value
    using Store = std::function<void(const PickerEntry&)>;     // the user changed a column
    using Units = std::function<std::vector<std::string>()>;   // names of the unit column
    using Enabled = std::function<bool()>;

    static PickerColumnsRow* create(MenuLayer* menu, const std::string& caption, Units units, Entry entry,
                                    Store store, Enabled enabled = {});
    void refresh() override;
    void layout(float width) override;

    int focusCount() const override { return m_button ? 1 : 0; }
    bool isFocusUsable(int) const override { return isEnabled(); }
    engine::Rect focusFrame(int item) const override;
    void activate(int) override { openPicker(); }

    // Opens the column picker (what pressing the button does).
    void openPicker();
    // The picker's columns: sign, whole, hundredths, and the unit when there is a choice.
    std::vector<power_menu::Column> columns() const;
    // The picker shows `rows` (one per column of columns()): the value they stand for is stored.
    void pick(const std::vector<int>& rows);
    // Column `column` moved to `row`, the others as stored.
    void choose(power_menu::Column column, int row);
    // The button's text, e.g. "-1.50ms" (the unit glued to the number).
    std::string valueText() const;
    bool isEnabled() const { return !m_enabled || m_enabled(); }
    engine::ui::Button* button() const { return m_button; }

private:
    bool unitIsChoice() const { return units().size() > 1; }
    std::vector<std::string> units() const { return m_units ? m_units() : std::vector<std::string>{}; }
    PickerEntry entry() const { return m_entry ? m_entry() : PickerEntry{}; }
    void store(const PickerEntry& after);

    Units m_units;
    Entry m_entry;
    Store m_store;
    Enabled m_enabled;
    engine::ui::Button* m_button = nullptr;
};

} // namespace nolvo
