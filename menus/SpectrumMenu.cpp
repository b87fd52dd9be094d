#include "menus/SpectrumMenu.h"
#include "model/SharedField.h"

#include "menus/AccessPointFilterMenu.h"
#include "menus/AnalystControl.h"
#include "menus/MenuActions.h"
#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {

namespace mv = menu_values;
namespace ma = menu_actions;

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
    if (ma::accessPointsUnavailable(model())) {
        ma::showAccessPointsUnavailable(which == TableControl::kUtilization);
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
            if (changed) ma::requestRestart(true);
        });
    addSegmented(
        "MODE: ", {"REAL WAVE", "WATERFALL"}, [] { return static_cast<int>(loadShared(model().spectrum.displayMode)); },
        [](int i) {
            DataModel& m = model();
            const bool modeChanged = loadShared(m.common.spectrumModeActive) != 1;
            storeShared<std::uint8_t>(m.common.spectrumModeActive, 1);
            storeShared(m.spectrum.displayMode, static_cast<std::uint8_t>(i));
            if (modeChanged) ma::requestRestart(true);
        });
    addSegmented(
        "SSID: ", {"OFF", "ON", "TABLE"}, [] { return static_cast<int>(loadShared(model().spectrum.ssidOverlay)); },
        [](int i) {
            DataModel& m = model();
            if (i == 0) {
                storeShared<std::uint8_t>(m.spectrum.ssidOverlay, 0);
            } else if (ma::accessPointsUnavailable(m)) {
                ma::showAccessPointsUnavailable(false);
            } else if (i == 1) {
                storeShared<std::uint8_t>(m.spectrum.ssidOverlay, 1);
            } else {
                toggleTable(TableControl::kAccessPoints);
            }
        },
        [](int i) { return i != 2 || tableAvailable(TableControl::kAccessPoints); });
    addSlider(
        "REFRESH:  ", [] { return mv::percentOfRefresh(loadShared(model().spectrum.ssidScanInterval)); },
        [] { return mv::refreshLabel(loadShared(model().spectrum.ssidScanInterval)); },
        [](int p) { storeShared(model().spectrum.ssidScanInterval, mv::refreshFromPercent(p)); });
    addButton(
        "ACCESS POINT UTILIZATION", [] { toggleTable(TableControl::kUtilization); },
        [] { return tableAvailable(TableControl::kUtilization); });
    for (int k = 0; k < 3; ++k) {
        addPicker(
            "TRACE " + std::to_string(k + 1) + ": ", [] { return mv::traceNames(); },
            [k] { return mv::rowOf(model().spectrum.traceSelection[k], mv::traceNames().size()); },
            [k] { return mv::traceName(model().spectrum.traceSelection[k]); },
            [k](int row) { model().spectrum.traceSelection[k] = static_cast<std::uint8_t>(row); });
    }
    addButton("CLEAR WAVEFORM", [] { ma::clearWaveform(model()); });
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
        "HOLD: ", [] { return mv::percentOfHold(model().spectrum.holdTime); },
        [] { return mv::secondsLabel(model().spectrum.holdTime); },
        [](int p) { model().spectrum.holdTime = mv::holdFromPercent(p); });
    addSlider(
        "DECAY: ", [] { return mv::percentOfDecay(model().spectrum.decayRate); },
        [] { return mv::decayLabel(model().spectrum.decayRate); },
        [](int p) { model().spectrum.decayRate = mv::decayFromPercent(p); });
    addSlider(
        "AVERAGE: ", [] { return mv::percentOfAverage(model().spectrum.averageTime); },
        [] { return mv::secondsLabel(model().spectrum.averageTime); },
        [](int p) { model().spectrum.averageTime = mv::averageFromPercent(p); });
    addAttenuationRows();
}

} // namespace nolvo
