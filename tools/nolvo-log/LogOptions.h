#pragma once
// The command line of nolvo-log:
//   nolvo-log [--replay DIR] [--hardware 0|1|2] [--scene none|wifi|dect|dsss] [--mode spectrum|power]
//             [--band 2.4|5] [--seconds N] [--output DIR]
// Every option is optional; what is not given keeps the program's default settings (demo hardware
// 2, Wi-Fi scene, spectrum mode, 2.4 GHz, 10 seconds, the usual writable directory).
#include <optional>
#include <string>

namespace nolvo {

struct LogOptions {
    std::string replayDir;               // "": use an accessory when one is attached
    std::optional<int> hardware;         // 0, 1, 2
    std::optional<int> scene;            // 0 none, 1 Wi-Fi, 2 DECT, 3 DSSS
    std::optional<bool> powerMode;
    std::optional<int> band;             // 0 2.4 GHz, 1 5 GHz
    int seconds = 10;                    // 1 .. 86400
    std::string outputDir;               // "": the writable directory

    static constexpr const char* kUsage =
        "usage: nolvo-log [--replay DIR] [--hardware 0|1|2] [--scene none|wifi|dect|dsss]\n"
        "                 [--mode spectrum|power] [--band 2.4|5] [--seconds N] [--output DIR]\n";

    // Parses argv[1..argc-1]. On a bad or unknown option, a missing value, or a combination the
    // demo hardware cannot play (power on the dual-band model, 5 GHz on the others; checked when
    // --hardware or --replay is given), returns nothing and says why in `error`.
    static std::optional<LogOptions> parse(int argc, const char* const* argv, std::string& error);
};

} // namespace nolvo
