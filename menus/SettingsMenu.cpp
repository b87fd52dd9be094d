#include "menus/SettingsMenu.h"

#include "menus/MenuActions.h"
#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {


namespace {

DataModel& model()
{
    return *DataModel::getInstance();
}

std::function<void()>& fileManagerOpener()
{
    static std::function<void()> opener;
    return opener;
}

struct RecordingControl {
    std::function<bool()> isRecording;
    std::function<void()> toggle;
    bool present() const { return isRecording && toggle; }
};

RecordingControl& recordingControl()
{
    static RecordingControl control;
    return control;
}

} // namespace

void SettingsMenu::setRecordingControl(std::function<bool()> isRecording, std::function<void()> toggle)
{
    recordingControl() = {std::move(isRecording), std::move(toggle)};
}

void SettingsMenu::setFileManagerOpener(std::function<void()> opener)
{
    fileManagerOpener() = std::move(opener);
}

void SettingsMenu::buildRows()
{
    for (int slot = 1; slot <= 3; ++slot) {
        addSegmented("CONFIG " + std::to_string(slot) + ": ", {"SAVE", "LOAD"}, [] { return -1; },
                     [slot](int i) {
                         if (i == 0) {
                             menu_actions::saveConfiguration(model(), slot);
                         } else {
                             menu_actions::loadConfiguration(model(), slot);
                         }
                     });
    }
    addButton("RESET CONFIG", [] { menu_actions::resetConfiguration(model()); });
    addSegmented(
        "DATA LOG: ", {"START", "STOP"}, [] { return menu_actions::isDataLogRunning(model()) ? 0 : 1; },
        [](int i) {
            if (i == 0) {
                menu_actions::startDataLog(model());
            } else {
                menu_actions::stopDataLog(model());
            }
        },
        [](int i) { return (i == 0) != menu_actions::isDataLogRunning(model()); });
    addSegmented(
        "RECORD: ", {"START", "STOP"},
        [] {
            const RecordingControl& control = recordingControl();
            if (!control.present()) return -1;
            return control.isRecording() ? 0 : 1;
        },
        [](int i) {
            const RecordingControl& control = recordingControl();
            // START acts only while idle and STOP only while recording, like the data log.
            if (control.present() && (i == 0) != control.isRecording()) control.toggle();
        },
        [](int i) {
            const RecordingControl& control = recordingControl();
            return control.present() && (i == 0) != control.isRecording();
        });
    addButton(
        "MANAGE FILES",
        [] {
            if (fileManagerOpener()) fileManagerOpener()();
        },
        [] { return static_cast<bool>(fileManagerOpener()); });
    addButton("SCREENSHOT", [] {
        // The picture is of the display, not of this menu.
        MenuController::getInstance()->closeMenu(false);
        menu_actions::saveScreenshot(model());
    });
    addMultiPicker(
        "", menu_values::graticuleRows(), [] { return model().graticuleMask; },
        [](std::int32_t mask) { model().graticuleMask = mask & kGraticuleAll; },
        [] { return menu_values::graticuleTitle(model().graticuleMask); });
    addMultiPicker(
        "", menu_values::alertRows(), [] { return model().alertsMask; },
        [](std::int32_t mask) { model().alertsMask = mask & kAlertsAll; },
        [] { return menu_values::alertsTitle(model().alertsMask); });
    addSegmented(
        "PERSIST:   ", {"LINES", "DOTS"}, [] { return static_cast<int>(model().common.displayStyle); },
        [](int i) { model().common.displayStyle = static_cast<std::uint8_t>(i); });
    addSlider(
        "", [] { return menu_values::percentOfPersist(model().power.persistence); },
        [] { return menu_values::secondsLabel(model().power.persistence); },
        [](int p) { model().power.persistence = menu_values::persistFromPercent(p); });
    addSegmented(
        "UNITS: ", {"dBm", "mW"}, [] { return model().common.powerUnits; },
        [](int i) { model().common.powerUnits = i; });
}

} // namespace nolvo
