#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "MenuRowCases.h"
#include "MenuTestFixture.h"
#include "engine/ui/Button.h"
#include "menus/PickerColumns.h"
#include "menus/PickerColumnsRow.h"
#include "menus/PowerMeasureMenu.h"
#include "menus/PowerMenu.h"
#include "menus/SpectrumCursors.h"
#include "menus/TriggerMenu.h"
#include "model/ModelLock.h"

namespace nolvo::test {
namespace {

using power_menu::Column;

constexpr Column kSign = Column::Sign;
constexpr Column kWhole = Column::Whole;
constexpr Column kHundredths = Column::Hundredths;
constexpr Column kUnit = Column::Unit;

PickerColumnsRow* columns(MenuLayer* menu, const std::string& caption) { return row<PickerColumnsRow>(menu, caption); }

void digital(DataModel& m) { m.power.triggerType = 0; }

// A power-capable accessory connected, with 10 dB of external attenuation.
void powerHardware(DataModel& m)
{
    m.accessoryConnected = true;
    m.deviceInfo.hasPower = true;
    m.common.externalAttenuation = 10.0f;
    m.common.internalAttenuationIndex = -1; // no internal attenuator entry
}

class PowerMenusTest : public MenuRowsTest {
protected:
    void TearDown() override
    {
        DataModel& m = *DataModel::getInstance();
        m.powerStore.amplitudeBottom = -40.0f;
        m.powerStore.live.clear();
        m.referenceHistory.clear();
        MenuRowsTest::TearDown();
    }
    // Each case also asks the accessory for the power configuration again, once.
    void runReconfiguring(int id, const std::vector<RowCase>& cases)
    {
        for (const RowCase& c : cases) {
            link.calls.clear();
            run(id, {c});
            EXPECT_EQ(link.calls, std::vector<std::string>{"restart"}) << c.what;
        }
    }
};

// In power mode the bar's buttons open the power menus (and the cursor menu with its power rows).
TEST_F(PowerMenusTest, PowerModeBarButtonsOpenThePowerMenus)
{
    DataModel::getInstance()->common.spectrumModeActive = 0;
    bar->refreshItems();
    frames(1);
    using Item = MenuBar::Item;
    const struct {
        Item item;
        int id;
        bool (*isExpected)(MenuLayer*);
    } cases[] = {
        {Item::Mode, kPowerMenu, [](MenuLayer* m) { return dynamic_cast<PowerMenu*>(m) != nullptr; }},
        {Item::Measure, kPowerMeasureMenu, [](MenuLayer* m) { return dynamic_cast<PowerMeasureMenu*>(m) != nullptr; }},
        {Item::ColorsTrigger, kTriggerMenu, [](MenuLayer* m) { return dynamic_cast<TriggerMenu*>(m) != nullptr; }},
        {Item::Cursors, kCursorsMenu, [](MenuLayer* m) { return m && m->findRow("UNIT: ") != nullptr; }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bar->menuIdFor(c.item), c.id);
        MenuLayer* menu = openByClick(c.item);
        ASSERT_NE(menu, nullptr) << c.id;
        EXPECT_EQ(controller->getOpenMenuId(), c.id);
        EXPECT_TRUE(c.isExpected(menu)) << c.id;
        controller->closeMenu(false);
        settle();
    }
}

TEST_F(PowerMenusTest, TriggerRowsWriteTheirFieldsAndReconfigure)
{
    runReconfiguring(
        kTriggerMenu,
        {
            {"NORMAL", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "AUTO/NORMAL")->press(1); }, field("power", 24, 1),
             [](const DataModel& d) { return d.power.autoTrigger == 0; }},
            {"AUTO", [](DataModel& d) { d.power.autoTrigger = 0; },
             [](MenuLayer* m) { row<SegmentedRow>(m, "AUTO/NORMAL")->press(0); }, field("power", 24, 1),
             [](const DataModel& d) { return d.power.autoTrigger == 1; }},
            {"DELAY 12 s from 0.00s", nullptr, [](MenuLayer* m) { columns(m, "DELAY: ")->choose(kWhole, 12); },
             field("power", 16, 4), [](const DataModel& d) { return d.power.triggerDelay == 12.0f; }},
            {"DELAY 1.50 ms made negative", [](DataModel& d) { d.power.triggerDelay = 0.0015f; },
             [](MenuLayer* m) { columns(m, "DELAY: ")->choose(kSign, 1); }, field("power", 16, 4),
             [](const DataModel& d) { return std::fabs(d.power.triggerDelay + 0.0015f) < 1e-7f; }},
            {"DELAY 1.50 ms to µs", [](DataModel& d) { d.power.triggerDelay = 0.0015f; },
             [](MenuLayer* m) { columns(m, "DELAY: ")->choose(kUnit, 1); }, field("power", 16, 4),
             [](const DataModel& d) { return std::fabs(d.power.triggerDelay - 1.5e-6f) < 1e-10f; }},
            {"HOLDOFF 0.50 s", nullptr, [](MenuLayer* m) { columns(m, "HOLDOFF: ")->choose(kHundredths, 50); },
             field("power", 20, 4), [](const DataModel& d) { return d.power.triggerHoldoff == 0.5f; }},
            {"TYPE DIGITAL", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "TYPE: ")->press(1); }, field("power", 25, 1),
             [](const DataModel& d) { return d.power.triggerType == 0; }},
            {"TYPE POWER", digital, [](MenuLayer* m) { row<SegmentedRow>(m, "TYPE: ")->press(0); }, field("power", 25, 1),
             [](const DataModel& d) { return d.power.triggerType == 1; }},
            {"LEVEL -10.56 dBm", nullptr, [](MenuLayer* m) { columns(m, "LEVEL: ")->choose(kWhole, 10); },
             field("power", 28, 4), [](const DataModel& d) { return std::fabs(d.power.triggerLevel + 10.56f) < 1e-4f; }},
            {"LEVEL 1 µW to 1 mW in watts",
             [](DataModel& d) {
                 d.common.powerUnits = 1;
                 d.power.triggerLevel = -30.0f;
             },
             [](MenuLayer* m) { columns(m, "LEVEL: ")->choose(kUnit, 2); }, field("power", 28, 4),
             [](const DataModel& d) { return std::fabs(d.power.triggerLevel) < 1e-4f; }},
            {"FALLING", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "EDGE: ")->press(0); }, field("power", 32, 1),
             [](const DataModel& d) { return d.power.powerEdgeRising == 0; }},
            {"GROUND includes the attenuation offset",
             [](DataModel& d) {
                 powerHardware(d);
                 d.powerStore.amplitudeBottom = -80.0f;
             },
             [](MenuLayer* m) { row<ButtonRow>(m, "GROUND")->press(); }, field("power", 28, 4),
             [](const DataModel& d) { return d.power.triggerLevel == -70.0f; }},
            {"A | B", digital, [](MenuLayer* m) { row<SegmentedRow>(m, "A/A&B/A | B/A -> B")->press(2); },
             field("power", 33, 1), [](const DataModel& d) { return d.power.digitalCombination == 2; }},
            {"input A two steps right, stored", digital,
             [](MenuLayer* m) {
                 auto* inputs = row<SegmentedRow>(m, "</A: D1/>");
                 inputs->press(2);
                 inputs->press(2);
                 inputs->press(1);
             },
             field("power", 34, 1), [](const DataModel& d) { return d.power.digitalInputA == 2; }},
            {"input B one step left wraps to D1", digital,
             [](MenuLayer* m) {
                 auto* inputs = row<SegmentedRow>(m, "</B: D2/>");
                 inputs->press(0);
                 inputs->press(0);
                 inputs->press(0);
                 inputs->press(1);
             },
             field("power", 35, 1), [](const DataModel& d) { return d.power.digitalInputB == 2; }},
            {"EDGE A FALL", digital, [](MenuLayer* m) { row<SegmentedRow>(m, "EDGE A: ")->press(0); },
             field("power", 36, 1), [](const DataModel& d) { return d.power.edgeARise == 0; }},
            {"EDGE B RISE", digital, [](MenuLayer* m) { row<SegmentedRow>(m, "EDGE B: ")->press(1); },
             field("power", 37, 1), [](const DataModel& d) { return d.power.edgeBRise == 1; }},
        });
}

