#include "display/PowerCursorReadouts.h"
#include "model/SharedField.h"

#include <cmath>

#include "display/CursorsLayer.h"
#include "display/PowerPlot.h"
#include "model/DataModel.h"
#include "model/ValueFormat.h"

namespace nolvo {

namespace {

float watts(float dbm) { return std::pow(10.0f, dbm / 10.0f) * 0.001f; }

std::string siText(const char* prefix, float value, const char* unit)
{
    return std::string(prefix) + (std::isfinite(value) ? formatSI(value, 2) + unit : std::string("--"));
}

std::string levelText(float dbm, int units)
{
    if (units == 1) return siText("@W: ", watts(dbm), "W");
    return std::string("@dBm: ") + (std::isfinite(dbm) ? formatFixed(dbm) + "dBm" : std::string("--"));
}

std::string differenceText(float from, float to, int units)
{
    if (units == 1) return siText("ΔW: ", watts(to) - watts(from), "W");
    const float db = to - from;
    return std::string("ΔdBm: ") + (std::isfinite(db) ? formatFixed(db) + "dB" : std::string("--"));
}

// The span the PHASE unit counts as 360° (the RATIO unit as 100 %): five divisions, the distance
// between the cursors, or the whole grid.
float span(std::uint8_t within, float dt, float window)
{
    switch (within) {
    case kWithinCursors: return dt;
    case kWithinGrid: return window;
    default: return window / 2.0f;
    }
}

std::string fixedText(const char* prefix, float value, const char* unit)
{
    return std::string(prefix) + (std::isfinite(value) ? formatFixed(value) + unit : std::string("--"));
}

CursorReadout timeReadout(const CursorSettings& c, float t, float dt, float window)
{
    switch (c.timeUnit()) {
    case kUnitPhase: {
        const float s = span(c.phaseSpan(), dt, window);
        return {true, fixedText("@t: ", t / s * 360.0f, "°"), fixedText("Δt: ", dt / s * 360.0f, "°")};
    }
    case kUnitRatio: {
        const float s = span(c.ratioSpan(), dt, window);
        return {true, fixedText("@t: ", t / s * 100.0f, "%"), fixedText("Δt: ", dt / s * 100.0f, "%")};
    }
    default: return {true, siText("@t: ", t, "s"), siText("Δt: ", dt, "s")};
    }
}

} // namespace

CursorReadouts makePowerCursorReadouts(const DataModel& model, const engine::Size& plot)
{
    CursorReadouts out;
    const CursorSettings& c = model.cursors;
    if (c.shown == 0 || loadShared(model.common.spectrumModeActive) != 0 || plot.width <= 0.0f || plot.height <= 0.0f) return out;
    const int active = CursorsLayer::activeCursor(model);
    const int other = 1 - active;
    const int units = model.common.powerUnits;
    const float offset = model.attenuationOffset();
    if (c.verticalSelected) {
        const float window = PowerPlot::timeWindow(model.timePerDivision());
        const float trigger = PowerPlot::delayHandleX(loadShared(model.power.triggerDelay), window, plot.width);
        const float perPoint = window / plot.width;
        const float t = (c.verticalX[active] - trigger) * perPoint;
        const float dt = std::fabs(c.verticalX[other] - c.verticalX[active]) * perPoint;
        out[0] = timeReadout(c, t, dt, window);
        const float a = model.cursorResults.cursor[static_cast<std::size_t>(active)].values[kTraceRaw] + offset;
        const float b = model.cursorResults.cursor[static_cast<std::size_t>(other)].values[kTraceRaw] + offset;
        out[1] = {true, levelText(a, units), differenceText(a, b, units)};
        const float energy = model.powerStore.cursorEnergy * std::pow(10.0f, offset / 10.0f);
        out[2] = {true, siText("Ws: ", energy, "Ws"), ""};
    } else if (c.horizontalSelected) {
        const PowerMapping map{model.powerStore.amplitudeBottom, model.powerStore.amplitudeTop, plot.height,
                               static_cast<float>(model.powerChannel.verticalOffset())};
        const float a = map.dbmAt(c.horizontalY[active]) + offset;
        const float b = map.dbmAt(c.horizontalY[other]) + offset;
        out[1] = {true, levelText(a, units), differenceText(a, b, units)};
    }
    return out;
}

} // namespace nolvo
