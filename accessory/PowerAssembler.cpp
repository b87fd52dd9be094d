#include "accessory/PowerAssembler.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "accessory/protocols/AccessoryProtocol.h"
#include "accessory/protocols/AccessoryProtocolNolvo.h"
#include "accessory/protocols/PowerCommandFields.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/PowerMeasurements.h"

namespace nolvo {

namespace {

// trunc(numerator / denominator), 0 when it cannot be an honest small count.
int truncatedRatio(float numerator, float denominator)
{
    if (!(denominator > 0.0f) || !std::isfinite(numerator) || !std::isfinite(denominator) || numerator <= 0.0f) {
        return 0;
    }
    const double ratio = static_cast<double>(numerator) / static_cast<double>(denominator);
    return ratio >= 1.0e6 ? 1000000 : static_cast<int>(ratio);
}

} // namespace

int PowerAssembler::rollDecimation(const AccessoryInfo& info, int modelId, int timeIndex)
{
    const std::vector<float>& table = info.timePerDivision;
    if (info.rollReferenceIndex < 0 || table.empty()) {
        return 0;
    }
    const int last = static_cast<int>(table.size()) - 1;
    const int index = std::clamp(timeIndex, 0, last);
    const float timePerDivision = table[static_cast<std::size_t>(index)];
    if (modelId == AccessoryProtocolNolvo::kModelId) {
        if (info.rollThreshold < 0 || info.rollThreshold > last) {
            return 0;
        }
        const int factor = truncatedRatio(timePerDivision, table[static_cast<std::size_t>(info.rollThreshold)]);
        // The first generation's slowest roll step streams at half the rate of its neighbours.
        return index == PowerCommandFields::kLastRollIndex ? factor * 2 : factor;
    }
    if (info.rollReferenceIndex > last) {
        return 0;
    }
    return truncatedRatio(timePerDivision, table[static_cast<std::size_t>(info.rollReferenceIndex)]);
}

bool PowerAssembler::process(DataModel& model, DataLogger* logger, const AccessoryProtocol& protocol,
                             const float* values, int count, int segment, bool triggered, std::uint64_t nowMs)
{
    if (m_resetPending.exchange(false)) {
        m_assembler.clear();
        m_decimationCounter = 0;
    }
    if (const std::uint64_t restartAt = m_restartAtMs.exchange(0); restartAt != 0) {
        m_acquisition.restart(restartAt);
    }
    if (values == nullptr || count <= 0 || segment == kNoSegment) {
        return false;
    }
    // The parser's thread is the only writer of the accessory description and the time table, so
    // they may be read here before the lock is taken.
    const int timeIndex = model.clampedTimeScaleIndex();
    const bool roll = timeIndex >= 0 && timeIndex < model.deviceInfo.rollThreshold;
    const bool freeRunning = loadShared(model.power.autoTrigger) != 0;
    const std::int32_t phase = m_acquisition.update(triggered, nowMs);
    const bool used = AcquisitionPhase::captureUsed(triggered, freeRunning, roll);

    ModelLock lock(model, kDataLock);
    model.powerStore.acquisitionPhase = phase;
    if (!used) {
        return false;
    }
    if (roll) {
        const int factor = rollDecimation(model.deviceInfo, protocol.modelId(), timeIndex);
        return appendRolling(model, logger, values, count, factor);
    }
    int total = 0;
    const float* trace = m_assembler.add(protocol, protocol.powerSegments(), values, count, segment, total);
    if (trace == nullptr) {
        return false;
    }
    appendTrace(model, logger, trace, total);
    return true;
}

void PowerAssembler::appendTrace(DataModel& model, DataLogger* logger, const float* trace, int count)
{
    PowerTraces& live = model.powerStore.live;
    live.history.emplace_back(trace, trace + count);
    // Without a power view draining it the history would grow for ever; the oldest trace goes
    // together with its display trace and opacity so the three lists stay aligned.
    if (live.history.size() > static_cast<std::size_t>(kMaxLiveTraces)) {
        live.history.erase(live.history.begin());
        if (!live.processedHistory.empty()) {
            live.processedHistory.erase(live.processedHistory.begin());
        }
        if (!live.alpha.empty()) {
            live.alpha.erase(live.alpha.begin());
        }
    }
    model.powerStore.newData = true;
    const double dt = PowerMeasurements::sampleInterval(model.timePerDivision(), count);
    PowerMeasurements::compute(&model.powerStore.measurements, trace, static_cast<std::size_t>(count), dt);
    if (logger != nullptr) {
        logger->logPower(trace, count);
    }
}

bool PowerAssembler::appendRolling(DataModel& model, DataLogger* logger, const float* values, int count, int factor)
{
    m_taken.clear();
    for (int i = 0; i < count; ++i) {
        if (m_decimationCounter == 0) {
            m_taken.push_back(values[i]);
            m_decimationCounter = factor;
        } else {
            --m_decimationCounter;
        }
    }
    if (m_taken.empty()) {
        return false;
    }
    std::vector<float>& rolling = model.powerStore.live.rollingHistory;
    rolling.insert(rolling.end(), m_taken.begin(), m_taken.end());
    if (rolling.size() > static_cast<std::size_t>(kRollingHistoryCap)) {
        rolling.erase(rolling.begin(), rolling.end() - kRollingHistoryCap);
    }
    model.powerStore.newData = true;
    if (logger != nullptr) {
        logger->logPower(m_taken.data(), static_cast<int>(m_taken.size()));
    }
    return true;
}

} // namespace nolvo
