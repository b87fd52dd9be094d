#include "menus/SpectrumCursors.h"

#include <string>
#include <vector>

#include "model/DataModel.h"
#include "model/SharedField.h"

namespace nolvo {

namespace {

CursorSettings& cursors()
{
    return DataModel::getInstance()->cursors;
}

int unitRow(std::uint8_t unit) { return unit == kUnitPhase || unit == kUnitRatio ? unit : kUnitBase; }
int spanRow(std::uint8_t span) { return span == kWithinCursors || span == kWithinGrid ? span : kWithinFiveDivisions; }

} // namespace

void SpectrumCursors::buildRows()
{
    addSegmented(
        "CURSORS: ", {"OFF", "ON"}, [] { return cursors().shown != 0 ? 1 : 0; },
        [](int i) { cursors().shown = static_cast<std::uint8_t>(i); });
    // The two pair bytes are written together: exactly one pair is selected.
    addSegmented(
        "PAIR: ", {"HORIZONTAL", "VERTICAL"},
        [] {
            const CursorSettings& c = cursors();
            if (c.horizontalSelected == 1 && c.verticalSelected == 0) return 0;
            if (c.verticalSelected == 1 && c.horizontalSelected == 0) return 1;
            return -1;
        },
        [](int i) {
            CursorSettings& c = cursors();
            c.verticalSelected = i == 0 ? 0 : 1;
            c.horizontalSelected = i == 0 ? 1 : 0;
        });
    addSegmented(
        "MOVE: ", {"INDEPENDENT", "TRACKING"}, [] { return cursors().optionFlag == 1 ? 1 : 0; },
        [](int i) { cursors().optionFlag = static_cast<std::uint8_t>(i); });
    if (loadShared(DataModel::getInstance()->common.spectrumModeActive) != 0) return;

    // Power mode: the unit of the cursor time readouts, and the span PHASE counts as 360° and
    // RATIO as 100 % (each usable while its unit is chosen). A stored byte outside the choices
    // reads as the readouts read it: BASE, 5 DIV.
    addSegmented(
        "UNIT: ", {"BASE", "PHASE", "RATIO"}, [] { return unitRow(cursors().timeUnit()); },
        [](int i) { cursors().setTimeUnit(static_cast<PowerCursorUnit>(i)); });
    const std::vector<std::string> spans{"5 DIV", "CURSOR", "GRID"};
    addSegmented(
        "360° WITHIN: ", spans, [] { return spanRow(cursors().phaseSpan()); },
        [](int i) { cursors().setPhaseSpan(static_cast<PowerCursorSpan>(i)); },
        [](int) { return cursors().timeUnit() == kUnitPhase; });
    addSegmented(
        "100% WITHIN: ", spans, [] { return spanRow(cursors().ratioSpan()); },
        [](int i) { cursors().setRatioSpan(static_cast<PowerCursorSpan>(i)); },
        [](int) { return cursors().timeUnit() == kUnitRatio; });
}

} // namespace nolvo
