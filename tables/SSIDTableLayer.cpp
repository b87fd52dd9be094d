#include "tables/SSIDTableLayer.h"

#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

SSIDTableLayer* SSIDTableLayer::create(DataModel& model, const engine::Rect& area)
{
    auto* layer = new SSIDTableLayer(model);
    if (!layer->initWithArea(area)) {
        delete layer;
        return nullptr;
    }
    layer->autorelease();
    return layer;
}

void SSIDTableLayer::buildRows()
{
    m_rows = accessPointTableRows(m_snapshot, m_model.bandIndex() == kBand5);
}

void SSIDTableLayer::fillCell(SSIDCellView& view, const TableRow& row)
{
    view.setEditShade(false);
    if (row.kind == RowKind::AccessPoint) {
        view.showAccessPoint(m_snapshot.rows[static_cast<std::size_t>(row.entry)], TableKind::AccessPoints);
    } else {
        view.showBanner(row.text, row.kind == RowKind::Header);
    }
}

void SSIDTableLayer::clearTable()
{
    {
        ModelLock lock(m_model, kAccessPointLock);
        m_model.accessPoints.clear();
        m_model.resetUtilizationStatistics();
        m_model.totalScanCount.store(0);
    }
    m_model.accessPointListChanged[0].store(true);
    m_model.accessPointListChanged[1].store(true);
}

void SSIDTableLayer::onClosedByScene()
{
    ModelLock lock(m_model, kAccessPointLock);
    m_model.utilizationEditMode.store(false);
    m_model.resetUtilizationStatistics();
}

} // namespace nolvo
