#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "MenuRowCases.h"
#include "MenuTestFixture.h"
#include "engine/ui/Button.h"
#include "engine/ui/Slider.h"
#include "menus/MenuRows.h"
#include "menus/MenuValues.h"
#include "menus/SettingsMenu.h"

namespace nolvo::test {
namespace {

using namespace engine;
using Key = EventKeyboard::KeyCode;

TEST_F(MenuRowsTest, SpectrumMenuRowsWriteTheirFields)
{
    run(kSpectrumMenu,
        {
            {"FREQUENCY 5 GHz", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "FREQUENCY: ")->press(1); },
             field("spectrum", 4, 4), [](const DataModel& d) { return d.spectrum.band == 1; }},
            {"FREQUENCY from power mode", [](DataModel& d) { d.common.spectrumModeActive = 0; },
             [](MenuLayer* m) { row<SegmentedRow>(m, "FREQUENCY: ")->press(0); }, field("common", 11, 1),
             [](const DataModel& d) { return d.common.spectrumModeActive == 1 && d.spectrum.band == 0; }},
            {"MODE WATERFALL", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "MODE: ")->press(1); },
             field("spectrum", 0, 1), [](const DataModel& d) { return d.spectrum.displayMode == 1; }},
            {"SSID OFF", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "SSID: ")->press(0); }, field("spectrum", 8, 1),
             [](const DataModel& d) { return d.spectrum.ssidOverlay == 0; }},
            {"SSID ON", [](DataModel& d) { d.spectrum.ssidOverlay = 0; },
             [](MenuLayer* m) { row<SegmentedRow>(m, "SSID: ")->press(1); }, field("spectrum", 8, 1),
             [](const DataModel& d) { return d.spectrum.ssidOverlay == 1; }},
            {"REFRESH p=50", nullptr, [](MenuLayer* m) { row<SliderRow>(m, "REFRESH:  ")->changePercent(50); },
             field("spectrum", 80, 4), [](const DataModel& d) { return d.spectrum.ssidScanInterval == 60.0f; }},
            {"REFRESH p=0", nullptr, [](MenuLayer* m) { row<SliderRow>(m, "REFRESH:  ")->changePercent(0); },
             field("spectrum", 80, 4), [](const DataModel& d) { return d.spectrum.ssidScanInterval == 0.0f; }},
            {"TRACE 2 MAX HOLD", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "TRACE 2: ")->choose(4); },
             field("spectrum", 10, 1), [](const DataModel& d) { return d.spectrum.traceSelection[1] == 4; }},
            {"TRACE 3 HEAT MAP", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "TRACE 3: ")->choose(6); },
             field("spectrum", 11, 1), [](const DataModel& d) { return d.spectrum.traceSelection[2] == 6; }},
            {"HOLD p=100", nullptr, [](MenuLayer* m) { row<SliderRow>(m, "HOLD: ")->changePercent(100); },
             field("spectrum", 12, 4), [](const DataModel& d) { return d.spectrum.holdTime == 3.0f; }},
            {"DECAY p=50", nullptr, [](MenuLayer* m) { row<SliderRow>(m, "DECAY: ")->changePercent(50); },
             field("spectrum", 16, 4), [](const DataModel& d) { return d.spectrum.decayRate == 5.0f; }},
            {"AVERAGE p=50", nullptr, [](MenuLayer* m) { row<SliderRow>(m, "AVERAGE: ")->changePercent(50); },
             field("spectrum", 20, 4), [](const DataModel& d) { return d.spectrum.averageTime == 2.0f; }},
            {"INT. ATTEN 12 dBm", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "INT. ATTEN: ")->choose(3); },
             field("common", 4, 4), [](const DataModel& d) { return d.common.internalAttenuationIndex == 3; }},
            {"EXT. ATTEN 10 dB", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "EXT. ATTEN: ")->choose(10); },
             field("common", 0, 4), [](const DataModel& d) { return d.common.externalAttenuation == 10.0f; }},
        });
}

