#pragma once
// Adding access points to and removing them from the optimization selection, as the utilization
// table's edit mode does it: which alert a touched row asks, and what a confirmed answer changes.
// The selection is read by the utilization pass on the link thread, so every change is made under
// accessPointLock, and the list-changed flags tell the main scene to sort and reload the tables.

#include <optional>
#include <string>
#include <vector>

#include "model/AccessPoint.h"
#include "tables/TableRows.h"

namespace nolvo {

class DataModel;

struct SelectionRequest {
    Bssid bssid{};
    bool add = true;
    std::string name; // safe display text of the SSID (or the address)
};

// The request a touched row makes while edit mode is on: add for a row of the others section,
// remove for a selected (or selected but not heard) row; none for header and message rows.
std::optional<SelectionRequest> requestForRow(const TableRow& row, const AccessPointSnapshot& snapshot,
                                              const std::vector<NotHeardEntry>& notHeard);

// "Add Access Point!" / "Remove Access Point!".
std::string selectionAlertTitle(const SelectionRequest& request);
// Do you want to optimize "name"? / Do you want to remove "name"?
std::string selectionAlertMessage(const SelectionRequest& request);
// {"Add", "Cancel"} / {"Remove", "Cancel"}; index 0 confirms.
std::vector<std::string> selectionAlertButtons(const SelectionRequest& request);
// "Unable to add SSID!" / "Unable to remove SSID!".
const char* selectionFailureTitle(const SelectionRequest& request);

// Applies a confirmed request under accessPointLock (the caller holds no model lock) and raises
// both list-changed flags on success. Adding an address that is already selected succeeds without
// taking a second slot. False when the selection refused (an all-zero address, all 20 slots
// taken, or an address to remove that is not selected).
bool applySelectionRequest(DataModel& model, const SelectionRequest& request);

// Turns edit mode on or off under accessPointLock; returns the new state.
bool toggleEditMode(DataModel& model);

} // namespace nolvo
