#include "LabelTable.h"

#include <cstdio>
#include <string>

#include "engine/scene/Layer.h"
#include "engine/text/Label.h"

using namespace engine;
using engine::extension::TableView;
using engine::extension::TableViewCell;

namespace gallery {

namespace {

constexpr int kBackgroundTag = 100;
const char* const kFont = "fonts/roboto/Roboto-Regular.ttf";

// The text of column `column` of row `row`.
std::string cellText(ssize_t row, int column)
{
    char text[32];
    switch (column) {
    case 0: std::snprintf(text, sizeof text, "#%zd", row); break;
    case 1: std::snprintf(text, sizeof text, "%02zx:%02zx:%02zx", row % 256, (row * 7) % 256, (row * 13) % 256); break;
    case 2: std::snprintf(text, sizeof text, "ch %zd", 1 + row % 13); break;
    default: std::snprintf(text, sizeof text, "%.1f dBm", -30.0 - static_cast<double>((row * (column + 3)) % 700) / 10.0);
    }
    return text;
}

} // namespace

Color3B LabelTable::rowColour(ssize_t idx) const
{
    if (idx == m_lastTouched) return Color3B(40, 90, 150);
    return idx % 2 ? Color3B(36, 40, 48) : Color3B(44, 48, 58);
}

TableView* LabelTable::createTable(const Size& viewSize)
{
    TableView* table = TableView::create(this, viewSize);
    if (table) table->setDelegate(this);
    return table;
}

Size LabelTable::tableCellSizeForIndex(TableView*, ssize_t)
{
    return Size(m_width, kRowHeight);
}

TableViewCell* LabelTable::tableCellAtIndex(TableView* table, ssize_t idx)
{
    TableViewCell* cell = table->dequeueCell();
    if (!cell) {
        cell = TableViewCell::create();
        cell->setContentSize(Size(m_width, kRowHeight));
        LayerColor* background = LayerColor::create(Color4B(40, 44, 52, 255), m_width, kRowHeight - 1);
        cell->addChild(background, -1, kBackgroundTag);
        const float columnWidth = m_width / static_cast<float>(m_columns);
        for (int c = 0; c < m_columns; ++c) {
            Label* label = Label::createWithTTF("", kFont, 13);
            label->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
            label->setPosition(6.0f + columnWidth * static_cast<float>(c), kRowHeight / 2);
            label->setTextColor(Color4B(220, 224, 230, 255));
            label->setTag(c);
            cell->addChild(label);
        }
        ++m_made;
    }
    for (int c = 0; c < m_columns; ++c) {
        if (auto* label = static_cast<Label*>(cell->getChildByTag(c))) label->setString(cellText(idx, c));
    }
    if (Node* background = cell->getChildByTag(kBackgroundTag)) {
        background->setColor(rowColour(idx));
    }
    return cell;
}

void LabelTable::tableCellTouched(TableView* table, TableViewCell* cell)
{
    const ssize_t previous = m_lastTouched;
    m_lastTouched = cell->getIdx();
    if (previous >= 0) table->updateCellAtIndex(previous);
    table->updateCellAtIndex(m_lastTouched);
}

void LabelTable::tableCellHighlight(TableView*, TableViewCell* cell)
{
    if (Node* background = cell->getChildByTag(kBackgroundTag)) background->setColor(Color3B(70, 76, 90));
}

void LabelTable::tableCellUnhighlight(TableView*, TableViewCell* cell)
{
    if (Node* background = cell->getChildByTag(kBackgroundTag)) background->setColor(rowColour(cell->getIdx()));
}

} // namespace gallery
