#include "app/StatusTexts.h"
#include "model/SharedField.h"

#include <cmath>

#include "model/DataModel.h"
#include "model/ValueFormat.h"

namespace nolvo {

namespace {

constexpr float kDivisions = 8.0f;         // vertical divisions of the plot (a x 0.125)
constexpr float kFrequencyDivisions = 10.0f;

struct BandSpan {
    float startMHz;
    float stopMHz;
};
constexpr BandSpan kSpan24{2400.0f, 2500.0f};
constexpr BandSpan kSpan5{5145.0f, 5860.0f};

} // namespace

std::string StatusTexts::siOrDashes(float value, int precision)
{
    return std::isfinite(value) ? formatSI(value, precision) : std::string("--");
}

std::string StatusTexts::fixedOrDashes(float value)
{
    return std::isfinite(value) ? formatFixed(value) : std::string("--");
}

std::string StatusTexts::amplitudeScale(const DataModel& model)
{
    const bool spectrum = loadShared(model.common.spectrumModeActive) != 0;
    const int band = model.bandIndex();
    if (spectrum && loadShared(model.spectrum.displayMode) == 1) {
        // Waterfall: the time one division of rows covers.
        const BandStore& store = model.bandStore(band);
        const float interval = model.refreshInterval[band];
        const int z = DataModel::waterfallTimeFactor(loadShared(model.spectrum.waterfallTimeScale));
        const float v = static_cast<float>(store.waterfallRowsPerDivision) * interval * 500.0f / static_cast<float>(z);
        return "A:" + siOrDashes(v, 2) + "s/div";
    }
    float top = 0.0f;
    float bottom = 0.0f;
    if (spectrum) {
        top = model.bandStore(band).amplitudeTop;
        bottom = model.bandStore(band).amplitudeBottom;
    } else {
        top = model.powerStore.amplitudeTop;
        bottom = model.powerStore.amplitudeBottom;
    }
    const float a = (top - bottom) / kDivisions;
    if (model.common.powerUnits == 1) {
        return "A:" + siOrDashes(std::pow(10.0f, a / 10.0f) * 0.001f, 2) + "W/div";
    }
    return "A:" + fixedOrDashes(a) + "dBm/div";
}

std::string StatusTexts::frequencyOrTimeScale(const DataModel& model)
{
    if (loadShared(model.common.spectrumModeActive) != 0) {
        const BandSpan span = model.bandIndex() == kBand5 ? kSpan5 : kSpan24;
        return "Hz:" + siOrDashes((span.stopMHz - span.startMHz) * 1e6f / kFrequencyDivisions, 2) + "Hz/div";
    }
    return "T:" + siOrDashes(model.timePerDivision(), 0) + "sec/div";
}

std::string StatusTexts::trigger(const DataModel& model, const std::string& current)
{
    // Roll mode (time scales below the accessory's threshold) runs untriggered.
    if (loadShared(model.power.timeScaleIndex) < model.deviceInfo.rollThreshold) return "";
    switch (model.powerStore.acquisitionPhase) {
    case 0: return "TRIG";
    case 1: return loadShared(model.power.autoTrigger) ? "AUTO" : "TRIG?";
    case 2: return "TRIG?";
    default: return current;
    }
}

} // namespace nolvo
