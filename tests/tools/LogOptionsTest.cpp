// The command line of the headless logger.
#include <gtest/gtest.h>

#include <vector>

#include "LogOptions.h"

namespace nolvo {
namespace {

std::optional<LogOptions> parse(std::vector<const char*> args, std::string* error = nullptr)
{
    args.insert(args.begin(), "nolvo-log");
    std::string message;
    auto options = LogOptions::parse(static_cast<int>(args.size()), args.data(), message);
    if (error != nullptr) {
        *error = message;
    }
    return options;
}

TEST(LogOptions, DefaultsAndEveryOption)
{
    const auto defaults = parse({});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->seconds, 10);
    EXPECT_TRUE(defaults->replayDir.empty());
    EXPECT_FALSE(defaults->hardware || defaults->scene || defaults->powerMode || defaults->band);

    const auto all = parse({"--replay", "/r", "--hardware", "1", "--scene", "dsss", "--mode", "power", "--band",
                            "2.4", "--seconds", "3", "--output", "/o"});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->replayDir, "/r");
    EXPECT_EQ(all->hardware, 1);
    EXPECT_EQ(all->scene, 3);
    EXPECT_EQ(all->powerMode, true);
    EXPECT_EQ(all->band, 0);
    EXPECT_EQ(all->seconds, 3);
    EXPECT_EQ(all->outputDir, "/o");
}

TEST(LogOptions, RejectsWhatCannotBeRun)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--seconds"},                       // missing value
        {"--seconds", "0"},                  // below 1
        {"--seconds", "86401"},              // above a day
        {"--seconds", "-3"},                 // sign
        {"--seconds", "2.5"},                // not whole
        {"--seconds", "99999999999999999"},  // would overflow
        {"--hardware", "3"},                 // playback off is not a model
        {"--scene", "WIFI"},                 // names are lower case
        {"--mode", "waterfall"},
        {"--band", "5.0"},
        {"--replay", ""},
        {"--output", ""},
        {"--verbose", "1"},                  // unknown option
        {"stray"},                           // not an option
        {"--hardware", "2", "--mode", "power"},             // no power on the dual-band model
        {"--hardware", "0", "--band", "5"},                 // 5 GHz only on the dual-band model
        {"--replay", "/r", "--mode", "power"},              // a replay defaults to the dual-band model
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    // The message names the actual problem, also for an unknown option given last.
    std::string error;
    EXPECT_FALSE(parse({"--bogus"}, &error));
    EXPECT_EQ(error, "unknown option --bogus");
    EXPECT_FALSE(parse({"--band"}, &error));
    EXPECT_EQ(error, "missing value for --band");
    // An attached accessory decides for itself whether it has power mode.
    EXPECT_TRUE(parse({"--mode", "power"}));
}

} // namespace
} // namespace nolvo