TEST_F(MenuRowsTest, ColourMeasureAndCursorRowsWriteTheirFields)
{
    run(kSpectrumColorMenu,
        {{"COLORS X-RAY", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "COLORS: ")->choose(2); },
          join(field("spectrum", 24, 4), field("spectrum", 28, 4)),
          [](const DataModel& d) { return d.spectrum.heatMapColorMap == 2 && d.spectrum.waterfallColorMap == 2; }}});

    auto traces = [](DataModel& d) {
        d.spectrum.traceSelection[0] = 1;
        d.spectrum.traceSelection[1] = 4;
        d.spectrum.traceSelection[2] = 5;
        d.spectrum.onTopPeakTrace = 2;
    };
    auto waterfall = [](DataModel& d) { d.spectrum.displayMode = 1; };
    auto slider = [](MenuLayer* m, int k) { return dynamic_cast<SliderRow*>(m->rows()[static_cast<std::size_t>(k)]); };
    run(kSpectrumMeasureMenu,
        {
            {"PEAKS (RAW) p=40", traces, [slider](MenuLayer* m) { slider(m, 0)->changePercent(40); }, field("spectrum", 60, 1),
             [](const DataModel& d) { return d.spectrum.peakCounts[0] == 2; }},
            {"PEAKS (MAX) p=19", traces, [slider](MenuLayer* m) { slider(m, 1)->changePercent(19); }, field("spectrum", 63, 1),
             [](const DataModel& d) { return d.spectrum.peakCounts[3] == 0; }},
            {"PEAKS (MIN) p=99", traces, [slider](MenuLayer* m) { slider(m, 2)->changePercent(99); }, field("spectrum", 64, 1),
             [](const DataModel& d) { return d.spectrum.peakCounts[4] == 4; }},
            {"PEAKS (HORZ) p=20", waterfall, [slider](MenuLayer* m) { slider(m, 0)->changePercent(20); },
             field("spectrum", 65, 1), [](const DataModel& d) { return d.spectrum.peaksHorizontal == 1; }},
            {"PEAKS (VERT) p=0", waterfall, [slider](MenuLayer* m) { slider(m, 1)->changePercent(0); },
             field("spectrum", 66, 1), [](const DataModel& d) { return d.spectrum.peaksVertical == 0; }},
            {"ON TOP HEAT MAP", traces, [](MenuLayer* m) { row<ValueButtonRow>(m, "PEAKS \n(ON TOP):")->choose(6); },
             field("spectrum", 59, 1), [](const DataModel& d) { return d.spectrum.onTopPeakTrace == 0; }},
            {"ON TOP AVERAGE", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "PEAKS \n(ON TOP):")->choose(3); },
             field("spectrum", 59, 1), [](const DataModel& d) { return d.spectrum.onTopPeakTrace == 3; }},
            {"2.4 GHz GUIDE Zigbee", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "2.4 GHz \nGUIDE:")->choose(6); },
             field("spectrum", 68, 4), [](const DataModel& d) { return d.spectrum.channelGuide24 == 6; }},
            {"5 GHz GUIDE row 2", nullptr, [](MenuLayer* m) { row<ValueButtonRow>(m, "5 GHz \nGUIDE:")->choose(2); },
             field("spectrum", 72, 4), [](const DataModel& d) { return d.spectrum.channelGuide5 == 9; }},
        });

    run(kCursorsMenu,
        {
            {"CURSORS ON", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "CURSORS: ")->press(1); }, field("cursors", 0, 1),
             [](const DataModel& d) { return d.cursors.shown == 1; }},
            {"HORIZONTAL", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "PAIR: ")->press(0); }, field("cursors", 2, 2),
             [](const DataModel& d) { return d.cursors.verticalSelected == 0 && d.cursors.horizontalSelected == 1; }},
            {"VERTICAL",
             [](DataModel& d) {
                 d.cursors.verticalSelected = 0;
                 d.cursors.horizontalSelected = 1;
             },
             [](MenuLayer* m) { row<SegmentedRow>(m, "PAIR: ")->press(1); }, field("cursors", 2, 2),
             [](const DataModel& d) { return d.cursors.verticalSelected == 1 && d.cursors.horizontalSelected == 0; }},
            {"TRACKING", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "MOVE: ")->press(1); }, field("cursors", 1, 1),
             [](const DataModel& d) { return d.cursors.optionFlag == 1; }},
        });
}

