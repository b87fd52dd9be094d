#include "menus/MenuValues.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "model/ChannelPlans.h"
#include "model/SettingsRecords.h"
#include "model/ValueFormat.h"

namespace nolvo::menu_values {

namespace {

std::string lookup(const std::vector<std::string>& names, int index)
{
    if (index < 0 || index >= static_cast<int>(names.size())) return kUnknown;
    return names[static_cast<std::size_t>(index)];
}

int clampPercent(int p)
{
    return std::clamp(p, 0, 100);
}

// Position of a value on a linear slider of `step` per percent, clamped to the slider.
int percentOf(float value, float step)
{
    if (!std::isfinite(value) || value <= 0.0f) return 0;
    return clampPercent(static_cast<int>(std::lround(value / step)));
}

} // namespace

const std::vector<std::string>& traceNames()
{
    static const std::vector<std::string> names = {"NONE", "RAW", "DECAY", "AVERAGE", "MAX HOLD", "MIN HOLD", "HEAT MAP"};
    return names;
}

std::string traceName(int kind)
{
    return lookup(traceNames(), kind);
}

std::string planName(int plan)
{
    const char* name = plan >= 0 && plan <= 11 ? channelplan::menuName(plan) : "";
    return name && *name ? name : kUnknown;
}

const std::vector<std::string>& colorMapNames()
{
    static const std::vector<std::string> names = {"RAINBOW", "FIRE", "X-RAY", "GREEN"};
    return names;
}

std::string colorMapName(int index)
{
    return lookup(colorMapNames(), index);
}

const std::vector<std::string>& internalAttenuationNames()
{
    static const std::vector<std::string> names = {"0 dBm",  "4 dBm",  "8 dBm",  "12 dBm",
                                                   "16 dBm", "20 dBm", "24 dBm", "28 dBm"};
    return names;
}

std::string internalAttenuationName(int index)
{
    return lookup(internalAttenuationNames(), index);
}

const std::vector<float>& externalAttenuationChoices()
{
    // Whole decibels up to 60 dB cover the usual fixed attenuators and their combinations.
    static const std::vector<float> choices = [] {
        std::vector<float> values;
        for (int dB = 0; dB <= 60; ++dB) values.push_back(static_cast<float>(dB));
        return values;
    }();
    return choices;
}

std::string externalAttenuationName(float dB)
{
    if (!std::isfinite(dB)) return kUnknown;
    return formatFixed(dB) + " dBm";
}

int nearestExternalAttenuationChoice(float dB)
{
    const std::vector<float>& choices = externalAttenuationChoices();
    if (!std::isfinite(dB)) return 0;
    int best = 0;
    for (int i = 1; i < static_cast<int>(choices.size()); ++i) {
        if (std::fabs(choices[static_cast<std::size_t>(i)] - dB) < std::fabs(choices[static_cast<std::size_t>(best)] - dB)) {
            best = i;
        }
    }
    return best;
}

std::vector<std::string> guideRows(int band)
{
    std::vector<std::string> rows;
    for (int row = 0; row < channelplan::pickerRowCount(band); ++row) rows.emplace_back(channelplan::pickerRowName(band, row));
    return rows;
}

std::string guideTitle(int band, std::int32_t stored)
{
    if (stored < 0 || stored > 11) return kUnknown;
    return planName(channelplan::storedPlan(band, stored));
}

const std::vector<std::string>& graticuleRows()
{
    static const std::vector<std::string> rows = {"CROSSHAIRS", "MAJOR TICS", "MINOR TICS", "MAJOR GRID", "MINOR GRID"};
    return rows;
}

const std::vector<std::string>& alertRows()
{
    static const std::vector<std::string> rows = {"ON STARTUP", "ON DISCONNECT"};
    return rows;
}

namespace {

// The name of a mask with exactly one of `rows` bits set; "" otherwise.
std::string singleBitName(std::int32_t mask, const std::vector<std::string>& rows)
{
    for (std::size_t bit = 0; bit < rows.size(); ++bit) {
        if (mask == (std::int32_t{1} << bit)) return rows[bit];
    }
    return "";
}

} // namespace

std::string graticuleTitle(std::int32_t mask)
{
    if (mask == kGraticuleAll) return "GRATICULE";
    if (mask == 0) return "NONE";
    const std::string single = singleBitName(mask, graticuleRows());
    return single.empty() ? "CUSTOM" : single;
}

std::string alertsTitle(std::int32_t mask)
{
    if (mask == kAlertsAll) return "ALERTS";
    const std::string single = singleBitName(mask, alertRows());
    return single.empty() ? "NONE" : single;
}

float refreshFromPercent(int p)
{
    const float v = 1.2f * static_cast<float>(clampPercent(p));
    float seconds = 0.0f;
    if (v <= 0.0f) {
        seconds = 0.0f;
    } else if (v >= 120.0f) {
        seconds = 120.0f;
    } else {
        seconds = std::max(20.0f, 10.0f * std::trunc(v / 10.0f));
    }
    return std::clamp(seconds, 0.0f, 120.0f);
}

int percentOfRefresh(float seconds)
{
    // The lowest position that reaches the value: the steps truncate, so rounding could land
    // one position short of them.
    if (!std::isfinite(seconds) || seconds <= 0.0f) return 0;
    return clampPercent(static_cast<int>(std::ceil(seconds / 1.2f - 1e-3f)));
}

std::string refreshLabel(float seconds)
{
    if (!std::isfinite(seconds)) return kUnknown;
    if (seconds <= 0.0f) return "ALWAYS";
    return std::to_string(static_cast<long>(std::lround(seconds))) + "s";
}

float holdFromPercent(int p)
{
    return std::min(3.0f, 0.03f * static_cast<float>(clampPercent(p)));
}

float decayFromPercent(int p)
{
    return std::min(10.0f, 0.1f * static_cast<float>(clampPercent(p)));
}

float averageFromPercent(int p)
{
    return std::min(4.0f, 0.04f * static_cast<float>(clampPercent(p)));
}

int percentOfHold(float seconds)
{
    return percentOf(seconds, 0.03f);
}

int percentOfDecay(float dB)
{
    return percentOf(dB, 0.1f);
}

int percentOfAverage(float seconds)
{
    return percentOf(seconds, 0.04f);
}

std::string secondsLabel(float seconds)
{
    return formatFixed(seconds) + "s";
}

std::string decayLabel(float dB)
{
    return formatFixed(dB) + "dBm";
}

int peakCountFromPercent(int p)
{
    return static_cast<int>(std::trunc(0.05f * static_cast<float>(clampPercent(p))));
}

int percentOfPeakCount(int count)
{
    return std::clamp(count, 0, 5) * 20;
}

float persistFromPercent(int p)
{
    return std::min(20.0f, 0.1f + 0.199f * static_cast<float>(clampPercent(p)));
}

int percentOfPersist(float seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.1f) return 0;
    return clampPercent(static_cast<int>(std::lround((seconds - 0.1f) / 0.199f)));
}

