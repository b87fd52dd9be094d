#pragma once
// One row (or column) of a TableView. Cells are reused: a cell scrolled out of sight is kept by
// the table and handed back by TableView::dequeueCell for another index. Render thread only.

#include <sys/types.h>

#include "engine/scene/Node.h"

namespace engine::extension {

class TableViewCell : public Node {
public:
    static constexpr ssize_t INVALID_INDEX = -1;

    static TableViewCell* create();

    // The index the cell shows (INVALID_INDEX while it waits for reuse).
    ssize_t getIdx() const { return m_idx; }
    void setIdx(ssize_t idx) { m_idx = idx; }
    // Called when the cell leaves the table for reuse.
    virtual void reset() { m_idx = INVALID_INDEX; }

protected:
    TableViewCell() = default;

private:
    ssize_t m_idx = INVALID_INDEX;
};

} // namespace engine::extension
