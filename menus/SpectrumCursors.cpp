#include "menus/SpectrumCursors.h"

#include "model/DataModel.h"

namespace nolvo {

namespace {

CursorSettings& cursors()
{
    return DataModel::getInstance()->cursors;
}

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
}

} // namespace nolvo
