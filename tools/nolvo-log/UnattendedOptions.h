#pragma once
// The options of nolvo-log that let it run unattended on a sensor box:
//   --metrics FILE            write Prometheus metrics to FILE (node_exporter's textfile collector)
//   --metrics-interval S      every S seconds (1 to 3600, default 15)
//   --rotate hourly|daily|SIZE  start a new CSV at each local hour or day, or once the file holds
//                             SIZE bytes (a number with an optional K, M or G suffix, at least 1K)
//   --keep N, --keep-days D   delete our oldest logs beyond the newest N, or older than D days
//   --format csv|rtl_power    the layout of the log (rtl_power: sweeps only)
//   --until-stopped           run until SIGTERM or SIGINT instead of --seconds
//   --accessory-only          never play the demo recordings; wait for an accessory, also after it
//                             is unplugged
// Any thread; plain data.
#include <cstdint>
#include <string>

namespace nolvo {

struct UnattendedOptions {
    enum class Rotate { kNone, kHourly, kDaily, kSize };
    enum class Take { kNotMine, kTaken, kBad };

    std::string metricsPath;          // "": no metrics
    int metricsIntervalSeconds = 15;
    Rotate rotate = Rotate::kNone;
    std::uint64_t rotateBytes = 0;    // kSize only
    int keepFiles = 0;                // 0: keep all
    int keepDays = 0;                 // 0: keep all
    bool rtlPower = false;
    bool untilStopped = false;
    bool accessoryOnly = false;

    static constexpr const char* kUsage =
        "  --metrics FILE      write Prometheus metrics to FILE (replaced atomically)\n"
        "  --metrics-interval S  seconds between metrics writes (1 to 3600, default 15)\n"
        "  --rotate hourly|daily|SIZE  start a new CSV each hour, each day, or at SIZE bytes (e.g. 50M)\n"
        "  --keep N            keep only the newest N of our logs in the output directory\n"
        "  --keep-days D       delete our logs last written more than D days ago\n"
        "  --format csv|rtl_power  the log's layout (rtl_power: spectrum sweeps only)\n"
        "  --until-stopped     log until SIGTERM or SIGINT instead of --seconds\n"
        "  --accessory-only    never play the demo; wait for an accessory (also after an unplug)\n";

    // Looks at argv[i]: when it is one of the options above, takes it (and its value, moving i on)
    // and returns kTaken; kBad with `error` set for a bad or missing value; kNotMine otherwise.
    Take take(int argc, const char* const* argv, int& i, std::string& error);

    // What cannot go together, given the rest of the command line; "" when all is well.
    std::string conflict(bool replayFile, bool replayDir, bool powerMode) const;

    // "hourly", "daily", or a size: 4096, 64K, 50M, 2G. Nothing for anything else.
    static bool parseRotate(const std::string& text, Rotate& rotate, std::uint64_t& bytes);
};

} // namespace nolvo
