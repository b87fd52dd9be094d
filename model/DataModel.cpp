#include "model/DataModel.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

namespace nolvo {

DataModel* DataModel::getInstance()
{
    // Created on first use, thread-safe, and deliberately never destroyed: the link and worker
    // threads may still read it while the process exits.
    static DataModel* instance = new DataModel();
    return instance;
}

DataModel::DataModel()
{
    resetSettings();
}

void DataModel::setAccessoryInfo(const AccessoryInfo& info)
{
    deviceInfo = info;
    powerStore.timePerDivision = info.timePerDivision;
    powerStore.amplitudePerDivision = info.extraTable;
    refreshInterval[0] = info.refreshInterval24;
    refreshInterval[1] = info.refreshInterval5;
    refreshInterval[2] = info.refreshIntervalPower;
    if (info.powerSamples > 0) {
        // One screen of the power trace is one trace of the accessory.
        powerStore.samplesPerScreen = static_cast<std::int32_t>(info.powerSamples);
    }
}

int DataModel::bandIndex() const
{
    return loadShared(spectrum.band) == kBand5 ? kBand5 : kBand24;
}

int DataModel::colorMapIndex(std::int32_t stored)
{
    return (stored >= 0 && stored <= 3) ? stored : 4;
}

int DataModel::traceKindOf(std::uint8_t selection)
{
    return selection <= 6 ? selection : 0;
}

int DataModel::waterfallTimeFactor(std::int32_t selector)
{
    switch (selector) {
    case 1:
        return 2;
    case 2:
        return 5;
    default:
        return 1;
    }
}

int DataModel::peakCountOf(std::uint8_t stored)
{
    return std::min<int>(stored, kPeakSlots);
}

int DataModel::clampedTimeScaleIndex() const
{
    const auto& table = powerStore.timePerDivision;
    if (table.empty()) {
        return -1;
    }
    return std::clamp<std::int32_t>(loadShared(power.timeScaleIndex), 0, static_cast<std::int32_t>(table.size()) - 1);
}

float DataModel::timePerDivision() const
{
    const int index = clampedTimeScaleIndex();
    return index < 0 ? NAN : powerStore.timePerDivision[static_cast<std::size_t>(index)];
}

float DataModel::attenuationOffset() const
{
    if (!accessoryConnected.load()) {
        return 0.0f;
    }
    return common.externalAttenuation + deviceInfo.attenuatorEntry(common.internalAttenuationIndex);
}

void DataModel::logLine(int level, const std::string& text) const
{
    if (LogSink* sink = m_logSink.load()) {
        sink->logLine(level, text);
    }
}

} // namespace nolvo
