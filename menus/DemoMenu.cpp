#include "menus/DemoMenu.h"

#include <cstdint>

#include "menus/MenuActions.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

const char* const kUnknownLabel = "Unknown";

DemoSettings& demo()
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
    demo().hardware = static_cast<std::uint8_t>(hardware);
    // Back to identification: the new model's recordings are parsed with its own protocol.
    menu_actions::restartDemoPlayback();
}

void DemoMenu::chooseSignal(int signal)
{
    if (signal < 0 || signal >= static_cast<int>(signalLabels().size())) return;
    if (demo().scene == signal) return;
    demo().scene = static_cast<std::uint8_t>(signal);
    menu_actions::restartDemoPlayback();
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
            if (!accessPointsChoosable(demo().hardware, demo().scene)) return -1;
            return demo().accessPoints != 0 ? 1 : 0;
        },
        [](int i) { demo().accessPoints = static_cast<std::uint8_t>(i == 1 ? 1 : 0); },
        [](int) { return accessPointsChoosable(demo().hardware, demo().scene); });
}

} // namespace nolvo
