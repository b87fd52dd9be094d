#include "menus/SpectrumMenu.h"
#include "model/SharedField.h"

#include "menus/AccessPointFilterMenu.h"
#include "menus/AnalystControl.h"
#include "menus/MenuActions.h"
#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {


namespace {

DataModel& model()
{
    return *DataModel::getInstance();
}

bool tableAvailable(TableControl::Table which)
{
    TableControl* tables = MenuController::getInstance()->tableControl();
    return tables && tables->tableAvailable(which);
}

// Opens or closes a table unless the accessory has no access points to list.
void toggleTable(TableControl::Table which)
{
    if (menu_actions::accessPointsUnavailable(model())) {
        menu_actions::showAccessPointsUnavailable(which == TableControl::kUtilization);
        return;
    }
    TableControl* tables = MenuController::getInstance()->tableControl();
    if (!tables) return;
    tables->toggleTable(which);
    // The table lies under the menu's dimming: close the menu so the table is seen.
    if (tables->isTableShown(which)) MenuController::getInstance()->closeMenu(true);
}

} // namespace

void SpectrumMenu::buildRows()
{
    addSegmented(
        "FREQUENCY: ", {"2.4 GHz", "5 GHz"}, [] { return loadShared(model().spectrum.band); },
        [](int i) {
            DataModel& m = model();
            const bool changed = loadShared(m.spectrum.band) != i || loadShared(m.common.spectrumModeActive) != 1;
            storeShared<std::uint8_t>(m.common.spectrumModeActive, 1);
            storeShared(m.spectrum.band, i);
            // The dual-band accessory sweeps the band its settings command names.
            if (changed) menu_actions::requestRestart(true);
        });
    addSegmented(
        "MODE: ", {"REAL WAVE", "WATERFALL"}, [] { return static_cast<int>(loadShared(model().spectrum.displayMode)); },
        [](int i) {
            DataModel& m = model();
            const bool modeChanged = loadShared(m.common.spectrumModeActive) != 1;
            storeShared<std::uint8_t>(m.common.spectrumModeActive, 1);
            storeShared(m.spectrum.displayMode, static_cast<std::uint8_t>(i));
            if (modeChanged) menu_actions::requestRestart(true);
        });
    addSegmented(
        "SSID: ", {"OFF", "ON", "TABLE"}, [] { return static_cast<int>(loadShared(model().spectrum.ssidOverlay)); },
        [](int i) {
            DataModel& m = model();
            if (i == 0) {
                storeShared<std::uint8_t>(m.spectrum.ssidOverlay, 0);
            } else if (menu_actions::accessPointsUnavailable(m)) {
                menu_actions::showAccessPointsUnavailable(false);
            } else if (i == 1) {
                storeShared<std::uint8_t>(m.spectrum.ssidOverlay, 1);
            } else {
                toggleTable(TableControl::kAccessPoints);
            }
        },
        [](int i) { return i != 2 || tableAvailable(TableControl::kAccessPoints); });
    addSlider(
        "REFRESH:  ", [] { return menu_values::percentOfRefresh(loadShared(model().spectrum.ssidScanInterval)); },
        [] { return menu_values::refreshLabel(loadShared(model().spectrum.ssidScanInterval)); },
        [](int p) { storeShared(model().spectrum.ssidScanInterval, menu_values::refreshFromPercent(p)); });
    addButton(
        "ACCESS POINT UTILIZATION", [] { toggleTable(TableControl::kUtilization); },
        [] { return tableAvailable(TableControl::kUtilization); });
    for (int k = 0; k < 3; ++k) {
        addPicker(
            "TRACE " + std::to_string(k + 1) + ": ", [] { return menu_values::traceNames(); },
            [k] { return menu_values::rowOf(model().spectrum.traceSelection[k], menu_values::traceNames().size()); },
            [k] { return menu_values::traceName(model().spectrum.traceSelection[k]); },
            [k](int row) { model().spectrum.traceSelection[k] = static_cast<std::uint8_t>(row); });
    }
    addButton("CLEAR WAVEFORM", [] { menu_actions::clearWaveform(model()); });
    addButton("FILTERS", [] { AccessPointFilterMenu::openInPlaceOfOpenMenu(); });
    addSegmented("VIEWS: ", {"SIGNAL HISTORY", "CHANNELS"}, [] { return -1; }, [](int i) {
        AnalystControl* control = AnalystControl::get();
        if (!control) return;
        MenuController::getInstance()->closeMenu(true);
        if (i == 0) {
            control->toggleHistoryView();
        } else {
            control->toggleOccupancyView();
        }
    });
    addSlider(
        "HOLD: ", [] { return menu_values::percentOfHold(model().spectrum.holdTime); },
        [] { return menu_values::secondsLabel(model().spectrum.holdTime); },
        [](int p) { model().spectrum.holdTime = menu_values::holdFromPercent(p); });
    addSlider(
        "DECAY: ", [] { return menu_values::percentOfDecay(model().spectrum.decayRate); },
        [] { return menu_values::decayLabel(model().spectrum.decayRate); },
        [](int p) { model().spectrum.decayRate = menu_values::decayFromPercent(p); });
    addSlider(
        "AVERAGE: ", [] { return menu_values::percentOfAverage(model().spectrum.averageTime); },
        [] { return menu_values::secondsLabel(model().spectrum.averageTime); },
        [](int p) { model().spectrum.averageTime = menu_values::averageFromPercent(p); });
    addAttenuationRows();
}

} // namespace nolvo
