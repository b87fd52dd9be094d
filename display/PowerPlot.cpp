#include "display/PowerPlot.h"
#include "model/SharedField.h"

#include <algorithm>
#include <cmath>

#include "model/DataModel.h"
#include "model/PowerSpline.h"

namespace nolvo {

namespace {
constexpr float kDecayMargin = 1e-5f;
bool positiveFinite(float v) { return std::isfinite(v) && v > 0.0f; }
} // namespace

float PowerMapping::scale() const
{
    const float span = top - bottom;
    if (!positiveFinite(span) || !std::isfinite(height)) return 0.0f;
    return height / span;
}

float PowerMapping::dbmAt(float yPoints) const
{
    const float s = scale();
    return s > 0.0f ? bottom + (yPoints - channelOffset) / s : bottom;
}

float PowerPlot::timeWindow(float secondsPerDivision)
{
    const float window = kDivisions * secondsPerDivision;
    return positiveFinite(window) ? window : 1.0f;
}

float PowerPlot::persistence(float stored) { return positiveFinite(stored) ? stored : kDefaultPersistence; }

float PowerPlot::decayTime(float persistenceSeconds, float shortestFade)
{
    const float p = persistence(persistenceSeconds);
    return positiveFinite(shortestFade) && shortestFade > p ? shortestFade + kDecayMargin : p;
}

float PowerPlot::shortestFade(const DataModel& model)
{
    // The accessory sends one power trace per refresh interval.
    return model.deviceInfo.refreshIntervalPower;
}

float PowerPlot::levelHandleY(float level, float offset, const PowerMapping& map)
{
    return map.scale() * (level - (map.bottom + offset)) + map.channelOffset;
}

float PowerPlot::delayHandleX(float delay, float window, float width)
{
    const float w = positiveFinite(window) ? window : 1.0f;
    return width / 2.0f - (width / w) * delay;
}

float PowerPlot::draggedLevel(float level, float dy, const PowerMapping& map)
{
    const float s = map.scale();
    return s > 0.0f ? level + dy / s : level;
}

float PowerPlot::draggedDelay(float delay, float dx, float window, float width)
{
    const float w = positiveFinite(window) ? window : 1.0f;
    if (!positiveFinite(width)) return delay;
    return std::max(delay - dx * (w / width), -0.5f * w);
}

std::int32_t PowerPlot::steppedIndex(std::int32_t index, std::size_t tableSize, bool up)
{
    if (tableSize == 0) return index;
    const auto last = static_cast<std::int32_t>(std::min<std::size_t>(tableSize - 1, 0x7fffffff));
    const std::int32_t current = std::clamp(index, 0, last);
    return std::clamp(up ? current + 1 : current - 1, 0, last);
}

std::size_t PowerPlot::fadeTraces(PowerTraces& live, float frameSeconds, float decaySeconds, const DrawTrace& draw)
{
    auto& traces = live.processedHistory;
    auto& alpha = live.alpha;
    if (alpha.size() != traces.size()) alpha.resize(traces.size(), 1.0f);
    const std::size_t count = traces.size();
    const float fade = positiveFinite(decaySeconds) && std::isfinite(frameSeconds) && frameSeconds > 0.0f
                           ? frameSeconds / decaySeconds
                           : 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        if (alpha[i] > 0.0f && traces[i].size() >= 4 && draw) draw(traces[i], std::min(alpha[i], 1.0f));
        if (i + 1 == count) {
            alpha[i] = 1.0f;
        } else if (count > 1) {
            alpha[i] -= fade;
        }
    }
    // The newest trace that has faded out goes, and every older one with it.
    std::size_t drop = 0;
    for (std::size_t i = count; i-- > 0;) {
        if (alpha[i] <= 0.0f) {
            drop = i + 1;
            break;
        }
    }
    if (drop == 0) return 0;
    const auto cut = static_cast<std::ptrdiff_t>(drop);
    traces.erase(traces.begin(), traces.begin() + cut);
    alpha.erase(alpha.begin(), alpha.begin() + cut);
    const std::size_t raw = std::min(drop, live.history.size());
    live.history.erase(live.history.begin(), live.history.begin() + static_cast<std::ptrdiff_t>(raw));
    return drop;
}

