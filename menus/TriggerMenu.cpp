#include "menus/TriggerMenu.h"

#include "menus/MenuActions.h"
#include "menus/PickerColumnsRow.h"
#include "menus/PowerMenuValues.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/SharedField.h"

namespace nolvo {

namespace {

DataModel& model() { return *DataModel::getInstance(); }
PowerSettings& power() { return model().power; }

// A trigger setting changed: the accessory gets the power configuration again.
void reconfigure() { menu_actions::requestRestart(false); }

bool powerType() { return loadShared(power().triggerType) != 0; }
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
void setFlag(Byte PowerSettings::*field, bool on)
{
    if ((loadShared(power().*field) != 0) == on) return;
    TriggerMenu::chooseTrigger(field, static_cast<Byte>(on ? 1 : 0));
}

} // namespace

template <typename Field>
void TriggerMenu::chooseTrigger(Field PowerSettings::*field, Field value)
{
    if (loadShared(power().*field) == value) return;
    storeShared(power().*field, value);
    reconfigure();
}

template void TriggerMenu::chooseTrigger(float PowerSettings::*, float);
template void TriggerMenu::chooseTrigger(std::uint8_t PowerSettings::*, std::uint8_t);
template void TriggerMenu::chooseTrigger(std::int8_t PowerSettings::*, std::int8_t);

TriggerMenu::TriggerMenu()
{
    // The arrows start from the stored inputs (an out-of-range byte starts at D1).
    const std::uint8_t a = loadShared(power().digitalInputA);
    const std::uint8_t b = loadShared(power().digitalInputB);
    m_pending[0] = a < 4 ? a : 0;
    m_pending[1] = b < 4 ? b : 0;
}

void TriggerMenu::buildRows()
{
    addSegmented(
        "", {"AUTO", "NORMAL"}, [] { return loadShared(power().autoTrigger) ? 0 : 1; },
        [](int i) { setFlag(&PowerSettings::autoTrigger, i == 0); });
    for (float PowerSettings::*field : {&PowerSettings::triggerDelay, &PowerSettings::triggerHoldoff}) {
        addRow(PickerColumnsRow::create(
            this, field == &PowerSettings::triggerDelay ? "DELAY: " : "HOLDOFF: ", [] { return timeUnits(); },
            [field] { return PowerPickerFormat::timeEntry(loadShared(power().*field)); },
            [field](const PickerEntry& e) {
                chooseTrigger(field, static_cast<float>(PowerPickerFormat::timeFromEntry(e)));
            }));
    }
    addSegmented(
        "TYPE: ", {"POWER", "DIGITAL"}, [] { return powerType() ? 0 : 1; },
        [](int i) { setFlag(&PowerSettings::triggerType, i == 0); });

    // POWER trigger.
    addRow(PickerColumnsRow::create(
        this, "LEVEL: ", [] { return levelUnits(); },
        [] {
            const float level = loadShared(power().triggerLevel);
            return watts() ? PowerPickerFormat::wattEntry(level) : PowerPickerFormat::dbmEntry(level);
        },
        // A watt entry of 0 W or less is refused: the level keeps its value.
        [](const PickerEntry& e) {
            float level = loadShared(power().triggerLevel);
            if (PowerPickerFormat::applyLevelEntry(e, watts(), level)) chooseTrigger(&PowerSettings::triggerLevel, level);
        },
        [] { return powerType(); }));
    addSegmented(
        "EDGE: ", {"FALLING", "RISING"}, [] { return loadShared(power().powerEdgeRising) ? 1 : 0; },
        [](int i) { setFlag(&PowerSettings::powerEdgeRising, i == 1); }, [](int) { return powerType(); });
    addButton(
        "GROUND",
        [] {
            float ground = loadShared(power().triggerLevel);
            bool ok = false;
            {
                ModelLock lock(model(), kDataLock);
                ok = power_menu::groundLevel(model(), ground);
            }
            if (ok) chooseTrigger(&PowerSettings::triggerLevel, ground);
        },
        [] { return powerType(); });

    // DIGITAL trigger.
    addSegmented(
        "", {"A", "A&B", "A | B", "A -> B"},
        [] {
            const std::uint8_t combination = loadShared(power().digitalCombination);
            return combination < 4 ? combination : -1;
        },
        [](int i) { chooseTrigger(&PowerSettings::digitalCombination, static_cast<std::uint8_t>(i)); },
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
            if (i == 1) chooseTrigger(input, static_cast<std::uint8_t>(*pending));
        },
        [](int) { return !powerType(); });
    if (row) {
        row->setTitleSource([name, pending](int i) {
            return i == 1 ? power_menu::inputTitle(name, *pending) : std::string(i == 0 ? "<" : ">");
        });
    }
    if (condition == 0) {
        addSegmented(
            "EDGE A: ", {"FALL", "RISE"}, [] { return loadShared(power().edgeARise) ? 1 : 0; },
            [](int i) { setFlag(&PowerSettings::edgeARise, i == 1); }, [](int) { return !powerType(); });
    } else {
        addSegmented(
            "EDGE B: ", {"FALL", "RISE"}, [] { return loadShared(power().edgeBRise) ? 1 : 0; },
            [](int i) { setFlag(&PowerSettings::edgeBRise, i == 1); }, [](int) { return !powerType(); });
    }
}

} // namespace nolvo