// Actions that must leave the settings and the accessory alone.
TEST_F(PowerMenusTest, TriggerRowsThatMustNotWrite)
{
    struct Case {
        const char* what;
        void (*prepare)(DataModel&);
        void (*act)(MenuLayer*);
    };
    const Case cases[] = {
        {"pressing the selected AUTO", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "AUTO/NORMAL")->press(0); }},
        {"digital combination while POWER", nullptr,
         [](MenuLayer* m) { row<SegmentedRow>(m, "A/A&B/A | B/A -> B")->press(3); }},
        {"level picker while DIGITAL", digital, [](MenuLayer* m) { columns(m, "LEVEL: ")->choose(kWhole, 3); }},
        {"GROUND while DIGITAL", digital, [](MenuLayer* m) { row<ButtonRow>(m, "GROUND")->press(); }},
        {"GROUND without a bottom", [](DataModel& d) { d.powerStore.amplitudeBottom = NAN; },
         [](MenuLayer* m) { row<ButtonRow>(m, "GROUND")->press(); }},
        {"input arrows alone", digital,
         [](MenuLayer* m) {
             row<SegmentedRow>(m, "</A: D1/>")->press(2);
             row<SegmentedRow>(m, "</A: D1/>")->press(2);
         }},
        {"input button on the stored input", digital, [](MenuLayer* m) { row<SegmentedRow>(m, "</A: D1/>")->press(1); }},
        {"the dBm unit is no choice", nullptr, [](MenuLayer* m) { columns(m, "LEVEL: ")->choose(kUnit, 2); }},
        {"a picker row list that changes nothing", nullptr,
         [](MenuLayer* m) { columns(m, "LEVEL: ")->pick({1, 30, 56}); }},
        {"0 W level refused", [](DataModel& d) { d.common.powerUnits = 1; },
         [](MenuLayer* m) {
             // -30.56 dBm is 0.88 µW: taking the hundredths to 00 leaves 0.00 µW.
             columns(m, "LEVEL: ")->choose(kHundredths, 0);
         }},
        {"negative watts refused", [](DataModel& d) { d.common.powerUnits = 1; },
         [](MenuLayer* m) { columns(m, "LEVEL: ")->choose(kSign, 1); }},
    };
    for (const Case& c : cases) {
        resetModel();
        DataModel& m = *DataModel::getInstance();
        m.powerStore.amplitudeBottom = -40.0f;
        if (c.prepare) c.prepare(m);
        MenuLayer* menu = open(kTriggerMenu);
        ASSERT_NE(menu, nullptr);
        const auto before = records(m);
        link.calls.clear();
        c.act(menu);
        EXPECT_TRUE(changedBytes(m, before).empty()) << c.what;
        EXPECT_TRUE(link.calls.empty()) << c.what;
        EXPECT_TRUE(std::isfinite(m.power.triggerLevel)) << c.what;
    }
}

