#include "tables/SSIDUtilizationTableLayer.h"

#include "menus/AlertViewDelegate.h"
#include "menus/AlertViewLayer.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "tables/ProposalExplanation.h"
#include "tables/SelectionFlow.h"

namespace nolvo {

namespace {

// Answers an add / remove alert. It lives as a child of the alert it answers, so it exists exactly
// as long as the alert can call it, whatever happens to the table meanwhile (a resize or a close).
class SelectionAlertResponder : public engine::Node, public AlertViewDelegate {
public:
    static SelectionAlertResponder* create(DataModel& model, SelectionRequest request)
    {
        auto* responder = new SelectionAlertResponder(model, std::move(request));
        responder->autorelease();
        return responder;
    }

    void alertViewClicked(AlertViewLayer*, std::int32_t buttonIndex) override
    {
        if (buttonIndex != 0) return;
        if (!applySelectionRequest(m_model, m_request)) {
            AlertViewLayer::showSimple(selectionFailureTitle(m_request), "", "OK");
        }
    }

private:
    SelectionAlertResponder(DataModel& model, SelectionRequest request) : m_model(model), m_request(std::move(request)) {}
    DataModel& m_model;
    SelectionRequest m_request;
};

} // namespace

SSIDUtilizationTableLayer* SSIDUtilizationTableLayer::create(DataModel& model, const engine::Rect& area)
{
    auto* layer = new SSIDUtilizationTableLayer(model);
    if (!layer->initWithArea(area)) {
        delete layer;
        return nullptr;
    }
    layer->autorelease();
    return layer;
}

std::string SSIDUtilizationTableLayer::actionTitle() const
{
    return m_model.utilizationEditMode.load() ? "DONE" : " EDIT ";
}

void SSIDUtilizationTableLayer::fillCell(SSIDCellView& view, const TableRow& row)
{
    view.setEditShade(m_model.utilizationEditMode.load());
    switch (row.kind) {
    case RowKind::AccessPoint:
        view.showAccessPoint(m_snapshot.rows[static_cast<std::size_t>(row.entry)], TableKind::Utilization);
        break;
    case RowKind::NotHeard:
        view.showNotHeard(m_rows.notHeard()[static_cast<std::size_t>(row.entry)].name);
        break;
    default: view.showBanner(row.text, row.kind == RowKind::Header); break;
    }
}

void SSIDUtilizationTableLayer::toggleEdit()
{
    const bool on = toggleEditMode(m_model);
    setActionTitle(on ? "DONE" : "EDIT");
    refreshVisibleCells();
}

void SSIDUtilizationTableLayer::rowTouched(const TableRow& row)
{
    if (!m_model.utilizationEditMode.load()) {
        // Outside edit mode a selected access point explains its proposal.
        if (row.kind == RowKind::AccessPoint && row.selectedSection) {
            showPopover(explainProposal(m_snapshot.rows[static_cast<std::size_t>(row.entry)]).lines());
        }
        return;
    }
    const auto request = requestForRow(row, m_snapshot, m_rows.notHeard());
    if (!request) return;
    if (request->add) m_rows.rememberName(request->bssid, request->name);
    AlertViewLayer* alert =
        AlertViewLayer::create(selectionAlertTitle(*request), selectionAlertMessage(*request), "", selectionAlertButtons(*request));
    if (!alert) return;
    auto* responder = SelectionAlertResponder::create(m_model, *request);
    alert->setDelegate(responder, responder);
    alert->show();
}

void SSIDUtilizationTableLayer::onClosedByScene()
{
    ModelLock lock(m_model, kAccessPointLock);
    m_model.utilizationEditMode.store(false);
}

} // namespace nolvo