TEST_F(MenuRowsTest, SettingsRowsWriteTheirFields)
{
    auto multi = [](MenuLayer* m, int k) {
        int seen = 0;
        for (MenuRow* r : m->rows()) {
            if (auto* multiRow = dynamic_cast<MultiChoiceRow*>(r)) {
                if (seen++ == k) return multiRow;
            }
        }
        return static_cast<MultiChoiceRow*>(nullptr);
    };
    run(kSettingsMenu,
        {
            {"GRATICULE without crosshairs", nullptr, [multi](MenuLayer* m) { multi(m, 0)->toggle(0); },
             field("graticule", 0, 4), [](const DataModel& d) { return d.graticuleMask == 30; }},
            {"ALERTS without disconnect", nullptr, [multi](MenuLayer* m) { multi(m, 1)->toggle(1); }, field("alerts", 0, 4),
             [](const DataModel& d) { return d.alertsMask == 1; }},
            {"PERSIST DOTS", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "PERSIST:   ")->press(1); },
             field("common", 10, 1), [](const DataModel& d) { return d.common.displayStyle == 1; }},
            {"persist p=100", nullptr,
             [](MenuLayer* m) {
                 for (MenuRow* r : m->rows()) {
                     if (auto* s = dynamic_cast<SliderRow*>(r)) s->changePercent(100);
                 }
             },
             field("power", 4, 4), [](const DataModel& d) { return d.power.persistence == 20.0f; }},
            {"UNITS mW", nullptr, [](MenuLayer* m) { row<SegmentedRow>(m, "UNITS: ")->press(1); }, field("common", 12, 4),
             [](const DataModel& d) { return d.common.powerUnits == 1; }},
        });
}

TEST_F(MenuRowsTest, RefreshShowsTheStoredValues)
{
    DataModel& d = *DataModel::getInstance();
    d.spectrum.band = 1;
    d.spectrum.displayMode = 5; // out of range: no segment selected
    d.spectrum.ssidScanInterval = 0;
    d.spectrum.traceSelection[0] = 9;
    d.spectrum.traceSelection[1] = 2;
    d.spectrum.holdTime = 1.5f;
    d.common.internalAttenuationIndex = -3;
    d.common.externalAttenuation = 12.5f;
    MenuLayer* menu = open(kSpectrumMenu);
    ASSERT_NE(menu, nullptr);
    menu->refreshNow();
    EXPECT_EQ(row<SegmentedRow>(menu, "FREQUENCY: ")->selectedIndex(), 1);
    EXPECT_EQ(row<SegmentedRow>(menu, "MODE: ")->selectedIndex(), -1);
    EXPECT_EQ(row<SliderRow>(menu, "REFRESH:  ")->percent(), 0);
    EXPECT_EQ(row<SliderRow>(menu, "REFRESH:  ")->valueText(), "ALWAYS");
    EXPECT_EQ(row<ValueButtonRow>(menu, "TRACE 1: ")->button()->getTitleText(), "UNKNOWN");
    EXPECT_EQ(row<ValueButtonRow>(menu, "TRACE 2: ")->button()->getTitleText(), "DECAY");
    EXPECT_EQ(row<SliderRow>(menu, "HOLD: ")->percent(), 50);
    EXPECT_EQ(row<SliderRow>(menu, "HOLD: ")->valueText(), "1.50s");
    EXPECT_EQ(row<ValueButtonRow>(menu, "INT. ATTEN: ")->button()->getTitleText(), "UNKNOWN");
    EXPECT_EQ(row<ValueButtonRow>(menu, "EXT. ATTEN: ")->button()->getTitleText(), "12.50 dBm");

    // A change made elsewhere (a configuration load) shows on the next refresh.
    d.spectrum.ssidScanInterval = 120;
    d.spectrum.displayMode = 1;
    menu->markForRefresh();
    frames(1);
    EXPECT_EQ(row<SliderRow>(menu, "REFRESH:  ")->percent(), 100);
    EXPECT_EQ(row<SliderRow>(menu, "REFRESH:  ")->valueText(), "120s");
    EXPECT_EQ(row<SegmentedRow>(menu, "MODE: ")->selectedIndex(), 1);
    EXPECT_EQ(row<SegmentedRow>(menu, "MODE: ")->segment(1)->getTitleColor(), Color3B(255, 255, 255));
    EXPECT_EQ(row<SegmentedRow>(menu, "MODE: ")->segment(0)->getTitleColor(), Color3B(127, 127, 127));

    d.spectrum.displayMode = 0;
    d.spectrum.traceSelection[0] = 3;
    d.spectrum.traceSelection[1] = 6;
    d.spectrum.waterfallColorMap = 7;
    d.spectrum.channelGuide24 = 40;
    d.spectrum.channelGuide5 = 10;
    menu = open(kSpectrumMeasureMenu);
    frames(1);
    EXPECT_EQ(menu->rows()[0]->captionText(), "PEAKS \n(AVG.):");
    EXPECT_EQ(menu->rows()[1]->captionText(), "PEAKS \n(UNKNOWN):");
    EXPECT_FALSE(dynamic_cast<SliderRow*>(menu->rows()[1])->isSliderEnabled()); // heat map: nothing to write
    EXPECT_EQ(row<ValueButtonRow>(menu, "2.4 GHz \nGUIDE:")->title(), "UNKNOWN");
    EXPECT_EQ(row<ValueButtonRow>(menu, "5 GHz \nGUIDE:")->title(), "802.11ac - 80MHz");
    menu = open(kSpectrumColorMenu);
    frames(1);
    EXPECT_EQ(row<ValueButtonRow>(menu, "COLORS: ")->title(), "UNKNOWN");

    d.dataLogState = kLogging;
    d.graticuleMask = 3;
    menu = open(kSettingsMenu);
    frames(1);
    SegmentedRow* log = row<SegmentedRow>(menu, "DATA LOG: ");
    EXPECT_FALSE(log->isSegmentEnabled(0)); // START while a log runs does nothing
    EXPECT_TRUE(log->isSegmentEnabled(1));
    log->press(0);
    EXPECT_EQ(d.dataLogState.load(), kLogging);
    log->press(1);
    EXPECT_EQ(d.dataLogState.load(), kLogStopRequested);
    EXPECT_EQ(row<MultiChoiceRow>(menu, "CROSSHAIRS")->title(), "CUSTOM");
    EXPECT_TRUE(row<ButtonRow>(menu, "MANAGE FILES")->isButtonEnabled()); // the file manager is registered
}