TEST_F(PowerMenusTest, TriggerButtonsShowTheStoredValues)
{
    struct Case {
        const char* what;
        void (*prepare)(DataModel&);
        const char* caption;
        std::string shown;
        int wheels;
    };
    const Case cases[] = {
        {"delay at first", nullptr, "DELAY: ", "0.00s", 4},
        {"holdoff at first", nullptr, "HOLDOFF: ", "0.00s", 4},
        {"negative delay", [](DataModel& d) { d.power.triggerDelay = -0.0025f; }, "DELAY: ", "-2.50ms", 4},
        {"level in dBm", nullptr, "LEVEL: ", "-30.56dBm", 3},
        {"level in watts", [](DataModel& d) { d.common.powerUnits = 1; d.power.triggerLevel = -30.0f; }, "LEVEL: ",
         "1.00µW", 4},
    };
    for (const Case& c : cases) {
        resetModel();
        if (c.prepare) c.prepare(*DataModel::getInstance());
        MenuLayer* menu = open(kTriggerMenu);
        ASSERT_NE(menu, nullptr);
        menu->refreshNow();
        PickerColumnsRow* r = columns(menu, c.caption);
        ASSERT_NE(r, nullptr) << c.what;
        EXPECT_EQ(r->valueText(), c.shown) << c.what;
        EXPECT_EQ(r->button()->getTitleText(), c.shown) << c.what;
        // The picker opens on the stored value, one wheel per column.
        r->openPicker();
        auto* picker = dynamic_cast<PickerColumns*>(controller->getPicker());
        ASSERT_NE(picker, nullptr) << c.what;
        EXPECT_EQ(picker->columnCount(), c.wheels) << c.what;
        std::string middle;
        for (int col = 0; col < picker->columnCount(); ++col) {
            const std::vector<std::string> texts = picker->visibleTexts(col);
            const std::size_t at = static_cast<std::size_t>(std::min(picker->rowOf(col), PickerWheel::kVisibleRows / 2));
            middle += at < texts.size() ? texts[at] : std::string("?");
            middle += "|";
        }
        const std::string sign = c.shown[0] == '-' ? "-" : "+";
        EXPECT_EQ(middle.substr(0, 2), sign + "|") << c.what << ": " << middle;
        controller->closePicker();
    }
    // The input buttons follow the arrows before anything is stored.
    resetModel();
    digital(*DataModel::getInstance());
    auto* menu = dynamic_cast<TriggerMenu*>(open(kTriggerMenu));
    ASSERT_NE(menu, nullptr);
    auto* inputs = row<SegmentedRow>(menu, "</B: D2/>");
    ASSERT_NE(inputs, nullptr);
    inputs->press(2);
    menu->refreshNow();
    EXPECT_EQ(inputs->segment(1)->getTitleText(), "B: D3");
    EXPECT_EQ(menu->pendingInput(1), 2);
    EXPECT_EQ(DataModel::getInstance()->power.digitalInputB, 1);
}

