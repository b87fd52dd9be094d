#pragma once
// Table-driven row tests: each case prepares the settings, acts on one row of an open menu and
// names exactly the settings bytes it may write; the test fails when nothing or anything else is
// written, when the result does not hold, or when the menu does not re-read the settings.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "MenuTestFixture.h"
#include "menus/MenuRows.h"

namespace nolvo::test {

// The persisted settings as named byte strings.
inline std::vector<std::pair<std::string, std::string>> records(const DataModel& m)
{
    auto bytes = [](const auto& record) { return std::string(reinterpret_cast<const char*>(&record), sizeof record); };
    return {{"graticule", bytes(m.graticuleMask)}, {"alerts", bytes(m.alertsMask)}, {"cursors", bytes(m.cursors)},
            {"common", bytes(m.common)},          {"spectrum", bytes(m.spectrum)},  {"power", bytes(m.power)},
            {"demo", bytes(m.demo)}};
}

// "record+offset" of every byte that differs.
inline std::set<std::string> changedBytes(const DataModel& m, const std::vector<std::pair<std::string, std::string>>& before)
{
    std::set<std::string> changed;
    const auto after = records(m);
    for (std::size_t r = 0; r < after.size(); ++r) {
        for (std::size_t i = 0; i < after[r].second.size(); ++i) {
            if (after[r].second[i] != before[r].second[i]) changed.insert(after[r].first + "+" + std::to_string(i));
        }
    }
    return changed;
}

inline std::set<std::string> field(const std::string& record, std::size_t offset, std::size_t size)
{
    std::set<std::string> bytes;
    for (std::size_t i = 0; i < size; ++i) bytes.insert(record + "+" + std::to_string(offset + i));
    return bytes;
}

inline std::set<std::string> join(std::set<std::string> a, const std::set<std::string>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

template <typename Row>
Row* row(MenuLayer* menu, const std::string& name)
{
    MenuRow* found = menu ? menu->findRow(name) : nullptr;
    return dynamic_cast<Row*>(found);
}

// One row action and exactly what it must write.
struct RowCase {
    const char* what;
    std::function<void(DataModel&)> prepare;  // settings before the action
    std::function<void(MenuLayer*)> act;
    std::set<std::string> bytes;              // the only bytes allowed to change
    std::function<bool(const DataModel&)> holds;
};

class MenuRowsTest : public MenuTest {
protected:
    MenuLayer* open(int id)
    {
        controller->closeMenu(false);
        EXPECT_TRUE(controller->showMenu(id, engine::Rect(500, 0, 58, 60)));
        frames(1);
        return controller->getOpenMenu();
    }
    void run(int id, const std::vector<RowCase>& cases)
    {
        for (const RowCase& c : cases) {
            resetModel();
            DataModel& m = *DataModel::getInstance();
            if (c.prepare) c.prepare(m);
            MenuLayer* menu = open(id);
            ASSERT_NE(menu, nullptr);
            const auto before = records(m);
            c.act(menu);
            const std::set<std::string> changed = changedBytes(m, before);
            EXPECT_FALSE(changed.empty()) << c.what << ": nothing written";
            for (const std::string& byte : changed) EXPECT_TRUE(c.bytes.count(byte)) << c.what << " also wrote " << byte;
            EXPECT_TRUE(c.holds(m)) << c.what;
            EXPECT_TRUE(menu->isRefreshPending()) << c.what << ": the menu must re-read the settings";
        }
    }
};

} // namespace nolvo::test
