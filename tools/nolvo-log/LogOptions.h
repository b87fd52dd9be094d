#pragma once
// The command line of nolvo-log:
//   nolvo-log [--replay DIR] [--hardware 0|1|2] [--scene none|wifi|dect|dsss] [--mode spectrum|power]
//             [--band 2.4|5] [--seconds N] [--output DIR]
//   nolvo-log --replay-file FILE [--output DIR]
//   nolvo-log --help | --version
// Every option is optional; what is not given keeps the program's default settings (demo hardware
// 2, Wi-Fi scene, spectrum mode, 2.4 GHz, 10 seconds, the usual writable directory). A stream
// recording brings its own model, mode and band and is converted as fast as it can be.
#include <optional>
#include <string>

#include "UnattendedOptions.h"

namespace nolvo {

struct LogOptions {
    std::string replayDir;               // "": use an accessory when one is attached
    std::optional<int> hardware;         // 0, 1, 2
    std::optional<int> scene;            // 0 none, 1 Wi-Fi, 2 DECT, 3 DSSS
    std::optional<bool> powerMode;
    std::optional<int> band;             // 0 2.4 GHz, 1 5 GHz
    int seconds = 10;                    // 1 .. 86400
    std::string outputDir;               // "": the writable directory
    std::string replayFile;              // a stream recording to convert ("" for none)
    bool help = false;                   // print the usage, exit 0
    bool version = false;                // print the version, exit 0
    UnattendedOptions unattended;        // metrics, rotation, retention, layout, service mode

    static constexpr const char* kUsage =
        "usage: nolvo-log [--replay DIR] [--hardware 0|1|2] [--scene none|wifi|dect|dsss]\n"
        "                 [--mode spectrum|power] [--band 2.4|5] [--seconds N] [--output DIR]\n"
        "       nolvo-log --replay-file FILE [--output DIR]\n"
        "       nolvo-log --help | --version\n"
        "  --replay DIR        play the demo recordings under DIR/packets instead of an accessory\n"
        "  --hardware 0|1|2    demo hardware: first generation, second generation, dual band\n"
        "  --scene NAME        demo signal scene\n"
        "  --mode, --band      what to log (spectrum or power; 2.4 or 5 GHz)\n"
        "  --seconds N         how long to log (1 to 86400, default 10)\n"
        "  --output DIR        where the CSV goes (default: the data directory)\n"
        "  --replay-file FILE  convert a stream recording (.nolrec) to CSV, as fast as it can\n"
        "unattended (not with --replay-file):\n";

    // "nolvo-log 0.1.0"
    static std::string versionText();

    // Parses argv[1..argc-1]. --help and --version win over everything else. On a bad or unknown option, a missing value, or a combination the
    // demo hardware cannot play (power on the dual-band model, 5 GHz on the others; checked when
    // --hardware or --replay is given), returns nothing and says why in `error`.
    static std::optional<LogOptions> parse(int argc, const char* const* argv, std::string& error);
};

} // namespace nolvo
