#include "menus/TriggerMenu.h"

#include "menus/MenuActions.h"
#include "menus/PickerColumnsRow.h"
#include "menus/PowerMenuValues.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

namespace {

DataModel& model() { return *DataModel::getInstance(); }
PowerSettings& power() { return model().power; }

// A trigger setting changed: the accessory gets the power configuration again.
void reconfigure() { menu_actions::requestRestart(false); }

bool powerType() { return power().triggerType != 0; }
bool watts() { return model().common.powerUnits == 1; }

std::vector<std::string> timeUnits()
{
    std::vector<std::string> units;
    for (int u = 0; u < PowerPickerFormat::kUnitCount; ++u) units.emplace_back(PowerPickerFormat::timeUnit(u));
    return units;
}

std::vector<std::string> levelUnits()
{
    if (!watts()) return {"dBm"};
    std::vector<std::string> units;
    for (int u = 0; u < PowerPickerFormat::kUnitCount; ++u) units.emplace_back(PowerPickerFormat::wattUnit(u));
    return units;
}

// Writes a one-byte flag and reconfigures, only when it changes.
template <typename Byte>
void setFlag(Byte& field, bool on)
{
    if ((field != 0) == on) return;
    field = static_cast<Byte>(on ? 1 : 0);
    reconfigure();
}

} // namespace

TriggerMenu::TriggerMenu()
{
    // The arrows start from the stored inputs (an out-of-range byte starts at D1).
    m_pending[0] = power().digitalInputA < 4 ? power().digitalInputA : 0;
    m_pending[1] = power().digitalInputB < 4 ? power().digitalInputB : 0;
}

void TriggerMenu::buildRows()
{
    addSegmented(
        "", {"AUTO", "NORMAL"}, [] { return power().autoTrigger ? 0 : 1; },
        [](int i) { setFlag(power().autoTrigger, i == 0); });
    for (float PowerSettings::*field : {&PowerSettings::triggerDelay, &PowerSettings::triggerHoldoff}) {
        addRow(PickerColumnsRow::create(
            this, field == &PowerSettings::triggerDelay ? "DELAY: " : "HOLDOFF: ", [] { return timeUnits(); },
            [field] { return PowerPickerFormat::timeEntry(power().*field); },
            [field](const PickerEntry& e) {
                power().*field = static_cast<float>(PowerPickerFormat::timeFromEntry(e));
                reconfigure();
            }));
    }
    addSegmented(
        "TYPE: ", {"POWER", "DIGITAL"}, [] { return powerType() ? 0 : 1; },
        [](int i) { setFlag(power().triggerType, i == 0); });

    // POWER trigger.
    addRow(PickerColumnsRow::create(
        this, "LEVEL: ", [] { return levelUnits(); },
        [] {
            return watts() ? PowerPickerFormat::wattEntry(power().triggerLevel)
                           : PowerPickerFormat::dbmEntry(power().triggerLevel);
        },
        // A watt entry of 0 W or less is refused: the level keeps its value.
        [](const PickerEntry& e) {
            if (PowerPickerFormat::applyLevelEntry(e, watts(), power().triggerLevel)) reconfigure();
        },
        [] { return powerType(); }));
    addSegmented(
        "EDGE: ", {"FALLING", "RISING"}, [] { return power().powerEdgeRising ? 1 : 0; },
        [](int i) { setFlag(power().powerEdgeRising, i == 1); }, [](int) { return powerType(); });
    addButton(
        "GROUND",
        [] {
            float ground = power().triggerLevel;
            bool ok = false;
            {
                ModelLock lock(model(), kDataLock);
                ok = power_menu::groundLevel(model(), ground);
            }
            if (!ok || ground == power().triggerLevel) return;
            power().triggerLevel = ground;
            reconfigure();
        },
        [] { return powerType(); });

    // DIGITAL trigger.
    addSegmented(
        "", {"A", "A&B", "A | B", "A -> B"},
        [] { return power().digitalCombination < 4 ? power().digitalCombination : -1; },
        [](int i) {
            if (power().digitalCombination == i) return;
            power().digitalCombination = static_cast<std::uint8_t>(i);
            reconfigure();
        },
        [](int) { return !powerType(); });
    addInputRows(0);
    addInputRows(1);
}

void TriggerMenu::addInputRows(int condition)
{
    const char name = condition == 0 ? 'A' : 'B';
    std::uint8_t PowerSettings::*input = condition == 0 ? &PowerSettings::digitalInputA : &PowerSettings::digitalInputB;
    int* pending = &m_pending[condition];
    // "<", the input button, ">": the arrows only move the pending number; the button stores it.
    SegmentedRow* row = addSegmented(
        "", {"<", power_menu::inputTitle(name, *pending), ">"}, [] { return -1; },
        [pending, input](int i) {
            if (i == 0) *pending = power_menu::steppedInput(*pending, -1);
            if (i == 2) *pending = power_menu::steppedInput(*pending, 1);
            if (i == 1 && power().*input != *pending) {
                power().*input = static_cast<std::uint8_t>(*pending);
                reconfigure();
            }
        },
        [](int) { return !powerType(); });
    if (row) {
        row->setTitleSource([name, pending](int i) {
            return i == 1 ? power_menu::inputTitle(name, *pending) : std::string(i == 0 ? "<" : ">");
        });
    }
    if (condition == 0) {
        addSegmented(
            "EDGE A: ", {"FALL", "RISE"}, [] { return power().edgeARise ? 1 : 0; },
            [](int i) { setFlag(power().edgeARise, i == 1); }, [](int) { return !powerType(); });
    } else {
        addSegmented(
            "EDGE B: ", {"FALL", "RISE"}, [] { return power().edgeBRise ? 1 : 0; },
            [](int i) { setFlag(power().edgeBRise, i == 1); }, [](int) { return !powerType(); });
    }
}

} // namespace nolvo
