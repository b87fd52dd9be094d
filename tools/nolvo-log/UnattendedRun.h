#pragma once
// What nolvo-log does beside logging when it runs unattended: the log's layout and rotation,
// retention after each new file, taking logging up again after a full disk or an unplug, and the
// metrics file, written every interval and once more at the end.
//
// Threads: constructed before the data logger is handed to the delegate (it configures the
// logger); everySecond and finish belong to the main loop.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "Metrics.h"
#include "Rotation.h"
#include "UnattendedOptions.h"
#include "model/LogSink.h"

namespace nolvo {

class DataLogFile;
class DataLogger;
class DataModel;

class UnattendedRun {
public:
    using Say = std::function<void(const std::string&)>;

    UnattendedRun(const UnattendedOptions& options, DataModel& model, DataLogFile& file, DataLogger& logger, Say say);

    // Once a second. `seconds` counts from 1; `demoPlayback` says where the figures come from.
    void everySecond(int seconds, const LinkHealthCounters& health, bool demoPlayback);
    // The last metrics, with the log closed.
    void finish(const LinkHealthCounters& health, bool demoPlayback);

    // The log lines for a service's journal: those of `inner` without the listing of every
    // access-point scan (dozens of lines every few seconds, for days; the metrics carry them).
    LogSink* serviceLog(LogSink* inner);

    // SIGTERM and SIGINT end an --until-stopped run at the next second.
    static void installStopHandlers();
    static bool stopRequested() { return s_stop.load(); }

private:
    void writeMetrics(const LinkHealthCounters& health, bool demoPlayback, bool last);

    class WithoutScans final : public LogSink {
    public:
        void logLine(int level, const std::string& text) override;
        std::atomic<LogSink*> inner{nullptr};
    };

    const UnattendedOptions& m_options;
    DataLogFile& m_file;
    Say m_say;
    MetricsCollector m_collector;
    LogKeeper m_keeper;
    std::string m_lastPath;
    std::string m_lastMetricsError;
    WithoutScans m_serviceLog;
    static std::atomic<bool> s_stop;
};

} // namespace nolvo
