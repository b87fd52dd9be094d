// The data-log file manager in a real window: what it lists, what DELETE deletes, and the mail
// hand-off against a fake xdg-email first on PATH.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "MenuTestFixture.h"
#include "engine/platform/FileUtils.h"
#include "menus/AlertViewLayer.h"
#include "menus/DataLogMail.h"
#include "menus/DataLogPickerViewMenu.h"
#include "menus/MenuRows.h"
#include "model/DataLogFile.h"

namespace nolvo::test {
namespace {

namespace fs = std::filesystem;
using Key = engine::EventKeyboard::KeyCode;

const char* const kA = "Nolvo_20261208_100000.csv";
const char* const kB = "Nolvo_20261208_110000.csv";

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DataLogMenuTest : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        if (HasFatalFailure()) return;
        logs = engine::FileUtils::getInstance()->getWritablePath();
        fs::create_directories(logs);
    }
    void TearDown() override
    {
        DataLogFile::getInstance()->stopDataLog();
        for (AlertViewLayer* alert : alerts()) alert->removeFromParent();
        MenuTest::TearDown();
    }
    std::string logPath(const std::string& name) const { return (fs::path(logs) / name).string(); }
    void writeLog(const std::string& name, const std::string& text = "time,dBm\n1,-90\n")
    {
        std::ofstream(logPath(name)) << text;
    }
    // Opens the settings menu and presses "MANAGE FILES", as a user does.
    DataLogPickerViewMenu* openFileManager()
    {
        controller->closeMenu(false);
        EXPECT_TRUE(controller->showMenu(kSettingsMenu, engine::Rect(500, 0, 58, 60)));
        frames(1);
        auto* manage = dynamic_cast<ButtonRow*>(controller->getOpenMenu()->findRow("MANAGE FILES"));
        EXPECT_NE(manage, nullptr);
        if (manage) manage->press();
        frames(2);
        EXPECT_EQ(controller->getOpenMenuId(), kSettingsMenu); // the Settings button still closes it
        return dynamic_cast<DataLogPickerViewMenu*>(controller->getOpenMenu());
    }
    std::vector<AlertViewLayer*> alerts() const
    {
        std::vector<AlertViewLayer*> found;
        for (engine::Node* child : scene->getChildren()) {
            if (auto* alert = dynamic_cast<AlertViewLayer*>(child)) found.push_back(alert);
        }
        return found;
    }
    std::vector<std::string> listed(const DataLogPickerViewMenu* menu) const
    {
        std::vector<std::string> names;
        for (const auto& entry : menu->files()) names.push_back(entry.name);
        return names;
    }
    std::string logs;
};

TEST_F(DataLogMenuTest, ListsExactlyTheTwoLogs)
{
    writeLog(kB);
    writeLog(kA);
    std::ofstream(logPath("Nolvo_20261208_100000.png")) << "png";
    writeLog("../outside.csv");
    fs::create_symlink(logPath("../outside.csv"), logPath("Nolvo_20261208_120000.csv"));
    fs::create_directory(logPath("Nolvo_20261208_130000.csv"));
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(listed(menu), (std::vector<std::string>{kA, kB}));
    EXPECT_EQ(menu->selectedRow(), 0);
    EXPECT_EQ(menu->fileNameAt(1), kB);
    EXPECT_EQ(menu->fileNameAt(2), "[Unknown]");
    EXPECT_EQ(menu->fileNameAt(-1), "[Unknown]");
}

TEST_F(DataLogMenuTest, BackReturnsToTheSettingsMenu)
{
    writeLog(kA);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    auto* back = dynamic_cast<ButtonRow*>(menu->findRow("BACK"));
    ASSERT_NE(back, nullptr);
    back->press();
    frames(2);
    EXPECT_EQ(controller->getOpenMenuId(), kSettingsMenu);
    MenuLayer* open = controller->getOpenMenu();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(dynamic_cast<DataLogPickerViewMenu*>(open), nullptr);
    EXPECT_NE(open->findRow("MANAGE FILES"), nullptr);
}

