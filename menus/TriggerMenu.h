#pragma once
// The trigger menu of power mode: AUTO / NORMAL, the delay and holdoff pickers, POWER or DIGITAL
// trigger and their rows (level picker, edge, GROUND; the digital combination, inputs A and B with
// their edges). Every change asks the accessory for the power configuration again. The rows of the
// trigger type not in use stay in place but are disabled, so the menu keeps its size and layout.
// Render thread only.

#include "menus/MenuLayer.h"
#include "model/SettingsRecords.h"

namespace nolvo {

class TriggerMenu : public MenuLayer {
public:
    static TriggerMenu* create() { return MenuLayer::make<TriggerMenu>(); }

    // The input numbers (D1..D4 as 0..3) the arrows of condition 0 (A) or 1 (B) have stepped to;
    // stored only when the input button is pressed.
    int pendingInput(int condition) const { return m_pending[condition == 0 ? 0 : 1]; }

    // What a row does with a chosen trigger setting: stores it - the worker reads it for the
    // accessory's settings and demo playback presets it, so it is a shared field - and, when it
    // changed, asks the accessory for the power configuration again. Float, byte and signed-byte
    // fields of PowerSettings.
    template <typename Field>
    static void chooseTrigger(Field PowerSettings::*field, Field value);

protected:
    friend class MenuLayer;
    TriggerMenu();
    void buildRows() override;

private:
    void addInputRows(int condition);
    int m_pending[2] = {0, 1};
};

} // namespace nolvo