PeakTarget peakTarget(SpectrumSettings& spectrum, int slider)
{
    if (loadShared(spectrum.displayMode) == 1) {
        if (slider == 0) return {"PEAKS \n(HORZ):", &spectrum.peaksHorizontal};
        if (slider == 1) return {"PEAKS \n(VERT):", &spectrum.peaksVertical};
        return {"PEAKS \n(NONE):", nullptr};
    }
    if (slider < 0 || slider > 2) return {"PEAKS \n(UNKNOWN):", nullptr};
    static const char* const captions[] = {"PEAKS \n(NONE):", "PEAKS \n(RAW):", "PEAKS \n(DECAY):",
                                           "PEAKS \n(AVG.):", "PEAKS \n(MAX):",  "PEAKS \n(MIN):"};
    const int selection = spectrum.traceSelection[slider];
    // Only the five traces with peak lists have a count to write.
    if (selection >= 1 && selection <= 5) return {captions[selection], &spectrum.peakCounts[selection - 1]};
    if (selection == 0) return {captions[0], nullptr};
    return {"PEAKS \n(UNKNOWN):", nullptr};
}

std::uint8_t onTopOfKind(int kind)
{
    return kind >= 1 && kind <= 5 ? static_cast<std::uint8_t>(kind) : 0;
}

int rowOf(int index, std::size_t rows)
{
    return index >= 0 && static_cast<std::size_t>(index) < rows ? index : -1;
}

} // namespace nolvo::menu_values
