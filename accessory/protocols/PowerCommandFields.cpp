#include "accessory/protocols/PowerCommandFields.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "model/DataModel.h"

namespace nolvo {

namespace {

// Counts are 32-bit fields: clamp to what fits and truncate; NaN becomes 0.
std::uint32_t toCount(double value)
{
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 4294967295.0) {
        return 4294967295u;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint16_t toLevelCode(double value, bool roundDown)
{
    if (std::isnan(value)) {
        return 0;
    }
    value = roundDown ? std::floor(value) : std::ceil(value);
    return static_cast<std::uint16_t>(std::clamp(value, 0.0, 255.0));
}

} // namespace

PowerCommandFields PowerCommandFields::compute(const DataModel& model, const PowerCalibration& calibration)
{
    PowerCommandFields fields;
    fields.powerMode = loadShared(model.common.spectrumModeActive) == 0;
    if (!fields.powerMode || calibration.timePerDivision == nullptr || calibration.timePerDivisionCount <= 0) {
        fields.powerMode = false;
        return fields;
    }
    const PowerSettings& power = model.power;
    const AccessoryInfo& info = model.deviceInfo;

    fields.timeIndex = std::clamp<int>(loadShared(power.timeScaleIndex), 0, calibration.timePerDivisionCount - 1);
    const double timePerDivision = calibration.timePerDivision[fields.timeIndex];
    if (!info.timePerDivision.empty()) {
        const int rollIndex =
            std::clamp<int>(loadShared(power.timeScaleIndex), 0, static_cast<int>(info.timePerDivision.size()) - 1);
        fields.roll = rollIndex < info.rollThreshold;
    }
    const double samplesPerSecond = calibration.samplesPerTrace / (10.0 * timePerDivision);

    fields.powerTrigger = loadShared(power.triggerType) != 0;
    fields.autoTrigger = loadShared(power.autoTrigger) != 0;
    const bool risingEdge = loadShared(power.powerEdgeRising) != 0;

    const double offset = model.attenuationOffset();
    const double level = (static_cast<double>(loadShared(power.triggerLevel)) - offset - calibration.powerOffset) /
                         static_cast<double>(calibration.powerScale);

    const std::uint32_t delay = toCount((5.0 * timePerDivision + loadShared(power.triggerDelay)) * samplesPerSecond);
    const std::uint32_t holdoff = toCount(static_cast<double>(loadShared(power.triggerHoldoff)) * samplesPerSecond);
    fields.delayCount = delay;
    fields.holdoffCount = holdoff >= delay ? holdoff - delay : delay;
    if (fields.holdoffCount == 0) {
        fields.holdoffCount = 1;
    }

    if (fields.powerTrigger) {
        fields.levelCode = toLevelCode(level, risingEdge);
        fields.triggerFlags = risingEdge ? 1 : 0;
    } else {
        fields.triggerFlags = loadShared(power.edgeBRise) > 0 ? 3 : 0;
        fields.triggerCode = static_cast<std::uint8_t>(std::min<int>(loadShared(power.digitalCombination), 3) + 1);
        fields.triggerParameters =
            static_cast<std::uint8_t>((loadShared(power.digitalInputB) << 4) | (loadShared(power.digitalInputA) & 15));
    }
    return fields;
}

} // namespace nolvo
