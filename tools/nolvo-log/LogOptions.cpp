#include "LogOptions.h"

#include <cerrno>
#include <cstdlib>

namespace nolvo {

namespace {

std::optional<int> parseSeconds(const std::string& text)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > 86400) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

std::optional<LogOptions> LogOptions::parse(int argc, const char* const* argv, std::string& error)
{
    LogOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i] != nullptr ? argv[i] : "";
        if (name == "--help" || name == "-h" || name == "--version") {
            LogOptions asked;
            asked.help = name != "--version";
            asked.version = name == "--version";
            return asked;
        }
    }
    bool otherThanOutput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i] != nullptr ? argv[i] : "";
        const UnattendedOptions::Take taken = options.unattended.take(argc, argv, i, error);
        if (taken != UnattendedOptions::Take::kNotMine) {
            if (taken == UnattendedOptions::Take::kBad) {
                return std::nullopt;
            }
            continue;
        }
        static const char* const kOptions[] = {"--replay", "--hardware", "--scene", "--mode",
                                               "--band",   "--seconds",  "--output", "--replay-file"};
        bool known = false;
        for (const char* option : kOptions) {
            known = known || name == option;
        }
        if (!known) {
            error = name.rfind("--", 0) == 0 ? "unknown option " + name : "unexpected argument " + name;
            return std::nullopt;
        }
        if (i + 1 >= argc || argv[i + 1] == nullptr) {
            error = "missing value for " + name;
            return std::nullopt;
        }
        const std::string value = argv[++i];
        otherThanOutput = otherThanOutput || (name != "--output" && name != "--replay-file");
        if (name == "--replay-file") {
            if (value.empty()) {
                error = "--replay-file needs a recording file";
                return std::nullopt;
            }
            options.replayFile = value;
        } else if (name == "--replay") {
            if (value.empty()) {
                error = "--replay needs a directory";
                return std::nullopt;
            }
            options.replayDir = value;
        } else if (name == "--hardware") {
            if (value != "0" && value != "1" && value != "2") {
                error = "--hardware must be 0, 1 or 2";
                return std::nullopt;
            }
            options.hardware = value[0] - '0';
        } else if (name == "--scene") {
            static const char* const kScenes[] = {"none", "wifi", "dect", "dsss"};
            options.scene.reset();
            for (int s = 0; s < 4; ++s) {
                if (value == kScenes[s]) {
                    options.scene = s;
                }
            }
            if (!options.scene) {
                error = "--scene must be none, wifi, dect or dsss";
                return std::nullopt;
            }
        } else if (name == "--mode") {
            if (value != "spectrum" && value != "power") {
                error = "--mode must be spectrum or power";
                return std::nullopt;
            }
            options.powerMode = value == "power";
        } else if (name == "--band") {
            if (value != "2.4" && value != "5") {
                error = "--band must be 2.4 or 5";
                return std::nullopt;
            }
            options.band = value == "5" ? 1 : 0;
        } else if (name == "--seconds") {
            const std::optional<int> seconds = parseSeconds(value);
            if (!seconds) {
                error = "--seconds must be a whole number from 1 to 86400";
                return std::nullopt;
            }
            options.seconds = *seconds;
        } else if (name == "--output") {
            if (value.empty()) {
                error = "--output needs a directory";
                return std::nullopt;
            }
            options.outputDir = value;
        }
    }
    error = options.unattended.conflict(!options.replayFile.empty(), !options.replayDir.empty(),
                                        options.powerMode.value_or(false));
    if (!error.empty()) {
        return std::nullopt;
    }
    if (!options.replayFile.empty()) {
        if (otherThanOutput) {
            error = "--replay-file takes its model, mode, band and length from the recording; only --output goes with it";
            return std::nullopt;
        }
        return options;
    }
    // Only a replay is sure to play the demo hardware (by default the dual-band model); an attached
    // accessory decides for itself what it can do.
    if (!options.hardware && options.replayDir.empty()) {
        return options;
    }
    const int hardware = options.hardware.value_or(2);
    if (hardware == 2 && options.powerMode.value_or(false)) {
        error = "the dual-band model (--hardware 2) has no power mode";
        return std::nullopt;
    }
    if (hardware != 2 && options.band.value_or(0) == 1) {
        error = "only the dual-band model (--hardware 2) has the 5 GHz band";
        return std::nullopt;
    }
    return options;
}

std::string LogOptions::versionText()
{
    return std::string("nolvo-log ") + NOLVO_VERSION;
}

} // namespace nolvo
