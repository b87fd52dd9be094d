#pragma once
// A table of text rows for the gallery and the engine benchmark: `rows` rows of `columns`
// labels each (the row number, then values that change with the row), cells reused as they
// scroll. Remembers the last row tapped. Render thread only.

#include <sys/types.h>

#include "engine/extension/TableView.h"

namespace gallery {

class LabelTable : public engine::extension::TableViewDataSource, public engine::extension::TableViewDelegate {
public:
    static constexpr float kRowHeight = 26.0f;

    LabelTable(ssize_t rows, int columns, float width) : m_rows(rows), m_columns(columns), m_width(width) {}

    // A table of this size showing the rows (the caller places and adds it).
    engine::extension::TableView* createTable(const engine::Size& viewSize);

    void setRows(ssize_t rows) { m_rows = rows; }
    ssize_t lastTouched() const { return m_lastTouched; }
    // Cells made because none was free for reuse.
    int cellsMade() const { return m_made; }

    engine::Size tableCellSizeForIndex(engine::extension::TableView*, ssize_t) override;
    engine::extension::TableViewCell* tableCellAtIndex(engine::extension::TableView* table, ssize_t idx) override;
    ssize_t numberOfCellsInTableView(engine::extension::TableView*) override { return m_rows; }
    void tableCellTouched(engine::extension::TableView*, engine::extension::TableViewCell* cell) override;
    void tableCellHighlight(engine::extension::TableView*, engine::extension::TableViewCell* cell) override;
    void tableCellUnhighlight(engine::extension::TableView*, engine::extension::TableViewCell* cell) override;

private:
    engine::Color3B rowColour(ssize_t idx) const;

    ssize_t m_rows;
    int m_columns;
    float m_width;
    ssize_t m_lastTouched = -1;
    int m_made = 0;
};

} // namespace gallery