TEST_F(MenuRowsTest, RecordRowStartsAndStopsTheRecorderOnce)
{
    MenuLayer* menu = open(kSettingsMenu);
    frames(1);
    SegmentedRow* record = row<SegmentedRow>(menu, "RECORD: ");
    EXPECT_FALSE(record->isSegmentEnabled(0)); // no recorder in this window
    EXPECT_FALSE(record->isSegmentEnabled(1));

    bool recording = false;
    int toggles = 0;
    SettingsMenu::setRecordingControl([&] { return recording; }, [&] { recording = !recording; ++toggles; });
    menu->markForRefresh();
    frames(1);
    EXPECT_TRUE(record->isSegmentEnabled(0));
    EXPECT_FALSE(record->isSegmentEnabled(1)); // nothing to stop
    record->press(0);
    EXPECT_TRUE(recording);
    record->press(0); // START while recording starts nothing new
    EXPECT_EQ(toggles, 1);
    frames(1);
    EXPECT_FALSE(record->isSegmentEnabled(0));
    EXPECT_TRUE(record->isSegmentEnabled(1));
    record->press(1);
    EXPECT_FALSE(recording);
    EXPECT_EQ(toggles, 2);
    SettingsMenu::setRecordingControl({}, {});
}

TEST_F(MenuRowsTest, PickerWheelByKeysWheelAndTaps)
{
    DataModel& d = *DataModel::getInstance();
    MenuLayer* menu = open(kSpectrumMenu);
    ValueButtonRow* trace = row<ValueButtonRow>(menu, "TRACE 2: ");
    clickNode(trace->button());
    frames(1);
    auto* picker = dynamic_cast<PickerWheel*>(controller->getPicker());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->highlightedRow(), 0); // NONE is stored
    const std::vector<std::string> shown = picker->visibleTexts();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), "NONE");
    // The wheel lies inside the window.
    const Rect frame = picker->frameInWorld();
    EXPECT_GE(frame.origin.x, 2.0f);
    EXPECT_LE(frame.origin.x + frame.size.width, 958.0f);

    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_UP_ARROW));
    EXPECT_EQ(picker->highlightedRow(), 1);
    const Vec2 centre(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2);
    wheel(centre.x, centre.y, -1.0f); // towards the user: the next row
    wheel(centre.x, centre.y, -1.0f);
    EXPECT_EQ(picker->highlightedRow(), 3);
    EXPECT_EQ(d.spectrum.traceSelection[1], 0); // moving is not choosing
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    EXPECT_EQ(d.spectrum.traceSelection[1], 3);
    EXPECT_EQ(controller->getPicker(), nullptr);
    EXPECT_EQ(controller->getOpenMenuId(), kSpectrumMenu); // the menu stays
    frames(1);
    EXPECT_EQ(trace->button()->getTitleText(), "AVERAGE");

    // A tap on the row below the middle chooses it; Esc closes a picker without a choice.
    clickNode(trace->button());
    frames(1);
    picker = dynamic_cast<PickerWheel*>(controller->getPicker());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->highlightedRow(), 3);
    const Rect f = picker->frameInWorld();
    const float rowHeight = f.size.height / PickerWheel::kVisibleRows;
    click(f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2 - rowHeight);
    EXPECT_EQ(d.spectrum.traceSelection[1], 4);
    clickNode(trace->button());
    frames(1);
    ASSERT_NE(controller->getPicker(), nullptr);
    EXPECT_TRUE(controller->handleKey(Key::KEY_ESCAPE));
    EXPECT_EQ(controller->getPicker(), nullptr);
    EXPECT_EQ(controller->getOpenMenuId(), kSpectrumMenu);
    EXPECT_EQ(d.spectrum.traceSelection[1], 4);
    // A tap outside the picker closes it alone.
    clickNode(trace->button());
    frames(1);
    click(5, 630);
    EXPECT_EQ(controller->getPicker(), nullptr);
    EXPECT_EQ(controller->getOpenMenuId(), kSpectrumMenu);
    EXPECT_EQ(touchesBehind, 0);
}

