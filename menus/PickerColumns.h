#pragma once
// A picker of several wheels side by side (a value in columns: sign, whole part, hundredths,
// unit), modal over the menu like the single wheel. Each column turns on its own: drag it, turn
// the mouse wheel over it, tap one of its rows, or focus it with Left / Right and move it with
// Up / Down / Page Up / Page Down / Home / End. Every settled change reports all the columns'
// rows at once, so the value is stored while the picker stays open; Enter, Esc or a tap outside
// closes it. Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "menus/PickerLayer.h"

namespace nolvo {

class PickerColumns : public PickerLayer {
public:
    using Changed = std::function<void(const std::vector<int>&)>; // the highlighted row of each column

    // `current` holds the first highlighted row of each column (missing or out of range: row 0).
    static PickerColumns* create(std::vector<std::vector<std::string>> columns, const std::vector<int>& current,
                                 Changed changed, const MenuMetrics& metrics);

    bool handleKey(engine::EventKeyboard::KeyCode key) override;
    // Steps the focused column.
    void wheel(float steps) override;
    // Steps the column under `local`.
    void wheelAt(const engine::Vec2& local, float steps) override;

    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int focusedColumn() const { return m_focus; }
    void setFocusedColumn(int column);
    // Highlighted row of a column (-1 outside the columns or for an empty column).
    int rowOf(int column) const;
    std::vector<int> rows() const;
    // Moves a column's highlight by `rows` (clamped to the column) and reports when it moved.
    void moveColumn(int column, int rows);
    // The column under x (picker space), -1 outside.
    int columnAt(float x) const;
    // Texts column `column` shows now, top to bottom, for tests.
    std::vector<std::string> visibleTexts(int column) const;

protected:
    void relayout() override;
    void tapAt(const engine::Vec2& local) override;
    void dragBegan(const engine::Vec2& local) override;
    void dragBy(float dy) override;
    void dragEnded() override;

private:
    struct Column {
        std::vector<std::string> rows;
        float position = 0.0f; // row at the centre, fractional while dragging
        std::vector<engine::Label*> labels;
        std::vector<int> labelRows;
    };

    bool initColumns(std::vector<std::vector<std::string>> columns, const std::vector<int>& current, Changed changed,
                     const MenuMetrics& metrics);
    float columnWidth() const;
    void updateLabels(int column);
    void drawFocus();
    void report();

    std::vector<Column> m_columns;
    Changed m_changed;
    int m_focus = 0;
    int m_dragColumn = -1;
    engine::Node* m_frame = nullptr;
    engine::Node* m_gloss = nullptr; // above the labels
    engine::DrawNode* m_focusMark = nullptr;
};

} // namespace nolvo
