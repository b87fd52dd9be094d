#pragma once
// What the access-point table and the utilization table share: a full-plot layer with a title bar
// (title, counter, export, the table's own action button, close), a row of column headers that
// sort, and a TableView whose rows show a snapshot of the list taken at each reload.
//
// The snapshot is the one thing cells, touches, the popover and the export read: the link thread
// may change the list at any moment outside accessPointLock, so rows never index the live list and
// whatever a row acts on is named by its hardware address.
//
// Input: a click on a header sorts; the wheel over the table, the arrow keys, Page Up / Page Down,
// Home and End scroll; Ctrl+E exports; Esc closes (the popover first, when one is open).
// Render thread only.

#include <functional>
#include <string>
#include <vector>

#include "engine/extension/TableView.h"
#include "engine/input/Event.h"
#include "engine/scene/Layer.h"
#include "tables/AccessPointSnapshot.h"
#include "tables/SSIDCellView.h"
#include "tables/TableColumns.h"
#include "tables/TableExport.h"
#include "tables/TableGeometry.h"
#include "tables/TableRows.h"

namespace engine {
class EventListenerKeyboard;
class EventListenerMouse;
class EventListenerTouchOneByOne;
class Label;
namespace ui {
class Button;
}
}

namespace nolvo {

class DataModel;
class ProposalPopover;

// A table view cell holding one SSIDCellView.
class SSIDTableViewCell : public engine::extension::TableViewCell {
public:
    static SSIDTableViewCell* create();
    SSIDCellView* view() const { return m_view; }

private:
    SSIDTableViewCell() = default;
    bool init() override;
    SSIDCellView* m_view = nullptr;
};

class AccessPointTableLayer : public engine::Layer,
                              public engine::extension::TableViewDataSource,
                              public engine::extension::TableViewDelegate {
public:
    static constexpr float kTitleBarHeight = 40.0f;

    // The list changed: copies the list into the snapshot, rebuilds the rows and reloads the table
    // view keeping the first visible row in place. The caller holds accessPointLock.
    void reload();
    // Lays the layer out over `area` (scene coordinates) again; the next reload fills it.
    void relayout(const engine::Rect& area);
    // What closing does besides removing the layer (the scene calls it when it removes the table).
    virtual void onClosedByScene() {}
    // Who removes the layer when its close button or Esc is pressed; without one it removes itself.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }
    void close();
    // Writes the snapshot as CSV next to the data logs and reports the file on the screen log.
    ExportResult exportTable();

    // ---- TableView data source and delegate ----
    engine::Size tableCellSizeForIndex(engine::extension::TableView* table, ssize_t index) override;
    engine::extension::TableViewCell* tableCellAtIndex(engine::extension::TableView* table, ssize_t index) override;
    ssize_t numberOfCellsInTableView(engine::extension::TableView* table) override;
    void tableCellTouched(engine::extension::TableView* table, engine::extension::TableViewCell* cell) override;

    // ---- observation (tests, benchmarks) ----
    TableKind kind() const { return m_kind; }
    const AccessPointSnapshot& snapshot() const { return m_snapshot; }
    virtual const std::vector<TableRow>& rows() const = 0;
    engine::extension::TableView* tableView() const { return m_tableView; }
    // The cell view showing `row`, when that row is on screen.
    SSIDCellView* cellViewAt(ssize_t row) const;
    std::vector<std::string> headerTitles() const;
    engine::ui::Button* headerButton(ColumnKind kind) const;
    engine::ui::Button* actionButton() const { return m_actionButton; }
    engine::ui::Button* exportButton() const { return m_exportButton; }
    engine::ui::Button* closeButton() const { return m_closeButton; }
    std::string counterText() const;
    ProposalPopover* popover() const { return m_popover; }
    const TableMetrics& metrics() const { return m_metrics; }
    // Scrolls by `delta` points towards the end of the list (negative: towards the top).
    void scrollBy(float delta);
    // Handles a key press as the open table does (`ctrl`: Ctrl held); true when it was used.
    bool handleKey(engine::EventKeyboard::KeyCode key, bool ctrl);

protected:
    AccessPointTableLayer(DataModel& model, TableKind kind);
    ~AccessPointTableLayer() override;
    bool initWithArea(const engine::Rect& area);

    virtual std::string titleText() const = 0;
    virtual std::string actionTitle() const = 0;
    virtual void actionPressed() = 0;
    // Rebuilds the rows from the fresh snapshot.
    virtual void buildRows() = 0;
    virtual void fillCell(SSIDCellView& view, const TableRow& row) = 0;
    virtual void rowTouched(const TableRow& row) = 0;
    virtual bool showsCounter() const { return false; }

    void refreshHeader();
    void setActionTitle(const std::string& title);
    void showPopover(const std::vector<std::string>& lines);
    void closePopover();
    // Re-fills the visible cells without a new snapshot (edit shading).
    void refreshVisibleCells();

    DataModel& m_model;
    TableKind m_kind;
    AccessPointSnapshot m_snapshot;
    TableMetrics m_metrics;
    CellLayout m_cellLayout;

private:
    void buildChrome();
    void layoutChrome();
    void computeColumns();
    void installInput();
    engine::ui::Button* makeTextButton(const std::string& title, bool bold);
    bool isInsideTable(const engine::Vec2& scenePoint) const;

    engine::Rect m_area;
    engine::LayerColor* m_background = nullptr;
    engine::Sprite* m_titleBar = nullptr;
    engine::Label* m_title = nullptr;
    engine::Label* m_counter = nullptr;
    engine::ui::Button* m_actionButton = nullptr;
    engine::ui::Button* m_exportButton = nullptr;
    engine::ui::Button* m_closeButton = nullptr;
    std::vector<engine::ui::Button*> m_headerButtons; // one per column of m_cellLayout
    engine::extension::TableView* m_tableView = nullptr;
    ProposalPopover* m_popover = nullptr;
    std::function<void()> m_closeHandler;
    bool m_reloaded = false;
};

} // namespace nolvo
