#pragma once
// Records what the window asked of the accessory link.

#include <string>
#include <vector>

#include "menus/LinkControl.h"

namespace nolvo::test {

struct FakeLinkControl : LinkControl {
    std::vector<std::string> calls;
    void requestStop() override { calls.push_back("stop"); }
    void requestRestart(bool clearHistories) override { calls.push_back(clearHistories ? "restart clear" : "restart"); }
    void restartDemoPlayback() override { calls.push_back("demo restart"); }
};

} // namespace nolvo::test
