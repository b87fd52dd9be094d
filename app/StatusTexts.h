#pragma once
// The texts of the status strip's scale and trigger labels, computed from the model. Pure
// functions of the model's settings and device state; the render thread calls them once per frame
// (no lock: single fields of plain settings memory, as the menus write them).

#include <string>

namespace nolvo {

class DataModel;

class StatusTexts {
public:
    // "A:..." amplitude scale: seconds per division in waterfall mode, else dBm or W per division.
    static std::string amplitudeScale(const DataModel& model);
    // "Hz:..." frequency span per division in spectrum mode, "T:..." time per division in power mode.
    static std::string frequencyOrTimeScale(const DataModel& model);
    // The trigger label: "" in roll mode, "TRIG", "AUTO" or "TRIG?" by the acquisition phase.
    // An unknown phase leaves `current` unchanged.
    static std::string trigger(const DataModel& model, const std::string& current);

    // Formats `value` with formatSI, or "--" when it is NaN (infinities too: nothing to show).
    static std::string siOrDashes(float value, int precision);
    static std::string fixedOrDashes(float value);
};

} // namespace nolvo
