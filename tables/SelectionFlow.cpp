#include "tables/SelectionFlow.h"

#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "tables/CellTexts.h"

namespace nolvo {

std::optional<SelectionRequest> requestForRow(const TableRow& row, const AccessPointSnapshot& snapshot,
                                              const std::vector<NotHeardEntry>& notHeard)
{
    if (row.kind == RowKind::AccessPoint && row.entry >= 0 && static_cast<std::size_t>(row.entry) < snapshot.rows.size()) {
        const AccessPointRow& ap = snapshot.rows[static_cast<std::size_t>(row.entry)];
        // A hidden network is named by its address.
        return SelectionRequest{ap.bssid, !row.selectedSection, ap.ssid.empty() ? cell::bssidText(ap.bssid) : ap.ssid};
    }
    if (row.kind == RowKind::NotHeard && row.entry >= 0 && static_cast<std::size_t>(row.entry) < notHeard.size()) {
        const NotHeardEntry& missing = notHeard[static_cast<std::size_t>(row.entry)];
        return SelectionRequest{missing.bssid, false, missing.name};
    }
    return std::nullopt;
}

std::string selectionAlertTitle(const SelectionRequest& request)
{
    return request.add ? "Add Access Point!" : "Remove Access Point!";
}

std::string selectionAlertMessage(const SelectionRequest& request)
{
    // Built by concatenation: the name is data, never part of a format.
    return std::string(request.add ? "Do you want to optimize" : "Do you want to remove") + " \"" + request.name + "\"?";
}

std::vector<std::string> selectionAlertButtons(const SelectionRequest& request)
{
    return {request.add ? "Add" : "Remove", "Cancel"};
}

const char* selectionFailureTitle(const SelectionRequest& request)
{
    return request.add ? "Unable to add SSID!" : "Unable to remove SSID!";
}

bool applySelectionRequest(DataModel& model, const SelectionRequest& request)
{
    bool done = false;
    {
        ModelLock lock(model, kAccessPointLock);
        if (request.add) {
            done = model.optimizationSelection.contains(request.bssid) || model.addToOptimization(request.bssid);
        } else {
            done = model.removeFromOptimization(request.bssid);
        }
    }
    if (done) {
        model.accessPointListChanged[0].store(true);
        model.accessPointListChanged[1].store(true);
    }
    return done;
}

bool toggleEditMode(DataModel& model)
{
    ModelLock lock(model, kAccessPointLock);
    const bool on = !model.utilizationEditMode.load();
    model.utilizationEditMode.store(on);
    return on;
}

} // namespace nolvo
