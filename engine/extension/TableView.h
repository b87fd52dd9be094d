#pragma once
// A scrolling list of cells made on demand by a data source and reused as they scroll out of
// sight: only the cells in view exist (plus at most two waiting for reuse), whatever the
// number of rows. Built on ui::ScrollView: drag with inertia and bounce, wheel, clipping, and
// drags that start on a cell's button scroll the table.
//
// Offsets are the inner container's position ("content offset") in the view's space, between
// minContainerOffset() and maxContainerOffset() (0, 0). With the vertical fill order TOP_DOWN
// (the default) index 0 is at the top; the content offset at the top is minContainerOffset().
// Render thread only.

#include <sys/types.h>

#include <vector>

#include "engine/extension/TableViewCell.h"
#include "engine/ui/ScrollView.h"

namespace engine::extension {

class TableView;

// The scroll view the table is (for the delegate's scroll callback and the Direction names).
using ScrollView = ui::ScrollView;

class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    // The content moved (drag, inertia, wheel, offset change or reload).
    virtual void scrollViewDidScroll(ScrollView* /*view*/) {}
    virtual void scrollViewDidZoom(ScrollView* /*view*/) {}
};

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    // Size of the cell at idx (the height for a vertical table, the width for a horizontal one).
    virtual Size tableCellSizeForIndex(TableView* table, ssize_t /*idx*/) { return cellSizeForTable(table); }
    virtual Size cellSizeForTable(TableView* /*table*/) { return Size::ZERO; }
    // The cell for idx: a reused one from table->dequeueCell() when there is one, else a new one.
    virtual TableViewCell* tableCellAtIndex(TableView* table, ssize_t idx) = 0;
    virtual ssize_t numberOfCellsInTableView(TableView* table) = 0;
};

class TableViewDelegate : public ScrollViewDelegate {
public:
    // A tap (not a drag) on the cell. Not called when a child of the cell took the tap itself.
    virtual void tableCellTouched(TableView* table, TableViewCell* cell) = 0;
    virtual void tableCellHighlight(TableView* /*table*/, TableViewCell* /*cell*/) {}
    virtual void tableCellUnhighlight(TableView* /*table*/, TableViewCell* /*cell*/) {}
    // The cell leaves the view and waits for reuse.
    virtual void tableCellWillRecycle(TableView* /*table*/, TableViewCell* /*cell*/) {}
};

class TableView : public ui::ScrollView {
public:
    enum class VerticalFillOrder { TOP_DOWN, BOTTOM_UP };

    // The data source is not retained and must outlive the table (or be set to null first).
    static TableView* create(TableViewDataSource* dataSource, const Size& viewSize);
    ~TableView() override;
    // Cells kept waiting for reuse after a fill or reload; any more are let go.
    static constexpr std::size_t kMaxFreeCells = 2;
    bool initWithViewSize(const Size& viewSize);

    void setDataSource(TableViewDataSource* source) { m_dataSource = source; }
    TableViewDataSource* getDataSource() const { return m_dataSource; }
    // Not retained, like the data source.
    void setDelegate(TableViewDelegate* delegate) { m_delegate = delegate; }
    TableViewDelegate* getDelegate() const { return m_delegate; }

    void setVerticalFillOrder(VerticalFillOrder order);
    VerticalFillOrder getVerticalFillOrder() const { return m_fillOrder; }
    void setDirection(Direction direction);

    // Asks the data source again for the count, the sizes and the cells in view. The distance
    // scrolled from the start is kept when the rows allow it, else clamped to the end.
    void reloadData();
    // Asks the data source again for the cell at idx (when it is in view).
    void updateCellAtIndex(ssize_t idx);
    // A cell waiting for reuse, or null (then the data source makes a new one).
    TableViewCell* dequeueCell();
    // The cell shown for idx, or null when it is not in view.
    TableViewCell* cellAtIndex(ssize_t idx) const;
    // The cell in view under a world point, or null.
    TableViewCell* cellAtWorldPoint(const Vec2& worldPoint) const;

    Vec2 getContentOffset() const { return getInnerContainerPosition(); }
    // Clamped between the offset limits; animated scrolls there in a short glide.
    void setContentOffset(const Vec2& offset, bool animated = false);
    Vec2 minContainerOffset() const { return getMinPosition(); }
    Vec2 maxContainerOffset() const { return Vec2::ZERO; }
    Size getViewSize() const { return getContentSize(); }
    void setViewSize(const Size& size) { setContentSize(size); }
    void setBounceable(bool bounceable) { setBounceEnabled(bounceable); }
    bool isBounceable() const { return isBounceEnabled(); }
    Node* getContainer() const { return getInnerContainer(); }

    // Cells in view and cells waiting for reuse (every cell the table holds).
    std::size_t getCellsInUseCount() const { return m_cellsUsed.size(); }
    std::size_t getCellsFreeCount() const { return m_cellsFreed.size(); }

protected:
    TableView() = default;
    void onInnerContainerMoved() override;
    // A table taken out of the scene mid-press gets no release: the pressed cell is let go here.
    void onExit() override;
    void onTap(Touch* touch) override;
    bool onTouchBegan(Touch* touch, Event* event) override;
    void onTouchMoved(Touch* touch, Event* event) override;
    void onTouchEnded(Touch* touch, Event* event) override;
    void onTouchCancelled(Touch* touch, Event* event) override;

private:
    bool isVertical() const { return getDirection() != Direction::HORIZONTAL; }
    // Offsets along the scroll axis from the start (top, or left), one more than the cells.
    void computeOffsets();
    void updateContentSize();
    ssize_t indexAtDistance(float distance) const;
    // Distance from the start of the content to the view's start and end edges.
    void visibleRange(float* from, float* to) const;
    void placeCell(TableViewCell* cell, ssize_t idx);
    void recycle(TableViewCell* cell);
    void insertUsed(TableViewCell* cell);
    void fillVisible();
    void trimFreed();
    void unhighlight();

    TableViewDataSource* m_dataSource = nullptr;
    TableViewDelegate* m_delegate = nullptr;
    VerticalFillOrder m_fillOrder = VerticalFillOrder::TOP_DOWN;
    std::vector<float> m_offsets;
    std::vector<TableViewCell*> m_cellsUsed;   // sorted by index, retained
    std::vector<TableViewCell*> m_cellsFreed;  // retained
    TableViewCell* m_touchedCell = nullptr;
    bool m_filling = false;
};

} // namespace engine::extension