TEST_F(MenuRowsTest, MultiChoicePickerTurnsRowsOnAndOff)
{
    DataModel& d = *DataModel::getInstance();
    MenuLayer* menu = open(kSettingsMenu);
    MultiChoiceRow* graticule = row<MultiChoiceRow>(menu, "CROSSHAIRS");
    ASSERT_NE(graticule, nullptr);
    EXPECT_EQ(graticule->title(), "GRATICULE");
    graticule->openPicker();
    frames(1);
    auto* picker = dynamic_cast<MultiChoicePicker*>(controller->getPicker());
    ASSERT_NE(picker, nullptr);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(picker->isRowOn(i));
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER)); // focused row 0 off
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_SPACE)); // row 1 off
    EXPECT_EQ(d.graticuleMask, 31 & ~3);
    EXPECT_FALSE(picker->isRowOn(0));
    // A tap on the last row.
    const Rect f = picker->frameInWorld();
    click(f.origin.x + f.size.width / 2, f.origin.y + 5.0f + 16.0f);
    EXPECT_EQ(d.graticuleMask, 12);
    EXPECT_NE(controller->getPicker(), nullptr); // several rows may be changed in one visit
    EXPECT_TRUE(controller->handleKey(Key::KEY_ESCAPE));
    frames(1);
    EXPECT_EQ(graticule->title(), "CUSTOM");
}

// A menu whose choices close it (as SCREENSHOT or MANAGE FILES do) and that logs when it hears
// of a change and when it goes.
class ClosingMenu : public MenuLayer {
public:
    static ClosingMenu* create() { return MenuLayer::make<ClosingMenu>(); }
    static std::vector<std::string> log;
    ~ClosingMenu() override { log.push_back("destroyed"); }

protected:
    friend class MenuLayer;
    void buildRows() override
    {
        auto close = [] {
            log.push_back("chosen");
            MenuController::getInstance()->closeMenu(false);
        };
        addRow(ValueButtonRow::create(
            this, "VALUE: ", [] { return std::vector<std::string>{"A", "B"}; }, [] { return 0; },
            [] { return std::string("A"); }, [close](int) { close(); }));
        addRow(MultiChoiceRow::create(
            this, "", {"X", "Y"}, [] { return 0; }, [close](std::int32_t) { close(); }, [] { return std::string("X"); }));
    }
    void onUserChange() override { log.push_back("changed"); }
};
std::vector<std::string> ClosingMenu::log;

