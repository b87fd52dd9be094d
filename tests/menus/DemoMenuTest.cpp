// The demo menu in a real window: its labels, the WIFI SSID rule and when it restarts playback.
#include <gtest/gtest.h>

#include "MenuTestFixture.h"
#include "engine/ui/Button.h"
#include "menus/DemoMenu.h"
#include "menus/MenuRows.h"

namespace nolvo::test {
namespace {

class DemoMenuTest : public MenuTest {
protected:
    DemoMenu* open()
    {
        controller->closeMenu(false);
        EXPECT_TRUE(controller->showMenu(kDemoMenu, engine::Rect(500, 0, 58, 60)));
        frames(1);
        return dynamic_cast<DemoMenu*>(controller->getOpenMenu());
    }
    template <typename Row>
    Row* row(DemoMenu* menu, const std::string& caption)
    {
        return dynamic_cast<Row*>(menu->findRow(caption));
    }
};

TEST(DemoLabels, EveryValueAndTheOnesOutside)
{
    const std::pair<int, const char*> hardware[] = {{0, "Nolvo"},    {1, "Nolvo-Pro"}, {2, "Nolvo 5x"},
                                                    {3, "Unknown"},  {255, "Unknown"}, {-1, "Unknown"}};
    for (const auto& [value, label] : hardware) EXPECT_EQ(DemoMenu::hardwareLabel(value), label) << value;
    const std::pair<int, const char*> signal[] = {{0, "NONE"}, {1, "WIFI"},      {2, "DECT"},
                                                  {3, "DSS"},  {4, "Unknown"}, {200, "Unknown"}};
    for (const auto& [value, label] : signal) EXPECT_EQ(DemoMenu::signalLabel(value), label) << value;
}

TEST_F(DemoMenuTest, ButtonsShowTheStoredChoices)
{
    DataModel& d = *DataModel::getInstance();
    const std::tuple<std::uint8_t, std::uint8_t, const char*, const char*> cases[] = {
        {0, 0, "Nolvo", "NONE"}, {2, 3, "Nolvo 5x", "DSS"}, {9, 250, "Unknown", "Unknown"}};
    for (const auto& [hardware, signalValue, hardwareText, signalText] : cases) {
        d.demo.hardware = hardware;
        d.demo.scene = signalValue;
        DemoMenu* menu = open();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(row<ValueButtonRow>(menu, "HARDWARE: ")->title(), hardwareText);
        EXPECT_EQ(row<ValueButtonRow>(menu, "SIGNAL TYPE: ")->title(), signalText);
        EXPECT_EQ(row<ValueButtonRow>(menu, "HARDWARE: ")->options(),
                  (std::vector<std::string>{"Nolvo", "Nolvo-Pro", "Nolvo 5x"}));
        EXPECT_EQ(row<ValueButtonRow>(menu, "SIGNAL TYPE: ")->options(),
                  (std::vector<std::string>{"NONE", "WIFI", "DECT", "DSS"}));
    }
}

TEST_F(DemoMenuTest, WifiSsidOnlyForAModelWithAccessPointsPlayingWifi)
{
    DataModel& d = *DataModel::getInstance();
    const engine::Color3B white(255, 255, 255);
    const engine::Color3B grey(127, 127, 127);
    for (int hardware = 0; hardware <= 3; ++hardware) {
        for (int signal = 0; signal <= 4; ++signal) {
            for (int points = 0; points <= 1; ++points) {
                d.demo = DemoSettings{static_cast<std::uint8_t>(hardware), static_cast<std::uint8_t>(signal),
                                      static_cast<std::uint8_t>(points)};
                DemoMenu* menu = open();
                ASSERT_NE(menu, nullptr);
                SegmentedRow* ssid = row<SegmentedRow>(menu, "WIFI SSID: ");
                ASSERT_NE(ssid, nullptr);
                const bool usable = hardware != 0 && signal == 1;
                const std::string at = std::to_string(hardware) + "/" + std::to_string(signal) + "/" +
                                       std::to_string(points);
                EXPECT_EQ(ssid->isSegmentEnabled(0), usable) << at;
                EXPECT_EQ(ssid->isSegmentEnabled(1), usable) << at;
                EXPECT_EQ(ssid->segment(0)->isEnabled(), usable) << at;
                if (usable) {
                    EXPECT_EQ(ssid->selectedIndex(), points) << at;
                    EXPECT_EQ(ssid->segment(points)->getTitleColor(), white) << at;
                    EXPECT_EQ(ssid->segment(1 - points)->getTitleColor(), grey) << at;
                } else {
                    EXPECT_EQ(ssid->selectedIndex(), -1) << at;
                    ssid->press(1 - points); // a disabled button writes nothing
                    EXPECT_EQ(d.demo.accessPoints, points) << at;
                }
            }
        }
    }
    d.demo = DemoSettings{1, 1, 0};
    DemoMenu* menu = open();
    row<SegmentedRow>(menu, "WIFI SSID: ")->press(1);
    EXPECT_EQ(d.demo.accessPoints, 1);
    frames(1);
    EXPECT_EQ(row<SegmentedRow>(menu, "WIFI SSID: ")->selectedIndex(), 1);
    row<SegmentedRow>(menu, "WIFI SSID: ")->press(0);
    EXPECT_EQ(d.demo.accessPoints, 0);
    EXPECT_TRUE(link.calls.empty()); // the switch needs no restart
}

TEST_F(DemoMenuTest, OnlyANewChoiceRestartsPlayback)
{
    DataModel& d = *DataModel::getInstance();
    d.demo = DemoSettings{0, 1, 0};
    DemoMenu* menu = open();
    ASSERT_NE(menu, nullptr);
    ValueButtonRow* hardware = row<ValueButtonRow>(menu, "HARDWARE: ");
    ValueButtonRow* signal = row<ValueButtonRow>(menu, "SIGNAL TYPE: ");
    hardware->choose(0);
    signal->choose(1);
    EXPECT_TRUE(link.calls.empty());
    hardware->choose(2);
    EXPECT_EQ(d.demo.hardware, 2);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"demo restart"}));
    frames(1);
    EXPECT_EQ(hardware->title(), "Nolvo 5x");
    signal->choose(2);
    EXPECT_EQ(d.demo.scene, 2);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"demo restart", "demo restart"}));
    signal->choose(2);
    hardware->choose(2);
    hardware->choose(3); // outside the picker: ignored
    EXPECT_EQ(d.demo.hardware, 2);
    EXPECT_EQ(link.calls.size(), 2u);

    // Through the picker wheel, as a user chooses: open it, one step down, Enter.
    hardware->openPicker();
    ASSERT_NE(controller->getPicker(), nullptr);
    EXPECT_TRUE(controller->handleKey(engine::EventKeyboard::KeyCode::KEY_UP_ARROW));
    EXPECT_TRUE(controller->handleKey(engine::EventKeyboard::KeyCode::KEY_ENTER));
    EXPECT_EQ(d.demo.hardware, 1);
    EXPECT_EQ(link.calls.size(), 3u);
}

TEST_F(DemoMenuTest, TheDemoButtonOpensIt)
{
    DataModel::getInstance()->accessoryConnected = false;
    bar->setAccessoryConnected(false);
    bar->refreshItems();
    EXPECT_EQ(bar->menuIdFor(MenuBar::Item::DemoSettings), kDemoMenu);
    EXPECT_NE(dynamic_cast<DemoMenu*>(openByClick(MenuBar::Item::DemoSettings)), nullptr);
}

} // namespace
} // namespace nolvo::test
