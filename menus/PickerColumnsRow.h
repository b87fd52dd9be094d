#pragma once
// A menu row for a value picked in columns: a caption, then one button per column (sign, whole
// part 0..99, hundredths 0..99 and, where there is a choice of units, the unit) showing the
// stored value; pressing a column's button opens a picker wheel of that column and a choice
// stores the value at once; the mouse wheel over a button steps its column. A single unit (dBm) is shown but is not a choice. The trigger delay,
// holdoff and level use it. Render thread only.

#include <array>
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
    static constexpr int kColumns = 4;
    using Entry = std::function<PickerEntry()>;                // the columns of the stored value
    using Store = std::function<void(const PickerEntry&)>;     // the user changed a column
    using Units = std::function<std::vector<std::string>()>;   // names of the unit column
    using Enabled = std::function<bool()>;

    static PickerColumnsRow* create(MenuLayer* menu, const std::string& caption, Units units, Entry entry,
                                    Store store, Enabled enabled = {});
    void refresh() override;
    void layout(float width) override;

    int focusCount() const override { return kColumns; }
    bool isFocusUsable(int item) const override;
    engine::Rect focusFrame(int item) const override;
    void activate(int item) override { openColumn(item); }

    // Opens the wheel of column 0..3 (what pressing its button does).
    void openColumn(int column);
    // The wheel of `column` chose `row`: the column changes and the value is stored.
    void choose(int column, int row);
    // One mouse-wheel notch over a column's button (positive: away from the user) moves that
    // column to its next row up, stopping at the column's ends.
    void stepColumn(int column, int steps);
    // The text each column's button shows.
    std::string columnTitle(int column) const;
    // All columns as one text, e.g. "-1.50ms" (the unit glued to the number).
    std::string valueText() const;
    bool isEnabled() const { return !m_enabled || m_enabled(); }
    engine::ui::Button* button(int column) const;

private:
    bool unitIsChoice() const;
    std::vector<std::string> units() const { return m_units ? m_units() : std::vector<std::string>{}; }
    PickerEntry entry() const { return m_entry ? m_entry() : PickerEntry{}; }

    Units m_units;
    Entry m_entry;
    Store m_store;
    Enabled m_enabled;
    std::array<engine::ui::Button*, kColumns> m_buttons{};
};

} // namespace nolvo