TEST_F(DataLogMenuTest, DeletesTheFileNamedWhenDeleteWasPressed)
{
    writeLog(kA);
    writeLog(kB);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    menu->selectRow(1);
    menu->pressDelete();
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0]->getTitle(), "Delete file");
    EXPECT_EQ(alerts()[0]->getMessage(), std::string("Are you sure you want to delete ") + kB + "?");
    // A log started meanwhile sorts first and shifts the rows; the re-read list has it.
    writeLog("Nolvo_20261208_090000.csv");
    menu->reloadFiles();
    EXPECT_EQ(menu->fileNameAt(1), kA);
    EXPECT_EQ(menu->fileNameAt(menu->selectedRow()), kB); // the selection stays on its file
    clickNode(alerts()[0]->getButtons()[0]);               // "OK"
    frames(2);
    EXPECT_FALSE(fs::exists(logPath(kB)));
    EXPECT_TRUE(fs::exists(logPath(kA)));
    EXPECT_TRUE(fs::exists(logPath("Nolvo_20261208_090000.csv")));
    EXPECT_EQ(listed(menu), (std::vector<std::string>{"Nolvo_20261208_090000.csv", kA}));
    EXPECT_TRUE(alerts().empty());
}

TEST_F(DataLogMenuTest, CancelNoAnswerAndRowsOutsideTheListDeleteNothing)
{
    writeLog(kA);
    writeLog(kB);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    for (int answer : {1, -1, 7}) {
        menu->selectRow(0);
        menu->pressDelete();
        ASSERT_EQ(alerts().size(), 1u) << answer;
        // While it asks, the wheel and buttons wait; the program's shortcuts do not.
        EXPECT_TRUE(menu->handleKey(Key::KEY_DOWN_ARROW));
        EXPECT_FALSE(menu->handleKey(Key::KEY_F12));
        EXPECT_EQ(menu->selectedRow(), 0);
        AlertViewLayer* alert = alerts()[0];
        menu->alertViewClicked(alert, answer);
        alert->removeFromParent();
        EXPECT_EQ(menu->pendingDeleteName(), "");
    }
    for (int row : {-1, 2, 99}) {
        menu->selectRow(row);
        menu->pressDelete();
        EXPECT_TRUE(alerts().empty()) << row;
        menu->alertViewClicked(nullptr, 0); // a stray answer with nothing asked
    }
    EXPECT_TRUE(fs::exists(logPath(kA)));
    EXPECT_TRUE(fs::exists(logPath(kB)));
}

TEST_F(DataLogMenuTest, EmptyListAsksNothingAndSendsNothing)
{
    std::ofstream(logPath("Nolvo_20261208_100000.png")) << "png";
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->files().empty());
    EXPECT_EQ(menu->selectedRow(), -1);
    menu->pressDelete();
    menu->pressEmail();
    EXPECT_TRUE(alerts().empty());
    EXPECT_EQ(data_log_mail::pendingCount(), 0);
    auto* buttons = dynamic_cast<SegmentedRow*>(menu->findRow("DELETE/EMAIL"));
    ASSERT_NE(buttons, nullptr);
    EXPECT_FALSE(buttons->isSegmentEnabled(0));
    EXPECT_FALSE(buttons->isSegmentEnabled(1));
}

