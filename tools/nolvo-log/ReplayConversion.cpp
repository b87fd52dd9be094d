#include "ReplayConversion.h"

#include <atomic>
#include <chrono>
#include <fstream>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/RecordingReader.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "platform/Clock.h"

namespace nolvo {

namespace {

// The clock the conversion runs on: a base that keeps it clear of 0 ("never" to several timers)
// plus the recorded time of the read being fed. Plain function pointers need a global.
constexpr std::uint64_t kClockBaseMs = 1000000;
std::atomic<AccessoryCommunicationDelegate*> g_delegate{nullptr};
std::atomic<std::int64_t> g_startWallMs{0};

std::uint64_t recordedSteadyMs()
{
    AccessoryCommunicationDelegate* delegate = g_delegate.load();
    return kClockBaseMs + (delegate != nullptr ? delegate->replayFeedTimeUs() / 1000 : 0);
}

// The reader bounds the start (year 9999) and every chunk time (400 days): the sum cannot overflow.
std::time_t recordedWallClock()
{
    AccessoryCommunicationDelegate* delegate = g_delegate.load();
    const std::int64_t ms = g_startWallMs.load() + static_cast<std::int64_t>(delegate != nullptr ? delegate->replayFeedTimeUs() / 1000 : 0);
    return static_cast<std::time_t>(ms / 1000);
}

long countRows(const std::string& path)
{
    std::ifstream in(path);
    long rows = 0;
    for (std::string line; std::getline(in, line);) {
        rows += (!line.empty() && line[0] >= '0' && line[0] <= '9') ? 1 : 0;
    }
    return rows;
}

} // namespace

ReplayConversion ReplayConversion::run(const std::shared_ptr<const Recording>& recording, DataModel& model,
                                       const std::function<void(const std::string&)>& progress,
                                       int progressEverySeconds)
{
    ReplayConversion result;
    LinkHealth health;
    DataLogFile file;
    DataLogger logger(model, file);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{{}, false});
    delegate.setDataLogger(&logger);
    delegate.setHealth(&health);

    g_delegate = &delegate;
    g_startWallMs = recording->header().startWallMs;
    engine::clock::setSource(recordedSteadyMs);
    file.setWallClock(recordedWallClock);

    model.dataLogState = kLogStartRequested;
    // Each pass moves the recording on by one worker period, as in the window, or straight to the
    // next recorded read when that lies further ahead.
    delegate.replay().start(recording, 100000);
    LinkHealthRates rates;
    rates.update(health.snapshot(), recordedSteadyMs());
    const std::uint64_t reportUs = static_cast<std::uint64_t>(progressEverySeconds > 0 ? progressEverySeconds : 60) * 1000000;
    std::uint64_t nextReportUs = reportUs;
    // Progress lines also wait for the wall clock: a recording that converts fast says little.
    auto nextLineWall = std::chrono::steady_clock::now() + kProgressWallInterval;
    // Every pass feeds at least one chunk (the clock skips silences), after a few passes that
    // identify the recording: more passes than chunks means the replay is stuck.
    const std::uint64_t passLimit = static_cast<std::uint64_t>(recording->chunkCount()) + 1000;
    for (std::uint64_t pass = 0; pass < passLimit; ++pass) {
        delegate.runWorkerPass();
        const std::uint64_t position = delegate.replay().positionUs();
        if (progress && position >= nextReportUs) {
            // The next line at the next whole interval, however far the position jumped.
            nextReportUs = (position / reportUs + 1) * reportUs;
            if (const auto wallNow = std::chrono::steady_clock::now(); wallNow >= nextLineWall) {
                nextLineWall = wallNow + kProgressWallInterval;
                rates.update(health.snapshot(), recordedSteadyMs());
                progress(std::to_string(position / 1000000) + "/" + std::to_string(recording->durationUs() / 1000000) +
                         " s, " + std::to_string(delegate.framesDispatched()) + " frames, " + rates.lineText());
            }
        }
        if (delegate.replay().atEnd()) {
            break;
        }
    }
    delegate.replay().stop();
    result.frames = delegate.framesDispatched();
    result.health = health.snapshot();
    logger.closeLog();
    // A log cut short by a failed write (a full disk) is closed already, but it is the CSV written.
    result.csvPath = file.lastPath();
    result.writeFailure = file.writeFailure();
    g_delegate = nullptr;
    engine::clock::setSource(nullptr);
    if (!result.csvPath.empty()) {
        result.rows = countRows(result.csvPath);
    }
    return result;
}

} // namespace nolvo