// The mouse wheel over a column of the open picker turns that column (away from the user: the
// row above) and stops at its ends; the value is stored while the picker stays open.
TEST_F(PowerMenusTest, WheelOverAPickerColumnTurnsIt)
{
    struct Case {
        const char* what;
        void (*prepare)(DataModel&);
        const char* caption;
        int column;
        float notches;
        float PowerSettings::*field;
        float expected;
    };
    const Case cases[] = {
        {"delay whole down from 0.00s", nullptr, "DELAY: ", 1, -1.0f, &PowerSettings::triggerDelay, 1.0f},
        {"delay unit up from ms", [](DataModel& d) { d.power.triggerDelay = 0.0015f; }, "DELAY: ", 3, 1.0f,
         &PowerSettings::triggerDelay, 1.5e-6f},
        {"level hundredths down", nullptr, "LEVEL: ", 2, -1.0f, &PowerSettings::triggerLevel, -30.57f},
        {"holdoff whole stops at 99", [](DataModel& d) { d.power.triggerHoldoff = 99.5f; }, "HOLDOFF: ", 1, -1.0f,
         &PowerSettings::triggerHoldoff, 99.5f},
        {"sign stops at +", nullptr, "DELAY: ", 0, 1.0f, &PowerSettings::triggerDelay, 0.0f},
    };
    for (const Case& c : cases) {
        resetModel();
        DataModel& m = *DataModel::getInstance();
        if (c.prepare) c.prepare(m);
        MenuLayer* menu = open(kTriggerMenu);
        ASSERT_NE(menu, nullptr);
        frames(15);
        PickerColumnsRow* r = columns(menu, c.caption);
        ASSERT_NE(r, nullptr) << c.what;
        r->openPicker();
        frames(1);
        auto* picker = dynamic_cast<PickerColumns*>(controller->getPicker());
        ASSERT_NE(picker, nullptr) << c.what;
        const engine::Rect frame = picker->frameInWorld();
        const float w = frame.size.width / static_cast<float>(picker->columnCount());
        wheel(frame.origin.x + w * (static_cast<float>(c.column) + 0.5f), frame.origin.y + frame.size.height / 2, c.notches);
        frames(1);
        EXPECT_NEAR(m.power.*(c.field), c.expected, std::fabs(c.expected) * 1e-5f + 1e-9f) << c.what;
        EXPECT_EQ(picker->focusedColumn(), c.column) << c.what;
        EXPECT_EQ(controller->getPicker(), picker) << c.what << ": the picker stays open";
        controller->closePicker();
    }
}