TEST_F(DataLogMenuTest, TheRunningLogIsKept)
{
    ASSERT_TRUE(DataLogFile::getInstance()->startDataLog());
    const std::string running = fs::path(DataLogFile::getInstance()->path()).filename().string();
    writeLog(kA);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    int row = -1;
    for (int i = 0; i < static_cast<int>(menu->files().size()); ++i) {
        if (menu->fileNameAt(i) == running) row = i;
    }
    ASSERT_GE(row, 0);
    menu->selectRow(row);
    menu->pressDelete();
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_NE(alerts()[0]->getMessage().find("being written"), std::string::npos);
    EXPECT_EQ(alerts()[0]->getDelegate(), nullptr); // nothing to confirm
    EXPECT_TRUE(fs::exists(logPath(running)));
    alerts()[0]->removeFromParent();
    // Once the log has stopped it can go.
    DataLogFile::getInstance()->stopDataLog();
    menu->pressDelete();
    ASSERT_EQ(alerts().size(), 1u);
    clickNode(alerts()[0]->getButtons()[0]);
    frames(1);
    EXPECT_FALSE(fs::exists(logPath(running)));
    EXPECT_TRUE(fs::exists(logPath(kA)));
}

TEST_F(DataLogMenuTest, WheelFollowsKeysAndTheMouseWheel)
{
    for (int i = 0; i < 7; ++i) writeLog("Nolvo_20261208_10000" + std::to_string(i) + ".csv");
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->files().size(), 7u);
    EXPECT_EQ(menu->selectedRow(), 0);
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_DOWN_ARROW));
    EXPECT_EQ(menu->selectedRow(), 2);
    EXPECT_TRUE(controller->handleKey(Key::KEY_END));
    EXPECT_EQ(menu->selectedRow(), 6);
    EXPECT_TRUE(controller->handleKey(Key::KEY_PG_UP));
    EXPECT_EQ(menu->selectedRow(), 1);
    EXPECT_TRUE(controller->handleKey(Key::KEY_UP_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_UP_ARROW)); // stays on the first
    EXPECT_EQ(menu->selectedRow(), 0);
    frames(1);
    MenuRow* wheelRow = menu->findRow("FILES");
    ASSERT_NE(wheelRow, nullptr);
    const engine::Vec2 centre = centreOf(wheelRow);
    wheel(centre.x, centre.y, -1.0f); // towards the user: the next file
    wheel(centre.x, centre.y, -1.0f);
    EXPECT_EQ(menu->selectedRow(), 2);
    wheel(centre.x, centre.y, 1.0f);
    EXPECT_EQ(menu->selectedRow(), 1);
    // A click on the row below the middle selects it.
    click(centre.x, centre.y - menu->metrics().rowHeight);
    EXPECT_EQ(menu->selectedRow(), 2);
    // Right reaches DELETE, Enter presses it: the confirmation names the selected file.
    EXPECT_TRUE(controller->handleKey(Key::KEY_RIGHT_ARROW));
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER));
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(menu->pendingDeleteName(), "Nolvo_20261208_100002.csv");
    EXPECT_TRUE(controller->handleKey(Key::KEY_ENTER)); // answers "OK"
    frames(1);
    EXPECT_FALSE(fs::exists(logPath("Nolvo_20261208_100002.csv")));
    EXPECT_EQ(menu->files().size(), 6u);
}

// ---- EMAIL ----

