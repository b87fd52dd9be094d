// nolvo-log: the headless logger. Runs the accessory link and the delegate without a window,
// writes every sweep or power reading to a CSV data log for a given time, prints the log's path
// and exits. With no accessory attached (or with --replay) it logs the demo recordings instead.
// Starts from the default settings and never reads or writes the user's stored configuration.
//
// With --replay-file it converts a stream recording (made with key R in the window) as fast as it
// can instead, taking the model, mode and band from the recording.
//
// Exit status: 0 with the CSV path on stdout (also for --help and --version); 2 for bad options
// (with the usage on stderr); 1 when the recordings are missing, a stream recording cannot be read
// (one line naming the file and the offset), or nothing could be logged; also 1, with the CSV path
// on stdout and the reason on stderr, when a write failed (a full disk) and the CSV was cut back
// to its last whole row. Progress goes to stderr once a second (while converting: once a recorded
// minute, at most once a second), with the link's health; standard output carries nothing but the
// CSV path.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "LogOptions.h"
#include "ReplayConversion.h"
#include "UnattendedRun.h"
#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/DemoPlayback.h"
#include "accessory/RecordingReader.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/LogSink.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;

// Where the CSV path goes: the real standard output, which nothing else may write to (see main).
std::FILE* g_pathOut = stdout;

void printPath(const std::string& path)
{
    std::fprintf(g_pathOut, "%s\n", path.c_str());
    std::fflush(g_pathOut);
}

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

