#include "display/CursorReadouts.h"
#include "model/SharedField.h"

#include <cmath>

#include "display/CursorsLayer.h"
#include "model/DataModel.h"
#include "model/ValueFormat.h"

namespace nolvo {

namespace {

std::string levelText(const char* dbmPrefix, const char* wattPrefix, float dbm, int units)
{
    if (std::isnan(dbm)) return std::string(units == 0 ? dbmPrefix : wattPrefix) + "--";
    if (units == 0) return dbmPrefix + formatFixed(dbm) + "dBm";
    return wattPrefix + formatSI(std::pow(10.0f, dbm / 10.0f) * 0.001f, 2) + "W";
}

std::string differenceText(float db)
{
    if (std::isnan(db)) return "ΔdBm: --";
    return "ΔdBm: " + formatFixed(db) + "dB";
}

} // namespace

void bandSpanMHz(int band, float& start, float& stop)
{
    start = band == 1 ? 5145.0f : 2400.0f;
    stop = band == 1 ? 5860.0f : 2500.0f;
}

CursorReadouts makeCursorReadouts(const DataModel& model, const engine::Size& plot)
{
    CursorReadouts out;
    const CursorSettings& c = model.cursors;
    if (c.shown == 0 || loadShared(model.common.spectrumModeActive) == 0 || plot.width <= 0.0f || plot.height <= 0.0f) return out;
    const int band = model.bandIndex();
    const int active = CursorsLayer::activeCursor(model);
    const int other = 1 - active;
    const int units = model.common.powerUnits;
    const float offset = model.attenuationOffset();
    const bool waterfall = loadShared(model.spectrum.displayMode) == 1;

    if (c.verticalSelected || waterfall) {
        float start = 0, stop = 0;
        bandSpanMHz(band, start, stop);
        const float perPoint = (stop - start) / plot.width;
        const float activeMHz = start + c.verticalX[active] * perPoint;
        const float deltaMHz = std::fabs(c.verticalX[other] - c.verticalX[active]) * perPoint;
        out[0] = {true, "@Hz: " + formatSI(activeMHz * 1e6f, 3) + "Hz", "ΔHz: " + formatSI(deltaMHz * 1e6f, 2) + "Hz"};
        if (!waterfall && model.cursorResults.binCount >= 2) {
            int column = 1;
            for (std::uint8_t selection : model.spectrum.traceSelection) {
                const int kind = DataModel::traceKindOf(selection) - 1;
                if (kind < 0 || kind >= kTraceKinds || column > 3) continue;
                const float a = model.cursorResults.cursor[static_cast<std::size_t>(active)].values[static_cast<std::size_t>(kind)];
                const float b = model.cursorResults.cursor[static_cast<std::size_t>(other)].values[static_cast<std::size_t>(kind)];
                out[static_cast<std::size_t>(column++)] = {true, levelText("@dBm: ", "@W: ", a + offset, units), differenceText(b - a)};
            }
        }
    } else if (c.horizontalSelected) {
        const BandStore& store = model.bandStore(band);
        const float perPoint = (store.amplitudeTop - store.amplitudeBottom) / plot.height;
        const float a = store.amplitudeBottom + offset + c.horizontalY[active] * perPoint;
        const float b = store.amplitudeBottom + offset + c.horizontalY[other] * perPoint;
        out[1] = {true, levelText("@dBm: ", "@W: ", a, units), differenceText(b - a)};
    }
    return out;
}

} // namespace nolvo
