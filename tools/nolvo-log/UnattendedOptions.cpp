#include "UnattendedOptions.h"

#include <cstdlib>

namespace nolvo {

namespace {

// A whole number from `low` to `high`, nothing else.
bool parseWhole(const std::string& text, long low, long high, int& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long parsed = std::strtol(text.c_str(), nullptr, 10);
    if (parsed < low || parsed > high) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

bool UnattendedOptions::parseRotate(const std::string& text, Rotate& rotate, std::uint64_t& bytes)
{
    if (text == "hourly" || text == "daily") {
        rotate = text == "hourly" ? Rotate::kHourly : Rotate::kDaily;
        bytes = 0;
        return true;
    }
    std::string digits = text;
    std::uint64_t unit = 1;
    if (!digits.empty()) {
        const char suffix = digits.back();
        unit = suffix == 'K' || suffix == 'k' ? 1024u
               : suffix == 'M'                 ? 1024u * 1024u
               : suffix == 'G'                 ? 1024u * 1024u * 1024u
                                               : 1u;
        if (unit != 1) {
            digits.pop_back();
        }
    }
    int value = 0;
    if (!parseWhole(digits, 1, 999999999, value)) {
        return false;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(value) * unit;
    if (size < 1024) {
        return false;
    }
    rotate = Rotate::kSize;
    bytes = size;
    return true;
}

UnattendedOptions::Take UnattendedOptions::take(int argc, const char* const* argv, int& i, std::string& error)
{
    const std::string name = argv[i] != nullptr ? argv[i] : "";
    if (name == "--until-stopped" || name == "--accessory-only") {
        (name == "--until-stopped" ? untilStopped : accessoryOnly) = true;
        return Take::kTaken;
    }
    static const char* const kWithValue[] = {"--metrics", "--metrics-interval", "--rotate", "--keep", "--keep-days",
                                             "--format"};
    bool mine = false;
    for (const char* option : kWithValue) {
        mine = mine || name == option;
    }
    if (!mine) {
        return Take::kNotMine;
    }
    if (i + 1 >= argc || argv[i + 1] == nullptr) {
        error = "missing value for " + name;
        return Take::kBad;
    }
    const std::string value = argv[++i];
    bool good = true;
    if (name == "--metrics") {
        good = !value.empty() && value.back() != '/';
        metricsPath = value;
        error = "--metrics needs a file name";
    } else if (name == "--metrics-interval") {
        good = parseWhole(value, 1, 3600, metricsIntervalSeconds);
        error = "--metrics-interval must be a whole number of seconds from 1 to 3600";
    } else if (name == "--rotate") {
        good = parseRotate(value, rotate, rotateBytes);
        error = "--rotate must be hourly, daily or a size of at least 1K (e.g. 50M)";
    } else if (name == "--keep") {
        good = parseWhole(value, 1, 1000000, keepFiles);
        error = "--keep must be a whole number from 1 to 1000000";
    } else if (name == "--keep-days") {
        good = parseWhole(value, 1, 36500, keepDays);
        error = "--keep-days must be a whole number from 1 to 36500";
    } else if (name == "--format") {
        good = value == "csv" || value == "rtl_power";
        rtlPower = value == "rtl_power";
        error = "--format must be csv or rtl_power";
    }
    if (good) {
        error.clear();
        return Take::kTaken;
    }
    return Take::kBad;
}

std::string UnattendedOptions::conflict(bool replayFile, bool replayDir, bool powerMode) const
{
    const bool any = !metricsPath.empty() || rotate != Rotate::kNone || keepFiles > 0 || keepDays > 0 || rtlPower ||
                     untilStopped || accessoryOnly;
    if (replayFile && any) {
        // The conversion writes one CSV in the program's layout; it takes none of these yet.
        return "--replay-file takes none of --metrics, --rotate, --keep, --keep-days, --format, --until-stopped, "
               "--accessory-only";
    }
    if (replayDir && accessoryOnly) {
        return "--accessory-only and --replay exclude each other";
    }
    if (rtlPower && powerMode) {
        return "--format rtl_power holds spectrum sweeps only, not --mode power";
    }
    return {};
}

} // namespace nolvo
