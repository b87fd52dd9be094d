#include "menus/PowerMenu.h"

#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo {

namespace {

DataModel& model() { return *DataModel::getInstance(); }

bool powerHardware()
{
    DataModel& m = model();
    ModelLock lock(m, kDataLock);
    return m.powerHardwarePresent();
}

} // namespace

void PowerMenu::buildRows()
{
    addAttenuationRows([] { return powerHardware(); });
    // Usable attenuation buttons keep the normal look with a grey title.
    for (const char* caption : {"INT. ATTEN: ", "EXT. ATTEN: "}) {
        if (auto* row = dynamic_cast<ValueButtonRow*>(findRow(caption))) row->setEnabledTitleColour(engine::Color3B(127, 127, 127));
    }
    // REF is shown selected while the reference is on screen; GRAB and CLR are actions.
    addSegmented(
        "", {"REF", "GRAB", "CLR"}, [] { return model().referenceChannel.shown ? 0 : -1; },
        [](int i) {
            DataModel& m = model();
            if (i == 0) {
                m.referenceChannel.shown = m.referenceChannel.shown ? 0 : 1;
                return;
            }
            {
                ModelLock lock(m, kDataLock);
                if (i == 1) {
                    m.grabReference();
                } else {
                    m.clearReference();
                }
            }
            if (i == 1) m.referenceChannel.shown = 1;
        });
}

} // namespace nolvo
