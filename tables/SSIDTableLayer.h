#pragma once
// The access-point table: every access point of both bands, one section per band, sortable by any
// column, with the running count of access points and scans and "CLEAR TABLE". Render thread.

#include "tables/AccessPointTableLayer.h"

namespace nolvo {

class SSIDTableLayer : public AccessPointTableLayer {
public:
    // Null when it cannot be built. `area` is the plot rectangle it covers (scene coordinates).
    static SSIDTableLayer* create(DataModel& model, const engine::Rect& area);

    const std::vector<TableRow>& rows() const override { return m_rows; }
    // "CLEAR TABLE": empties the list and the per-channel statistics (the selection stays).
    void clearTable();
    // Closing the access-point table ends edit mode and resets the per-channel statistics.
    void onClosedByScene() override;

protected:
    std::string titleText() const override { return "ACCESS POINTS"; }
    std::string actionTitle() const override { return "CLEAR TABLE"; }
    void actionPressed() override { clearTable(); }
    void buildRows() override;
    void fillCell(SSIDCellView& view, const TableRow& row) override;
    void rowTouched(const TableRow&) override {}
    bool showsCounter() const override { return true; }

private:
    explicit SSIDTableLayer(DataModel& model) : AccessPointTableLayer(model, TableKind::AccessPoints) {}
    std::vector<TableRow> m_rows;
};

} // namespace nolvo
