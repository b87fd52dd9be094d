// nolvo-log: the headless logger. Runs the accessory link and the delegate without a window,
// writes every sweep or power reading to a CSV data log for a given time, prints the log's path
// and exits. With no accessory attached (or with --replay) it logs the demo recordings instead.
// Starts from the default settings and never reads or writes the user's stored configuration.
//
// Exit status: 0 with the CSV path on stdout; 2 for bad options (with the usage on stderr); 1 when
// the recordings are missing or nothing could be logged. Progress goes to stderr once a second.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "LogOptions.h"
#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/DemoPlayback.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/LogSink.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;

// On-screen log lines have no screen here: they go to stderr.
class StderrLog final : public LogSink {
public:
    void logLine(int, const std::string& text) override { std::fprintf(stderr, "nolvo-log: %s\n", text.c_str()); }
};

// Rows written so far: the lines of the CSV that start with a time cell.
long countRows(const std::string& path)
{
    std::ifstream in(path);
    long rows = 0;
    for (std::string line; std::getline(in, line);) {
        rows += (!line.empty() && line[0] >= '0' && line[0] <= '9') ? 1 : 0;
    }
    return rows;
}

// The recording that playback needs first, and the one of the chosen mode and band.
bool recordingsPresent(const DataModel& model, std::string& missing)
{
    const int hardware = model.demo.hardware;
    const std::string prefix = DemoPlayback::prefix(hardware);
    const bool band5 = model.spectrum.band == 1;
    const std::string stream = model.common.spectrumModeActive == 0
                                   ? "power" + DemoPlayback::sceneFile(model.demo.scene, false)
                                   : "spectrum" + DemoPlayback::sceneFile(model.demo.scene, band5);
    for (const std::string& name : {prefix + "discover.bin", prefix + "settings.bin", prefix + stream}) {
        if (!engine::FileUtils::getInstance()->isFileExist(name)) {
            missing = name;
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<LogOptions> parsed = LogOptions::parse(argc, argv, error);
    if (!parsed) {
        std::fprintf(stderr, "nolvo-log: %s\n%s", error.c_str(), LogOptions::kUsage);
        return 2;
    }
    const LogOptions& options = *parsed;

    engine::FileUtils* files = engine::FileUtils::getInstance();
    if (!options.replayDir.empty()) {
        // DIR/packets/... and nothing else.
        files->setResourceRoots({options.replayDir});
        files->setSearchPaths({""});
    } else {
        files->setSearchPaths({"res/desktop/sd", "res", ""});
    }
    if (!options.outputDir.empty()) {
        if (!engine::FileUtils::createDirectories(options.outputDir)) {
            std::fprintf(stderr, "nolvo-log: cannot create the output directory %s\n", options.outputDir.c_str());
            return 1;
        }
        files->setWritablePath(options.outputDir);
    }

    DataModel model; // the default settings; the stored configuration stays untouched
    StderrLog screenLog;
    model.setLogSink(&screenLog);
    if (options.hardware) {
        model.demo.hardware = static_cast<std::uint8_t>(*options.hardware);
    }
    if (options.scene) {
        model.demo.scene = static_cast<std::uint8_t>(*options.scene);
    }
    if (options.powerMode) {
        model.common.spectrumModeActive = *options.powerMode ? 0 : 1;
    }
    if (options.band) {
        model.spectrum.band = *options.band;
    }
    std::string missing;
    const bool haveRecordings = recordingsPresent(model, missing);
    if (!options.replayDir.empty() && !haveRecordings) {
        std::fprintf(stderr, "nolvo-log: no recording %s under %s\n", missing.c_str(), options.replayDir.c_str());
        return 1;
    }

    DataLogFile file;
    DataLogger logger(model, file);
    AccessoryCommunicationDelegate delegate(model);
    delegate.setDataLogger(&logger);
    AccessoryCommunication link;
    if (options.replayDir.empty()) {
        delegate.bind(link);
        link.start();
    }
    model.dataLogState = kLogStartRequested;

    const auto started = std::chrono::steady_clock::now();
    int exitCode = 0;
    for (int second = 1; second <= options.seconds; ++second) {
        std::this_thread::sleep_until(started + std::chrono::seconds(second));
        const std::string path = file.path();
        std::fprintf(stderr, "nolvo-log: %d/%d s, %llu frames, %ld rows\n", second, options.seconds,
                     static_cast<unsigned long long>(delegate.framesDispatched()),
                     path.empty() ? 0L : countRows(path));
        // Without recordings only an accessory can feed the log: give it two seconds to appear.
        if (!haveRecordings && second >= 2 && !model.accessoryConnected.load()) {
            std::fprintf(stderr, "nolvo-log: no accessory attached and no recording %s installed\n",
                         missing.c_str());
            exitCode = 1;
            break;
        }
    }
    link.stop();
    delegate.stop();
    const std::string path = file.path();
    logger.closeLog();
    if (exitCode != 0) {
        return exitCode;
    }
    if (path.empty()) {
        std::fprintf(stderr, "nolvo-log: nothing was received, no log written (%llu frames)\n",
                     static_cast<unsigned long long>(delegate.framesDispatched()));
        return 1;
    }
    std::printf("%s\n", path.c_str());
    return 0;
}