int convertRecording(const LogOptions& options, DataModel& model)
{
    std::string error;
    const std::shared_ptr<const Recording> recording = Recording::open(options.replayFile, error);
    if (!recording) {
        std::fprintf(stderr, "nolvo-log: %s\n", error.c_str());
        return 1;
    }
    if (recording->cut()) {
        std::fprintf(stderr, "nolvo-log: %s\n", recording->cutNotice().c_str());
    }
    const ReplayConversion result = ReplayConversion::run(recording, model, [](const std::string& line) {
        std::fprintf(stderr, "nolvo-log: %s\n", line.c_str());
    });
    LinkHealthRates rates;
    rates.update(LinkHealthCounters{}, 0);
    rates.update(result.health, recording->durationUs() / 1000);
    std::fprintf(stderr, "nolvo-log: %llu/%llu s, %llu frames, %ld rows, %s\n",
                 static_cast<unsigned long long>(recording->durationUs() / 1000000),
                 static_cast<unsigned long long>(recording->durationUs() / 1000000),
                 static_cast<unsigned long long>(result.frames), result.rows, rates.lineText().c_str());
    if (result.csvPath.empty()) {
        std::fprintf(stderr, "nolvo-log: %s holds nothing to log (%llu frames)\n", options.replayFile.c_str(),
                     static_cast<unsigned long long>(result.frames));
        return 1;
    }
    printPath(result.csvPath);
    if (!result.writeFailure.empty()) {
        std::fprintf(stderr, "nolvo-log: %s was cut short (%s); it keeps the whole rows written before\n",
                     result.csvPath.c_str(), result.writeFailure.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<LogOptions> parsed = LogOptions::parse(argc, argv, error);
    if (!parsed) {
        std::fprintf(stderr, "nolvo-log: %s\n%s%s", error.c_str(), LogOptions::kUsage, UnattendedOptions::kUsage);
        return 2;
    }
    const LogOptions& options = *parsed;
    if (options.help) {
        std::fputs(LogOptions::kUsage, stdout);
        std::fputs(UnattendedOptions::kUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", LogOptions::versionText().c_str());
        return 0;
    }

    // Standard output carries the CSV path and nothing else: what the libraries print there (the
    // USB device listing, diagnostics) goes to standard error instead.
    std::fflush(stdout);
    if (const int pathFd = ::dup(STDOUT_FILENO); pathFd >= 0) {
        if (std::FILE* pathOut = ::fdopen(pathFd, "w"); pathOut != nullptr && ::dup2(STDERR_FILENO, STDOUT_FILENO) >= 0) {
            g_pathOut = pathOut;
        }
    }

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
    const UnattendedOptions& unattended = options.unattended;
    if (unattended.accessoryOnly) {
        model.demo.hardware = 255; // no demo: only an accessory feeds the log
    }
    if (!options.replayFile.empty()) {
        return convertRecording(options, model);
    }
    std::string missing;
    const bool haveRecordings = !unattended.accessoryOnly && recordingsPresent(model, missing);
    if (!options.replayDir.empty() && !haveRecordings) {
        std::fprintf(stderr, "nolvo-log: no recording %s under %s\n", missing.c_str(), options.replayDir.c_str());
        return 1;
    }

    DataLogFile file;
    DataLogger logger(model, file);
    UnattendedRun extras(unattended, model, file, logger,
                         [](const std::string& line) { std::fprintf(stderr, "nolvo-log: %s\n", line.c_str()); });
    if (unattended.untilStopped) {
        UnattendedRun::installStopHandlers();
        model.setLogSink(extras.serviceLog(&screenLog));
    }
    AccessoryCommunicationDelegate delegate(model);
    delegate.setDataLogger(&logger);
    AccessoryCommunication link;
    delegate.setHealth(&link.health());
    if (options.replayDir.empty()) {
        delegate.bind(link);
        link.start();
    }
    model.dataLogState = kLogStartRequested;

    const auto started = std::chrono::steady_clock::now();
    LinkHealthRates rates;
    rates.update(link.health().snapshot(), engine::clock::steadyMs());
    int exitCode = 0;
    std::string lastPath; // a log closed by an unplugged accessory is still the one written
    const auto demoPlaying = [&] { return haveRecordings && !model.accessoryConnected.load(); };
    for (int second = 1; unattended.untilStopped || second <= options.seconds; ++second) {
        std::this_thread::sleep_until(started + std::chrono::seconds(second));
        const std::string path = file.path();
        if (!path.empty()) {
            lastPath = path;
        }
        extras.everySecond(second, link.health().snapshot(), demoPlaying());
        if (UnattendedRun::stopRequested()) {
            break;
        }
        rates.update(link.health().snapshot(), engine::clock::steadyMs());
        // Run as a service, a line a minute is enough for the journal.
        if (!unattended.untilStopped || second % 60 == 0) {
            std::fprintf(stderr, "nolvo-log: %d/%d s, %llu frames, %ld rows, %s\n", second, options.seconds,
                         static_cast<unsigned long long>(delegate.framesDispatched()),
                         path.empty() ? 0L : countRows(path), rates.lineText().c_str());
        }
        // Without recordings only an accessory can feed the log: give it two seconds to appear.
        if (!haveRecordings && !unattended.accessoryOnly && second >= 2 && !model.accessoryConnected.load()) {
            std::fprintf(stderr, "nolvo-log: no accessory attached and no recording %s installed\n",
                         missing.c_str());
            exitCode = 1;
            break;
        }
    }
    link.stop();
    delegate.stop();
    logger.closeLog();
    extras.finish(link.health().snapshot(), demoPlaying());
    // The log opened last, also when a disconnection or a failed write closed it.
    const std::string path = file.lastPath().empty() ? lastPath : file.lastPath();
    if (exitCode != 0) {
        return exitCode;
    }
    if (UnattendedRun::stopRequested()) {
        // Stopped as a service is stopped: a clean end, whether or not anything was logged.
        printPath(path);
        return 0;
    }
    if (path.empty()) {
        std::fprintf(stderr, "nolvo-log: nothing was received, no log written (%llu frames)\n",
                     static_cast<unsigned long long>(delegate.framesDispatched()));
        return 1;
    }
    printPath(path);
    if (!file.writeFailure().empty()) {
        std::fprintf(stderr, "nolvo-log: %s was cut short (%s); it keeps the whole rows written before\n",
                     path.c_str(), file.writeFailure().c_str());
        return 1;
    }
    return 0;
}
