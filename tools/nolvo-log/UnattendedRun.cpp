#include "UnattendedRun.h"

#include <csignal>
#include <filesystem>

#include "accessory/protocols/AccessPointRecord.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"

namespace nolvo {

std::atomic<bool> UnattendedRun::s_stop{false};

namespace {

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

UnattendedRun::UnattendedRun(const UnattendedOptions& options, DataModel& model, DataLogFile& file,
                             DataLogger& logger, Say say)
    : m_options(options), m_file(file), m_say(std::move(say)), m_collector(model),
      m_keeper(model, file, logger, m_say, options.accessoryOnly)
{
    logger.setLayout(options.rtlPower ? DataLogLayout::kRtlPower : DataLogLayout::kNolvo);
    if (options.rotate != UnattendedOptions::Rotate::kNone) {
        logger.setRotationCheck(makeRotationCheck(file, options.rotate, options.rotateBytes));
    }
    // The metrics file's directory is made like the output directory; a failure shows on the first
    // write.
    const std::filesystem::path parent = std::filesystem::path(options.metricsPath).parent_path();
    if (!options.metricsPath.empty() && !parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
    }
}

void UnattendedRun::everySecond(int seconds, const LinkHealthCounters& health, bool demoPlayback)
{
    m_keeper.tick(static_cast<std::uint64_t>(seconds));
    const std::string path = m_file.path();
    if (!path.empty() && path != m_lastPath) {
        m_lastPath = path;
        if (m_options.keepFiles > 0 || m_options.keepDays > 0) {
            const auto slash = path.find_last_of('/');
            const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
            for (const std::string& name : applyRetention(directory, fileNameOf(path), m_options.keepFiles,
                                                          m_options.keepDays, m_file.wallTime())) {
                m_say("retention: deleted " + name);
            }
        }
    }
    if (!m_options.metricsPath.empty() && seconds % m_options.metricsIntervalSeconds == 0) {
        writeMetrics(health, demoPlayback, false);
    }
}

void UnattendedRun::finish(const LinkHealthCounters& health, bool demoPlayback)
{
    if (!m_options.metricsPath.empty()) {
        writeMetrics(health, demoPlayback, true);
    }
}

void UnattendedRun::writeMetrics(const LinkHealthCounters& health, bool demoPlayback, bool last)
{
    const MetricsSnapshot snapshot = m_collector.collect(health, demoPlayback, m_file.isOpen(), last);
    std::string error;
    if (replaceFileAtomically(m_options.metricsPath, formatMetrics(snapshot), error)) {
        m_lastMetricsError.clear();
    } else if (error != m_lastMetricsError) {
        // Said once per kind of failure, not every interval.
        m_lastMetricsError = error;
        m_say(error);
    }
}

LogSink* UnattendedRun::serviceLog(LogSink* inner)
{
    m_serviceLog.inner = inner;
    return &m_serviceLog;
}

void UnattendedRun::WithoutScans::logLine(int level, const std::string& text)
{
    LogSink* sink = inner.load();
    if (sink != nullptr && level != AccessPointRecord::kLogLevel) {
        sink->logLine(level, text);
    }
}

void UnattendedRun::installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = [](int) { s_stop.store(true); };
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace nolvo
