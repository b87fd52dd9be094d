#include "model/DataLogger.h"

#include <cmath>

#include "model/DataModel.h"
#include "model/RtlPowerFormat.h"

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
    if (state == kLogStartRequested || state == kLogStopRequested) {
        // Rows still queued belong to the file that was open before.
        std::lock_guard<std::mutex> guard(m_pendingMutex);
        writeQueued();
    }
    if (state == kLogStartRequested) {
        const bool opened = m_file.startDataLog();
        // A later request written by the menu in the meantime wins over our 1 -> 2.
        m_model.dataLogState.compare_exchange_strong(state, kLogging);
        m_firstPacket = true;
        // A resume stays quiet until a write succeeds again: the outage was reported once.
        if (m_resuming.exchange(false)) {
            m_reportAfterWrite = true;
        } else {
            m_failureReported = false;
        }
        if (!opened) {
            report("Data log not started: cannot create a file in " + m_file.writableDirectory());
        }
        return true;
    }
    if (state == kLogStopRequested) {
        m_file.stopDataLog();
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
    if (!m_rotationCheck || !m_file.isOpen() || !m_rotationCheck()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_pendingMutex);
        writeQueued();
    }
    m_file.stopDataLog();
    m_firstPacket = true;
    if (!m_file.startDataLog()) {
        report("Data log not started: cannot create a file in " + m_file.writableDirectory());
    }
}

void DataLogger::requestResume()
{
    m_resuming = true;
    m_model.dataLogState = kLogStartRequested;
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
    if (!m_file.isOpen()) {
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
    std::string row = m_file.timeCell(m_firstPacket, 0);
    row += dataLogRow(values, count, dataLogFrequencyCount(ctx.modelCode, ctx.band));
    m_firstPacket = false;
    queuePacket(header, std::move(row));
}

void DataLogger::logPower(const float* samples, int count)
{
    if (!advanceState()) {
        return;
    }
    if (!m_file.isOpen()) {
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
        rows += m_file.timeCell(m_firstPacket, static_cast<std::uint64_t>(i) * step);
        rows += dataLogValues(samples + i, 1);
    }
    m_firstPacket = false;
    queuePacket(header, std::move(rows));
}

void DataLogger::queuePacket(std::string header, std::string rows)
{
    std::lock_guard<std::mutex> guard(m_pendingMutex);
    m_pending.push_back(std::move(header) + rows);
}

void DataLogger::writePending()
{
    std::lock_guard<std::mutex> guard(m_pendingMutex);
    writeQueued();
}

void DataLogger::writeQueued()
{
    for (const std::string& packet : m_pending) {
        const std::string path = m_file.path();
        if (m_file.write(packet)) {
            if (!packet.empty() && m_reportAfterWrite.exchange(false)) {
                m_failureReported = false;
            }
            continue;
        }
        if (!path.empty() && !m_file.isOpen()) {
            report("Data log closed: could not write " + fileNameOf(path) + " (disk full?)");
        }
    }
    m_pending.clear();
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
        writeQueued();
    }
    m_file.stopDataLog();
    m_model.dataLogState = kLogOff;
}

} // namespace nolvo