std::vector<float> PowerPlot::rollPolyline(const std::vector<float>& rolling, std::int32_t samplesPerScreen, float width)
{
    std::vector<float> points;
    if (rolling.size() <= 2 || samplesPerScreen < 2 || !positiveFinite(width)) return points;
    const std::size_t shown = std::min(rolling.size(), static_cast<std::size_t>(samplesPerScreen));
    const float spacing = width / static_cast<float>(samplesPerScreen - 1);
    const std::size_t first = rolling.size() - shown;
    points.reserve(2 * shown);
    for (std::size_t k = 0; k < shown; ++k) {
        points.push_back(width - static_cast<float>(shown - 1 - k) * spacing);
        points.push_back(rolling[first + k]);
    }
    return points;
}

std::vector<float> PowerPlot::referencePolyline(const ReferenceHistory& reference, float width)
{
    if (!positiveFinite(width)) return {};
    for (auto it = reference.history.rbegin(); it != reference.history.rend(); ++it) {
        if (it->size() >= 2) return PowerSpline::traceToPolyline(it->data(), it->size(), width);
    }
    const std::int32_t perScreen = reference.maxRollPointsNeeded >= 2
                                       ? reference.maxRollPointsNeeded
                                       : static_cast<std::int32_t>(std::min<std::size_t>(reference.rollingHistory.size(), 0x7fffffff));
    return rollPolyline(reference.rollingHistory, perScreen, width);
}

XTransform PowerPlot::stoppedCaptureStretch(float width, float captureSpd, float currentSpd, float captureDelay,
                                            float currentDelay)
{
    if (!positiveFinite(captureSpd) || !positiveFinite(currentSpd) || !positiveFinite(width)) return {};
    // A point of the capture lies (x - trigger x) x window / width seconds from its trigger; it is
    // drawn where that time falls with the current time scale and delay.
    const float ratio = captureSpd / currentSpd;
    const float delayShift = std::isfinite(captureDelay) && std::isfinite(currentDelay)
                                 ? (captureDelay - currentDelay) * width / timeWindow(currentSpd)
                                 : 0.0f;
    return {ratio, width / 2.0f * (1.0f - ratio) + delayShift};
}

float PowerPlot::energyBetween(const std::vector<float>& polyline, float x0, float x1, float secondsPerX)
{
    if (!positiveFinite(secondsPerX)) return NAN;
    const float a = std::min(x0, x1);
    const float b = std::max(x0, x1);
    const float ya = levelAt(polyline, a);
    const float yb = levelAt(polyline, b);
    if (std::isnan(ya) || std::isnan(yb)) return NAN;
    auto watts = [](double dbm) { return std::pow(10.0, dbm / 10.0) * 0.001; };
    double sum = 0.0;
    double px = a;
    double pw = watts(ya);
    for (std::size_t i = 0; i + 1 < polyline.size(); i += 2) {
        const double x = polyline[i];
        if (x <= a) continue;
        if (x >= b) break;
        const double w = watts(polyline[i + 1]);
        sum += (x - px) * (pw + w) * 0.5;
        px = x;
        pw = w;
    }
    sum += (b - px) * (pw + watts(yb)) * 0.5;
    return static_cast<float>(sum * secondsPerX);
}

bool PowerPlot::acquisitionStopped(int runState) { return runState == kStopped || runState == kSingleDone; }

void PowerPlot::rememberStoppedCapture(DataModel& model)
{
    StoppedCapture& capture = model.powerStore.stoppedCapture;
    if (!acquisitionStopped(model.runState.load())) {
        capture.remembered = false;
        return;
    }
    if (capture.remembered) return;
    capture.remembered = true;
    capture.timeScaleIndex = model.clampedTimeScaleIndex();
    capture.amplitudeScaleIndex = loadShared(model.power.amplitudeScaleIndex);
    capture.secondsPerDivision = model.timePerDivision();
    capture.delay = loadShared(model.power.triggerDelay);
}

float PowerPlot::levelAt(const std::vector<float>& polyline, float x, std::int32_t* index)
{
    const std::size_t n = polyline.size() / 2;
    if (n == 0 || !std::isfinite(x)) return NAN;
    if (x < polyline[0] || x > polyline[2 * (n - 1)]) return NAN;
    // Binary search over the x values (increasing).
    std::size_t lo = 0;
    std::size_t hi = n - 1;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (polyline[2 * mid] <= x) lo = mid; else hi = mid;
    }
    if (index) *index = static_cast<std::int32_t>(lo);
    const float x0 = polyline[2 * lo];
    const float x1 = polyline[2 * hi];
    const float y0 = polyline[2 * lo + 1];
    const float y1 = polyline[2 * hi + 1];
    if (hi == lo || x1 <= x0) return y0;
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

} // namespace nolvo