class DataLogMailTest : public DataLogMenuTest {
protected:
    void SetUp() override
    {
        DataLogMenuTest::SetUp();
        if (HasFatalFailure()) return;
        bin = dir.file("bin");
        fs::create_directories(bin);
        // Records its arguments one per line, then waits for the test's word (at most 5 s) when
        // asked to, then exits with $FAKE_MAIL_STATUS.
        std::ofstream(bin + "/xdg-email") << "#!/bin/sh\n"
                                             "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                          << bin << "/args'\n"
                                             "if [ -n \"$FAKE_MAIL_WAIT\" ]; then\n"
                                             "  touch '" << bin << "/started'\n"
                                             "  i=0; while [ ! -e '" << bin << "/release' ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i+1)); done\n"
                                             "  touch '" << bin << "/ended'\n"
                                             "fi\n"
                                             "exit ${FAKE_MAIL_STATUS:-0}\n";
        fs::permissions(bin + "/xdg-email", fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath = path ? path : "";
        setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
        const char* cache = std::getenv("XDG_CACHE_HOME");
        oldCache = cache ? std::optional<std::string>(cache) : std::nullopt;
        setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
    }
    void TearDown() override
    {
        waitForHandOffs();
        setenv("PATH", oldPath.c_str(), 1);
        if (oldCache) {
            setenv("XDG_CACHE_HOME", oldCache->c_str(), 1);
        } else {
            unsetenv("XDG_CACHE_HOME");
        }
        unsetenv("FAKE_MAIL_STATUS");
        unsetenv("FAKE_MAIL_WAIT");
        DataLogMenuTest::TearDown();
    }
    // Runs frames until every hand-off has answered (the answer arrives in a frame).
    void waitForHandOffs()
    {
        for (int i = 0; i < 1000 && data_log_mail::pendingCount() > 0; ++i) {
            frames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(data_log_mail::pendingCount(), 0);
    }
    std::string bin;
    std::string oldPath;
    std::optional<std::string> oldCache;
};

TEST_F(DataLogMailTest, HandsThePathToTheMailClientAsArguments)
{
    writeLog(kA);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    auto* buttons = dynamic_cast<SegmentedRow*>(menu->findRow("DELETE/EMAIL"));
    ASSERT_NE(buttons, nullptr);
    buttons->press(1); // EMAIL
    waitForHandOffs();
    // The file checked and opened by the file manager, under its own name in a private directory.
    const std::string args = readAll(bin + "/args");
    const std::string head = "--utf8\n--subject\nNolvo Data Log\n--body\n\n--attach\n";
    ASSERT_EQ(args.substr(0, head.size()), head);
    const std::string attached = args.substr(head.size(), args.size() - head.size() - 1);
    EXPECT_EQ(fs::path(attached).filename(), kA);
    EXPECT_EQ(fs::path(attached).parent_path().parent_path(), fs::path(dir.file("cache")) / "nolvo" / "outgoing");
    EXPECT_EQ(readAll(attached), readAll(logPath(kA)));
    EXPECT_TRUE(alerts().empty());
}

TEST_F(DataLogMailTest, AnEmptyLogSendsNothingAndSaysNothing)
{
    writeLog(kA, "");
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    menu->pressEmail();
    EXPECT_EQ(data_log_mail::pendingCount(), 0);
    frames(3);
    EXPECT_FALSE(fs::exists(bin + "/args"));
    EXPECT_TRUE(alerts().empty());
}

TEST_F(DataLogMailTest, AFailingMailClientShowsTheAlert)
{
    setenv("FAKE_MAIL_STATUS", "3", 1);
    writeLog(kA);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    menu->pressEmail();
    waitForHandOffs();
    frames(1);
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0]->getTitle(), "Cannot send email");
    EXPECT_EQ(alerts()[0]->getMessage(), "Please setup Mail to send and receive email.");
}

TEST_F(DataLogMailTest, AMailClientInTheForegroundDoesNotStopTheFrames)
{
    setenv("FAKE_MAIL_WAIT", "1", 1);
    writeLog(kA);
    DataLogPickerViewMenu* menu = openFileManager();
    ASSERT_NE(menu, nullptr);
    menu->pressEmail();
    // The press has returned while the client runs; frames go on being drawn meanwhile.
    int drawn = 0;
    while (!fs::exists(bin + "/started") && drawn < 400) {
        frames(1);
        ++drawn;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(bin + "/started"));
    frames(10);
    EXPECT_FALSE(fs::exists(bin + "/ended")) << "the window waited for the mail client";
    EXPECT_EQ(data_log_mail::pendingCount(), 1);
    std::ofstream(bin + "/release") << "";
    waitForHandOffs();
    EXPECT_TRUE(fs::exists(bin + "/ended"));
    EXPECT_TRUE(alerts().empty());
}

} // namespace
} // namespace nolvo::test
