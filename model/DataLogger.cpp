#include "model/DataLogger.h"

#include <cmath>

#include "model/DataModel.h"
#include "model/RtlPowerFormat.h"
#include "platform/Clock.h"

namespace nolvo {

namespace {

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

DataLogger::DataLogger(DataModel& model, DataLogFile& file) : m_model(model), m_file(file) {}

std::uint64_t DataLogger::powerRowStepMs(float timePerDivision, int samplesPerScreen)
{
    if (!(timePerDivision > 0.0f) || !std::isfinite(timePerDivision) || samplesPerScreen <= 0) {
        return 0;
    }
    const double step = static_cast<double>(timePerDivision) * 1000.0 * 10.0 / samplesPerScreen;
    // A time base beyond any real table would overflow the cast: clamp to a day.
    return step >= 86400000.0 ? 86400000u : static_cast<std::uint64_t>(step);
}

DataLogContext DataLogger::context(bool powerMode, int band) const
{
    DataLogContext ctx;
    ctx.powerMode = powerMode;
    ctx.band = band == kBand5 ? kBand5 : kBand24;
    ctx.modelCode = m_model.deviceInfo.modelId;
    const float timePerDivision = m_model.timePerDivision();
    ctx.timePerDivision = std::isfinite(timePerDivision) ? timePerDivision : 0.0f;
    ctx.amplitudeBottom = m_model.powerStore.amplitudeBottom;
    ctx.amplitudeTop = m_model.powerStore.amplitudeTop;
    return ctx;
}

bool DataLogger::advanceState()
{
    int state = m_model.dataLogState.load();
    if (state == kLogStartRequested) {
        // The file is made on the writer thread, after the rows of the file before it; its name
        // and its time cells count from now.
        {
            std::lock_guard<std::mutex> guard(m_pendingMutex);
            handOverLocked();
        }
        const std::time_t when = m_file.wallTime();
        const bool resuming = m_resuming.exchange(false);
        m_writes.post(0, [this, when, resuming] { startFile(when, resuming); });
        m_startMs = engine::clock::steadyMs();
        m_fileUsable = true;
        // A later request written by the menu in the meantime wins over our 1 -> 2.
        m_model.dataLogState.compare_exchange_strong(state, kLogging);
        m_firstPacket = true;
        return true;
    }
    if (state == kLogStopRequested) {
        {
            std::lock_guard<std::mutex> guard(m_pendingMutex);
            handOverLocked();
        }
        m_writes.post(0, [this] { stopFile(); });
        m_fileUsable = false;
        m_startMs = 0;
        m_model.dataLogState.compare_exchange_strong(state, kLogOff);
        m_headerNeeded[2] = false;
        return false;
    }
    if (state == kLogging) {
        rotateIfDue();
    }
    return state == kLogging;
}

void DataLogger::rotateIfDue()
{
    if (!m_rotationCheck || !m_fileUsable || m_rotating || !m_rotationCheck()) {
        return;
    }
    // The rows collected so far go to the old file; the new one begins with its header and an
    // absolute time. Both happen on the writer thread, in that order.
    {
        std::lock_guard<std::mutex> guard(m_pendingMutex);
        handOverLocked();
    }
    m_rotating = true;
    const std::time_t when = m_file.wallTime();
    m_writes.post(0, [this] { m_file.stopDataLog(); });
    m_writes.post(0, [this, when] { startFile(when, false); });
    m_startMs = engine::clock::steadyMs();
    m_firstPacket = true;
}

void DataLogger::requestResume()
{
    m_resuming = true;
    m_model.dataLogState = kLogStartRequested;
}

std::string DataLogger::timeCell(std::uint64_t offsetMs)
{
    return dataLogTime(m_firstPacket, offsetMs, m_file.wallTime(), engine::clock::steadyMs(), m_startMs);
}

std::string DataLogger::headerFor(const DataLogContext& ctx)
{
    const std::string scaleLine = dataLogScaleLine(ctx);
    if (!m_firstPacket) {
        if (scaleLine != m_lastScaleLine) {
            m_headerNeeded[0] = true;
        }
        if (ctx.powerMode != m_lastPowerMode || ctx.band != m_lastBand || ctx.modelCode != m_lastModelCode) {
            m_headerNeeded[1] = true;
        }
    }
    const bool scale = m_headerNeeded[0].exchange(false);
    const bool modeOrBand = m_headerNeeded[1].exchange(false);
    const bool acknowledged = m_headerNeeded[2].exchange(false);
    const bool block = modeOrBand || acknowledged;
    m_lastScaleLine = scaleLine;
    m_lastPowerMode = ctx.powerMode;
    m_lastBand = ctx.band;
    m_lastModelCode = ctx.modelCode;
    if (m_firstPacket || block) {
        return dataLogHeader(ctx, m_firstPacket || scale);
    }
    return scale ? scaleLine : std::string();
}

void DataLogger::logSpectrum(int band, const float* values, int count)
{
    if (!advanceState()) {
        return;
    }
    if (!m_fileUsable) {
        m_firstPacket = false;
        return;
    }
    const DataLogContext ctx = context(false, band);
    if (m_layout == DataLogLayout::kRtlPower) {
        m_firstPacket = false;
        queuePacket({}, rtlPowerRow(m_file.wallTime(), ctx.modelCode, ctx.band, values, count));
        return;
    }
    const std::string header = headerFor(ctx);
    std::string row = timeCell(0);
    row += dataLogRow(values, count, dataLogFrequencyCount(ctx.modelCode, ctx.band));
    m_firstPacket = false;
    queuePacket(header, std::move(row));
}

void DataLogger::logPower(const float* samples, int count)
{
    if (!advanceState()) {
        return;
    }
    if (!m_fileUsable) {
        m_firstPacket = false;
        return;
    }
    if (m_layout == DataLogLayout::kRtlPower) {
        m_firstPacket = false;
        return;
    }
    const DataLogContext ctx = context(true, kBand24);
    const std::string header = headerFor(ctx);
    const std::uint64_t step = powerRowStepMs(ctx.timePerDivision, m_model.powerStore.samplesPerScreen);
    std::string rows;
    for (int i = 0; samples != nullptr && i < count; ++i) {
        rows += timeCell(static_cast<std::uint64_t>(i) * step);
        rows += dataLogValues(samples + i, 1);
    }
    m_firstPacket = false;
    queuePacket(header, std::move(rows));
}

void DataLogger::queuePacket(std::string header, std::string rows)
{
    std::lock_guard<std::mutex> guard(m_pendingMutex);
    const bool hasHeader = !header.empty();
    m_pending.push_back(Packet{std::move(header) + rows, hasHeader});
}

void DataLogger::writePending()
{
    std::lock_guard<std::mutex> guard(m_pendingMutex);
    handOverLocked();
}

void DataLogger::handOverLocked()
{
    for (Packet& packet : m_pending) {
        const std::size_t bytes = packet.text.size();
        if (!m_writes.post(bytes, [this, text = std::move(packet.text)] { writePacket(text); }, !packet.hasHeader)) {
            if (!m_dropReported.exchange(true)) {
                m_model.logLine(kLogLevel, "Data log: the disk cannot keep up, rows are being dropped");
            }
        }
    }
    m_pending.clear();
}

void DataLogger::startFile(std::time_t when, bool resuming)
{
    m_rotating = false;
    // A resume stays quiet until a write succeeds again: the outage was reported once.
    if (resuming) {
        m_reportAfterWrite = true;
    } else {
        m_failureReported = false;
    }
    m_dropReported = false;
    m_dropsAtStart = m_writes.droppedTasks();
    if (!m_file.startDataLog(when)) {
        m_fileUsable = false;
        report("Data log not started: cannot create a file in " + m_file.writableDirectory());
    }
}

void DataLogger::writePacket(const std::string& packet)
{
    const std::string path = m_file.path();
    if (m_file.write(packet)) {
        if (!packet.empty() && m_reportAfterWrite.exchange(false)) {
            m_failureReported = false;
        }
        return;
    }
    if (!path.empty() && !m_file.isOpen()) {
        m_fileUsable = false;
        report("Data log closed: could not write " + fileNameOf(path) + " (disk full?)");
    }
}

void DataLogger::stopFile()
{
    const bool wasOpen = m_file.isOpen();
    m_file.stopDataLog();
    if (wasOpen) {
        reportDrops();
    }
}

void DataLogger::reportDrops()
{
    const std::uint64_t dropped = m_writes.droppedTasks() - m_dropsAtStart.load();
    if (dropped > 0) {
        m_model.logLine(kLogLevel, "Data log: " + std::to_string(dropped) +
                                       " packets were dropped because the disk could not keep up");
    }
}

void DataLogger::report(const std::string& text)
{
    if (m_failureReported.exchange(true)) {
        return;
    }
    m_model.logLine(kLogLevel, text);
}

void DataLogger::closeLog()
{
    {
        std::lock_guard<std::mutex> guard(m_pendingMutex);
        handOverLocked();
    }
    m_writes.post(0, [this] { stopFile(); });
    m_writes.drain();
    m_fileUsable = false;
    m_model.dataLogState = kLogOff;
}

void DataLogger::waitForWrites()
{
    m_writes.drain();
}

} // namespace nolvo