// Units and the value change together: the picker's columns are stored as a whole, so a unit
// chosen while the number reads zero is kept for the next column.
TEST_F(PowerMenusTest, PickerColumnsAreStoredTogether)
{
    DataModel& m = *DataModel::getInstance();
    MenuLayer* menu = open(kTriggerMenu);
    ASSERT_NE(menu, nullptr);
    PickerColumnsRow* r = columns(menu, "DELAY: ");
    ASSERT_NE(r, nullptr);
    r->openPicker();
    auto* picker = dynamic_cast<PickerColumns*>(controller->getPicker());
    ASSERT_NE(picker, nullptr);
    picker->moveColumn(3, -1); // s -> ms while the number is 0.00
    EXPECT_EQ(m.power.triggerDelay, 0.0f);
    picker->moveColumn(1, 3);  // 3 ms, not 3 s
    EXPECT_NEAR(m.power.triggerDelay, 0.003f, 1e-8f);
    picker->moveColumn(0, 1);  // -3 ms
    EXPECT_NEAR(m.power.triggerDelay, -0.003f, 1e-8f);
    menu->refreshNow();
    EXPECT_EQ(r->button()->getTitleText(), "-3.00ms");
}

TEST_F(PowerMenusTest, KeyboardAloneSetsTheDelayAndSkipsUnusedRows)
{
    using Key = engine::EventKeyboard::KeyCode;
    DataModel& d = *DataModel::getInstance();
    MenuLayer* menu = open(kTriggerMenu);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));  // AUTO / NORMAL
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));  // DELAY
    EXPECT_EQ(menu->rows()[static_cast<std::size_t>(menu->focusedRow())]->captionText(), "DELAY: ");
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    auto* picker = dynamic_cast<PickerColumns*>(controller->getPicker());
    ASSERT_NE(picker, nullptr) << "Enter opens the column picker";
    EXPECT_TRUE(controller->handleKey(Key::KEY_RIGHT_ARROW)); // whole part
    EXPECT_EQ(picker->focusedColumn(), 1);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_EQ(d.power.triggerDelay, 2.0f);
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    frames(2);
    EXPECT_EQ(controller->getPicker(), nullptr) << "Enter closes the picker";
    EXPECT_EQ(d.power.triggerDelay, 2.0f);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"restart", "restart"})) << "one request per stored change";

    // A DIGITAL trigger: down from TYPE goes past the level, edge and GROUND to the combination.
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // HOLDOFF
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // TYPE
    EXPECT_EQ(menu->rows()[static_cast<std::size_t>(menu->focusedRow())]->captionText(), "TYPE: ");
    EXPECT_TRUE(controller->handleKey(Key::KEY_RIGHT_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    frames(1);
    EXPECT_EQ(d.power.triggerType, 0);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_EQ(menu->rows()[static_cast<std::size_t>(menu->focusedRow())]->name(), "A/A&B/A | B/A -> B");
}

TEST_F(PowerMenusTest, AttenuationNeedsPowerHardware)
{
    for (bool present : {false, true}) {
        resetModel();
        if (present) powerHardware(*DataModel::getInstance());
        MenuLayer* menu = open(kPowerMenu);
        ASSERT_NE(menu, nullptr);
        menu->refreshNow();
        for (const char* caption : {"INT. ATTEN: ", "EXT. ATTEN: "}) {
            auto* r = row<ValueButtonRow>(menu, caption);
            ASSERT_NE(r, nullptr) << caption;
            EXPECT_EQ(r->button()->isEnabled(), present) << caption << " hardware " << present;
            const engine::Color3B title = r->button()->getTitleColor();
            EXPECT_EQ(int(title.r), present ? 127 : 80) << caption << " title, hardware " << present;
            r->openPicker();
            EXPECT_EQ(controller->getPicker() != nullptr, present) << caption << " hardware " << present;
            if (controller->getPicker()) controller->closePicker();
        }
    }
    // With the hardware the rows write the common settings and reconfigure.
    link.calls.clear();
    runReconfiguring(
        kPowerMenu,
        {
            {"INT. ATTEN 8 dBm", powerHardware, [](MenuLayer* m) { row<ValueButtonRow>(m, "INT. ATTEN: ")->choose(2); },
             field("common", 4, 4), [](const DataModel& d) { return d.common.internalAttenuationIndex == 2; }},
        });
}

TEST_F(PowerMenusTest, ReferenceButtonsActOnTheReference)
{
    resetModel();
    DataModel& m = *DataModel::getInstance();
    m.referenceChannel.shown = 0;
    {
        ModelLock lock(m, kDataLock);
        m.powerStore.live.history = {{-50.0f, -40.0f}, {-30.0f, -20.0f, -10.0f}};
        m.powerStore.live.processedHistory = {{}, {}};
        m.powerStore.live.alpha = {0.5f, 1.0f};
    }
    MenuLayer* menu = open(kPowerMenu);
    ASSERT_NE(menu, nullptr);
    auto* buttons = row<SegmentedRow>(menu, "REF/GRAB/CLR");
    ASSERT_NE(buttons, nullptr);

    buttons->press(1); // GRAB
    EXPECT_TRUE(m.referenceHistory.isValid);
    ASSERT_EQ(m.referenceHistory.history.size(), 1u);
    EXPECT_EQ(m.referenceHistory.history[0], (std::vector<float>{-30.0f, -20.0f, -10.0f}));
    EXPECT_EQ(m.referenceChannel.shown, 1) << "GRAB shows the reference";
    menu->refreshNow();
    EXPECT_EQ(buttons->selectedIndex(), 0);

    buttons->press(0); // REF hides it, the reference stays
    EXPECT_EQ(m.referenceChannel.shown, 0);
    EXPECT_TRUE(m.referenceHistory.isValid);
    menu->refreshNow();
    EXPECT_EQ(buttons->selectedIndex(), -1);
    buttons->press(0);
    EXPECT_EQ(m.referenceChannel.shown, 1);

    buttons->press(2); // CLR
    EXPECT_FALSE(m.referenceHistory.isValid);
    EXPECT_TRUE(m.referenceHistory.history.empty());
    EXPECT_TRUE(link.calls.empty()) << "the reference is the window's own: nothing goes to the accessory";
}

TEST_F(PowerMenusTest, MeasureSlotsStoreAndShowTheChosenNames)
{
    struct Case {
        int slot;
        int pickerRow;
        std::uint8_t id;
        const char* title;
    };
    const Case cases[] = {
        {1, 1, 0, "Period"},           {2, 4, 3, "Rise Time"},   {3, 6, 5, "Duty Cycle (+)"},
        {4, 14, 13, "Peak To Peak"},   {5, 23, 22, "Cycle RMS"}, {6, 20, 19, "Mean"},
        {6, 0, 255, "NONE"},
    };
    for (const Case& c : cases) {
        resetModel();
        DataModel& m = *DataModel::getInstance();
        if (c.id == 255) m.power.measurements[c.slot - 1] = 7;
        MenuLayer* menu = open(kPowerMeasureMenu);
        ASSERT_NE(menu, nullptr);
        auto* r = row<ValueButtonRow>(menu, PowerMeasureMenu::slotCaption(c.slot));
        ASSERT_NE(r, nullptr) << c.slot;
        ASSERT_EQ(r->options().size(), 24u);
        EXPECT_EQ(r->options()[0], "None");
        const auto before = records(m);
        r->choose(c.pickerRow);
        EXPECT_EQ(changedBytes(m, before), field("power", 37 + static_cast<std::size_t>(c.slot), 1)) << c.title;
        EXPECT_EQ(m.power.measurements[c.slot - 1], c.id) << c.title;
        menu->refreshNow();
        EXPECT_EQ(r->button()->getTitleText(), c.title);
    }
    // Every slot starts as NONE.
    resetModel();
    MenuLayer* menu = open(kPowerMeasureMenu);
    ASSERT_NE(menu, nullptr);
    menu->refreshNow();
    for (int slot = 1; slot <= PowerMeasureMenu::kSlots; ++slot) {
        EXPECT_EQ(row<ValueButtonRow>(menu, PowerMeasureMenu::slotCaption(slot))->button()->getTitleText(), "NONE");
    }
}

TEST_F(PowerMenusTest, PowerCursorRowsWriteTheirOptions)
{
    auto powerMode = [](DataModel& d) { d.common.spectrumModeActive = 0; };
    run(kCursorsMenu,
        {
            {"UNIT PHASE", powerMode, [](MenuLayer* m) { row<SegmentedRow>(m, "UNIT: ")->press(1); }, field("cursors", 9, 1),
             [](const DataModel& d) { return d.cursors.option9 == kUnitPhase; }},
            {"UNIT BASE",
             [](DataModel& d) {
                 d.common.spectrumModeActive = 0;
                 d.cursors.option9 = kUnitRatio;
             },
             [](MenuLayer* m) { row<SegmentedRow>(m, "UNIT: ")->press(0); }, field("cursors", 9, 1),
             [](const DataModel& d) { return d.cursors.option9 == kUnitBase; }},
            {"360° WITHIN CURSOR",
             [](DataModel& d) {
                 d.common.spectrumModeActive = 0;
                 d.cursors.option9 = kUnitPhase;
             },
             [](MenuLayer* m) { row<SegmentedRow>(m, "360° WITHIN: ")->press(1); }, field("cursors", 10, 1),
             [](const DataModel& d) { return d.cursors.option10 == kWithinCursors; }},
            {"100% WITHIN GRID",
             [](DataModel& d) {
                 d.common.spectrumModeActive = 0;
                 d.cursors.option9 = kUnitRatio;
             },
             [](MenuLayer* m) { row<SegmentedRow>(m, "100% WITHIN: ")->press(2); }, field("cursors", 11, 1),
             [](const DataModel& d) { return d.cursors.option11 == kWithinGrid; }},
            {"cursors ON in power mode",
             [](DataModel& d) {
                 d.common.spectrumModeActive = 0;
                 d.cursors.shown = 0;
             },
             [](MenuLayer* m) { row<SegmentedRow>(m, "CURSORS: ")->press(1); }, field("cursors", 0, 1),
             [](const DataModel& d) { return d.cursors.shown == 1; }},
        });

    // The spans are usable only with their unit; spectrum mode has no power rows.
    struct Case {
        std::uint8_t spectrum;
        std::uint8_t unit;
        bool hasRows;
        bool phaseSpan;
        bool ratioSpan;
    };
    // 255, the stored default, reads as BASE as the readouts take it.
    for (const Case& c : {Case{0, 255, true, false, false}, Case{0, kUnitPhase, true, true, false},
                          Case{0, kUnitRatio, true, false, true}, Case{1, kUnitPhase, false, false, false}}) {
        resetModel();
        DataModel& m = *DataModel::getInstance();
        m.common.spectrumModeActive = c.spectrum;
        m.cursors.option9 = c.unit;
        MenuLayer* menu = open(kCursorsMenu);
        ASSERT_NE(menu, nullptr);
        menu->refreshNow();
        auto* unit = row<SegmentedRow>(menu, "UNIT: ");
        EXPECT_EQ(unit != nullptr, c.hasRows) << int(c.spectrum);
        if (!unit) continue;
        EXPECT_EQ(unit->selectedIndex(), c.unit == 255 ? 0 : c.unit);
        EXPECT_EQ(row<SegmentedRow>(menu, "360° WITHIN: ")->selectedIndex(), 0) << "5 DIV at first";
        EXPECT_EQ(row<SegmentedRow>(menu, "360° WITHIN: ")->isSegmentEnabled(0), c.phaseSpan) << int(c.unit);
        EXPECT_EQ(row<SegmentedRow>(menu, "100% WITHIN: ")->isSegmentEnabled(0), c.ratioSpan) << int(c.unit);
    }
}

} // namespace
} // namespace nolvo::test
