#include "engine/extension/TableView.h"

#include <algorithm>
#include <new>

#include "engine/input/Touch.h"

namespace engine::extension {

namespace {
// The glide of setContentOffset(offset, true), seconds.
constexpr float kAnimatedOffsetTime = 0.15f;
}

TableViewCell* TableViewCell::create()
{
    auto* cell = new (std::nothrow) TableViewCell();
    if (cell && cell->init()) {
        cell->autorelease();
        return cell;
    }
    delete cell;
    return nullptr;
}

TableView* TableView::create(TableViewDataSource* dataSource, const Size& viewSize)
{
    auto* table = new (std::nothrow) TableView();
    if (table && table->initWithViewSize(viewSize)) {
        table->autorelease();
        table->setDataSource(dataSource);
        table->reloadData();
        return table;
    }
    delete table;
    return nullptr;
}

TableView::~TableView()
{
    // No delegate call here: the delegate may already be gone.
    if (m_touchedCell) m_touchedCell->release();
    for (TableViewCell* cell : m_cellsUsed) cell->release();
    for (TableViewCell* cell : m_cellsFreed) cell->release();
}

bool TableView::initWithViewSize(const Size& viewSize)
{
    if (!ui::ScrollView::init()) return false;
    ui::ScrollView::setDirection(Direction::VERTICAL);
    setContentSize(viewSize);
    return true;
}

void TableView::setVerticalFillOrder(VerticalFillOrder order)
{
    if (order == m_fillOrder) return;
    m_fillOrder = order;
    reloadData();
}

void TableView::setDirection(Direction direction)
{
    // A table scrolls along one axis.
    ui::ScrollView::setDirection(direction == Direction::HORIZONTAL ? Direction::HORIZONTAL : Direction::VERTICAL);
    reloadData();
}

// ---- geometry ----

void TableView::computeOffsets()
{
    const ssize_t count = m_dataSource ? std::max<ssize_t>(0, m_dataSource->numberOfCellsInTableView(this)) : 0;
    m_offsets.assign(static_cast<std::size_t>(count) + 1, 0.0f);
    float at = 0.0f;
    for (ssize_t i = 0; i < count; ++i) {
        const Size size = m_dataSource->tableCellSizeForIndex(this, i);
        at += std::max(0.0f, isVertical() ? size.height : size.width);
        m_offsets[static_cast<std::size_t>(i) + 1] = at;
    }
}

void TableView::updateContentSize()
{
    const Size view = getContentSize();
    const float total = m_offsets.back();
    setInnerContainerSize(isVertical() ? Size(view.width, total) : Size(total, view.height));
}

ssize_t TableView::indexAtDistance(float distance) const
{
    const auto count = static_cast<ssize_t>(m_offsets.size()) - 1;
    if (count <= 0) return TableViewCell::INVALID_INDEX;
    // The cell whose span [offset[i], offset[i + 1]) holds the distance, clamped to the ends.
    const auto it = std::upper_bound(m_offsets.begin(), m_offsets.end(), distance);
    const auto idx = static_cast<ssize_t>(it - m_offsets.begin()) - 1;
    return std::clamp<ssize_t>(idx, 0, count - 1);
}

void TableView::visibleRange(float* from, float* to) const
{
    const Vec2 pos = getInnerContainerPosition();
    const Size view = getContentSize();
    const Size inner = getInnerContainerSize();
    if (!isVertical()) {
        *from = -pos.x;
        *to = -pos.x + view.width;
    } else if (m_fillOrder == VerticalFillOrder::TOP_DOWN) {
        // Measured down from the container's top edge.
        *from = inner.height + pos.y - view.height;
        *to = *from + view.height;
    } else {
        *from = -pos.y;
        *to = -pos.y + view.height;
    }
}

void TableView::placeCell(TableViewCell* cell, ssize_t idx)
{
    const auto i = static_cast<std::size_t>(idx);
    const float start = m_offsets[i];
    const float length = m_offsets[i + 1] - m_offsets[i];
    cell->setIdx(idx);
    cell->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
    if (!isVertical()) {
        cell->setPosition(start, 0.0f);
    } else if (m_fillOrder == VerticalFillOrder::TOP_DOWN) {
        cell->setPosition(0.0f, getInnerContainerSize().height - start - length);
    } else {
        cell->setPosition(0.0f, start);
    }
}

// ---- cells ----

TableViewCell* TableView::dequeueCell()
{
    if (m_cellsFreed.empty()) return nullptr;
    TableViewCell* cell = m_cellsFreed.front();
    m_cellsFreed.erase(m_cellsFreed.begin());
    // The table's reference goes to the pool: the caller adopts the cell like a new one.
    cell->autorelease();
    return cell;
}

TableViewCell* TableView::cellAtIndex(ssize_t idx) const
{
    auto it = std::lower_bound(m_cellsUsed.begin(), m_cellsUsed.end(), idx,
                               [](const TableViewCell* c, ssize_t i) { return c->getIdx() < i; });
    return it != m_cellsUsed.end() && (*it)->getIdx() == idx ? *it : nullptr;
}

TableViewCell* TableView::cellAtWorldPoint(const Vec2& worldPoint) const
{
    if (!hitTest(worldPoint) || m_offsets.size() < 2) return nullptr;
    const Vec2 p = getInnerContainer()->convertToNodeSpace(worldPoint);
    float distance = p.x;
    if (isVertical()) {
        distance = m_fillOrder == VerticalFillOrder::TOP_DOWN ? getInnerContainerSize().height - p.y : p.y;
    }
    if (distance < 0.0f || distance >= m_offsets.back()) return nullptr;
    return cellAtIndex(indexAtDistance(distance));
}

void TableView::recycle(TableViewCell* cell)
{
    if (m_delegate) m_delegate->tableCellWillRecycle(this, cell);
    if (cell == m_touchedCell) unhighlight();
    // The used list's reference moves to the free list.
    m_cellsFreed.push_back(cell);
    cell->reset();
    if (cell->getParent() == getInnerContainer()) getInnerContainer()->removeChild(cell, true);
}

void TableView::insertUsed(TableViewCell* cell)
{
    auto it = std::lower_bound(m_cellsUsed.begin(), m_cellsUsed.end(), cell->getIdx(),
                               [](const TableViewCell* c, ssize_t i) { return c->getIdx() < i; });
    m_cellsUsed.insert(it, cell);
}

void TableView::fillVisible()
{
    if (m_filling) return;
    if (!m_dataSource || m_offsets.size() < 2) {
        trimFreed(); // no rows: nothing will be reused
        return;
    }
    m_filling = true;
    float from = 0.0f, to = 0.0f;
    visibleRange(&from, &to);
    const ssize_t first = indexAtDistance(from);
    // The cell holding the last visible point (a cell that only touches the end is not in view).
    const ssize_t last = indexAtDistance(std::max(from, to - 0.01f));
    // Out of view first, so that the cells coming in can reuse them.
    for (std::size_t i = 0; i < m_cellsUsed.size();) {
        TableViewCell* cell = m_cellsUsed[i];
        if (cell->getIdx() < first || cell->getIdx() > last) {
            m_cellsUsed.erase(m_cellsUsed.begin() + static_cast<std::ptrdiff_t>(i));
            recycle(cell);
        } else {
            ++i;
        }
    }
    for (ssize_t idx = first; idx <= last; ++idx) {
        if (cellAtIndex(idx)) continue;
        TableViewCell* cell = m_dataSource->tableCellAtIndex(this, idx);
        if (!cell) continue;
        cell->retain();
        placeCell(cell, idx);
        if (cell->getParent() != getInnerContainer()) {
            if (cell->getParent()) cell->removeFromParentAndCleanup(false);
            getInnerContainer()->addChild(cell);
        }
        insertUsed(cell);
    }
    trimFreed();
    m_filling = false;
}

void TableView::trimFreed()
{
    // Within one fill every recycled cell may be reused (a jump or a reload recycles them all
    // first); what is left beyond the few kept for scrolling goes, with its labels and textures.
    while (m_cellsFreed.size() > kMaxFreeCells) {
        m_cellsFreed.back()->release();
        m_cellsFreed.pop_back();
    }
}

void TableView::onExit()
{
    unhighlight();
    ui::ScrollView::onExit();
}

void TableView::onInnerContainerMoved()
{
    fillVisible();
    if (m_delegate) m_delegate->scrollViewDidScroll(this);
}

void TableView::reloadData()
{
    unhighlight();
    for (TableViewCell* cell : m_cellsUsed) recycle(cell);
    m_cellsUsed.clear();
    computeOffsets();
    // setInnerContainerSize keeps the content's top where it was, which keeps the distance
    // scrolled from the top, clamped when the content got shorter (a glide in progress goes on).
    updateContentSize();
    fillVisible();
    if (m_delegate) m_delegate->scrollViewDidScroll(this);
}

void TableView::updateCellAtIndex(ssize_t idx)
{
    if (!m_dataSource || idx < 0 || idx >= static_cast<ssize_t>(m_offsets.size()) - 1) return;
    if (TableViewCell* old = cellAtIndex(idx)) {
        m_cellsUsed.erase(std::find(m_cellsUsed.begin(), m_cellsUsed.end(), old));
        recycle(old);
    }
    fillVisible();
}

void TableView::setContentOffset(const Vec2& offset, bool animated)
{
    if (animated) scrollToPosition(offset, kAnimatedOffsetTime, true);
    else setInnerContainerPosition(offset);
}

// ---- touch ----

bool TableView::onTouchBegan(Touch* touch, Event* event)
{
    if (!ui::ScrollView::onTouchBegan(touch, event)) return false;
    unhighlight();
    if (!isTouchTakenByContent()) {
        m_touchedCell = cellAtWorldPoint(touch->getLocation());
        if (m_touchedCell) {
            m_touchedCell->retain();
            if (m_delegate) m_delegate->tableCellHighlight(this, m_touchedCell);
        }
    }
    return true;
}

void TableView::onTouchMoved(Touch* touch, Event* event)
{
    ui::ScrollView::onTouchMoved(touch, event);
    // A drag is no press of the cell.
    if (isDragging()) unhighlight();
}

void TableView::onTouchEnded(Touch* touch, Event* event)
{
    ui::ScrollView::onTouchEnded(touch, event);
    unhighlight();
}

void TableView::onTouchCancelled(Touch* touch, Event* event)
{
    ui::ScrollView::onTouchCancelled(touch, event);
    unhighlight();
}

void TableView::onTap(Touch* touch)
{
    // Only a tap that began and ended on the same cell, and that no child took.
    TableViewCell* cell = m_touchedCell;
    if (!cell || isTouchTakenByContent() || cellAtWorldPoint(touch->getLocation()) != cell) return;
    cell->retain();  // the delegate may reload the table
    if (m_delegate) {
        m_delegate->tableCellUnhighlight(this, cell);
        m_delegate->tableCellTouched(this, cell);
    }
    if (cell == m_touchedCell) {
        m_touchedCell->release();
        m_touchedCell = nullptr;
    }
    cell->release();
}

void TableView::unhighlight()
{
    if (!m_touchedCell) return;
    TableViewCell* cell = m_touchedCell;
    m_touchedCell = nullptr;
    if (m_delegate) m_delegate->tableCellUnhighlight(this, cell);
    cell->release();
}

} // namespace engine::extension