// A choice whose action closes the menu: the row and its menu live until the row has reported
// the change, and go right after.
TEST_F(MenuRowsTest, AChoiceThatClosesTheMenuOutlivesItsAction)
{
    const std::vector<std::pair<const char*, std::function<void(MenuLayer*)>>> cases = {
        {"picker wheel choice", [](MenuLayer* m) { static_cast<ValueButtonRow*>(m->findRow("VALUE: "))->choose(1); }},
        {"multiple choice toggle", [](MenuLayer* m) { static_cast<MultiChoiceRow*>(m->findRow("X"))->toggle(1); }},
    };
    const int kClosingMenu = kSettingsMenu; // stands in for it; the program's menus come back below
    controller->registerMenu(kClosingMenu, [] { return ClosingMenu::create(); });
    for (const auto& [what, act] : cases) {
        SCOPED_TRACE(what);
        MenuLayer* menu = open(kClosingMenu);
        ASSERT_NE(menu, nullptr);
        ASSERT_NE(menu->findRow("VALUE: "), nullptr);
        ASSERT_NE(menu->findRow("X"), nullptr);
        frames(2); // nothing but the controller holds the menu now
        ClosingMenu::log.clear();
        act(menu);
        EXPECT_EQ(ClosingMenu::log, (std::vector<std::string>{"chosen", "changed", "destroyed"}));
        EXPECT_EQ(controller->getOpenMenu(), nullptr);
    }
    registerMenus(*controller);
}

TEST_F(MenuRowsTest, KeyboardAloneChoosesTheWaterfall)
{
    DataModel& d = *DataModel::getInstance();
    EXPECT_TRUE(controller->handleKey(Key::KEY_F1));
    MenuLayer* menu = controller->getOpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // FREQUENCY, on the selected band
    EXPECT_EQ(menu->focusedRow(), 0);
    EXPECT_EQ(menu->focusedItem(), 0);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // MODE
    EXPECT_TRUE(controller->handleKey(Key::KEY_RIGHT_ARROW)); // WATERFALL
    EXPECT_EQ(menu->focusedItem(), 1);
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    EXPECT_EQ(d.spectrum.displayMode, 1);

    // Down to the refresh slider: Left and Right step it, Page Up jumps.
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // SSID
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW)); // REFRESH
    SliderRow* refresh = row<SliderRow>(menu, "REFRESH:  ");
    const int p = refresh->percent();
    EXPECT_TRUE(controller->handleKey(Key::KEY_RIGHT_ARROW));
    frames(1);
    EXPECT_EQ(refresh->percent(), p + 1);
    EXPECT_TRUE(controller->handleKey(Key::KEY_PG_UP));
    frames(1);
    EXPECT_EQ(refresh->percent(), p + 11);
    EXPECT_EQ(d.spectrum.ssidScanInterval, menu_values::refreshFromPercent(p + 11));

    // The disabled utilization button is skipped on the way down.
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_EQ(menu->rows()[static_cast<std::size_t>(menu->focusedRow())]->captionText(), "TRACE 1: ");
}

TEST_F(MenuRowsTest, SliderFollowsTheWheelThroughSteppedValues)
{
    DataModel& d = *DataModel::getInstance();
    MenuLayer* menu = open(kSpectrumMenu);
    frames(1);
    SliderRow* refresh = row<SliderRow>(menu, "REFRESH:  ");
    const Vec2 at = centreOf(refresh->slider());
    EXPECT_EQ(d.spectrum.ssidScanInterval, 30.0f);
    // Ten notches away from the user: each one moves the slider, and the stored value follows in
    // its steps of ten seconds (a refresh must not pull the slider back to the step's start).
    for (int i = 0; i < 10; ++i) {
        wheel(at.x, at.y, 1.0f);
        frames(1);
    }
    EXPECT_EQ(refresh->percent(), 35);
    EXPECT_EQ(d.spectrum.ssidScanInterval, 40.0f);
    EXPECT_EQ(refresh->valueText(), "40s");
}

} // namespace
} // namespace nolvo::test
