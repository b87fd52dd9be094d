#pragma once
// The utilization table: the 2.4 GHz access points with their grades, those selected for
// optimization first with the channel proposed for each. EDIT / DONE switches edit mode, in which
// a touched row asks to add it to or remove it from the selection; outside edit mode a touched
// selected access point shows why its channel is proposed. Render thread.

#include "tables/AccessPointTableLayer.h"

namespace nolvo {

class SSIDUtilizationTableLayer : public AccessPointTableLayer {
public:
    static SSIDUtilizationTableLayer* create(DataModel& model, const engine::Rect& area);

    const std::vector<TableRow>& rows() const override { return m_rows.rows(); }
    const UtilizationRows& utilizationRows() const { return m_rows; }
    // EDIT / DONE.
    void toggleEdit();
    // Closing ends edit mode: scans must not stay paused with no sign of it on screen.
    void onClosedByScene() override;

protected:
    std::string titleText() const override { return "ACCESS POINT UTILIZATION"; }
    std::string actionTitle() const override;
    void actionPressed() override { toggleEdit(); }
    void buildRows() override { m_rows.build(m_snapshot); }
    void fillCell(SSIDCellView& view, const TableRow& row) override;
    void rowTouched(const TableRow& row) override;

private:
    explicit SSIDUtilizationTableLayer(DataModel& model) : AccessPointTableLayer(model, TableKind::Utilization) {}
    UtilizationRows m_rows;
};

} // namespace nolvo
