#include "menus/DemoMenu.h"

#include <cstdint>

#include "menus/MenuActions.h"
#include "model/DataModel.h"
#include "model/SharedField.h"

namespace nolvo {

namespace {

const char* const kUnknownLabel = "Unknown";

// The demo choices are shared with the worker, which plays what they name: read and written
// field by field through the shared-access helpers.
DemoSettings demo()
{
    return DataModel::getInstance()->demoSettings();
}

DemoSettings& stored()
{
    return DataModel::getInstance()->demo;
}

std::string labelOf(const std::vector<std::string>& labels, int index)
{
    return index >= 0 && index < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(index)]
                                                                  : kUnknownLabel;
}

// The picker row of a stored value; -1 (nothing highlighted) for a value the picker lacks.
int rowOf(const std::vector<std::string>& labels, int value)
{
    return value >= 0 && value < static_cast<int>(labels.size()) ? value : -1;
}

} // namespace

const std::vector<std::string>& DemoMenu::hardwareLabels()
{
    static const std::vector<std::string> labels = {"Nolvo", "Nolvo-Pro", "Nolvo 5x"};
    return labels;
}

std::string DemoMenu::hardwareLabel(int hardware)
{
    return labelOf(hardwareLabels(), hardware);
}

const std::vector<std::string>& DemoMenu::signalLabels()
{
    static const std::vector<std::string> labels = {"NONE", "WIFI", "DECT", "DSS"};
    return labels;
}

std::string DemoMenu::signalLabel(int signal)
{
    return labelOf(signalLabels(), signal);
}

bool DemoMenu::accessPointsChoosable(int hardware, int signal)
{
    return hardware != 0 && signal == 1;
}

void DemoMenu::chooseHardware(int hardware)
{
    if (hardware < 0 || hardware >= static_cast<int>(hardwareLabels().size())) return;
    if (demo().hardware == hardware) return;
    storeShared(stored().hardware, static_cast<std::uint8_t>(hardware));
    // Back to identification: the new model's recordings are parsed with its own protocol.
    menu_actions::restartDemoPlayback();
}

void DemoMenu::chooseSignal(int signal)
{
    if (signal < 0 || signal >= static_cast<int>(signalLabels().size())) return;
    if (demo().scene == signal) return;
    storeShared(stored().scene, static_cast<std::uint8_t>(signal));
    menu_actions::restartDemoPlayback();
}

void DemoMenu::chooseAccessPoints(bool on)
{
    storeShared(stored().accessPoints, static_cast<std::uint8_t>(on ? 1 : 0));
}

void DemoMenu::buildRows()
{
    addPicker(
        "HARDWARE: ", [] { return hardwareLabels(); }, [] { return rowOf(hardwareLabels(), demo().hardware); },
        [] { return hardwareLabel(demo().hardware); }, [](int row) { chooseHardware(row); });
    addPicker(
        "SIGNAL TYPE: ", [] { return signalLabels(); }, [] { return rowOf(signalLabels(), demo().scene); },
        [] { return signalLabel(demo().scene); }, [](int row) { chooseSignal(row); });
    addSegmented(
        "WIFI SSID: ", {"OFF", "ON"},
        [] {
            const DemoSettings d = demo();
            if (!accessPointsChoosable(d.hardware, d.scene)) return -1;
            return d.accessPoints != 0 ? 1 : 0;
        },
        [](int i) { chooseAccessPoints(i == 1); },
        [](int) {
            const DemoSettings d = demo();
            return accessPointsChoosable(d.hardware, d.scene);
        });
}

} // namespace nolvo
